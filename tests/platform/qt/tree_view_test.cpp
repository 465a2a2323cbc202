#include "platform/base/error.h"
#include "platform/qt/keyed_tree_item.h"
#include "platform/qt/qt_tree_view.h"
#include "recording_events.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <gtest/gtest.h>

namespace qinghe::platform::qt {
namespace {

using test::RecordingEvents;

class TreeViewTest : public ::testing::Test {
protected:
    TreeViewTest() { tree.set_events(&events); }

    QTreeWidgetItem* item(const std::string& key) {
        for (QTreeWidgetItemIterator it(tree.widget()); *it != nullptr; ++it) {
            auto* node = dynamic_cast<KeyedTreeItem*>(*it);
            if (node != nullptr && node->key() == key) return node;
        }
        return nullptr;
    }

    void show() {
        tree.widget()->resize(300, 400);
        tree.widget()->show();
        QApplication::processEvents();
    }

    void click(const std::string& key) {
        QTreeWidget* widget = tree.widget();
        const QPoint at = widget->visualItemRect(item(key)).center();
        QMouseEvent press(QEvent::MouseButtonPress, at, widget->viewport()->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, at, widget->viewport()->mapToGlobal(at), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(widget->viewport(), &press);
        QApplication::sendEvent(widget->viewport(), &release);
    }

    void press_key(const std::string& key, Qt::Key which) {
        tree.widget()->setCurrentItem(item(key));
        QKeyEvent event(QEvent::KeyPress, which, Qt::NoModifier);
        QApplication::sendEvent(tree.widget(), &event);
    }

    RecordingEvents events;
    QtTreeView tree;
};

TEST_F(TreeViewTest, NodesKeepTheirOrderAndNavigateByKey) {
    tree.add_root("lb_1", "新闻(2)");
    tree.add_root("lb_2", "体育(0)");
    tree.add_child("lb_1", "tv1_id_7", "1.早间新闻");
    tree.add_child("lb_1", "tv1_id_9", "2.晚间新闻");
    tree.add_child("tv1_id_7", "intro_7", "详细介绍");

    EXPECT_EQ(tree.children("lb_1"), 2);
    EXPECT_EQ(tree.children("lb_2"), 0);
    EXPECT_EQ(tree.child("lb_1"), "tv1_id_7");
    EXPECT_EQ(tree.next("tv1_id_7"), "tv1_id_9");
    EXPECT_EQ(tree.next("lb_1"), "lb_2");
    EXPECT_EQ(tree.text("tv1_id_9"), "2.晚间新闻");
    EXPECT_THROW(tree.next("tv1_id_9"), PlatformError);
    EXPECT_THROW(tree.next("lb_2"), PlatformError);
    EXPECT_THROW(tree.child("lb_2"), PlatformError);

    tree.set_text("lb_2", "体育(5)");
    EXPECT_EQ(tree.text("lb_2"), "体育(5)");
    EXPECT_EQ(tree.widget()->topLevelItem(1)->text(0), QStringLiteral("体育(5)"));

    EXPECT_FALSE(tree.contains("LB_1"));
    EXPECT_THROW(tree.text("LB_1"), PlatformError);
    EXPECT_THROW(tree.remove("lb_3"), PlatformError);
}

TEST_F(TreeViewTest, DuplicateKeyOrMissingParentFailsAndLeavesTheTreeUnchanged) {
    tree.add_root("tv1_search", "搜索结果(0)");
    tree.add_root("lb_1", "新闻(1)");
    tree.add_child("lb_1", "tv1_id_7", "1.早间新闻");

    EXPECT_THROW(tree.add_root("lb_1", "again"), PlatformError);
    EXPECT_THROW(tree.add_child("tv1_search", "tv1_id_7", "again"), PlatformError);
    EXPECT_THROW(tree.add_child("lb_9", "tv1_id_8", "orphan"), PlatformError);

    EXPECT_FALSE(tree.contains("tv1_id_8"));
    EXPECT_EQ(tree.widget()->topLevelItemCount(), 2);
    EXPECT_EQ(tree.children("tv1_search"), 0);
    EXPECT_EQ(tree.children("lb_1"), 1);
    EXPECT_EQ(tree.text("lb_1"), "新闻(1)");
    EXPECT_EQ(tree.text("tv1_id_7"), "1.早间新闻");
    // The key refused under a missing parent is still free.
    tree.add_root("tv1_id_8", "later");
    EXPECT_TRUE(tree.contains("tv1_id_8"));
}

TEST_F(TreeViewTest, RemoveTakesTheSubtreeAndFreesAllItsKeysAtOnce) {
    tree.add_root("lb_1", "a");
    tree.add_root("lb_2", "b");
    tree.add_child("lb_1", "tv1_pro_1_1", "prev");
    tree.add_child("lb_1", "tv1_id_7", "p7");
    tree.add_child("tv1_id_7", "intro_7", "i");
    tree.add_child("tv1_id_7", "bf_1_7", "g");
    tree.add_child("bf_1_7", "web_1_1_7", "leaf");
    tree.add_child("lb_1", "tv1_next_3_1", "next");

    tree.remove("tv1_id_7");
    for (const char* gone : {"tv1_id_7", "intro_7", "bf_1_7", "web_1_1_7"}) EXPECT_FALSE(tree.contains(gone));
    EXPECT_EQ(tree.children("lb_1"), 2);
    EXPECT_EQ(tree.next("tv1_pro_1_1"), "tv1_next_3_1");

    // Every freed key can be used again straight away, anywhere.
    tree.add_child("lb_2", "web_1_1_7", "reused");
    tree.add_child("lb_1", "tv1_id_7", "p7 again");
    EXPECT_EQ(tree.text("web_1_1_7"), "reused");
    EXPECT_EQ(tree.child("lb_2"), "web_1_1_7");
    EXPECT_EQ(tree.next("tv1_next_3_1"), "tv1_id_7");

    tree.remove("lb_1");
    EXPECT_FALSE(tree.contains("tv1_pro_1_1"));
    EXPECT_FALSE(tree.contains("tv1_id_7"));
    EXPECT_EQ(tree.widget()->topLevelItemCount(), 1);
    EXPECT_EQ(tree.widget()->topLevelItem(0)->text(0), QStringLiteral("b"));
}

TEST_F(TreeViewTest, UserExpandingANodeWithOneChildRaisesTv1ExpandAfterwards) {
    tree.set_line_style(1);
    tree.add_root("lb_1", "cat");
    tree.add_child("lb_1", "tv1_id_7", "prog");
    tree.add_child("tv1_id_7", "intro_7", "详细介绍");
    tree.set_expanded("lb_1", true);
    show();
    QApplication::processEvents();
    EXPECT_TRUE(tree.expanded("lb_1"));
    // Opening a node from code raises nothing.
    EXPECT_TRUE(events.log.empty());

    press_key("tv1_id_7", Qt::Key_Right);
    EXPECT_TRUE(tree.expanded("tv1_id_7"));
    EXPECT_TRUE(events.log.empty()) << "the event waits for the widget's own handling to end";
    QApplication::processEvents();
    EXPECT_EQ(events.log, std::vector<std::string>{"Tv1_Expand:tv1_id_7"});
}

TEST_F(TreeViewTest, ClickAndEnterRaiseNodeClickWithTheKey) {
    tree.add_root("tv1_search", "搜索结果(0)");
    tree.add_root("lb_1", "cat");
    show();

    click("lb_1");
    press_key("tv1_search", Qt::Key_Return);
    press_key("lb_1", Qt::Key_Enter);
    EXPECT_TRUE(events.log.empty());
    QApplication::processEvents();
    EXPECT_EQ(events.log,
              (std::vector<std::string>{"Tv1_NodeClick:lb_1", "Tv1_NodeClick:tv1_search", "Tv1_NodeClick:lb_1"}));
}

TEST_F(TreeViewTest, AHandlerMayRemoveTheClickedNodeAndLaterEventsForRemovedNodesAreDropped) {
    tree.add_root("lb_1", "cat");
    tree.add_child("lb_1", "tv1_next_2_1", "——点这里翻下一页——");
    tree.add_child("lb_1", "tv1_id_7", "prog");
    tree.set_expanded("lb_1", true);
    show();
    events.on_node_click = [this](const std::string& key) {
        if (key == "tv1_next_2_1") {
            // A page turn: the category's children go, new ones come.
            while (tree.children("lb_1") > 0) tree.remove(tree.child("lb_1"));
            tree.add_child("lb_1", "tv1_id_51", "51.next page");
        }
    };

    click("tv1_next_2_1");
    click("tv1_id_7");
    QApplication::processEvents();
    EXPECT_EQ(events.log, std::vector<std::string>{"Tv1_NodeClick:tv1_next_2_1"});
    EXPECT_EQ(tree.child("lb_1"), "tv1_id_51");
    EXPECT_FALSE(tree.contains("tv1_id_7"));
}

TEST_F(TreeViewTest, DisplaySettingsRejectUnknownValues) {
    tree.set_indentation(10);
    EXPECT_GE(tree.widget()->indentation(), 16) << "a tiny indentation is raised to a usable one";
    EXPECT_THROW(tree.set_indentation(-1), PlatformError);
    EXPECT_THROW(tree.set_line_style(2), PlatformError);
    EXPECT_THROW(tree.set_label_edit(2), PlatformError);

    tree.set_label_edit(0);
    tree.add_root("lb_1", "cat");
    tree.set_label_edit(1);
    EXPECT_FALSE(tree.widget()->topLevelItem(0)->flags().testFlag(Qt::ItemIsEditable))
        << "nodes added while editing was allowed lose it too";
}

}  // namespace
}  // namespace qinghe::platform::qt
