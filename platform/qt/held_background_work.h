#pragma once

#include "platform/background_work.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <optional>

namespace qinghe::platform::qt {

// BackgroundWork that keeps the work it is given until it is released,
// then hands the latest of it to the worker behind it; from then on work
// goes straight through. Work held for longest_hold is released by itself,
// so nothing waits for ever on a release that never comes.
//
// The window holds its search-index build this way until its tree has
// first been painted: on a machine of few cores the build would otherwise
// compete with the window's first paint.
class HeldBackgroundWork final : public QObject, public BackgroundWork {
public:
    HeldBackgroundWork(BackgroundWork& worker, std::chrono::milliseconds longest_hold);

    void run(std::function<void(Connection&)> work, std::function<void()> done) override;
    // Drops the work held, if any, and stops the worker's.
    void stop() noexcept override;
    void release();

private:
    struct Held {
        std::function<void(Connection&)> work;
        std::function<void()> done;
    };

    BackgroundWork& worker_;
    QTimer longest_hold_;
    std::optional<Held> held_;
    bool released_ = false;
};

}  // namespace qinghe::platform::qt
