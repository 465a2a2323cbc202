#include "platform/qt/qt_background_work.h"

#include <QMetaObject>

#include <sys/resource.h>
#include <malloc.h>
#include <unistd.h>

#include <utility>

namespace qinghe::platform::qt {

namespace {
constexpr int lowest_nice = 19;
}  // namespace

QtBackgroundWork::QtBackgroundWork(std::function<std::unique_ptr<Connection>()> make_connection, WorkerOptions options)
    : make_connection_(std::move(make_connection)), options_(options), worker_([this] { worker_loop(); }) {}

QtBackgroundWork::~QtBackgroundWork() {
    {
        const std::lock_guard lock(mutex_);
        quitting_ = true;
        ++generation_;
        waiting_.reset();
        interrupt_running();
    }
    wake_.notify_all();
    worker_.join();
}

void QtBackgroundWork::run(std::function<void(Connection&)> work, std::function<void()> done) {
    {
        const std::lock_guard lock(mutex_);
        ++generation_;
        waiting_ = Job{std::move(work), std::move(done), generation_};
        interrupt_running();
    }
    wake_.notify_all();
}

void QtBackgroundWork::stop() noexcept {
    const std::lock_guard lock(mutex_);
    ++generation_;
    waiting_.reset();
    interrupt_running();
}

void QtBackgroundWork::interrupt_running() noexcept {
    if (running_ && connection_) connection_->interrupt();
}

void QtBackgroundWork::worker_loop() {
    // On Linux a nice value set for a thread's own id holds for that thread
    // alone. Without the right to lower it, the worker runs as it is.
    if (options_.lowest_priority) setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), lowest_nice);
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return quitting_ || waiting_.has_value(); });
            if (quitting_) return;
            job = std::move(*waiting_);
            waiting_.reset();
            running_ = true;
            // An interruption meant for earlier work ends here.
            if (connection_) connection_->resume();
        }
        if (!connection_) {
            std::unique_ptr<Connection> made;
            try {
                made = make_connection_();
            } catch (...) {}
            const std::lock_guard lock(mutex_);
            connection_ = std::move(made);
            // Superseded while the connection was being made.
            if (connection_ && job.generation != generation_) connection_->interrupt();
        }
        if (connection_) {
            try {
                job.work(*connection_);
            } catch (...) {
                // The work's own steps decide what a failure shows.
            }
        }
        // The allocator keeps what a thread frees for that thread's next
        // allocations; a large build done, it is handed back.
        if (options_.return_freed_memory) malloc_trim(0);
        const std::lock_guard lock(mutex_);
        running_ = false;
        if (job.generation == generation_ && !quitting_) deliver(job.generation, std::move(job.done));
    }
}

void QtBackgroundWork::deliver(std::uint64_t generation, std::function<void()> done) {
    // Queued to this object: dropped with it if it goes first.
    QMetaObject::invokeMethod(
        this,
        [this, generation, done = std::move(done)] {
            std::uint64_t latest = 0;
            {
                const std::lock_guard lock(mutex_);
                latest = generation_;
            }
            if (generation == latest && done) done();
        },
        Qt::QueuedConnection);
}

}  // namespace qinghe::platform::qt
