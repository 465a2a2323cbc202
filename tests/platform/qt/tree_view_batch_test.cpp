// New nodes join the widget in batches; whatever reads the tree, through the
// tree view or the widget, sees every node added so far, in order.
#include "platform/base/error.h"
#include "platform/qt/keyed_tree_item.h"
#include "platform/qt/qt_tree_view.h"

#include <QApplication>
#include <QPointer>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace qinghe::platform::qt {
namespace {

std::string key_of(QTreeWidgetItem* item) {
    auto* node = dynamic_cast<KeyedTreeItem*>(item);
    return node == nullptr ? "<unkeyed>" : node->key();
}

// The tree as the widget holds it: "key(child,child(...))".
std::string shape(QTreeWidgetItem* item) {
    std::string out = key_of(item);
    if (item->childCount() == 0) return out;
    out += "(";
    for (int i = 0; i < item->childCount(); ++i) {
        if (i > 0) out += ',';
        out += shape(item->child(i));
    }
    out += ')';
    return out;
}

std::string shape(QTreeWidget* widget) {
    std::string out;
    for (int i = 0; i < widget->topLevelItemCount(); ++i) {
        if (i > 0) out += ' ';
        out += shape(widget->topLevelItem(i));
    }
    return out;
}

TEST(TreeViewBatches, ChildrenAndTheirOwnChildrenJoinInTheOrderAdded) {
    QtTreeView tree;
    tree.add_root("p", "P");
    tree.add_root("q", "Q");
    tree.add_child("p", "a", "A");
    tree.add_child("a", "a1", "A1");
    tree.add_child("p", "b", "B");
    tree.add_child("a", "a2", "A2");
    tree.add_child("q", "c", "C");  // another parent: P's batch joins first
    tree.add_child("p", "d", "D");
    tree.add_child("b", "b1", "B1");
    EXPECT_EQ(shape(tree.widget()), "p(a(a1,a2),b(b1),d) q(c)");
    EXPECT_EQ(tree.text("a2"), "A2");
}

TEST(TreeViewBatches, EveryCallThatReadsTheShapeSeesTheWaitingNodes) {
    QtTreeView tree;
    tree.add_root("p", "P");
    tree.add_child("p", "a", "A");
    tree.add_child("p", "b", "B");
    EXPECT_EQ(tree.children("p"), 2);
    tree.add_child("p", "c", "C");
    EXPECT_EQ(tree.next("b"), "c");
    tree.add_child("c", "c1", "C1");
    EXPECT_EQ(tree.child("c"), "c1");
    tree.add_child("p", "e", "E");
    tree.set_expanded("e", true);  // expanding a node that has just been added
    EXPECT_TRUE(tree.expanded("e"));
    tree.add_child("e", "e1", "E1");
    EXPECT_TRUE(tree.expanded("e"));
    EXPECT_EQ(shape(tree.widget()), "p(a,b,c(c1),e(e1))");
}

TEST(TreeViewBatches, RemovingAWaitingNodeOrItsParentFreesEveryKey) {
    QtTreeView tree;
    tree.add_root("p", "P");
    tree.add_child("p", "a", "A");
    tree.add_child("a", "a1", "A1");
    tree.add_child("p", "b", "B");
    tree.remove("a");
    EXPECT_FALSE(tree.contains("a"));
    EXPECT_FALSE(tree.contains("a1"));
    tree.add_child("p", "a", "A again");
    tree.add_child("a", "a1", "A1 again");
    EXPECT_EQ(shape(tree.widget()), "p(b,a(a1))");

    tree.add_child("a", "a2", "A2");
    tree.remove("p");
    for (const char* key : {"p", "a", "a1", "a2", "b"}) EXPECT_FALSE(tree.contains(key)) << key;
    EXPECT_EQ(tree.widget()->topLevelItemCount(), 0);
}

TEST(TreeViewBatches, BackInTheEventLoopTheWidgetShowsEveryNode) {
    QtTreeView tree;
    QTreeWidget* widget = tree.widget();  // held, as the window holds it
    tree.add_root("p", "P");
    tree.add_child("p", "a", "A");
    tree.add_child("a", "a1", "A1");
    tree.add_child("p", "b", "B");
    QApplication::processEvents();
    EXPECT_EQ(shape(widget), "p(a(a1),b)");
}

TEST(TreeViewBatches, ADuplicateKeyFailsWithoutLosingTheWaitingNodes) {
    QtTreeView tree;
    tree.add_root("p", "P");
    tree.add_child("p", "a", "A");
    EXPECT_THROW(tree.add_child("p", "a", "again"), PlatformError);
    EXPECT_THROW(tree.add_child("missing", "x", "X"), PlatformError);
    tree.add_child("p", "b", "B");
    EXPECT_EQ(shape(tree.widget()), "p(a,b)");
    EXPECT_EQ(tree.text("a"), "A");
}

TEST(TreeViewBatches, NodesStillWaitingGoWithTheTreeView) {
    auto tree = std::make_unique<QtTreeView>();
    tree->add_root("p", "P");
    tree->add_child("p", "a", "A");
    tree->add_child("a", "a1", "A1");
    QPointer<QTreeWidget> widget = tree->widget();
    tree->add_child("p", "b", "B");
    tree.reset();  // the sanitizer build reports anything left behind
    EXPECT_TRUE(widget.isNull());
    QApplication::processEvents();  // the queued join must not outlive the tree
}

// Rows the widget's model announced, as insertions and removals.
struct ModelChanges {
    explicit ModelChanges(QTreeWidget* widget) {
        QObject::connect(widget->model(), &QAbstractItemModel::rowsInserted, [this] { ++inserted; });
        QObject::connect(widget->model(), &QAbstractItemModel::rowsRemoved, [this] { ++removed; });
    }
    int inserted = 0;
    int removed = 0;
};

TEST(TreeViewBatches, WholeSubtreesJoinOrReplaceInOneChange) {
    QtTreeView tree;
    tree.add_root("p", "P");
    tree.add_child("p", "a", "A");
    tree.add_child("a", "a1", "A1");
    tree.add_child("p", "b", "B");  // still waiting: joins before the batch
    ModelChanges changes(tree.widget());
    tree.add_children("p", {{"c", "C", {{"c1", "C1", {}}}}, {"d", "D", {}}});
    EXPECT_EQ(shape(tree.widget()), "p(a(a1),b,c(c1),d)");
    EXPECT_EQ(tree.text("c1"), "C1");
    EXPECT_EQ(changes.inserted, 1);

    // The old children's keys are free for the new ones.
    tree.replace_children("p", {{"a", "new A", {{"x", "X", {}}}}, {"e", "E", {}}});
    EXPECT_EQ(shape(tree.widget()), "p(a(x),e)");
    EXPECT_EQ(tree.text("a"), "new A");
    for (const char* key : {"a1", "b", "c", "c1", "d"}) EXPECT_FALSE(tree.contains(key)) << key;
    EXPECT_EQ(changes.removed, 1);
    EXPECT_EQ(changes.inserted, 2);

    tree.replace_children("p", {});
    EXPECT_EQ(shape(tree.widget()), "p");
    EXPECT_FALSE(tree.contains("x"));
}

TEST(TreeViewBatches, ABatchThatCannotJoinWhollyChangesNothing) {
    struct Case {
        const char* name;
        std::string parent;
        std::vector<TreeNode> nodes;
    };
    const std::vector<Case> cases = {
        {"parent missing", "missing", {{"n", "N", {}}}},
        {"key taken outside the parent", "p", {{"n", "N", {}}, {"q", "Q", {}}}},
        {"key given twice", "p", {{"n", "N", {{"n", "again", {}}}}}},
        {"a child's key given again, then one taken", "p", {{"a", "new", {}}, {"q", "Q", {}}}},
    };
    for (const bool replacing : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (replacing ? ", replacing" : ", adding"));
            QtTreeView tree;
            tree.add_root("p", "P");
            tree.add_root("q", "Q");
            tree.add_child("p", "a", "A");
            if (replacing)
                EXPECT_THROW(tree.replace_children(c.parent, c.nodes), PlatformError);
            else
                EXPECT_THROW(tree.add_children(c.parent, c.nodes), PlatformError);
            EXPECT_EQ(shape(tree.widget()), "p(a) q");
            EXPECT_FALSE(tree.contains("n"));
            EXPECT_EQ(tree.text("q"), "Q");
            EXPECT_EQ(tree.text("a"), "A") << "the old child is still found by its key";
        }
    }
}

// Texts that repeat share their converted form; each node still shows its
// own text, whatever texts came between, long ones included.
TEST(TreeViewBatches, EveryNodeShowsTheTextItWasGivenAmongRepeatedTexts) {
    QtTreeView tree;
    tree.add_root("p", "P");
    std::vector<std::string> given;
    for (int i = 0; i < 600; ++i) {
        const int n = (i * 37) % 150;
        given.push_back(n % 5 == 0 ? std::string(300, 'x') + std::to_string(n) : "第" + std::to_string(n) + "集");
        tree.add_child("p", std::to_string(i), given.back());
    }
    for (int i = 0; i < 600; ++i) ASSERT_EQ(tree.text(std::to_string(i)), given[static_cast<std::size_t>(i)]) << i;
}

}  // namespace
}  // namespace qinghe::platform::qt
