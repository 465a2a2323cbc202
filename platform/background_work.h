#pragma once

#include "platform/data_access.h"

#include <functional>

namespace qinghe::platform {

// Catalogue work done away from the window's thread, so the window keeps
// painting and taking input while a long statement runs.
//
// One piece of work runs at a time, on a worker with a catalogue connection
// of its own (created unopened; the work opens it when it needs to). When
// the work has finished, its `done` runs on the window's thread. Work given
// while earlier work waits or runs supersedes it: the earlier statement is
// interrupted and its `done` never runs.
class BackgroundWork {
public:
    virtual ~BackgroundWork() = default;
    virtual void run(std::function<void(Connection&)> work, std::function<void()> done) = 0;
    // Interrupts what runs and drops what waits; no `done` runs afterwards.
    // Does not wait for the worker.
    virtual void stop() noexcept = 0;
};

}  // namespace qinghe::platform
