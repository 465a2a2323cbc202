// Catalogue values of the wrong kind or of hostile size: text where numbers
// belong, text that is not UTF-8, a play list of ten megabytes. The window
// lists what it can, leaves out what it cannot use, and stays responsive.
#include "hostile/hostile_support.h"

#include "app/form1.h"
#include "platform/schema/play_list.h"

#include <gtest/gtest.h>

#include <string>
#include <variant>

namespace qinghe::test::hostile {
namespace {

using catalogue_files::CatalogueBuilder;

const std::string replacement = "\xef\xbf\xbd";  // U+FFFD

TEST(OddValues, TextWhereNumbersBelong) {
    CatalogueBuilder c;
    c.category("abc", "文字", 1, 1)
        .category(3, "电影", "x", 2)
        .category(70000, "越界", 5, 3)
        .category(std::monostate{}, "空", 6, 4)
        .category(std::monostate{}, "又空", 8, 5)
        .category(4, "综艺", 7, "z");
    c.programme(5, "昨天更新", 3, "$$土豆|a|一", "昨天")
        .programme(8, "日期更新", 3, "$$土豆|b|一", "2020-01-01")
        .programme(6, "一百", 3, "$$优酷|c|一", 100)
        .programme(7, "半数", 3, "$$SINA|d|一", 50.5)
        .programme("x y", "空格编号", 3, "$$土豆|e|一", 0)
        .programme(9, "文字分类", "abc", "$$土豆|f|一", 1);
    FormFixture f(c);
    f.start();

    // Display order puts the text px last; the second Null lb_id finds its
    // key taken. Only category 3 has an id a listing can use.
    EXPECT_EQ(f.root_keys(), (V{"tv1_search", "lb_abc", "lb_3", "lb_70000", "lb_", "lb_4"}));
    EXPECT_EQ(f.tree().text("lb_3"), "电影(x)");
    EXPECT_EQ(f.tree().text("lb_"), "空(6)");
    for (const char* empty : {"lb_abc", "lb_70000", "lb_", "lb_4"}) EXPECT_EQ(f.tree().children(empty), 0) << empty;

    // Text stamps sort above numbers, so they head the listing.
    EXPECT_EQ(f.child_keys("lb_3"), (V{"tv1_id_5", "tv1_id_8", "tv1_id_6", "tv1_id_7", "tv1_id_x y"}));
    EXPECT_EQ(f.child_texts("lb_3"), (V{"1.昨天更新", "2.日期更新", "3.一百", "4.半数", "5.空格编号"}));
    EXPECT_EQ(f.child_keys("tv1_id_x y"), V{"intro_x y"});

    // A programme whose id is no number cannot be looked up: it opens to
    // nothing and its videos do not play; the others do.
    const std::string caption = f.window().caption();
    f.form().Tv1_Expand("tv1_id_x y");
    EXPECT_EQ(f.child_keys("tv1_id_x y"), V{"intro_x y"});
    f.form().Tv1_NodeClick("web_1_1_x y");
    EXPECT_EQ(f.window().caption(), caption);
    EXPECT_TRUE(f.browser().addresses() == V{"about: blank"});
    f.form().Tv1_Expand("tv1_id_7");
    EXPECT_EQ(f.child_keys("tv1_id_7"), (V{"intro_7", "bf_1_7"}));
    f.form().Tv1_NodeClick("web_1_1_7");
    EXPECT_EQ(f.window().caption(), playing_caption("半数——一"));
    EXPECT_EQ(f.form().fixed_size().width, 12090);

    // The search lists every programme, the text id above the numbers.
    f.search_for("");
    EXPECT_EQ(f.tree().text("tv1_search"), "搜索结果(6)");
    EXPECT_EQ(f.child_keys("tv1_search"),
              (V{"tv1_id2_x y", "tv1_id2_9", "tv1_id2_8", "tv1_id2_7", "tv1_id2_6", "tv1_id2_5"}));

    exercise(f);
    EXPECT_EQ(f.root_keys(), (V{"tv1_search", "lb_abc", "lb_3", "lb_70000", "lb_", "lb_4"}));
    EXPECT_EQ(f.child_keys("lb_3").size(), 5U);
}

TEST(OddValues, TextThatIsNotUtf8ShowsWithReplacementCharacters) {
    CatalogueBuilder c;
    c.category(1, "\xff\xfe分类", 1, 1);
    c.programme(1, "坏\xc3(标题\xe6", 1,
                "$$土豆|v\xff"
                "1|集\xfe",
                1, "\xff");
    c.ad(
        "\xfe广告@#ad.example@#好@#\xff"
        "bad.example");
    FormFixture f(c);
    f.start();

    EXPECT_EQ(f.tree().text("lb_1"), replacement + replacement + "分类(1)");
    EXPECT_EQ(f.child_texts("lb_1"), V{"1.坏" + replacement + "(标题" + replacement});
    f.form().Tv1_Expand("tv1_id_1");
    EXPECT_EQ(f.child_keys("bf_1_1"), V{"web_1_1_1"});
    EXPECT_EQ(f.tree().text("web_1_1_1"), "集" + replacement);

    // Playing it: the caption shows the title as the tree does, and the
    // identifier goes to the player page as stored.
    f.form().Tv1_NodeClick("web_1_1_1");
    EXPECT_EQ(f.window().caption(), playing_caption("坏") + replacement + "(标题" + replacement + "——集" + replacement);
    EXPECT_EQ(f.browser().addresses().back(), f.dir().path().string() +
                                                  "\\bg\\tudou.htm?kwelo_iid=v\xff"
                                                  "1");

    EXPECT_EQ(f.labels().caption(0), replacement + "广告");
    EXPECT_EQ(f.labels().caption(1), "好");
    f.form().Label3_Click(1);
    ASSERT_EQ(f.process().started().size(), 1U);
    EXPECT_EQ(f.process().started()[0].first,
              "explorer.exe   Http://\xff"
              "bad.example");

    f.search_for("标题");
    EXPECT_EQ(f.child_keys("tv1_search"), V{"tv1_id2_1"});

    exercise(f);
    EXPECT_EQ(f.root_keys(), (V{"tv1_search", "lb_1"}));
}

TEST(OddValues, ATenMegabytePlayListOpensWithinTheNumbersAKeyCanCarry) {
    constexpr std::size_t ten_megabytes = 10 * 1024 * 1024;
    std::string long_group = "$$土豆";
    for (int pair = 1; long_group.size() < ten_megabytes; ++pair)
        long_group += "|v" + std::to_string(pair) + "|第" + std::to_string(pair) + "集";
    long_group += "$$优酷|y1|尾声";
    CatalogueBuilder c;
    c.category(1, "长片", 1, 1);
    c.programme(1, "长片", 1, long_group, 2);
    // Ten megabytes of "$": millions of empty groups, none of which has a label.
    c.programme(2, "空组", 1, std::string(ten_megabytes, '$'), 1);
    FormFixture f(c);
    f.start();
    EXPECT_EQ(f.child_keys("lb_1"), (V{"tv1_id_1", "tv1_id_2"}));

    f.form().Tv1_Expand("tv1_id_1");
    EXPECT_EQ(f.child_keys("tv1_id_1"), (V{"intro_1", "bf_1_1", "bf_2_1"}));
    // A group lists at most as many videos as a 16-bit index reaches the
    // fields of.
    const std::string last = std::to_string(catalogue::play_list::max_leaf);
    const V leaves = f.child_keys("bf_1_1");
    ASSERT_EQ(leaves.size(), std::size_t{catalogue::play_list::max_leaf});
    EXPECT_EQ(leaves.front(), "web_1_1_1");
    EXPECT_EQ(leaves.back(), "web_1_" + last + "_1");
    EXPECT_EQ(f.tree().text(leaves.back()), "第" + last + "集");
    EXPECT_EQ(f.child_keys("bf_2_1"), V{"web_2_1_1"});

    f.form().Tv1_NodeClick(leaves.back());
    EXPECT_EQ(f.window().caption(), playing_caption("长片——第" + last + "集"));
    EXPECT_EQ(f.browser().addresses().back(), f.dir().path().string() + "\\bg\\tudou.htm?kwelo_iid=v" + last);
    f.form().Tv1_NodeClick("web_2_1_1");
    EXPECT_EQ(f.window().caption(), playing_caption("长片——尾声"));
    EXPECT_EQ(f.form().fixed_size().width, 11190);
    // A video beyond what any key can name plays nothing.
    f.form().Tv1_NodeClick("web_1_" + std::to_string(catalogue::play_list::max_leaf + 1) + "_1");
    EXPECT_EQ(f.window().caption(), playing_caption("长片——尾声"));

    f.form().Tv1_Expand("tv1_id_2");
    EXPECT_EQ(f.child_keys("tv1_id_2"), V{"intro_2"});

    f.search_for("长片");
    EXPECT_EQ(f.child_keys("tv1_search"), V{"tv1_id2_1"});
    exercise(f);
    EXPECT_EQ(f.child_keys("lb_1"), (V{"tv1_id_1", "tv1_id_2"}));
}

}  // namespace
}  // namespace qinghe::test::hostile
