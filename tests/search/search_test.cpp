#include "catalogue/statements.h"
#include "search/search.h"
#include "support/qt/form_fixture.h"

#include <gtest/gtest.h>

namespace qinghe::test {
namespace {

using catalogue_files::CatalogueBuilder;
using V = std::vector<std::string>;

TEST(Search, ListsMatchesHighestIdFirstWithTheirIntroNodes) {
    CatalogueBuilder c;
    c.category(1, "新闻", 4, 1)
        .programme(7, "晚间新闻", 1, "$$土豆|a|t")
        .programme(12, "新闻联播", 1, "$$优酷|b|t")
        .programme(40, "国际新闻", 1, "$$SINA|c|t")
        .programme(41, "天气预报", 1, "$$SINA|d|t");
    FormFixture f(c);
    f.start();
    f.search_for("新闻");

    EXPECT_EQ(f.tree().text("tv1_search"), "搜索结果(3)");
    EXPECT_EQ(f.child_keys("tv1_search"), (V{"tv1_id2_40", "tv1_id2_12", "tv1_id2_7"}));
    EXPECT_EQ(f.child_texts("tv1_search"), (V{"1.国际新闻", "2.新闻联播", "3.晚间新闻"}));
    for (const char* id : {"40", "12", "7"}) {
        EXPECT_EQ(f.child_keys(std::string("tv1_id2_") + id), V{std::string("intro2_") + id});
        EXPECT_EQ(f.tree().text(std::string("intro2_") + id), "详细介绍");
    }
    EXPECT_TRUE(f.tree().expanded("tv1_search"));
    // The category listing is untouched: the same programme has its own node there.
    EXPECT_TRUE(f.tree().contains("tv1_id_40"));
}

TEST(Search, MoreMatchesThanTheLimitShowTheHighestIds) {
    constexpr int limit = catalogue::max_search_results;
    CatalogueBuilder c;
    c.category(1, "电视剧", 80, 1).programmes(1, limit + 30);
    FormFixture f(c);
    f.start();
    f.search_for("节目");

    EXPECT_EQ(f.tree().text("tv1_search"), "搜索结果(" + std::to_string(limit) + ")");
    const V keys = f.child_keys("tv1_search");
    ASSERT_EQ(keys.size(), std::size_t{limit});
    EXPECT_EQ(keys.front(), "tv1_id2_" + std::to_string(limit + 30));
    EXPECT_EQ(keys.back(), "tv1_id2_31");
    EXPECT_EQ(f.tree().text(keys.back()), std::to_string(limit) + ".节目31");
}

TEST(Search, NoMatchShowsZeroAndAnOpenEmptyRoot) {
    CatalogueBuilder c;
    c.category(1, "电影", 1, 1).programme(1, "城市之光", 1, "");
    FormFixture f(c);
    f.start();
    f.search_for("不存在的片名");
    EXPECT_EQ(f.tree().text("tv1_search"), "搜索结果(0)");
    EXPECT_EQ(f.tree().children("tv1_search"), 0);
    EXPECT_TRUE(f.tree().expanded("tv1_search"));
}

TEST(Search, LooksInThePlayerTextButNotInThePlayList) {
    CatalogueBuilder c;
    c.category(1, "电影", 2, 1)
        .programme(1, "城市之光", 1, "$$土豆|周星驰|t", 0, "主演：卓别林")
        .programme(2, "摩登时代", 1, "$$土豆|a|周星驰", 0, "导演：卓别林");
    FormFixture f(c);
    f.start();
    f.search_for("卓别林");
    EXPECT_EQ(f.child_keys("tv1_search"), (V{"tv1_id2_2", "tv1_id2_1"}));
    f.search_for("周星驰");
    EXPECT_EQ(f.tree().text("tv1_search"), "搜索结果(0)");
}

TEST(Search, PercentAndUnderscoreAreWildcardsButAnApostropheIsFoundLiterally) {
    CatalogueBuilder c;
    c.category(1, "电影", 4, 1)
        .programme(1, "Schindler's List", 1, "")
        .programme(2, "Schindlers List", 1, "")
        .programme(3, "ab", 1, "")
        .programme(4, "axb", 1, "");
    FormFixture f(c);
    f.start();

    f.search_for("a_b");
    EXPECT_EQ(f.child_keys("tv1_search"), (V{"tv1_id2_4"}));
    f.search_for("a%b");
    EXPECT_EQ(f.child_keys("tv1_search"), (V{"tv1_id2_4", "tv1_id2_3"}));
    f.search_for("r's");
    EXPECT_EQ(f.child_keys("tv1_search"), (V{"tv1_id2_1"}));
    EXPECT_EQ(f.tree().text("tv1_search"), "搜索结果(1)");
}

TEST(Search, EmptyTextListsEveryProgrammeWithATitleOrPlayerText) {
    CatalogueBuilder c;
    c.category(1, "电影", 3, 1)
        .programme(1, "有标题", 1, "")
        .programme(2, std::monostate{}, 1, "", 0, "只有演员")
        .programme(3, std::monostate{}, 1, "");
    FormFixture f(c);
    f.start();
    f.search_for("");
    EXPECT_EQ(f.child_keys("tv1_search"), (V{"tv1_id2_2", "tv1_id2_1"}));
    // A programme without a title shows its number and the dot alone.
    EXPECT_EQ(f.tree().text("tv1_id2_2"), "1.");
}

TEST(Search, LeadingAndTrailingSpacesTakePartInTheMatch) {
    CatalogueBuilder c;
    c.category(1, "电影", 2, 1).programme(1, "城市 之光", 1, "").programme(2, "城市之光", 1, "");
    FormFixture f(c);
    f.start();
    f.search_for("城市 ");
    EXPECT_EQ(f.child_keys("tv1_search"), (V{"tv1_id2_1"}));
}

TEST(Search, ASecondSearchReplacesTheFirstEvenWhenItsResultsWereExpanded) {
    CatalogueBuilder c;
    c.category(1, "电影", 2, 1)
        .programme(1, "城市之光", 1, "$$土豆|a1|第1集|a2|第2集")
        .programme(2, "摩登时代", 1, "$$优酷|b1|第1集");
    FormFixture f(c);
    f.start();
    f.search_for("城市");
    f.form().Tv1_Expand("tv1_id2_1");
    ASSERT_TRUE(f.tree().contains("web2_1_2_1"));

    f.search_for("摩登");
    EXPECT_EQ(f.child_keys("tv1_search"), (V{"tv1_id2_2"}));
    EXPECT_FALSE(f.tree().contains("tv1_id2_1"));
    EXPECT_FALSE(f.tree().contains("web2_1_2_1"));
    EXPECT_FALSE(f.tree().contains("bf2_1_1"));
    EXPECT_EQ(f.tree().text("tv1_search"), "搜索结果(1)");
}

TEST(Search, RowsWithoutIdOrTitleOrRepeatingAnIdGiveNoNodeButKeepTheirNumber) {
    CatalogueBuilder c;
    c.category(1, "电影", 0, 1);
    FormFixture f(c);
    f.start();
    search::SearchResult result;
    result.count = 5;
    result.rows = {{"9", "甲"}, {std::nullopt, "乙"}, {"9", "丙"}, {"4", std::nullopt}, {"3", "丁"}};
    search::show_search_result(f.tree(), result);
    EXPECT_EQ(f.tree().text("tv1_search"), "搜索结果(5)");
    EXPECT_EQ(f.child_keys("tv1_search"), (V{"tv1_id2_9", "tv1_id2_3"}));
    EXPECT_EQ(f.child_texts("tv1_search"), (V{"1.甲", "5.丁"}));
}

TEST(Search, WithoutACatalogueOldResultsGoAndTheRootSaysZero) {
    CatalogueBuilder c;
    c.category(1, "电影", 1, 1).programme(1, "城市之光", 1, "");
    FormFixture f(c);
    f.start();
    f.search_for("城市");
    ASSERT_EQ(f.tree().text("tv1_search"), "搜索结果(1)");

    // The catalogue goes away under the running window.
    f.form().Form_Unload();
    f.search_for("城市");
    EXPECT_EQ(f.tree().children("tv1_search"), 0);
    EXPECT_EQ(f.tree().text("tv1_search"), "搜索结果(0)");
    EXPECT_TRUE(f.tree().expanded("tv1_search"));
}

TEST(Search, EnterInTheSearchBoxDoesNotSearch) {
    CatalogueBuilder c;
    c.category(1, "电影", 1, 1).programme(1, "城市之光", 1, "");
    FormFixture f(c);
    f.start();
    f.text1().setText("城市");
    QMetaObject::invokeMethod(&f.text1(), "returnPressed");
    EXPECT_EQ(f.tree().children("tv1_search"), 0);
    EXPECT_FALSE(f.command1().isDefault());
}

}  // namespace
}  // namespace qinghe::test
