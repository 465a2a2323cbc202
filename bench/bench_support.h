#pragma once

#include <benchmark/benchmark.h>

#include <QString>
#include <QTreeWidgetItem>

#include <exception>
#include <string_view>

namespace qinghe::bench {

// Runs a benchmark body; an exception marks the run as failed with its
// message instead of ending the whole program.
template <typename Body>
void guarded(benchmark::State& state, Body&& body) {
    try {
        body();
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
    }
}

// Text of the system's own code as the widgets hold it.
inline QString qstr(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A listed programme as the baselines build it, off the tree: its text and
// the intro node below it.
inline QTreeWidgetItem* programme_item(const QString& text, const QString& intro) {
    auto* programme = new QTreeWidgetItem(QStringList{text});
    programme->addChild(new QTreeWidgetItem(QStringList{intro}));
    return programme;
}

// The baselines' direct way of emptying a node: take every child at once.
inline void delete_children(QTreeWidgetItem* item) {
    const QList<QTreeWidgetItem*> children = item->takeChildren();
    qDeleteAll(children);
}

}  // namespace qinghe::bench
