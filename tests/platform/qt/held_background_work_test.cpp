// Work held until release: only the latest reaches the worker, once, and
// only when released, timed out or given after the release; a stop drops it.
#include "platform/qt/held_background_work.h"
#include "support/qt/form_fixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace qinghe::test {
namespace {

using platform::Connection;
using platform::qt::HeldBackgroundWork;

// A worker that keeps the done of every work it was given.
class RecordingWork final : public platform::BackgroundWork {
public:
    void run(std::function<void(Connection&)>, std::function<void()> done) override { given.push_back(done); }
    void stop() noexcept override { ++stops; }

    std::vector<std::function<void()>> given;
    int stops = 0;
};

struct HeldCase {
    const char* steps;  // r: run work, R: release, s: stop, w: wait past the longest hold
    std::vector<int> reached;  // which runs (counted from 0) reached the worker, in order
};

TEST(HeldBackgroundWork, HandsOnOnlyTheLatestWorkOnceReleased) {
    const HeldCase cases[] = {
        {"r", {}},        {"rR", {0}},     {"Rr", {0}},      {"rrR", {1}},        {"rRr", {0, 1}},
        {"rRR", {0}},     {"rsR", {}},     {"rsrR", {1}},    {"rw", {0}},         {"rwr", {0, 1}},
        {"rRw", {0}},
    };
    for (const HeldCase& c : cases) {
        RecordingWork worker;
        HeldBackgroundWork held(worker, std::chrono::milliseconds(20));
        std::vector<int> reached;
        int runs = 0;
        for (const char* step = c.steps; *step != 0; ++step) {
            if (*step == 'r') {
                const int n = runs++;
                held.run([](Connection&) {}, [&reached, n] { reached.push_back(n); });
            } else if (*step == 'R') {
                held.release();
            } else if (*step == 's') {
                held.stop();
            } else {
                FormFixture::wait_until([&] { return !worker.given.empty(); });
            }
        }
        for (const auto& done : worker.given) done();
        EXPECT_EQ(reached, c.reached) << c.steps;
    }
}

}  // namespace
}  // namespace qinghe::test
