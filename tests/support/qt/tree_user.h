#pragma once

#include "platform/form_events.h"
#include "platform/qt/keyed_tree_item.h"
#include "platform/qt/qt_form.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <algorithm>
#include <string>
#include <vector>

namespace qinghe::test {

// Stands between the window and its handlers: every event goes on to the
// handlers unchanged, and the node events and the nesting of resize runs are
// written down, so a test can tell that a click really reached the handler
// and how deep the resize handler re-entered itself.
class ForwardingEvents final : public platform::FormEvents {
public:
    explicit ForwardingEvents(platform::FormEvents& target) : target_(target) {}

    std::vector<std::string> clicks;
    std::vector<std::string> expansions;
    int resize_runs = 0;
    int max_depth = 0;

    void reset_resize_count() {
        resize_runs = 0;
        max_depth = 0;
    }

    void Form_Resize() override {
        ++resize_runs;
        ++depth_;
        max_depth = std::max(max_depth, depth_);
        target_.Form_Resize();
        --depth_;
    }
    void Form_Unload() override { target_.Form_Unload(); }
    void Timer1_Timer() override { target_.Timer1_Timer(); }
    void Timer2_Timer() override { target_.Timer2_Timer(); }
    void Tv1_Expand(const std::string& key) override {
        expansions.push_back(key);
        target_.Tv1_Expand(key);
    }
    void Tv1_NodeClick(const std::string& key) override {
        clicks.push_back(key);
        target_.Tv1_NodeClick(key);
    }
    void Command1_Click() override { target_.Command1_Click(); }
    void Label3_Click(int index) override { target_.Label3_Click(index); }

private:
    platform::FormEvents& target_;
    int depth_ = 0;
};

// Works the window's tree with the mouse, as a user does: the window's events
// pass through a ForwardingEvents on their way to the handlers for as long as
// this object lives.
class TreeUser {
public:
    TreeUser(platform::qt::QtForm& window, platform::FormEvents& handlers)
        : window_(window), handlers_(handlers), events_(handlers) {
        window_.set_events(&events_);
    }
    ~TreeUser() { window_.set_events(&handlers_); }
    TreeUser(const TreeUser&) = delete;
    TreeUser& operator=(const TreeUser&) = delete;

    ForwardingEvents& events() { return events_; }

    // The row of a node, or null when the tree has no such key.
    QTreeWidgetItem* item(const std::string& key) const {
        for (QTreeWidgetItemIterator it(window_.tree().widget()); *it != nullptr; ++it) {
            auto* keyed = static_cast<platform::qt::KeyedTreeItem*>(*it);
            if (keyed->key() == key) return keyed;
        }
        return nullptr;
    }

    // Opens the node with the tree's own expand, as a click on its expand mark
    // does, and lets the expand event reach the handler. True when it did.
    bool expand(const std::string& key) {
        QTreeWidgetItem* row = item(key);
        if (row == nullptr) return false;
        const auto before = events_.expansions.size();
        window_.tree().widget()->collapseItem(row);
        window_.tree().widget()->expandItem(row);
        QApplication::processEvents();
        return events_.expansions.size() > before && events_.expansions.back() == key;
    }

    // Clicks the node's text with the left mouse button: its parents are
    // opened and the row scrolled into view first, as a user would have to.
    // True when the node-click event for this key reached the handler.
    bool click(const std::string& key) {
        QTreeWidgetItem* row = item(key);
        if (row == nullptr) return false;
        QTreeWidget* tree = window_.tree().widget();
        for (QTreeWidgetItem* up = row->parent(); up != nullptr; up = up->parent())
            if (!up->isExpanded()) tree->expandItem(up);
        QApplication::processEvents();
        row = item(key);  // an expansion may have rebuilt the rows
        if (row == nullptr) return false;
        tree->scrollToItem(row);
        const QRect rect = tree->visualItemRect(row);
        if (!rect.isValid() || !tree->viewport()->rect().contains(rect.center())) return false;

        const QPointF at(rect.center());
        const QPointF global(tree->viewport()->mapToGlobal(rect.center()));
        const auto before = events_.clicks.size();
        QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(tree->viewport(), &press);
        QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(tree->viewport(), &release);
        QApplication::processEvents();
        return events_.clicks.size() == before + 1 && events_.clicks.back() == key;
    }

private:
    platform::qt::QtForm& window_;
    platform::FormEvents& handlers_;
    ForwardingEvents events_;
};

}  // namespace qinghe::test
