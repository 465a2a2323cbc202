#include "platform/qt/tree_widget.h"

#include "platform/posix/process_age.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLoggingCategory>
#include <QPaintEvent>

namespace qinghe::platform::qt {

namespace {
Q_LOGGING_CATEGORY(startup_logging, "qinghe.startup", QtInfoMsg)
}  // namespace

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

void TreeWidget::paintEvent(QPaintEvent* event) {
    QTreeWidget::paintEvent(event);
    if (first_category_painted_ || topLevelItemCount() < 2) return;
    const QRect row = visualItemRect(topLevelItem(1));
    if (row.isEmpty() || !event->region().intersects(row)) return;
    first_category_painted_ = true;
    if (startup_logging().isDebugEnabled())
        if (const std::optional<double> age = posix::process_age_ms())
            qCDebug(startup_logging).noquote()
                << QStringLiteral("first category row painted %1 ms after the process started").arg(*age, 0, 'f', 0);
    emit first_category_painted();
}

}  // namespace qinghe::platform::qt
