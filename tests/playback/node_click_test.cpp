// Clicks on the tree's nodes, made with the mouse on the real tree in the
// real window (offscreen), with the recording browser standing in for Web1.
#include "catalogue/statements.h"
#include "support/qt/form_fixture.h"
#include "support/qt/tree_user.h"
#include "tree/category_paging.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

namespace qinghe::test {
namespace {

using catalogue_files::CatalogueBuilder;
using V = std::vector<std::string>;

// Programme 17 has one play group per case of the player table; programme
// 18 has no title; programme 19 has no play list. Category 2 holds two
// pages of programmes and one more, ids from 1000.
CatalogueBuilder catalogue() {
    CatalogueBuilder c;
    c.category(1, "电视剧", 3, 1).category(2, "纪录片", 101, 2);
    c.programme(17, "西游记", 1,
                "$$土豆网|td-1|第1集|a b&c=中文 %20|第2集"
                "$$优酷|yk-3|第3集"
                "$$新浪SINA|sn-4|第4集"
                "$$优酷土豆|both-5|第5集"
                "$$sina|lower-6|第6集"
                "$$酷6|k6-7|第7集",
                30);
    c.programme(18, std::monostate{}, 1, "$$优酷|yk-18|片段", 20);
    c.programme(19, "没有播放列表", 1, std::monostate{}, 10);
    c.programmes(2, 2 * catalogue::page_size + 1, 1000);
    return c;
}

// Everything a click could change that the user would notice.
struct Seen {
    std::string caption;
    std::vector<std::string> addresses;
    std::string page_text;
    int fixed_height, fixed_width;
    int window_height, window_width;
    int nodes;

    bool operator==(const Seen&) const = default;
};

void PrintTo(const Seen& s, std::ostream* os) {
    *os << "caption \"" << s.caption << "\", " << s.addresses.size() << " addresses"
        << (s.addresses.empty() ? "" : " (last " + s.addresses.back() + ")") << ", page \"" << s.page_text
        << "\", fixed " << s.fixed_height << "x" << s.fixed_width << ", window " << s.window_height << "x"
        << s.window_width << ", " << s.nodes << " nodes";
}

Seen seen(FormFixture& f) {
    return {f.window().caption(),        f.browser().addresses(), f.browser().page_text(), f.form().fixed_size().height,
            f.form().fixed_size().width, f.window().height(),     f.window().width(),      f.node_count()};
}

class NodeClickTest : public ::testing::Test {
protected:
    NodeClickTest() : f(catalogue()), user(f.window(), f.form()) {}

    void SetUp() override {
        f.start();
        f.window().show();
        QApplication::processEvents();
        ASSERT_TRUE(user.expand("tv1_id_17"));
        ASSERT_TRUE(user.expand("tv1_id_18"));
    }

    std::string player(const std::string& site, const std::string& identifier) const {
        return f.dir().path().string() + "\\bg\\" + site + ".htm?kwelo_iid=" + identifier;
    }

    // The fixed size, and the window standing at it to the whole pixel.
    void expect_size(int height, int width) {
        EXPECT_EQ(f.form().fixed_size().height, height);
        EXPECT_EQ(f.form().fixed_size().width, width);
        EXPECT_LE(std::abs(f.window().height() - height), 7) << "window height " << f.window().height();
        EXPECT_LE(std::abs(f.window().width() - width), 7) << "window width " << f.window().width();
    }

    void search(const std::string& text) {
        f.search_for(text);
        QApplication::processEvents();
    }

