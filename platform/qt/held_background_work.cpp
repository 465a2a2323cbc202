#include "platform/qt/held_background_work.h"

#include <utility>

namespace qinghe::platform::qt {

HeldBackgroundWork::HeldBackgroundWork(BackgroundWork& worker, std::chrono::milliseconds longest_hold)
    : worker_(worker) {
    longest_hold_.setSingleShot(true);
    longest_hold_.setInterval(longest_hold);
    connect(&longest_hold_, &QTimer::timeout, this, &HeldBackgroundWork::release);
}

void HeldBackgroundWork::run(std::function<void(Connection&)> work, std::function<void()> done) {
    if (released_) {
        worker_.run(std::move(work), std::move(done));
        return;
    }
    // Newer work replaces what is held, as it would supersede it on the worker.
    held_ = Held{std::move(work), std::move(done)};
    if (!longest_hold_.isActive()) longest_hold_.start();
}

void HeldBackgroundWork::stop() noexcept {
    held_.reset();
    worker_.stop();
}

void HeldBackgroundWork::release() {
    released_ = true;
    longest_hold_.stop();
    if (!held_) return;
    Held held = std::move(*held_);
    held_.reset();
    worker_.run(std::move(held.work), std::move(held.done));
}

}  // namespace qinghe::platform::qt
