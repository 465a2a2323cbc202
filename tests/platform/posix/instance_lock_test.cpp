// What may lie at the single-instance lock path, and what a start then does:
// only a running instance turns it away; anything stale is replaced; what
// cannot be replaced is left as it is and the program runs, saying why.
#include "platform/posix/instance_lock.h"
#include "platform/base/diagnostics.h"
#include "platform/qt/qt_diagnostics.h"
#include "platform/qt/qt_process.h"
#include "support/temp_dir.h"

#include <QFile>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <utility>

#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

namespace qinghe::platform::posix {
namespace {

namespace fs = std::filesystem;

// A process that runs until the test ends.
class Running {
public:
    // A copy of this test program.
    static Running this_program() {
        const pid_t child = ::fork();
        if (child == 0)
            for (;;) ::pause();
        return Running(child);
    }
    static Running other_program() {
        const char* argv[] = {"sleep", "600", nullptr};
        const pid_t child = ::fork();
        if (child == 0) {
            ::execvp("sleep", const_cast<char* const*>(argv));
            ::_exit(127);
        }
        return Running(child);
    }
    Running(Running&& other) noexcept : pid_(std::exchange(other.pid_, -1)) {}
    ~Running() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    pid_t pid() const { return pid_; }

private:
    explicit Running(pid_t pid) : pid_(pid) {}
    pid_t pid_;
};

void write_file(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// What an observer sees at a path: kind, owner, mode, and the contents of
// a file (or of a link's target).
std::string snapshot(const fs::path& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return "<nothing>";
    std::ostringstream out;
    out << (st.st_mode & S_IFMT) << ' ' << st.st_uid << ' ' << (st.st_mode & 07777) << ' ' << st.st_ino;
    if (S_ISLNK(st.st_mode)) out << " -> " << fs::read_symlink(path).string();
    std::error_code ec;
    if (fs::is_regular_file(path, ec)) {
        std::ifstream in(path, std::ios::binary);
        out << " [" << in.rdbuf() << "]";
    }
    if (fs::is_directory(path, ec))
        for (const auto& entry : fs::directory_iterator(path)) out << " " << entry.path().filename().string();
    return out.str();
}

bool set_immutable(const fs::path& path, bool on) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
    if (fd < 0) return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    ok = ok && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    ::close(fd);
    return ok;
}

struct Case {
    const char* what;
    // Puts something at the lock path; false when this machine cannot (the
    // case is then skipped).
    std::function<bool(const fs::path& lock, const fs::path& dir)> make;
    // What the start finds: another instance, or none.
    bool another_instance;
    // Whether the start takes the lock (a later start is turned away), or
    // leaves the path as it was and runs without it, saying why.
    bool takes_lock;
};

TEST(InstanceLockTest, OnlyARunningInstanceTurnsAStartAway) {
    const bool root = ::geteuid() == 0;
    const std::string name = program_name;
    std::optional<Running> other = Running::other_program();
    std::optional<Running> copy = Running::this_program();
    const auto file = [](std::string text) {
        return [text](const fs::path& lock, const fs::path&) {
            write_file(lock, text);
            return true;
        };
    };
    const Case cases[] = {
        {"no lock yet", [](const fs::path&, const fs::path&) { return true; }, false, true},
        {"an empty file", file(""), false, true},
        {"garbage", file("not a lock \xff\xfe\n\n"), false, true},
        {"pid 0", file("0\n" + name + "\nhost\n"), false, true},
        {"a negative pid", file("-1\n"), false, true},
        {"a huge pid", file("99999999999999999999\n"), false, true},
        {"the pid of another program", file(std::to_string(other->pid()) + "\n" + name + "\n"), false, true},
        {"the pid of this program", file(std::to_string(copy->pid()) + "\n" + name + "\n"), true, false},
        {"mode 000",
         [](const fs::path& lock, const fs::path&) {
             write_file(lock, "");
             return ::chmod(lock.c_str(), 0) == 0;
         },
         false, true},
        {"an empty directory", [](const fs::path& lock, const fs::path&) { return fs::create_directory(lock); }, false,
         true},
        {"a FIFO", [](const fs::path& lock, const fs::path&) { return ::mkfifo(lock.c_str(), 0600) == 0; }, false,
         true},
        {"a character device",
         [root](const fs::path& lock, const fs::path&) {
             return root && ::mknod(lock.c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0;
         },
         false, true},
        {"a socket",
         [](const fs::path& lock, const fs::path&) {
             const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
             sockaddr_un address{};
             address.sun_family = AF_UNIX;
             if (lock.string().size() >= sizeof address.sun_path) return false;
             lock.string().copy(address.sun_path, sizeof address.sun_path - 1);
             const bool ok = ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
             ::close(s);
             return ok;
         },
         false, true},
        {"a file with another name",
         [](const fs::path& lock, const fs::path& dir) {
             write_file(dir / "notes.txt", "the user's notes");
             fs::create_hard_link(dir / "notes.txt", lock);
             return true;
         },
         false, true},
        {"a directory with files in it",
         [](const fs::path& lock, const fs::path&) {
             fs::create_directory(lock);
             write_file(lock / "keep", "data");
             return true;
         },
         false, false},
        {"a symbolic link to another file",
         [](const fs::path& lock, const fs::path& dir) {
             write_file(dir / "target", "12\n");
             fs::create_symlink(dir / "target", lock);
             return true;
         },
         false, false},
        {"a symbolic link to a FIFO",
         [](const fs::path& lock, const fs::path& dir) {
             fs::create_symlink(dir / "fifo", lock);
             return ::mkfifo((dir / "fifo").c_str(), 0600) == 0;
         },
         false, false},
        {"a dangling symbolic link",
         [](const fs::path& lock, const fs::path& dir) {
             fs::create_symlink(dir / "nowhere", lock);
             return true;
         },
         false, false},
        {"another user's file",
         [root](const fs::path& lock, const fs::path&) {
             write_file(lock, "");
             return root && ::chown(lock.c_str(), 65534, 65534) == 0;
         },
         false, false},
        {"an immutable file",
         [](const fs::path& lock, const fs::path&) {
             write_file(lock, "");
             return set_immutable(lock, true);
         },
         false, false},
    };

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir dir;
        const fs::path lock = dir.path() / "qinghe-tv.lock";
        if (!c.make(lock, dir.path())) {
            std::cerr << "skipped on this machine: " << c.what << "\n";
            set_immutable(lock, false);
            continue;
        }
        const std::string before = snapshot(lock);
        const QString lock_file = QFile::decodeName(lock.c_str());

        // The warning goes through the program's logging to standard error.
        qt::QtDiagnostics diagnostics;
        testing::internal::CaptureStderr();
        qt::QtProcess first(lock_file);
        const bool another = first.previous_instance();
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(another, c.another_instance);
        if (!c.another_instance) {
            qt::QtProcess second(lock_file);
            testing::internal::CaptureStderr();
            EXPECT_EQ(second.previous_instance(), c.takes_lock) << "whether the start took the lock";
            testing::internal::GetCapturedStderr();
        }
        if (c.takes_lock || c.another_instance) {
            EXPECT_EQ(said, "");
        } else {
            EXPECT_EQ(snapshot(lock), before) << "left as it was";
            EXPECT_NE(said.find(lock.string()), std::string::npos) << "says why: " << said;
        }
        const fs::path notes = dir.path() / "notes.txt";
        if (fs::exists(notes)) {
            EXPECT_NE(snapshot(notes).find("[the user's notes]"), std::string::npos) << "its other name keeps its text";
        }
        set_immutable(lock, false);
    }
}

TEST(InstanceLockTest, TheDefaultLockIsThisUsersOwn) {
    const std::string uid = std::to_string(::geteuid());
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    const std::optional<std::string> restore = saved ? std::optional<std::string>(saved) : std::nullopt;
    test::TempDir own;
    test::TempDir shared;
    ::chmod(shared.path().c_str(), 01777);
    const std::string name = program_name;
    const std::string fallback = "/tmp/" + name + "-" + uid + ".lock";

    const struct {
        std::optional<std::string> runtime;
        std::string expected;
    } cases[] = {
        {own.path().string(), own.path().string() + "/" + name + ".lock"},
        {std::nullopt, fallback},
        {"", fallback},
        {"relative/dir", fallback},
        {shared.path().string(), fallback},
        {own.path().string() + "/missing", fallback},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.runtime.value_or("<unset>"));
        if (c.runtime)
            ::setenv("XDG_RUNTIME_DIR", c.runtime->c_str(), 1);
        else
            ::unsetenv("XDG_RUNTIME_DIR");
        EXPECT_EQ(InstanceLock::default_path("/tmp"), c.expected);
    }
    if (restore)
        ::setenv("XDG_RUNTIME_DIR", restore->c_str(), 1);
    else
        ::unsetenv("XDG_RUNTIME_DIR");
}

}  // namespace
}  // namespace qinghe::platform::posix
