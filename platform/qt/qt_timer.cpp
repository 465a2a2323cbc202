#include "platform/qt/qt_timer.h"

#include "platform/base/error.h"

#include <utility>

namespace qinghe::platform::qt {

QtTimer::QtTimer(int interval_ms, bool enabled, std::function<void()> on_tick, QObject* window, const QString& name)
    : timer_(window), on_tick_(std::move(on_tick)), enabled_(enabled) {
    if (interval_ms < 0) throw PlatformError("negative timer interval");
    timer_.setObjectName(name);
    timer_.setInterval(interval_ms);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
        if (on_tick_) on_tick_();
    });
}

void QtTimer::start() {
    started_ = true;
    apply();
}

void QtTimer::set_enabled(bool enabled) {
    enabled_ = enabled;
    apply();
}

void QtTimer::apply() {
    const bool run = started_ && enabled_;
    // Enabling a timer that already runs keeps its count going.
    if (run && !timer_.isActive()) timer_.start();
    if (!run) timer_.stop();
}

}  // namespace qinghe::platform::qt
