// The real qinghe-tv started many times at once: one window stays, every
// other start ends by itself at once; and an instance that was killed does
// not keep the next start from running. Each test gives the programs a
// private runtime directory, where the running instance keeps its lock.
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <sys/types.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

extern char** environ;

namespace qinghe::test {
namespace {

using namespace std::chrono_literals;

const std::string program = QINGHE_TEST_BINARY_DIR "/qinghe-tv";

// How long a start may take on a loaded machine before the test gives up
// waiting; only a bound, so that a fault ends the test instead of hanging it.
constexpr auto patience = 180s;

struct Exit {
    bool ended = false;
    bool by_itself = false;  // exited rather than killed by a signal
    int status = -1;
};

class SingleInstance : public testing::Test {
protected:
    ~SingleInstance() override {
        for (pid_t pid : running_) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    }

    std::string lock_file() const { return (runtime_.path() / "qinghe-tv.lock").string(); }

    // Starts qinghe-tv with the private runtime directory; its output goes to
    // a log of its own.
    pid_t start() {
        std::vector<std::string> variables;
        for (char** v = environ; *v != nullptr; ++v)
            if (std::string(*v).rfind("XDG_RUNTIME_DIR=", 0) != 0) variables.emplace_back(*v);
        variables.push_back("XDG_RUNTIME_DIR=" + runtime_.path().string());
        // How a copy ends is the point here, and in a sanitizer build the same
        // leak at exit would change a clean exit's status.
        if (std::getenv("ASAN_OPTIONS") == nullptr) variables.push_back("ASAN_OPTIONS=detect_leaks=0");
        std::vector<char*> envp;
        for (std::string& v : variables) envp.push_back(v.data());
        envp.push_back(nullptr);

        const std::string log = (logs_.path() / ("start-" + std::to_string(starts_++) + ".log")).string();
        posix_spawn_file_actions_t files;
        posix_spawn_file_actions_init(&files);
        posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_adddup2(&files, STDOUT_FILENO, STDERR_FILENO);
        std::string name = program;
        char* argv[] = {name.data(), nullptr};
        pid_t pid = -1;
        const int rc = posix_spawn(&pid, program.c_str(), &files, nullptr, argv, envp.data());
        posix_spawn_file_actions_destroy(&files);
        if (rc != 0) {
            ADD_FAILURE() << "cannot start " << program << ": " << rc;
            return -1;
        }
        running_.push_back(pid);
        return pid;
    }

    // Whether the process has ended, without waiting for it.
    Exit poll(pid_t pid) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) != pid) return {};
        forget(pid);
        return {true, WIFEXITED(status), WIFEXITED(status) ? WEXITSTATUS(status) : -1};
    }

    Exit wait_for_exit(pid_t pid) {
        const auto deadline = std::chrono::steady_clock::now() + patience;
        while (std::chrono::steady_clock::now() < deadline) {
            const Exit e = poll(pid);
            if (e.ended) return e;
            std::this_thread::sleep_for(50ms);
        }
        return {};
    }

    void kill_and_reap(pid_t pid, int signal) {
        ::kill(pid, signal);
        ::waitpid(pid, nullptr, 0);
        forget(pid);
    }

    // The process id written in the lock file, or -1 while there is none.
    pid_t lock_holder() const {
        std::ifstream in(lock_file());
        long pid = -1;
        if (!(in >> pid)) return -1;
        return static_cast<pid_t>(pid);
    }

    // Waits until the lock file names pid; false when pid ended first.
    bool wait_for_lock(pid_t pid) {
        const auto deadline = std::chrono::steady_clock::now() + patience;
        while (std::chrono::steady_clock::now() < deadline) {
            if (lock_holder() == pid) return true;
            if (poll(pid).ended) return false;
            std::this_thread::sleep_for(50ms);
        }
        return false;
    }

    // Top-level windows on the display with the program's caption, as the X
    // server lists them; -1 when the list cannot be had.
    static int program_windows() {
        FILE* list = ::popen("xwininfo -root -tree 2>/dev/null", "r");
        if (list == nullptr) return -1;
        std::string text;
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, list)) > 0;) text.append(buffer, n);
        if (::pclose(list) != 0) return -1;
        const std::string window = "\"青禾网络电视\": (\"qinghe-tv\"";
        int count = 0;
        for (std::size_t at = text.find(window); at != std::string::npos; at = text.find(window, at + 1)) ++count;
        return count;
    }

    // Waits until the display shows that many windows of the program; the
    // number it shows in the end.
    static int wait_for_windows(int expected) {
        const auto deadline = std::chrono::steady_clock::now() + patience;
        int windows = program_windows();
        while (windows != expected && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(100ms);
            windows = program_windows();
        }
        return windows;
    }

    std::string logs() const {
        std::ostringstream all;
        for (int i = 0; i < starts_; ++i) {
            std::ifstream in(logs_.path() / ("start-" + std::to_string(i) + ".log"));
            all << "--- start " << i << ":\n" << in.rdbuf() << "\n";
        }
        return all.str();
    }

