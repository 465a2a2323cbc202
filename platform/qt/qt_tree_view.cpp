#include "platform/qt/qt_tree_view.h"

#include "platform/base/error.h"
#include "platform/qt/event_delivery.h"
#include "platform/qt/keyed_tree_item.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/tree_widget.h"
#include "platform/qt/twips.h"

#include <QMetaObject>

#include <algorithm>
#include <memory>
#include <vector>

namespace qinghe::platform::qt {

namespace {
// Narrower steps than this leave no room for the expand marks.
constexpr int min_indentation_pixels = 16;

KeyedTreeItem* keyed(QTreeWidgetItem* item) {
    if (item == nullptr || item->type() != KeyedTreeItem::item_type) return nullptr;
    return static_cast<KeyedTreeItem*>(item);
}
}  // namespace

QtTreeView::QtTreeView(QWidget* parent) : view_(new TreeWidget(parent)) {
    // The control starts with tree lines only: no expand marks at the top level.
    view_->setRootIsDecorated(false);

    QObject::connect(
        view_, &QTreeWidget::itemExpanded, view_,
        [this](QTreeWidgetItem* item) {
            if (!expanding_by_code_) queue_event(item, &FormEvents::Tv1_Expand);
        });
    QObject::connect(
        view_, &QTreeWidget::itemClicked, view_,
        [this](QTreeWidgetItem* item, int) { queue_event(item, &FormEvents::Tv1_NodeClick); });
    QObject::connect(view_, &TreeWidget::return_pressed, view_,
                     [this](QTreeWidgetItem* item) { queue_event(item, &FormEvents::Tv1_NodeClick); });
}

QtTreeView::~QtTreeView() {
    index_.clear();
    qDeleteAll(waiting_);
    delete view_.data();
}

QTreeWidget* QtTreeView::widget() const {
    join_waiting();
    return view_.data();
}

void QtTreeView::join_waiting() const {
    // With the widget gone the parent went with it; the waiting children
    // stay out of any tree until this object deletes them.
    if (waiting_.isEmpty() || view_.isNull()) return;
    QList<QTreeWidgetItem*> items;
    items.swap(waiting_);
    QTreeWidgetItem* parent = waiting_parent_;
    waiting_parent_ = nullptr;
    parent->addChildren(items);
}

TreeWidget& QtTreeView::view() const {
    if (view_.isNull()) throw PlatformError("the tree view has been destroyed");
    return *view_;
}

KeyedTreeItem& QtTreeView::find(const std::string& key) const {
    const auto found = index_.find(key);
    if (found == index_.end()) throw PlatformError("no tree node with key \"" + key + "\"");
    return *found->second;
}

KeyedTreeItem* QtTreeView::make_item(const std::string& key, const std::string& text) {
    auto [slot, inserted] = index_.try_emplace(key, nullptr);
    if (!inserted) throw PlatformError("tree node key \"" + key + "\" is not unique");
    try {
        auto item = std::make_unique<KeyedTreeItem>(key, to_qstring(text));
        if (editable_labels_) item->setFlags(item->flags() | Qt::ItemIsEditable);
        slot->second = item.release();
    } catch (...) {
        index_.erase(slot);
        throw;
    }
    return slot->second;
}

void QtTreeView::add_root(const std::string& key, const std::string& text) {
    TreeWidget& tree = view();
    tree.addTopLevelItem(make_item(key, text));
}

void QtTreeView::add_child(const std::string& parent_key, const std::string& key, const std::string& text) {
    TreeWidget& tree = view();
    KeyedTreeItem& parent = find(parent_key);
    // A parent outside the widget is waiting itself (or below a waiting
    // node): its children join with it.
    if (parent.treeWidget() == nullptr) {
        parent.addChild(make_item(key, text));
        return;
    }
    if (&parent != waiting_parent_) join_waiting();
    KeyedTreeItem* item = make_item(key, text);
    try {
        waiting_.append(item);
    } catch (...) {
        index_.erase(key);
        delete item;
        throw;
    }
    waiting_parent_ = &parent;
    if (!join_queued_) {
        join_queued_ = true;
        QMetaObject::invokeMethod(
            &tree,
            [this] {
                join_queued_ = false;
                join_waiting();
            },
            Qt::QueuedConnection);
    }
}

void QtTreeView::forget_subtree(QTreeWidgetItem* top) {
    std::vector<QTreeWidgetItem*> pending{top};
    while (!pending.empty()) {
        QTreeWidgetItem* item = pending.back();
        pending.pop_back();
        if (KeyedTreeItem* node = keyed(item)) index_.erase(node->key());
        for (int i = 0; i < item->childCount(); ++i) pending.push_back(item->child(i));
    }
}

void QtTreeView::remove(const std::string& key) {
    view();
    KeyedTreeItem* item = &find(key);
    join_waiting();
    forget_subtree(item);
    // Deleting an item unlinks it from its parent and deletes its children.
    delete item;
}

bool QtTreeView::contains(const std::string& key) const {
    return index_.count(key) != 0;
}

std::string QtTreeView::text(const std::string& key) const {
    return to_std(find(key).text(0));
}

void QtTreeView::set_text(const std::string& key, const std::string& text) {
    find(key).setText(0, to_qstring(text));
}

int QtTreeView::children(const std::string& key) const {
    KeyedTreeItem& item = find(key);
    join_waiting();
    return item.childCount();
}

std::string QtTreeView::child(const std::string& key) const {
    KeyedTreeItem& item = find(key);
    join_waiting();
    KeyedTreeItem* first = keyed(item.child(0));
    if (first == nullptr) throw PlatformError("tree node \"" + key + "\" has no child");
    return first->key();
}

std::string QtTreeView::next(const std::string& key) const {
    KeyedTreeItem& item = find(key);
    join_waiting();
    KeyedTreeItem* sibling = keyed(view().next_sibling(&item));
    if (sibling == nullptr) throw PlatformError("tree node \"" + key + "\" has no next sibling");
    return sibling->key();
}

bool QtTreeView::expanded(const std::string& key) const {
    KeyedTreeItem& item = find(key);
    join_waiting();
    return item.isExpanded();
}

void QtTreeView::set_expanded(const std::string& key, bool expanded) {
    KeyedTreeItem& item = find(key);
    join_waiting();
    // Only the user's expanding raises Tv1_Expand; the code's own does not.
    expanding_by_code_ = true;
    item.setExpanded(expanded);
    expanding_by_code_ = false;
}

void QtTreeView::set_indentation(int twips) {
    if (twips < 0) throw PlatformError("negative tree indentation");
    view().setIndentation(std::max(min_indentation_pixels, to_pixels(twips)));
}

void QtTreeView::set_line_style(int style) {
    if (style != 0 && style != 1) throw PlatformError("tree line style must be 0 or 1");
    // Style 1 joins the top-level nodes too: they get expand marks of their own.
    view().setRootIsDecorated(style == 1);
}

void QtTreeView::set_label_edit(int mode) {
    if (mode != 0 && mode != 1) throw PlatformError("tree label edit mode must be 0 or 1");
    TreeWidget& tree = view();
    editable_labels_ = mode == 0;
    tree.setEditTriggers(editable_labels_ ? QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed
                                          : QAbstractItemView::NoEditTriggers);
    for (auto& [key, item] : index_) {
        const Qt::ItemFlags flags = item->flags();
        item->setFlags(editable_labels_ ? flags | Qt::ItemIsEditable : flags & ~Qt::ItemIsEditable);
    }
}

void QtTreeView::queue_event(QTreeWidgetItem* item, void (FormEvents::*handler)(const std::string&)) {
    KeyedTreeItem* node = keyed(item);
    if (node == nullptr || view_.isNull()) return;
    // The event carries the key, not the item: by the time it runs, an
    // earlier handler may have removed the node, and then it is dropped.
    QMetaObject::invokeMethod(
        view_.data(),
        [this, key = node->key(), handler] {
            if (!contains(key)) return;
            raise_event(sink_, [&](FormEvents& sink) { (sink.*handler)(key); });
        },
        Qt::QueuedConnection);
}

}  // namespace qinghe::platform::qt
