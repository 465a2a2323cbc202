// Expanding programme nodes into play groups and play leaves, in a category
// and among the search results, for good and for bad play lists.

#include "platform/qt/keyed_tree_item.h"
#include "platform/schema/play_list.h"
#include "support/qt/form_fixture.h"
#include "tools/catalogue_files/catalogue_database.h"
#include "tree/category_paging.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace qinghe::test {
namespace {

using catalogue_files::CatalogueBuilder;
using V = std::vector<std::string>;

constexpr const char* example_play_list = "$$土豆|a1|t1|a2|t2$$优酷|b1|t3";

CatalogueBuilder example_catalogue() {
    CatalogueBuilder catalogue;
    catalogue.category(3, "电影", 120, 1).programme(17, "西游记", 3, example_play_list, 5);
    catalogue.programme(18, "红楼梦", 3, "$$新浪|s1|第一回", 4);
    return catalogue;
}

// Changes the catalogue under the running window, as another program
// replacing its content would.
void change_catalogue(FormFixture& f, const std::string& statement) {
    auto db = catalogue_files::detail::open_catalogue(
        f.catalogue_file(), platform::sqlcipher::Database::Access::read_write_create, catalogue::database_password);
    db.exec(statement);
    db.close();
}

TEST(Expansion, ThePlayListBecomesGroupsAndLeavesAfterTheIntroNode) {
    FormFixture f(example_catalogue());
    f.start();
    ASSERT_EQ(f.child_keys("tv1_id_17"), V{"intro_17"});

    f.form().Tv1_Expand("tv1_id_17");
    EXPECT_EQ(f.child_keys("tv1_id_17"), (V{"intro_17", "bf_1_17", "bf_2_17"}));
    EXPECT_EQ(f.child_texts("tv1_id_17"), (V{"详细介绍", "土豆", "优酷"}));
    EXPECT_EQ(f.child_keys("bf_1_17"), (V{"web_1_1_17", "web_1_2_17"}));
    EXPECT_EQ(f.child_texts("bf_1_17"), (V{"t1", "t2"}));
    EXPECT_EQ(f.child_keys("bf_2_17"), V{"web_2_1_17"});
    EXPECT_EQ(f.child_texts("bf_2_17"), V{"t3"});
    EXPECT_EQ(f.tree().children("web_1_2_17"), 0);
    // The other programme is untouched until it is expanded itself.
    EXPECT_EQ(f.child_keys("tv1_id_18"), V{"intro_18"});

    // Each leaf's numbers lead back to its own video identifier.
    f.form().Tv1_NodeClick("web_1_2_17");
    ASSERT_FALSE(f.browser().addresses().empty());
    EXPECT_NE(f.browser().addresses().back().find("tudou.htm?kwelo_iid=a2"), std::string::npos)
        << f.browser().addresses().back();
}

TEST(Expansion, ASecondExpansionAddsNothing) {
    FormFixture f(example_catalogue());
    f.start();
    f.form().Tv1_Expand("tv1_id_17");
    const int nodes = f.node_count();
    f.tree().set_expanded("tv1_id_17", false);
    f.form().Tv1_Expand("tv1_id_17");
    f.form().Tv1_Expand("tv1_id_17");
    EXPECT_EQ(f.node_count(), nodes);
    EXPECT_EQ(f.child_keys("tv1_id_17"), (V{"intro_17", "bf_1_17", "bf_2_17"}));
    EXPECT_EQ(f.child_keys("bf_1_17"), (V{"web_1_1_17", "web_1_2_17"}));
}

TEST(Expansion, CategoryAndSearchCopiesOfAProgrammeGetSeparateSubtrees) {
    FormFixture f(example_catalogue());
    f.start();
    f.form().Tv1_Expand("tv1_id_17");
    f.search_for("西游");
    ASSERT_EQ(f.child_keys("tv1_search"), V{"tv1_id2_17"});
    ASSERT_EQ(f.child_keys("tv1_id2_17"), V{"intro2_17"});

    f.form().Tv1_Expand("tv1_id2_17");
    EXPECT_EQ(f.child_keys("tv1_id2_17"), (V{"intro2_17", "bf2_1_17", "bf2_2_17"}));
    EXPECT_EQ(f.child_texts("tv1_id2_17"), (V{"详细介绍", "土豆", "优酷"}));
    EXPECT_EQ(f.child_keys("bf2_1_17"), (V{"web2_1_1_17", "web2_1_2_17"}));
    EXPECT_EQ(f.child_texts("bf2_1_17"), (V{"t1", "t2"}));
    EXPECT_EQ(f.child_keys("bf2_2_17"), V{"web2_2_1_17"});
    // The category's copy keeps its own subtree.
    EXPECT_EQ(f.child_keys("tv1_id_17"), (V{"intro_17", "bf_1_17", "bf_2_17"}));
    EXPECT_EQ(f.child_keys("bf_1_17"), (V{"web_1_1_17", "web_1_2_17"}));

    // A new search brings an unfilled copy; the category's stays filled.
    f.form().Command1_Click();
    EXPECT_EQ(f.child_keys("tv1_id2_17"), V{"intro2_17"});
    EXPECT_FALSE(f.tree().contains("bf2_1_17"));
    EXPECT_EQ(f.tree().children("tv1_id_17"), 3);
}

TEST(Expansion, OtherNodesAndUnknownKeysAddNothing) {
    FormFixture f(example_catalogue());
    f.start();
    f.form().Tv1_Expand("tv1_id_17");
    const int nodes = f.node_count();
    for (const char* key : {"lb_3", "tv1_search", "bf_1_17", "bf_2_17", "intro_18", "web_1_1_17", "tv1_id2_18",
                            "tv1_id_99", "tv1_id_", "tv1_id", "", "TV1_ID_18", "bf_1_18"}) {
        f.form().Tv1_Expand(key);
        EXPECT_EQ(f.node_count(), nodes) << key;
    }
    EXPECT_EQ(f.child_keys("tv1_id_18"), V{"intro_18"});
}

TEST(Expansion, AfterAPageTurnAwayAndBackTheProgrammeFillsAgain) {
    CatalogueBuilder catalogue;
    catalogue.category(1, "电影", 0, 1).programmes(1, 51, 100);
    FormFixture f(catalogue);
    f.start();
    f.form().Tv1_Expand("tv1_id_150");
    ASSERT_EQ(f.child_keys("tv1_id_150"), (V{"intro_150", "bf_1_150"}));

    f.form().Tv1_NodeClick("tv1_next_2_1");
    EXPECT_FALSE(f.tree().contains("bf_1_150"));
    EXPECT_FALSE(f.tree().contains("web_1_1_150"));
    f.form().Tv1_NodeClick("tv1_pro_1_1");
    ASSERT_EQ(f.child_keys("tv1_id_150"), V{"intro_150"});

    f.form().Tv1_Expand("tv1_id_150");
    EXPECT_EQ(f.child_keys("tv1_id_150"), (V{"intro_150", "bf_1_150"}));
    EXPECT_EQ(f.child_keys("bf_1_150"), V{"web_1_1_150"});
    EXPECT_EQ(f.tree().text("web_1_1_150"), "第1集");
}

// Play lists in every odd shape, one programme each, all in category 1.
struct OddList {
    std::int64_t id;
    catalogue_files::Cell adds;
};

TEST(Expansion, OddPlayListsGiveTheirDefinedNodes) {
    const std::vector<OddList> lists = {
        {20, std::string("土豆|a1|t1")},          // no "$$": no groups
        {21, std::string("$$$$优酷|b1|t3")},      // empty first group keeps its number
        {22, std::string("$$土豆|a1|t1|a2")},     // identifier without title
        {23, std::string("$$土豆|a1")},           // label and identifier only
        {24, std::string("$$土豆")},              // label only
        {25, std::string("$$|a1|t1$$优酷|b1|")},  // empty label, empty title
        {26, std::string("$$土豆|a1|t1$$")},      // "$$" at the very end
        {27, std::string("")},                    // empty text
        {28, std::string("前言$$新浪|c1|t9")},    // text before the first "$$" is unused
        {29, std::string("$$a$$$b|x|y")},         // "$$" found from the left, not overlapping
        {30, std::monostate{}},                   // Null
        {31, std::int64_t{5}},                    // a number
        {32, std::string("$$|$$||")},             // a bare "|" and a lone pair of empty fields
    };
    CatalogueBuilder catalogue;
    catalogue.category(1, "杂", 0, 1);
    for (const OddList& list : lists)
        catalogue.programme(list.id, "节目" + std::to_string(list.id), 1, list.adds, list.id);
    FormFixture f(catalogue);
    f.start();
    for (const OddList& list : lists) f.form().Tv1_Expand("tv1_id_" + std::to_string(list.id));

    for (const char* only_intro : {"20", "27", "30", "31"})
        EXPECT_EQ(f.tree().children(std::string("tv1_id_") + only_intro), 1) << only_intro;

    EXPECT_EQ(f.child_keys("tv1_id_21"), (V{"intro_21", "bf_2_21"}));
    EXPECT_EQ(f.child_keys("bf_2_21"), V{"web_2_1_21"});
    EXPECT_EQ(f.tree().text("web_2_1_21"), "t3");

    EXPECT_EQ(f.child_keys("bf_1_22"), V{"web_1_1_22"});
    EXPECT_EQ(f.tree().children("bf_1_23"), 0);
    EXPECT_EQ(f.tree().children("bf_1_24"), 0);
    EXPECT_EQ(f.tree().text("bf_1_24"), "土豆");

    EXPECT_EQ(f.child_keys("tv1_id_25"), (V{"intro_25", "bf_1_25", "bf_2_25"}));
    EXPECT_EQ(f.child_texts("tv1_id_25"), (V{"详细介绍", "", "优酷"}));
    EXPECT_EQ(f.child_texts("bf_1_25"), V{"t1"});
    EXPECT_EQ(f.child_keys("bf_2_25"), V{"web_2_1_25"});
    EXPECT_EQ(f.child_texts("bf_2_25"), V{""});

    EXPECT_EQ(f.child_keys("tv1_id_26"), (V{"intro_26", "bf_1_26"}));

    EXPECT_EQ(f.child_keys("tv1_id_28"), (V{"intro_28", "bf_1_28"}));
    EXPECT_EQ(f.child_texts("tv1_id_28"), (V{"详细介绍", "新浪"}));
    EXPECT_EQ(f.child_texts("bf_1_28"), V{"t9"});

    EXPECT_EQ(f.child_keys("tv1_id_29"), (V{"intro_29", "bf_1_29", "bf_2_29"}));
    EXPECT_EQ(f.child_texts("tv1_id_29"), (V{"详细介绍", "a", "$b"}));
    EXPECT_EQ(f.child_texts("bf_2_29"), V{"y"});

    EXPECT_EQ(f.child_keys("tv1_id_32"), (V{"intro_32", "bf_1_32", "bf_2_32"}));
    EXPECT_EQ(f.tree().children("bf_1_32"), 0);
    EXPECT_EQ(f.child_keys("bf_2_32"), V{"web_2_1_32"});
    EXPECT_EQ(f.tree().text("web_2_1_32"), "");
}

TEST(Expansion, AProgrammeNoLongerInTheCatalogueGetsNoNodes) {
    FormFixture f(example_catalogue());
    f.start();
    change_catalogue(f, "DELETE FROM t1 WHERE id = 17");
    // A node whose key holds no programme id at all.
    f.tree().add_child("lb_3", "tv1_id_abc", "3.坏键");
    f.tree().add_child("tv1_id_abc", "intro_abc", "详细介绍");
    const int nodes = f.node_count();
    f.form().Tv1_Expand("tv1_id_17");
    f.form().Tv1_Expand("tv1_id_abc");
    EXPECT_EQ(f.node_count(), nodes);
    EXPECT_EQ(f.child_keys("tv1_id_17"), V{"intro_17"});
    // The tree still works for the programmes that exist.
    f.form().Tv1_Expand("tv1_id_18");
    EXPECT_EQ(f.child_keys("tv1_id_18"), (V{"intro_18", "bf_1_18"}));
}

TEST(Expansion, ANodeIsFilledOnceAndOnlyFromTheStateTheListingMadeIt) {
    FormFixture f(example_catalogue());
    f.start();
    f.form().Tv1_Expand("tv1_id_17");
    // A play list changed after the first expansion does not reach the
    // filled node...
    change_catalogue(f, "UPDATE t1 SET adds = '$$新浪|x1|新1$$新浪|x2|新2$$新浪|x3|新3' WHERE id = 17");
    f.form().Tv1_Expand("tv1_id_17");
    EXPECT_EQ(f.child_keys("tv1_id_17"), (V{"intro_17", "bf_1_17", "bf_2_17"}));
    EXPECT_EQ(f.child_texts("bf_1_17"), (V{"t1", "t2"}));
    // ...but a new node for the same programme reads it afresh.
    f.search_for("西游");
    f.form().Tv1_Expand("tv1_id2_17");
    EXPECT_EQ(f.child_keys("tv1_id2_17"), (V{"intro2_17", "bf2_1_17", "bf2_2_17", "bf2_3_17"}));
    EXPECT_EQ(f.child_texts("bf2_3_17"), V{"新3"});

    // A programme node without its intro node is left alone.
    tree::delete_child(f.tree(), "tv1_id_18");
    f.form().Tv1_Expand("tv1_id_18");
    EXPECT_EQ(f.tree().children("tv1_id_18"), 0);
}

TEST(Expansion, PlayListsBeyondSixteenBitNumbersEndWithoutOutOfRangeNodes) {
    using catalogue::play_list::max_group;
    using catalogue::play_list::max_leaf;
    // 40,000 groups: only the last ones before and after the last group
    // number are non-empty, so every node the limit lets through shows up
    // and nothing after it.
    std::string many_groups = "前言";
    for (int i = 1; i <= 40000; ++i) {
        many_groups += "$$";
        if (i >= max_group - 1) many_groups += "g" + std::to_string(i) + "|v|t";
    }
    // One group of 20,000 pairs.
    std::string many_pairs = "$$土豆";
    for (int j = 1; j <= 20000; ++j) many_pairs += "|v" + std::to_string(j) + "|t" + std::to_string(j);

    CatalogueBuilder catalogue;
    catalogue.category(1, "大", 0, 1).programme(50, "多组", 1, many_groups, 2).programme(51, "多集", 1, many_pairs, 1);
    FormFixture f(catalogue);
    f.start();

    const std::string last = std::to_string(max_group);
    const std::string before_last = std::to_string(max_group - 1);
    const std::string wrapped = std::to_string(-max_group - 1);
    f.form().Tv1_Expand("tv1_id_50");
    EXPECT_EQ(f.child_keys("tv1_id_50"), (V{"intro_50", "bf_" + before_last + "_50", "bf_" + last + "_50"}));
    EXPECT_EQ(f.child_texts("tv1_id_50"), (V{"详细介绍", "g" + before_last, "g" + last}));
    EXPECT_EQ(f.child_keys("bf_" + last + "_50"), V{"web_" + last + "_1_50"});
    EXPECT_FALSE(f.tree().contains("bf_" + std::to_string(max_group + 1) + "_50"));
    EXPECT_FALSE(f.tree().contains("bf_" + wrapped + "_50"));

    f.form().Tv1_Expand("tv1_id_51");
    EXPECT_EQ(f.tree().children("tv1_id_51"), 2);
    EXPECT_EQ(f.tree().children("bf_1_51"), max_leaf);
    EXPECT_EQ(f.tree().child("bf_1_51"), "web_1_1_51");
    EXPECT_EQ(f.tree().text("web_1_" + std::to_string(max_leaf) + "_51"), "t" + std::to_string(max_leaf));
    EXPECT_FALSE(f.tree().contains("web_1_" + std::to_string(max_leaf + 1) + "_51"));
    EXPECT_FALSE(f.tree().contains("web_1_" + wrapped + "_51"));
}

// The real widget: a programme node that holds only its intro node shows an
// expand mark, and the user opening it fills it through Tv1_Expand.
TEST(Expansion, TheUserOpeningAProgrammeNodeInTheWindowFillsIt) {
    FormFixture f(example_catalogue());
    f.start();
    QTreeWidget* widget = f.tree().widget();
    QTreeWidgetItem* programme = nullptr;
    for (QTreeWidgetItemIterator it(widget); *it != nullptr; ++it) {
        auto* item = static_cast<platform::qt::KeyedTreeItem*>(*it);
        if (item->key() == "tv1_id_17") programme = item;
    }
    ASSERT_NE(programme, nullptr);
    EXPECT_EQ(programme->childCount(), 1);
    EXPECT_NE(programme->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicator);
    EXPECT_FALSE(programme->isExpanded());

    f.tree().set_expanded("lb_3", true);
    f.window().show();
    QApplication::processEvents();
    widget->setCurrentItem(programme);
    QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
    QApplication::sendEvent(widget, &right);
    QApplication::processEvents();

    EXPECT_TRUE(programme->isExpanded());
    EXPECT_EQ(f.child_keys("tv1_id_17"), (V{"intro_17", "bf_1_17", "bf_2_17"}));
    EXPECT_EQ(programme->childCount(), 3);
}

}  // namespace
}  // namespace qinghe::test
