#pragma once

#include "platform/background_work.h"

#include <QObject>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace qinghe::platform::qt {

// How a QtBackgroundWork's worker runs.
struct WorkerOptions {
    // After each piece of work, the memory it freed goes back to the
    // system (for work that builds large data and keeps only part of it).
    bool return_freed_memory = false;
    // The worker runs at the lowest CPU priority (nice 19), so that it
    // takes only the time nothing else wants: for work nobody waits for,
    // which must not delay the window's own, such as its first paint.
    bool lowest_priority = false;
};

// BackgroundWork on one worker thread. `done` comes back through the Qt
// event loop of the thread that built the object (the window's thread).
// Destroying the object interrupts the running work and waits for the
// worker to end; nothing is delivered after that.
class QtBackgroundWork final : public QObject, public BackgroundWork {
public:
    // make_connection builds the worker's connection, unopened; it is called
    // on the worker, once, when the first work arrives.
    explicit QtBackgroundWork(std::function<std::unique_ptr<Connection>()> make_connection, WorkerOptions options = {});
    ~QtBackgroundWork() override;
    QtBackgroundWork(const QtBackgroundWork&) = delete;
    QtBackgroundWork& operator=(const QtBackgroundWork&) = delete;

    void run(std::function<void(Connection&)> work, std::function<void()> done) override;
    void stop() noexcept override;

private:
    struct Job {
        std::function<void(Connection&)> work;
        std::function<void()> done;
        std::uint64_t generation;
    };

    void worker_loop();
    // Under mutex_: stops the work that runs now, if any.
    void interrupt_running() noexcept;
    void deliver(std::uint64_t generation, std::function<void()> done);

    std::function<std::unique_ptr<Connection>()> make_connection_;
    WorkerOptions options_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<Job> waiting_;
    // Raised by every run() and stop(): a job delivers only while it is the
    // latest. Read on the window's thread, written under mutex_.
    std::uint64_t generation_ = 0;
    bool running_ = false;
    bool quitting_ = false;
    // Created and used by the worker; interrupted under mutex_ from the
    // window's thread.
    std::unique_ptr<Connection> connection_;
    std::thread worker_;
};

}  // namespace qinghe::platform::qt
