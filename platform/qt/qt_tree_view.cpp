#include "platform/qt/qt_tree_view.h"

#include "platform/base/error.h"
#include "platform/qt/event_delivery.h"
#include "platform/qt/keyed_tree_item.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/tree_widget.h"
#include "platform/qt/twips.h"

#include <QMetaObject>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

namespace qinghe::platform::qt {

namespace {
// Narrower steps than this leave no room for the expand marks.
constexpr int min_indentation_pixels = 16;
// The longest text the recent texts keep, in bytes.
constexpr std::size_t max_recent_text = 256;

KeyedTreeItem* keyed(QTreeWidgetItem* item) {
    if (item == nullptr || item->type() != KeyedTreeItem::item_type) return nullptr;
    return static_cast<KeyedTreeItem*>(item);
}

// Calls visit for every keyed node of the subtrees, their tops included.
template <class Visit>
void for_each_node(const QList<QTreeWidgetItem*>& tops, Visit&& visit) {
    std::vector<QTreeWidgetItem*> pending(tops.rbegin(), tops.rend());
    while (!pending.empty()) {
        QTreeWidgetItem* item = pending.back();
        pending.pop_back();
        if (KeyedTreeItem* node = keyed(item)) visit(*node);
        for (int i = 0; i < item->childCount(); ++i) pending.push_back(item->child(i));
    }
}

// The nodes with every node below them, however deep.
std::size_t node_count(const std::vector<TreeNode>& nodes) {
    std::size_t count = 0;
    std::vector<const std::vector<TreeNode>*> pending{&nodes};
    while (!pending.empty()) {
        const std::vector<TreeNode>* level = pending.back();
        pending.pop_back();
        count += level->size();
        for (const TreeNode& node : *level) pending.push_back(&node.children);
    }
    return count;
}
}  // namespace

QtTreeView::QtTreeView(QWidget* parent) : view_(new TreeWidget(parent)) {
    // The control starts with tree lines only: no expand marks at the top level.
    view_->setRootIsDecorated(false);
    // Destroyed with the window around it, the widget takes every node along.
    QObject::connect(
        view_, &QObject::destroyed, view_,
        [this] {
            last_found_ = nullptr;
            index_.clear();
        });

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
    last_found_ = nullptr;
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
    if (last_found_ != nullptr && last_found_->key() == key) return *last_found_;
    KeyedTreeItem* found = index_.find(key);
    if (found == nullptr) throw PlatformError("no tree node with key \"" + key + "\"");
    last_found_ = found;
    return *found;
}

QString QtTreeView::row_text(const std::string& text) const {
    // A long text is seldom repeated; it is not kept.
    if (text.size() > max_recent_text) return to_qstring(text);
    const std::size_t hash = std::hash<std::string>{}(text);
    RecentText& slot = recent_texts_[hash % recent_text_slots];
    // Most new texts differ in their hash, and are not compared.
    if (slot.row.isNull() || slot.hash != hash || slot.text != text) {
        slot.row = to_qstring(text);
        slot.text = text;
        slot.hash = hash;
    }
    return slot.row;
}

KeyedTreeItem* QtTreeView::new_item(const std::string& key, std::size_t hash, const std::string& text) {
    auto item = std::make_unique<KeyedTreeItem>(key, hash, row_text(text), &index_);
    if (editable_labels_) item->setFlags(item->flags() | Qt::ItemIsEditable);
    return item.release();
}

KeyedTreeItem* QtTreeView::make_item(const std::string& key, const std::string& text) {
    // The key's slot is fetched while the node is built: entering keys
    // otherwise spends most of its time waiting on that memory.
    index_.reserve_more(1);
    const std::size_t hash = index_.hash_of(key);
    index_.prefetch(hash);
    std::unique_ptr<KeyedTreeItem> item(new_item(key, hash, text));
    if (!index_.insert(item.get(), hash)) throw PlatformError("tree node key \"" + key + "\" is not unique");
    return item.release();
}

QList<QTreeWidgetItem*> QtTreeView::build_items(const std::vector<TreeNode>& nodes) {
    QList<QTreeWidgetItem*> tops;
    // Each node with the item its children go below (null: a top one).
    std::vector<std::pair<const TreeNode*, QTreeWidgetItem*>> pending;
    for (auto it = nodes.rbegin(); it != nodes.rend(); ++it) pending.emplace_back(&*it, nullptr);
    try {
        while (!pending.empty()) {
            const auto [node, parent] = pending.back();
            pending.pop_back();
            // A key taken, by a node of the tree or an earlier one of these,
            // fails the whole change.
            KeyedTreeItem* item = make_item(node->key, node->text);
            try {
                if (parent == nullptr)
                    tops.append(item);
                else
                    parent->addChild(item);
            } catch (...) {
                delete item;
                throw;
            }
            for (auto child = node->children.rbegin(); child != node->children.rend(); ++child)
                pending.emplace_back(&*child, item);
        }
    } catch (...) {
        // Each node takes its key out as it goes.
        qDeleteAll(tops);
        throw;
    }
    return tops;
}

void QtTreeView::enter_keys(const QList<QTreeWidgetItem*>& items) noexcept {
    // The caller made room for every key and checked that none is taken.
    for_each_node(items, [&](KeyedTreeItem& node) { index_.insert(&node, node.key_hash()); });
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

void QtTreeView::add_children(const std::string& parent_key, const std::vector<TreeNode>& nodes) {
    view();
    KeyedTreeItem& parent = find(parent_key);
    join_waiting();
    // Room for every key first: entering them then cannot fail half-way.
    index_.reserve_more(node_count(nodes));
    const QList<QTreeWidgetItem*> items = build_items(nodes);
    // One insertion: the model announces the rows once, whatever their number.
    parent.addChildren(items);
}

void QtTreeView::replace_children(const std::string& parent_key, const std::vector<TreeNode>& nodes) {
    view();
    KeyedTreeItem& parent = find(parent_key);
    join_waiting();
    // Room for every key first: the old keys go out and, should a new one
    // be taken, come back without the table having to grow.
    index_.reserve_more(node_count(nodes));
    QList<QTreeWidgetItem*> old;
    old.reserve(parent.childCount());
    for (int i = 0; i < parent.childCount(); ++i) old.append(parent.child(i));
    forget_subtrees(old);
    QList<QTreeWidgetItem*> items;
    try {
        items = build_items(nodes);
    } catch (...) {
        enter_keys(old);
        throw;
    }
    // One removal and one insertion, instead of a change for every row.
    qDeleteAll(parent.takeChildren());
    if (!items.isEmpty()) parent.addChildren(items);
}

void QtTreeView::forget_subtrees(const QList<QTreeWidgetItem*>& tops) {
    last_found_ = nullptr;
    for_each_node(tops, [&](KeyedTreeItem& node) { index_.erase(node.key(), node.key_hash()); });
}

void QtTreeView::remove(const std::string& key) {
    view();
    KeyedTreeItem* item = &find(key);
    join_waiting();
    last_found_ = nullptr;
    // Deleting an item unlinks it from its parent and deletes its children,
    // each taking its key out of the index.
    delete item;
}

bool QtTreeView::contains(const std::string& key) const {
    return index_.contains(key);
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
    index_.for_each([&](KeyedTreeItem& item) {
        const Qt::ItemFlags flags = item.flags();
        item.setFlags(editable_labels_ ? flags | Qt::ItemIsEditable : flags & ~Qt::ItemIsEditable);
    });
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
