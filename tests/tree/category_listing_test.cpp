// The category listing as the user sees it: the top level after start-up,
// the pages of each category and what clearing a node does.

#include "catalogue/statements.h"
#include "platform/base/error.h"
#include "platform/base/int16.h"
#include "support/qt/form_fixture.h"
#include "tools/catalogue_files/catalogue_database.h"
#include "tree/category_paging.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace qinghe::test {
namespace {

using catalogue_files::CatalogueBuilder;
using platform::PlatformError;
using V = std::vector<std::string>;

const std::string next_text(tree::next_page_text);
const std::string previous_text(tree::previous_page_text);
constexpr int page = catalogue::page_size;
constexpr int int16_max = platform::int16_max;

std::string text(long number, std::int64_t id) {
    return std::to_string(number) + ".节目" + std::to_string(id);
}

// Programme keys for the ids from `first` down to `last`, the listing order
// of CatalogueBuilder::programmes.
V programme_keys_down(std::int64_t first, std::int64_t last) {
    V keys;
    for (std::int64_t id = first; id >= last; --id) keys.push_back("tv1_id_" + std::to_string(id));
    return keys;
}

// Listing texts "n.节目<id>" for consecutive numbers and descending ids.
V listing_texts(long first_number, std::int64_t first_id, int count) {
    V texts;
    for (int i = 0; i < count; ++i) texts.push_back(text(first_number + i, first_id - i));
    return texts;
}

V concat(V a, const V& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Every programme node under the category holds exactly its intro node.
void expect_each_programme_has_only_its_intro(FormFixture& f, const std::string& category) {
    for (const std::string& key : f.child_keys(category)) {
        if (key.rfind("tv1_id_", 0) != 0) continue;
        const std::string id = key.substr(7);
        EXPECT_EQ(f.child_keys(key), V{"intro_" + id}) << key;
        EXPECT_EQ(f.child_texts(key), V{"详细介绍"}) << key;
    }
}

TEST(TopLevel, SearchRootComesFirstThenCategoriesInNumericPxOrder) {
    CatalogueBuilder catalogue;
    catalogue.category(1, "电影", 10, 10)
        .category(2, "电视剧", 20, 9)
        .category(3, "综艺", 30, 100)
        .category(4, "新闻", 40, -1);
    FormFixture f(catalogue);
    f.start();
    EXPECT_EQ(f.root_keys(), (V{"tv1_search", "lb_4", "lb_2", "lb_1", "lb_3"}));
    EXPECT_EQ(f.tree().text("lb_4"), "新闻(40)");
}

TEST(TopLevel, WithNoCategoriesTheTreeHoldsTheSearchRootAlone) {
    CatalogueBuilder catalogue;
    catalogue.programmes(1, 3);  // programmes of a category that is not listed
    FormFixture f(catalogue);
    f.start();
    EXPECT_EQ(f.root_keys(), V{"tv1_search"});
    EXPECT_EQ(f.tree().text("tv1_search"), "搜索结果(0)");
    EXPECT_EQ(f.node_count(), 1);
    EXPECT_FALSE(f.window().timer1().enabled());
}

TEST(TopLevel, WithoutACatalogueFileTheWindowStillGetsTheSearchRootAndTheTimerStops) {
    FormFixture f;
    ASSERT_TRUE(f.window().timer1().enabled());
    f.start();
    EXPECT_EQ(f.root_keys(), V{"tv1_search"});
    EXPECT_EQ(f.tree().text("tv1_search"), "搜索结果(0)");
    EXPECT_EQ(f.node_count(), 1);
    EXPECT_FALSE(f.window().timer1().enabled());
}

// Categories of no programmes, one page, one page and one, two pages and
// one; ids from 1000, 2000, 3000.
CatalogueBuilder sized_categories() {
    CatalogueBuilder catalogue;
    catalogue.category(1, "空", 0, 1)
        .category(2, "一页", page, 2)
        .category(3, "一页多一", page + 1, 3)
        .category(4, "两页多一", 2 * page + 1, 4);
    catalogue.programmes(2, page, 1000).programmes(3, page + 1, 2000).programmes(4, 2 * page + 1, 3000);
    return catalogue;
}

TEST(FirstPage, ShowsAtMostAPageOfProgrammesAndANextPageNodeOnlyWhenMoreExist) {
    FormFixture f(sized_categories());
    f.start();

    EXPECT_EQ(f.tree().children("lb_1"), 0);

    EXPECT_EQ(f.child_keys("lb_2"), programme_keys_down(999 + page, 1000));
    EXPECT_EQ(f.child_texts("lb_2"), listing_texts(1, 999 + page, page));

    // The row after a page only tells that page 2 exists; it is never listed here.
    EXPECT_EQ(f.child_keys("lb_3"), concat(programme_keys_down(2000 + page, 2001), V{"tv1_next_2_3"}));
    EXPECT_EQ(f.tree().text("tv1_next_2_3"), next_text);
    EXPECT_FALSE(f.tree().contains("tv1_id_2000"));

    EXPECT_EQ(f.child_keys("lb_4"), concat(programme_keys_down(3000 + 2 * page, 3001 + page), V{"tv1_next_2_4"}));
    EXPECT_EQ(f.child_texts("lb_4").front(), text(1, 3000 + 2 * page));
    EXPECT_EQ(f.child_texts("lb_4")[page - 1], text(page, 3001 + page));

    for (const char* category : {"lb_2", "lb_3", "lb_4"}) expect_each_programme_has_only_its_intro(f, category);
}

TEST(LaterPages, CarryOnTheNumberingBetweenAPreviousAndANextPageNode) {
    FormFixture f(sized_categories());
    f.start();

    tree::delete_child(f.tree(), "lb_4");
    tree::set_child(f.form().connection(), f.tree(), 4, 2);
    EXPECT_EQ(f.child_keys("lb_4"),
              concat(concat(V{"tv1_pro_1_4"}, programme_keys_down(3000 + page, 3001)), V{"tv1_next_3_4"}));
    const V page2 = f.child_texts("lb_4");
    EXPECT_EQ(page2.front(), previous_text);
    EXPECT_EQ(V(page2.begin() + 1, page2.end() - 1), listing_texts(page + 1, 3000 + page, page));
    EXPECT_EQ(page2.back(), next_text);
    expect_each_programme_has_only_its_intro(f, "lb_4");

    tree::delete_child(f.tree(), "lb_4");
    tree::set_child(f.form().connection(), f.tree(), 4, 3);
    EXPECT_EQ(f.child_keys("lb_4"), (V{"tv1_pro_2_4", "tv1_id_3000"}));
    EXPECT_EQ(f.child_texts("lb_4"), (V{previous_text, text(2 * page + 1, 3000)}));
    EXPECT_EQ(f.child_keys("tv1_id_3000"), V{"intro_3000"});

    tree::delete_child(f.tree(), "lb_3");
    tree::set_child(f.form().connection(), f.tree(), 3, 2);
    EXPECT_EQ(f.child_keys("lb_3"), (V{"tv1_pro_1_3", "tv1_id_2000"}));
    EXPECT_EQ(f.tree().text("tv1_id_2000"), text(page + 1, 2000));
}

TEST(LaterPages, TurningBackToPageOneShowsWhatStartUpShowed) {
    FormFixture f(sized_categories());
    f.start();
    const V keys_at_start = f.child_keys("lb_4");
    const V texts_at_start = f.child_texts("lb_4");

    f.tree().set_expanded("lb_4", true);
    f.window().show();

    f.form().Tv1_NodeClick("tv1_next_2_4");
    ASSERT_EQ(f.child_keys("lb_4").front(), "tv1_pro_1_4");
    // The page turns in place: the category stays open.
    EXPECT_TRUE(f.tree().expanded("lb_4"));
    f.form().Tv1_NodeClick("tv1_pro_1_4");
    QApplication::processEvents();
    EXPECT_TRUE(f.tree().expanded("lb_4"));
    EXPECT_EQ(f.child_keys("lb_4"), keys_at_start);
    EXPECT_EQ(f.child_texts("lb_4"), texts_at_start);
    expect_each_programme_has_only_its_intro(f, "lb_4");
}

TEST(LaterPages, NegativeAndExtremeCategoryIdsPageLikeAnyOther) {
    CatalogueBuilder catalogue;
    catalogue.category(-5, "负", 0, 1).category(-32768, "最小", 0, 2).category(int16_max, "最大", 0, 3);
    catalogue.programmes(-5, page + 1, 100).programmes(-32768, 1, 300).programmes(int16_max, 1, 400);
    FormFixture f(catalogue);
    f.start();
    EXPECT_EQ(f.root_keys(), (V{"tv1_search", "lb_-5", "lb_-32768", "lb_32767"}));
    EXPECT_EQ(f.child_keys("lb_-32768"), V{"tv1_id_300"});
    EXPECT_EQ(f.child_keys("lb_32767"), V{"tv1_id_400"});
    EXPECT_EQ(f.child_keys("lb_-5").back(), "tv1_next_2_-5");

    f.form().Tv1_NodeClick("tv1_next_2_-5");
    EXPECT_EQ(f.child_keys("lb_-5"), (V{"tv1_pro_1_-5", "tv1_id_100"}));
    EXPECT_EQ(f.tree().text("tv1_id_100"), text(page + 1, 100));
}

TEST(ListingOrder, NewestFirstAndTiesOnUpdateListTheLargerIdFirst) {
    CatalogueBuilder catalogue;
    catalogue.category(1, "电影", 0, 1);
    catalogue.programme(5, "五", 1, "", 100)
        .programme(9, "九", 1, "", 100)
        .programme(3, "三", 1, "", 200)
        .programme(7, "七", 1, "", 100)
        .programme(11, "十一", 1, "", 50);
    // A page and one more programme that all share one stamp: the split
    // between the pages still follows the id.
    catalogue.category(2, "同时", 0, 2);
    for (std::int64_t id = 1001; id <= 1001 + page; ++id)
        catalogue.programme(id, "节目" + std::to_string(id), 2, "", std::int64_t{7});
    FormFixture f(catalogue);
    f.start();

    EXPECT_EQ(f.child_keys("lb_1"), (V{"tv1_id_3", "tv1_id_9", "tv1_id_7", "tv1_id_5", "tv1_id_11"}));
    EXPECT_EQ(f.child_texts("lb_1"), (V{"1.三", "2.九", "3.七", "4.五", "5.十一"}));

    EXPECT_EQ(f.child_keys("lb_2"), concat(programme_keys_down(1001 + page, 1002), V{"tv1_next_2_2"}));
    tree::delete_child(f.tree(), "lb_2");
    tree::set_child(f.form().connection(), f.tree(), 2, 2);
    EXPECT_EQ(f.child_keys("lb_2"), (V{"tv1_pro_1_2", "tv1_id_1001"}));
}

TEST(LaterPages, TheLastPageANumberCanNameIsListedWithoutANextPageNode) {
    // One row more than the most full pages a 16-bit page number names, so
    // a page after the last page number exists but cannot be named.
    constexpr std::int64_t rows = std::int64_t{int16_max} * page + 1;
    CatalogueBuilder catalogue;
    catalogue.category(5, "海量", 0, 1);
    FormFixture f(catalogue);
    {
        auto db = catalogue_files::detail::open_catalogue(f.dir().path() / catalogue::catalogue_file_name,
                                                          platform::sqlcipher::Database::Access::read_write_create,
                                                          catalogue::database_password);
        // Written in one go with no journal: the file is a throwaway.
        db.exec(
            "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; PRAGMA cache_size=-262144; "
            "DROP INDEX qinghe_t1_id");
        db.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " + std::to_string(rows) +
                ") INSERT INTO t1 (id, tit, lb_id, up_dt) SELECT i, 'p' || i, 5, i FROM n");
        db.close();
    }
    f.start();
    ASSERT_EQ(f.child_keys("lb_5").back(), "tv1_next_2_5");

    tree::delete_child(f.tree(), "lb_5");
    // Listing the programmes works; naming the page after them overflows
    // and ends the call, so the error reaches the caller.
    EXPECT_THROW(tree::set_child(f.form().connection(), f.tree(), 5, int16_max), PlatformError);
    const V keys = f.child_keys("lb_5");
    const std::string previous_key = "tv1_pro_" + std::to_string(int16_max - 1) + "_5";
    const std::int64_t first_row = rows - page;
    ASSERT_EQ(keys.size(), page + 1U);
    EXPECT_EQ(keys.front(), previous_key);
    EXPECT_EQ(keys[1], "tv1_id_" + std::to_string(page + 1));
    EXPECT_EQ(keys.back(), "tv1_id_2");
    EXPECT_EQ(f.tree().text(keys[1]), std::to_string(first_row) + ".p" + std::to_string(page + 1));
    EXPECT_EQ(f.tree().text("tv1_id_2"), std::to_string(rows - 1) + ".p2");
    expect_each_programme_has_only_its_intro(f, "lb_5");

    // Reached through the next-page node of the page before, the same page
    // is listed and the error stays inside the click handler.
    f.form().Tv1_NodeClick("tv1_next_" + std::to_string(int16_max) + "_5");
    EXPECT_EQ(f.child_keys("lb_5").size(), page + 1U);
    EXPECT_EQ(f.child_keys("lb_5").front(), previous_key);
}

TEST(LaterPages, APageBeyondTheLastFailsAndLeavesTheCategoryEmpty) {
    FormFixture f(sized_categories());
    f.start();
    tree::delete_child(f.tree(), "lb_3");
    EXPECT_THROW(tree::set_child(f.form().connection(), f.tree(), 3, 3), PlatformError);
    EXPECT_EQ(f.tree().children("lb_3"), 0);
    EXPECT_THROW(tree::set_child(f.form().connection(), f.tree(), 3, 0), PlatformError);
    EXPECT_THROW(tree::set_child(f.form().connection(), f.tree(), 3, -1), PlatformError);
    EXPECT_EQ(f.tree().children("lb_3"), 0);
    // The category can still be filled again afterwards.
    tree::set_child(f.form().connection(), f.tree(), 3, 2);
    EXPECT_EQ(f.child_keys("lb_3"), (V{"tv1_pro_1_3", "tv1_id_2000"}));
}

TEST(DeleteChild, RemovesEveryChildWithItsSubtreeAndKeepsTheNode) {
    FormFixture f(sized_categories());
    f.start();
    f.form().Tv1_Expand("tv1_id_2001");
    ASSERT_TRUE(f.tree().contains("web_1_1_2001"));

    tree::delete_child(f.tree(), "lb_3");
    EXPECT_EQ(f.tree().children("lb_3"), 0);
    for (const char* gone :
         {"tv1_id_2001", "intro_2001", "bf_1_2001", "web_1_1_2001", "tv1_id_2002", "intro_2002", "tv1_next_2_3"})
        EXPECT_FALSE(f.tree().contains(gone)) << gone;
    EXPECT_EQ(f.root_keys(), (V{"tv1_search", "lb_1", "lb_2", "lb_3", "lb_4"}));
    EXPECT_EQ(f.tree().children("lb_4"), page + 1);

    // A node with one child is left with none.
    const std::string programme = f.child_keys("lb_4").front();
    ASSERT_EQ(f.child_keys(programme), V{"intro_" + programme.substr(7)});
    tree::delete_child(f.tree(), programme);
    EXPECT_EQ(f.tree().children(programme), 0);
    EXPECT_FALSE(f.tree().contains("intro_" + programme.substr(7)));
}

TEST(DeleteChild, OnAChildlessNodeOrAMissingKeyFailsAndRemovesNothing) {
    FormFixture f(sized_categories());
    f.start();
    const int nodes = f.node_count();
    EXPECT_THROW(tree::delete_child(f.tree(), "lb_1"), PlatformError);
    EXPECT_THROW(tree::delete_child(f.tree(), "intro_1000"), PlatformError);
    EXPECT_THROW(tree::delete_child(f.tree(), "tv1_search"), PlatformError);
    EXPECT_THROW(tree::delete_child(f.tree(), "lb_99"), PlatformError);
    EXPECT_THROW(tree::delete_child(f.tree(), ""), PlatformError);
    EXPECT_EQ(f.node_count(), nodes);
    EXPECT_EQ(f.tree().children("lb_2"), page);
}

}  // namespace
}  // namespace qinghe::test
