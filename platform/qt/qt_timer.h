#pragma once

#include "platform/timer.h"

#include <QTimer>

#include <functional>

namespace qinghe::platform::qt {

// Timer1 fills the tree once, soon after start-up; Timer2 moves the ad
// labels one step.
inline constexpr int timer1_interval_ms = 10;
inline constexpr int timer2_interval_ms = 200;

// Timer1 / Timer2 over a QTimer. Enabled is the control's own setting; the
// timer counts only once the window has armed it with start(), so no tick
// arrives before the window's load has finished. Given a window, the QTimer
// is its child of that name (the window outlives it).
class QtTimer final : public Timer {
public:
    QtTimer(int interval_ms, bool enabled, std::function<void()> on_tick, QObject* window = nullptr,
            const QString& name = {});

    // Lets the timer run from now on whenever it is enabled.
    void start();

    bool enabled() const override { return enabled_; }
    void set_enabled(bool enabled) override;

private:
    void apply();

    QTimer timer_;
    std::function<void()> on_tick_;
    bool enabled_;
    bool started_ = false;
};

}  // namespace qinghe::platform::qt
