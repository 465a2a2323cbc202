#pragma once

#include "platform/form_events.h"
#include "platform/qt/key_index.h"
#include "platform/tree_view.h"

#include <QList>
#include <QPointer>
#include <QString>

#include <array>
#include <string>
#include <vector>

class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace qinghe::platform::qt {

class KeyedTreeItem;
class TreeWidget;

// Tv1 over a QTreeWidget. Every node is found through a key index, so no
// call walks the tree to find a node. The user's expand, click and Enter are
// raised as Tv1_Expand / Tv1_NodeClick through a queued call, after the
// widget's own event has finished, so a handler may remove the very node it
// was called for.
//
// New child nodes join the widget in batches: each row the widget's model
// takes in on its own costs as much as building the row, and the handlers
// add hundreds to thousands of nodes at a time, one by one. Children added
// in a row under the same node wait together and join it in one insertion,
// and the children added to a waiting node simply go with it. The batch
// joins before any call that reads or changes the tree's shape, before
// widget() hands out the widget, and as soon as control is back in the
// event loop, so nobody sees the difference.
class QtTreeView final : public TreeView {
public:
    explicit QtTreeView(QWidget* parent = nullptr);
    ~QtTreeView() override;
    QtTreeView(const QtTreeView&) = delete;
    QtTreeView& operator=(const QtTreeView&) = delete;

    // The widget to place on the window, with every node added so far; it
    // belongs to this object.
    QTreeWidget* widget() const;
    // Where the tree's events go; null drops them.
    void set_events(FormEvents* sink) { sink_ = sink; }

    void add_root(const std::string& key, const std::string& text) override;
    void add_child(const std::string& parent_key, const std::string& key, const std::string& text) override;
    void remove(const std::string& key) override;
    void add_children(const std::string& parent_key, const std::vector<TreeNode>& nodes) override;
    void replace_children(const std::string& parent_key, const std::vector<TreeNode>& nodes) override;

    bool contains(const std::string& key) const override;
    std::string text(const std::string& key) const override;
    void set_text(const std::string& key, const std::string& text) override;
    int children(const std::string& key) const override;
    std::string child(const std::string& key) const override;
    std::string next(const std::string& key) const override;
    bool expanded(const std::string& key) const override;
    void set_expanded(const std::string& key, bool expanded) override;

    void set_indentation(int twips) override;
    void set_line_style(int style) override;
    void set_label_edit(int mode) override;

private:
    TreeWidget& view() const;
    KeyedTreeItem& find(const std::string& key) const;
    // Creates the node and enters its key; the caller links it into the tree.
    KeyedTreeItem* make_item(const std::string& key, const std::string& text);
    KeyedTreeItem* new_item(const std::string& key, std::size_t hash, const std::string& text);
    // The text as the widget holds it, shared with the node before when the
    // text repeats.
    QString row_text(const std::string& text) const;
    // Builds the nodes' items outside the tree, entering their keys; a key
    // already in the index fails the whole build, leaving the index as it
    // was. The caller owns the items.
    QList<QTreeWidgetItem*> build_items(const std::vector<TreeNode>& nodes);
    // Enters the keys of these subtrees, for which the index has room.
    void enter_keys(const QList<QTreeWidgetItem*>& items) noexcept;
    void forget_subtrees(const QList<QTreeWidgetItem*>& tops);
    // Links the waiting children into the widget.
    void join_waiting() const;
    void queue_event(QTreeWidgetItem* item, void (FormEvents::*handler)(const std::string&));

    QPointer<TreeWidget> view_;
    // Keyed by each node's own copy of its key, which lives as long as the
    // node: an entry goes before its node does.
    KeyIndex<KeyedTreeItem> index_;
    // Texts given lately and their converted form, each in the slot its
    // hash picks: every intro node, and the video names that repeat from one
    // play group to the next, then share one string instead of being
    // converted again.
    struct RecentText {
        std::string text;
        QString row;
        std::size_t hash = 0;
    };
    static constexpr std::size_t recent_text_slots = 64;
    mutable std::array<RecentText, recent_text_slots> recent_texts_;
    // The node found last, while its key is in the index: handlers add many
    // children to one parent in a row.
    mutable KeyedTreeItem* last_found_ = nullptr;
    FormEvents* sink_ = nullptr;
    bool expanding_by_code_ = false;
    bool editable_labels_ = false;
    // Children waiting to join waiting_parent_, which is in the widget.
    mutable QTreeWidgetItem* waiting_parent_ = nullptr;
    mutable QList<QTreeWidgetItem*> waiting_;
    mutable bool join_queued_ = false;
};

}  // namespace qinghe::platform::qt
