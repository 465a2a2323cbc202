#include "platform/qt/tree_widget.h"

#include <QHeaderView>
#include <QKeyEvent>

namespace qinghe::platform::qt {

TreeWidget::TreeWidget(QWidget* parent) : QTreeWidget(parent) {
    setColumnCount(1);
    setHeaderHidden(true);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFocusPolicy(Qt::StrongFocus);
    header()->setStretchLastSection(true);
}

QTreeWidgetItem* TreeWidget::next_sibling(QTreeWidgetItem* item) const {
    const QModelIndex index = indexFromItem(item);
    if (!index.isValid()) return nullptr;
    return itemFromIndex(index.sibling(index.row() + 1, 0));
}

void TreeWidget::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && state() != QAbstractItemView::EditingState && currentItem() != nullptr) {
        emit return_pressed(currentItem());
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

}  // namespace qinghe::platform::qt
