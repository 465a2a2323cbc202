// Catalogue content the tree does not expect never stops start-up: each bad
// row gets its defined node (or none), and the rows after it are listed.

#include "catalogue/statements.h"
#include "support/qt/form_fixture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace qinghe::test {
namespace {

using catalogue_files::CatalogueBuilder;
using V = std::vector<std::string>;

TEST(BadCatalogue, ADuplicateCategoryIdAddsNoSecondNodeAndTheFirstKeepsItsPage) {
    CatalogueBuilder catalogue;
    catalogue.category(1, "电影", 10, 1).category(1, "重复", 20, 2).category(2, "综艺", 5, 3);
    constexpr int page_size = qinghe::catalogue::page_size;
    catalogue.programmes(1, page_size + 1, 100).programmes(2, 3, 500);
    FormFixture f(catalogue);
    f.start();

    EXPECT_EQ(f.root_keys(), (V{"tv1_search", "lb_1", "lb_2"}));
    EXPECT_EQ(f.tree().text("lb_1"), "电影(10)");
    const V page = f.child_keys("lb_1");
    const std::string newest = std::to_string(100 + page_size);
    ASSERT_EQ(page.size(), page_size + 1U);
    EXPECT_EQ(page.front(), "tv1_id_" + newest);
    EXPECT_EQ(page.back(), "tv1_next_2_1");
    EXPECT_EQ(f.child_keys("tv1_id_" + newest), V{"intro_" + newest});
    EXPECT_EQ(f.child_keys("lb_2"), (V{"tv1_id_502", "tv1_id_501", "tv1_id_500"}));
    EXPECT_FALSE(f.window().timer1().enabled());
}

TEST(BadCatalogue, CategoryIdsThatAreNoSixteenBitNumberGetAChildlessNode) {
    CatalogueBuilder catalogue;
    catalogue.category(std::monostate{}, "无编号", 1, 1)
        .category(std::monostate{}, "又无编号", 2, 2)
        .category(40000, "太大", 3, 3)
        .category(-40000, "太小", 4, 4)
        .category(std::string("abc"), "文字", 5, 5)
        .category(7, "正常", 6, 6);
    // Programmes that name the bad ids are never listed.
    catalogue.programmes(40000, 2, 100).programmes(-40000, 2, 200).programmes(7, 2, 300);
    FormFixture f(catalogue);
    f.start();

    EXPECT_EQ(f.root_keys(), (V{"tv1_search", "lb_", "lb_40000", "lb_-40000", "lb_abc", "lb_7"}));
    EXPECT_EQ(f.tree().text("lb_"), "无编号(1)");
    for (const char* childless : {"lb_", "lb_40000", "lb_-40000", "lb_abc"})
        EXPECT_EQ(f.tree().children(childless), 0) << childless;
    EXPECT_EQ(f.child_keys("lb_7"), (V{"tv1_id_301", "tv1_id_300"}));
    EXPECT_FALSE(f.tree().contains("tv1_id_100"));
    EXPECT_FALSE(f.tree().contains("tv1_id_200"));
    EXPECT_FALSE(f.window().timer1().enabled());
}

TEST(BadCatalogue, NullNamesAndTitlesLeaveTheirTextPartsEmpty) {
    CatalogueBuilder catalogue;
    catalogue.category(1, std::monostate{}, std::monostate{}, 1)
        .category(2, "体育", std::monostate{}, 2)
        .category(3, std::monostate{}, 7, 3)
        .category(4, "", std::string("新"), 4)
        .category(5, "小数", 2.5, 5);
    catalogue.programme(10, std::monostate{}, 2, "$$土豆|a|b", 3)
        .programme(11, "", 2, "", 2)
        .programme(12, "有名", 2, "", 1);
    FormFixture f(catalogue);
    f.start();

    EXPECT_EQ(f.tree().text("lb_1"), "()");
    EXPECT_EQ(f.tree().text("lb_2"), "体育()");
    EXPECT_EQ(f.tree().text("lb_3"), "(7)");
    EXPECT_EQ(f.tree().text("lb_4"), "(新)");
    EXPECT_EQ(f.tree().text("lb_5"), "小数(2.5)");
    EXPECT_EQ(f.child_keys("lb_2"), (V{"tv1_id_10", "tv1_id_11", "tv1_id_12"}));
    EXPECT_EQ(f.child_texts("lb_2"), (V{"1.", "2.", "3.有名"}));
    EXPECT_EQ(f.child_keys("tv1_id_10"), V{"intro_10"});
}

TEST(BadCatalogue, AProgrammeIdListedInTwoCategoriesStopsTheSecondListingThere) {
    CatalogueBuilder catalogue;
    catalogue.category(1, "电影", 0, 1).category(2, "综艺", 0, 2).category(3, "新闻", 0, 3);
    catalogue.programme(1, "一", 1, "", 3).programme(2, "二", 1, "", 2).programme(3, "三", 1, "", 1);
    catalogue.programme(10, "十", 2, "", 30).programme(2, "又二", 2, "", 20).programme(11, "十一", 2, "", 10);
    catalogue.programmes(3, 2, 100);
    FormFixture f(catalogue);
    f.start();

    EXPECT_EQ(f.child_keys("lb_1"), (V{"tv1_id_1", "tv1_id_2", "tv1_id_3"}));
    EXPECT_EQ(f.tree().text("tv1_id_2"), "2.二");
    // The rows before the clash stay listed; the walk goes on with the next
    // category.
    EXPECT_EQ(f.child_keys("lb_2"), V{"tv1_id_10"});
    EXPECT_EQ(f.child_keys("tv1_id_10"), V{"intro_10"});
    EXPECT_EQ(f.child_keys("lb_3"), (V{"tv1_id_101", "tv1_id_100"}));
}

TEST(BadCatalogue, AProgrammeWithoutAnIdIsListedButNeverFilled) {
    CatalogueBuilder catalogue;
    catalogue.category(1, "电影", 0, 1).category(2, "综艺", 0, 2);
    catalogue.programme(std::monostate{}, "无号", 1, "$$土豆|a|b", 9).programme(5, "五", 1, "$$优酷|c|d", 1);
    // A second programme without an id clashes with the first one's key.
    catalogue.programme(8, "八", 2, "", 9).programme(std::monostate{}, "又无号", 2, "", 5).programme(6, "六", 2, "", 1);
    FormFixture f(catalogue);
    f.start();

    EXPECT_EQ(f.child_keys("lb_1"), (V{"tv1_id_", "tv1_id_5"}));
    EXPECT_EQ(f.child_texts("lb_1"), (V{"1.无号", "2.五"}));
    EXPECT_EQ(f.child_keys("tv1_id_"), V{"intro_"});
    EXPECT_EQ(f.child_keys("lb_2"), V{"tv1_id_8"});

    f.form().Tv1_Expand("tv1_id_");
    EXPECT_EQ(f.child_keys("tv1_id_"), V{"intro_"});
    f.form().Tv1_Expand("tv1_id_5");
    EXPECT_EQ(f.child_keys("tv1_id_5"), (V{"intro_5", "bf_1_5"}));
}

TEST(BadCatalogue, ACatalogueWithoutTheProgrammeTableListsCategoriesWithoutChildren) {
    CatalogueBuilder catalogue;
    catalogue.category(1, "电影", 0, 1).category(2, "综艺", 0, 2);
    catalogue.data().tables.erase("t1");
    FormFixture f(catalogue);
    f.start();
    EXPECT_EQ(f.root_keys(), (V{"tv1_search", "lb_1", "lb_2"}));
    EXPECT_EQ(f.node_count(), 3);
    EXPECT_FALSE(f.window().timer1().enabled());
}

}  // namespace
}  // namespace qinghe::test