private:
    void forget(pid_t pid) { std::erase(running_, pid); }

    TempDir runtime_;
    TempDir logs_;
    int starts_ = 0;
    std::vector<pid_t> running_;
};

TEST_F(SingleInstance, TenStartsAtOnceLeaveExactlyOneRunning) {
    constexpr int starts = 10;
    std::vector<pid_t> pids;
    for (int i = 0; i < starts; ++i) pids.push_back(start());
    ASSERT_EQ(std::count(pids.begin(), pids.end(), -1), 0);

    // Nine end by themselves, with status 0; one keeps running.
    std::vector<pid_t> alive = pids;
    int clean_exits = 0;
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (alive.size() > 1 && std::chrono::steady_clock::now() < deadline) {
        for (auto it = alive.begin(); it != alive.end();) {
            const Exit e = poll(*it);
            if (!e.ended) {
                ++it;
                continue;
            }
            EXPECT_TRUE(e.by_itself && e.status == 0)
                << "start " << *it << " ended with status " << e.status << (e.by_itself ? "" : " (killed)");
            clean_exits += e.by_itself && e.status == 0 ? 1 : 0;
            it = alive.erase(it);
        }
        std::this_thread::sleep_for(50ms);
    }
    ASSERT_EQ(alive.size(), 1U) << logs();
    EXPECT_EQ(clean_exits, starts - 1) << logs();

    // The one left is the instance that holds the lock, and it is running.
    const pid_t survivor = alive.front();
    EXPECT_TRUE(wait_for_lock(survivor)) << logs();
    EXPECT_EQ(wait_for_windows(1), 1) << logs();
    EXPECT_FALSE(poll(survivor).ended) << logs();

    // A further start still ends at once while it runs.
    const Exit late = wait_for_exit(start());
    EXPECT_TRUE(late.ended && late.by_itself && late.status == 0) << logs();
    EXPECT_FALSE(poll(survivor).ended) << logs();
    EXPECT_EQ(program_windows(), 1);
    kill_and_reap(survivor, SIGTERM);
}

TEST_F(SingleInstance, AKilledInstanceDoesNotBlockTheNextStart) {
    const pid_t first = start();
    ASSERT_TRUE(wait_for_lock(first)) << "the first instance never took the lock\n" << logs();
    kill_and_reap(first, SIGKILL);
    // Its lock file is left behind, naming a process that is gone; its window
    // goes with it.
    ASSERT_EQ(lock_holder(), first);
    ASSERT_EQ(wait_for_windows(0), 0);

    const pid_t second = start();
    ASSERT_TRUE(wait_for_lock(second)) << "the start after a killed instance did not run\n" << logs();
    EXPECT_EQ(wait_for_windows(1), 1) << logs();
    EXPECT_FALSE(poll(second).ended);

    // And the lock it took keeps a third start out.
    const Exit third = wait_for_exit(start());
    EXPECT_TRUE(third.ended && third.by_itself && third.status == 0) << logs();
    EXPECT_FALSE(poll(second).ended) << logs();
    kill_and_reap(second, SIGTERM);
}

}  // namespace
}  // namespace qinghe::test
