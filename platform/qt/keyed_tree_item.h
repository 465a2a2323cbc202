#pragma once

#include "platform/qt/key_index.h"
#include "platform/qt/window_text.h"

#include <QTreeWidgetItem>

#include <string>
#include <utility>

namespace qinghe::platform::qt {

// A tree row that carries its node key, so an event on a row names its node
// without a lookup.
class KeyedTreeItem : public QTreeWidgetItem {
public:
    static constexpr int item_type = QTreeWidgetItem::UserType + 1;
    using Index = KeyIndex<KeyedTreeItem>;

    // The text goes straight to the row's one column, without a list of
    // texts made and dropped for every row. A node given an index takes its
    // own entry out of it when it is deleted, whoever deletes it: a removed
    // subtree of thousands of nodes is then walked once, not twice.
    KeyedTreeItem(std::string key, std::size_t key_hash, const QString& text, Index* index = nullptr)
        : QTreeWidgetItem(item_type), key_(std::move(key)), key_hash_(key_hash), index_(index) {
        setText(0, text);
    }
    ~KeyedTreeItem() override {
        if (index_ != nullptr) index_->erase_item(this, key_hash_);
    }
    KeyedTreeItem(const KeyedTreeItem&) = delete;
    KeyedTreeItem& operator=(const KeyedTreeItem&) = delete;

    const std::string& key() const { return key_; }
    // The key's hash in the tree's key index, kept so that taking the node
    // out or putting it back does not hash the key again.
    std::size_t key_hash() const { return key_hash_; }

    // The row's accessible name goes to the window system: bounded, while
    // the row itself shows its whole text.
    QVariant data(int column, int role) const override {
        if (role == Qt::AccessibleTextRole) {
            const QString whole = text(column);
            if (whole.size() > max_window_text) return window_text(whole);
        }
        return QTreeWidgetItem::data(column, role);
    }

private:
    std::string key_;
    std::size_t key_hash_;
    Index* index_;
};

}  // namespace qinghe::platform::qt
