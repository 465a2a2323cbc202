#pragma once

#include <QTreeWidgetItem>

#include <string>
#include <utility>

namespace qinghe::platform::qt {

// A tree row that carries its node key, so an event on a row names its node
// without a lookup.
class KeyedTreeItem : public QTreeWidgetItem {
public:
    static constexpr int item_type = QTreeWidgetItem::UserType + 1;

    KeyedTreeItem(std::string key, const QString& text)
        : QTreeWidgetItem(QStringList{text}, item_type), key_(std::move(key)) {}

    const std::string& key() const { return key_; }

private:
    std::string key_;
};

}  // namespace qinghe::platform::qt
