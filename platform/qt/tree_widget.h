#pragma once

#include <QTreeWidget>

namespace qinghe::platform::qt {

// The tree widget behind Tv1: one text column without a header, rows of one
// height, and Enter/Return on the current row reported as a signal. With
// QT_LOGGING_RULES="qinghe.startup.debug=true" it says when the first
// category row (the row after the search root) was first painted, counted
// from the process's start: what a user waits for at start-up. The same
// moment is signalled, for work that should wait until then.
class TreeWidget : public QTreeWidget {
    Q_OBJECT
public:
    explicit TreeWidget(QWidget* parent = nullptr);

    // The item's next sibling, or null. Uses the model's row lookup, which
    // remembers each item's row, instead of searching the parent's children.
    QTreeWidgetItem* next_sibling(QTreeWidgetItem* item) const;

signals:
    void return_pressed(QTreeWidgetItem* item);
    // Once, when the first category row has first been painted.
    void first_category_painted();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool first_category_painted_ = false;
};

}  // namespace qinghe::platform::qt
