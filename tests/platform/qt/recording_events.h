#pragma once

#include "platform/form_events.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <functional>
#include <string>
#include <vector>

namespace qinghe::test {

// A window event sink that writes down every event as "Name" or
// "Name:argument" and can run a hook for the resize event and the tree
// events.
class RecordingEvents : public platform::FormEvents {
public:
    std::vector<std::string> log;
    std::function<void()> on_resize;
    std::function<void()> on_unload;
    std::function<void()> on_timer1;
    std::function<void(const std::string&)> on_node_click;

    void Form_Resize() override {
        log.push_back("Form_Resize");
        if (on_resize) on_resize();
    }
    void Form_Unload() override {
        log.push_back("Form_Unload");
        if (on_unload) on_unload();
    }
    void Timer1_Timer() override {
        log.push_back("Timer1_Timer");
        if (on_timer1) on_timer1();
    }
    void Timer2_Timer() override { log.push_back("Timer2_Timer"); }
    void Tv1_Expand(const std::string& key) override { log.push_back("Tv1_Expand:" + key); }
    void Tv1_NodeClick(const std::string& key) override {
        log.push_back("Tv1_NodeClick:" + key);
        if (on_node_click) on_node_click(key);
    }
    void Command1_Click() override { log.push_back("Command1_Click"); }
    void Label3_Click(int index) override { log.push_back("Label3_Click:" + std::to_string(index)); }

    int count(const std::string& entry) const {
        int n = 0;
        for (const auto& e : log) n += e == entry ? 1 : 0;
        return n;
    }
};

// Runs the event loop until the condition holds or a generous bound passes;
// returns the condition. The bound only keeps a broken build from hanging.
inline bool process_until(const std::function<bool()>& condition, int bound_ms = 30000) {
    QDeadlineTimer deadline(bound_ms);
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

}  // namespace qinghe::test