    FormFixture f;
    TreeUser user;
};

TEST_F(NodeClickTest, EachSitePlaysThroughItsPageAtItsSize) {
    EXPECT_EQ(f.child_texts("bf_1_17"), (V{"第1集", "第2集"}));

    ASSERT_TRUE(user.click("web_1_1_17"));
    EXPECT_EQ(f.window().caption(), playing_caption("西游记——第1集"));
    EXPECT_EQ(f.browser().addresses().back(), player("tudou", "td-1"));
    expect_size(7230, 10900);

    ASSERT_TRUE(user.click("web_2_1_17"));
    EXPECT_EQ(f.window().caption(), playing_caption("西游记——第3集"));
    EXPECT_EQ(f.browser().addresses().back(), player("youku", "yk-3"));
    expect_size(7420, 11190);

    // "新浪SINA": the site's name anywhere in the label will do.
    ASSERT_TRUE(user.click("web_3_1_17"));
    EXPECT_EQ(f.window().caption(), playing_caption("西游记——第4集"));
    EXPECT_EQ(f.browser().addresses().back(), player("sina", "sn-4"));
    expect_size(7420, 12090);

    // Both Youku and Tudou named: Tudou is tried first.
    ASSERT_TRUE(user.click("web_4_1_17"));
    EXPECT_EQ(f.window().caption(), playing_caption("西游记——第5集"));
    EXPECT_EQ(f.browser().addresses().back(), player("tudou", "both-5"));
    expect_size(7230, 10900);

    // One navigation per played video, nothing else.
    EXPECT_EQ(f.browser().addresses().size(), 5U) << "the welcome page and four players";
}

TEST_F(NodeClickTest, AnIdentifierReachesTheBrowserExactlyAsListed) {
    ASSERT_TRUE(user.click("web_1_2_17"));
    EXPECT_EQ(f.browser().addresses().back(), player("tudou", "a b&c=中文 %20"));
    EXPECT_EQ(f.window().caption(), playing_caption("西游记——第2集"));
}

TEST_F(NodeClickTest, AnUntitledProgrammeLeavesNothingBetweenThePlayingTextAndTheDashes) {
    EXPECT_EQ(f.tree().text("tv1_id_18"), "2.");
    ASSERT_TRUE(user.click("web_1_1_18"));
    EXPECT_EQ(f.window().caption(), playing_caption("——片段"));
    EXPECT_EQ(f.browser().addresses().back(), player("youku", "yk-18"));
}

TEST_F(NodeClickTest, ALabelNamingNoSiteSetsTheCaptionAndPlaysNothing) {
    ASSERT_TRUE(user.click("web_2_1_17"));
    const Seen youku = seen(f);

    // Lower-case "sina" is not "SINA".
    ASSERT_TRUE(user.click("web_5_1_17"));
    Seen expected = youku;
    expected.caption = playing_caption("西游记——第6集");
    EXPECT_EQ(seen(f), expected) << "only the caption changes: same page, same size";

    ASSERT_TRUE(user.click("web_6_1_17"));
    expected.caption = playing_caption("西游记——第7集");
    EXPECT_EQ(seen(f), expected);
    expect_size(7420, 11190);
}

TEST_F(NodeClickTest, ALabelNamingNoSiteBeforeAnyVideoKeepsTheWelcomeAndTheStartUpSize) {
    const Seen before = seen(f);
    ASSERT_TRUE(user.click("web_5_1_17"));
    Seen expected = before;
    expected.caption = playing_caption("西游记——第6集");
    EXPECT_EQ(seen(f), expected);
    EXPECT_EQ(f.browser().page_text(), app::welcome_text);
    expect_size(platform::startup_window_height, platform::startup_window_width);
}

TEST_F(NodeClickTest, ALeafUnderTheSearchResultsPlaysLikeTheSameLeafInItsCategory) {
    search("西游");
    ASSERT_EQ(f.child_keys("tv1_search"), (V{"tv1_id2_17"}));
    ASSERT_TRUE(user.expand("tv1_id2_17"));
    ASSERT_TRUE(f.tree().contains("web2_2_1_17"));
    ASSERT_TRUE(f.tree().contains("web_2_1_17"));

    ASSERT_TRUE(user.click("web2_2_1_17"));
    const Seen from_search = seen(f);
    EXPECT_EQ(from_search.caption, playing_caption("西游记——第3集"));
    EXPECT_EQ(from_search.addresses.back(), player("youku", "yk-3"));
    expect_size(7420, 11190);

    ASSERT_TRUE(user.click("web_3_1_17"));
    ASSERT_NE(seen(f).caption, from_search.caption);

    ASSERT_TRUE(user.click("web_2_1_17"));
    Seen from_category = seen(f);
    EXPECT_EQ(from_category.addresses.back(), from_search.addresses.back());
    from_category.addresses.pop_back();
    from_category.addresses.pop_back();
    EXPECT_EQ(from_category, from_search);

    ASSERT_TRUE(user.click("web2_1_2_17"));
    EXPECT_EQ(f.browser().addresses().back(), player("tudou", "a b&c=中文 %20"));
    expect_size(7230, 10900);
}

TEST_F(NodeClickTest, IntroductionsShowTheFixedTextAndLeaveCaptionAndSize) {
    // Before any video: the welcome text gives way.
    ASSERT_EQ(f.browser().page_text(), app::welcome_text);
    ASSERT_TRUE(user.click("intro_19"));
    EXPECT_EQ(f.browser().page_text(), "暂无");
    EXPECT_EQ(f.window().caption(), platform::application_title);

    // While a video plays: the player page gives way, the caption still names
    // the video, and the window keeps the site's size.
    ASSERT_TRUE(user.click("web_3_1_17"));
    ASSERT_EQ(f.browser().page_text(), "");
    const Seen sina = seen(f);
    ASSERT_TRUE(user.click("intro_17"));
    Seen expected = sina;
    expected.page_text = "暂无";
    EXPECT_EQ(seen(f), expected);

    search("西游");
    ASSERT_TRUE(user.click("web_1_1_18"));
    ASSERT_TRUE(user.click("intro2_17"));
    EXPECT_EQ(f.browser().page_text(), "暂无");
    EXPECT_EQ(f.window().caption(), playing_caption("——片段"));
    expect_size(7420, 11190);
    EXPECT_EQ(f.browser().addresses().back(), player("youku", "yk-18")) << "no navigation of its own";
}

TEST_F(NodeClickTest, ClickingRootsProgrammesAndPlayGroupsChangesNothing) {
    search("西游");
    ASSERT_TRUE(user.expand("tv1_id2_17"));
    ASSERT_TRUE(user.click("web_1_1_17"));
    const Seen before = seen(f);
    const V category = f.child_keys("lb_1");
    const V programme = f.child_keys("tv1_id_17");

    for (const char* key :
         {"tv1_search", "lb_1", "lb_2", "tv1_id_17", "tv1_id2_17", "bf_1_17", "bf_6_17", "bf2_1_17", "tv1_id_19"}) {
        ASSERT_TRUE(user.click(key)) << key;
        EXPECT_EQ(seen(f), before) << key;
    }
    EXPECT_EQ(f.child_keys("lb_1"), category);
    EXPECT_EQ(f.child_keys("tv1_id_17"), programme);
}

TEST_F(NodeClickTest, PageNodesTurnThePagesOfTheirCategoryOnly) {
    ASSERT_TRUE(user.click("web_3_1_17"));
    const Seen sina = seen(f);
    const V first_category = f.child_keys("lb_1");

    // The nodes of a page, as the user sees them.
    auto page = [&] { return f.child_keys("lb_2"); };
    auto texts = [&] { return f.child_texts("lb_2"); };

    constexpr int size = catalogue::page_size;
    const std::string newest = std::to_string(1000 + 2 * size);
    const std::string first_of_two = std::to_string(1000 + size);
    V keys = page();
    ASSERT_EQ(keys.size(), size + 1U);
    EXPECT_EQ(keys.front(), "tv1_id_" + newest);
    EXPECT_EQ(texts().front(), "1.节目" + newest);
    EXPECT_EQ(keys.back(), "tv1_next_2_2");

    ASSERT_TRUE(user.click("tv1_next_2_2"));
    keys = page();
    ASSERT_EQ(keys.size(), size + 2U);
    EXPECT_EQ(keys.front(), "tv1_pro_1_2");
    EXPECT_EQ(keys[1], "tv1_id_" + first_of_two);
    EXPECT_EQ(texts()[1], std::to_string(size + 1) + ".节目" + first_of_two);
    EXPECT_EQ(texts()[size], std::to_string(2 * size) + ".节目1001");
    EXPECT_EQ(keys.back(), "tv1_next_3_2");
    EXPECT_FALSE(f.tree().contains("tv1_id_" + newest));
    const V page_two = keys;

    ASSERT_TRUE(user.click("tv1_next_3_2"));
    EXPECT_EQ(page(), (V{"tv1_pro_2_2", "tv1_id_1000"})) << "the last page has no next-page node";
    EXPECT_EQ(texts(), (V{std::string(tree::previous_page_text), std::to_string(2 * size + 1) + ".节目1000"}));

    ASSERT_TRUE(user.click("tv1_pro_2_2"));
    EXPECT_EQ(page(), page_two);

    ASSERT_TRUE(user.click("tv1_pro_1_2"));
    keys = page();
    ASSERT_EQ(keys.size(), size + 1U);
    EXPECT_EQ(keys.front(), "tv1_id_" + newest) << "page 1 has no previous-page node";
    EXPECT_EQ(keys.back(), "tv1_next_2_2");
    EXPECT_EQ(f.child_keys("tv1_id_" + newest), (V{"intro_" + newest})) << "a fresh programme node, not yet filled";

    // None of it touched the browser, the caption, the size or the other
    // category.
    Seen now = seen(f);
    now.nodes = sina.nodes;
    EXPECT_EQ(now, sina);
    EXPECT_EQ(f.child_keys("lb_1"), first_category);
    expect_size(7420, 12090);
}

TEST_F(NodeClickTest, SizeAndCaptionOutlastIntroductionsAndPageTurns) {
    ASSERT_TRUE(user.click("web_1_1_17"));
    const std::string caption = f.window().caption();
    ASSERT_TRUE(user.click("tv1_next_2_2"));
    ASSERT_TRUE(user.click("intro_" + std::to_string(1000 + catalogue::page_size)));
    ASSERT_TRUE(user.click("tv1_pro_1_2"));
    ASSERT_TRUE(user.click("intro_18"));
    expect_size(7230, 10900);
    EXPECT_EQ(f.window().caption(), caption);
    EXPECT_EQ(f.browser().page_text(), "暂无");
}

TEST_F(NodeClickTest, APlayClickThatFindsNoVideoChangesNothing) {
    ASSERT_TRUE(user.click("web_2_1_17"));
    const Seen youku = seen(f);

    // A leaf made before its programme left the catalogue.
    f.tree().add_child("bf_1_17", "web_1_1_999", "旧的一集");
    ASSERT_TRUE(user.click("web_1_1_999"));
    Seen now = seen(f);
    now.nodes = youku.nodes;
    EXPECT_EQ(now, youku);
    f.tree().remove("web_1_1_999");

    for (const char* key : {
             "web_9_1_17",      // no such play group
             "web_1_3_17",      // the group has two pairs
             "web_7_1_17",      // past the last group
             "web_1_1_19",      // the programme has no play list
             "web_1_1_abc",     // not a programme id the catalogue can look up
             "web_1_1_",        // no programme id at all
             "web_x_1_17",      // group number not a number
             "web_1_40000_17",  // leaf number beyond 16 bits
             "web2_1_1_999",    // the same under the search results
             "web_1_1",         // too few fields
         }) {
        f.form().Tv1_NodeClick(key);
        EXPECT_EQ(seen(f), youku) << key;
    }
}

TEST_F(NodeClickTest, APageNodeWhoseNumbersDoNotConvertStillClearsItsCategory) {
    f.form().Tv1_NodeClick("tv1_next_x_2");
    EXPECT_EQ(f.child_keys("lb_2"), V{}) << "the category is cleared, but no page is listed";
    EXPECT_EQ(f.child_keys("lb_1").size(), 3U);

    f.form().Tv1_NodeClick("tv1_next_3_2");
    EXPECT_EQ(f.child_keys("lb_2"), (V{"tv1_pro_2_2", "tv1_id_1000"}))
        << "a failed delete on the empty category is still followed by the listing";
}

TEST(NodeClickWithoutCatalogue, ClicksChangeNothingAndNothingBreaks) {
    FormFixture f;
    f.start();
    f.window().show();
    QApplication::processEvents();
    const Seen before = seen(f);

    for (const char* key : {"web_1_1_17", "web2_1_1_17", "tv1_next_2_1", "tv1_pro_1_1", "tv1_search", "lb_1",
                            "tv1_id_17", "bf_1_17", ""}) {
        f.form().Tv1_NodeClick(key);
        EXPECT_EQ(seen(f), before) << key;
    }

    // The introduction needs no catalogue: it is the same text for all.
    f.form().Tv1_NodeClick("intro_17");
    EXPECT_EQ(f.browser().page_text(), "暂无");
    EXPECT_EQ(f.window().caption(), platform::application_title);
}

}  // namespace
}  // namespace qinghe::test
