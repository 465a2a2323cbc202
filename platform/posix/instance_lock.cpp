#include "platform/posix/instance_lock.h"

#include "platform/base/diagnostics.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstring>
#include <optional>
#include <utility>

#include <sys/stat.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

namespace qinghe::platform::posix {

namespace {

// How often the path may change under one start (another start replacing a
// stale file at the same moment) before this one gives up on it.
constexpr int max_attempts = 8;

std::string error_text(int error) {
    return std::strerror(error);
}

bool same_file(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

std::string without_deleted_mark(std::string link) {
    const std::string mark = " (deleted)";
    if (link.size() >= mark.size() && link.compare(link.size() - mark.size(), mark.size(), mark) == 0)
        link.resize(link.size() - mark.size());
    return link;
}

std::optional<std::string> read_link(const std::string& path) {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink(path.c_str(), buffer, sizeof buffer);
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof buffer) return std::nullopt;
    return std::string(buffer, static_cast<std::size_t>(n));
}

// Whether the live process pid runs this program: its executable is the
// same file as ours, or lies at the same path (ours was replaced on disk
// while it ran).
bool runs_this_program(pid_t pid) {
    const std::string theirs = "/proc/" + std::to_string(pid) + "/exe";
    struct stat their_file {};
    struct stat our_file {};
    if (::stat(theirs.c_str(), &their_file) == 0 && ::stat("/proc/self/exe", &our_file) == 0 &&
        same_file(their_file, our_file))
        return true;
    const auto their_path = read_link(theirs);
    const auto our_path = read_link("/proc/self/exe");
    return their_path && our_path && without_deleted_mark(*their_path) == without_deleted_mark(*our_path);
}

// The process id at the start of the file, or 0 when there is none.
pid_t pid_in(int fd) {
    char buffer[32];
    const ssize_t n = ::pread(fd, buffer, sizeof buffer, 0);
    if (n <= 0) return 0;
    const char* end = buffer + n;
    long long pid = 0;
    const auto [stop, error] = std::from_chars(buffer, end, pid);
    if (error != std::errc() || stop == buffer || pid <= 0 || pid > INT_MAX) return 0;
    return static_cast<pid_t>(pid);
}

// Whether the file names another process that is running this program.
bool names_running_instance(int fd) {
    const pid_t pid = pid_in(fd);
    if (pid == 0 || pid == ::getpid()) return false;
    if (::kill(pid, 0) != 0 && errno != EPERM) return false;
    return runs_this_program(pid);
}

void write_pid(int fd) {
    const std::string text = std::to_string(::getpid()) + "\n" + program_name + "\n";
    if (::ftruncate(fd, 0) != 0) return;
    const ssize_t written = ::pwrite(fd, text.data(), text.size(), 0);
    static_cast<void>(written);
}

const char* kind_of(mode_t mode) {
    if (S_ISDIR(mode)) return "directory";
    if (S_ISFIFO(mode)) return "FIFO";
    if (S_ISSOCK(mode)) return "socket";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "device";
    return "file";
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }
    void reset(int fd) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

// What one stage of a look at the lock path decided.
struct Verdict {
    enum class Kind { go_on, retry, another_instance, unusable } kind = Kind::go_on;
    std::string why;  // when unusable
};

Verdict retry() {
    return {Verdict::Kind::retry, {}};
}

Verdict unusable(std::string why) {
    return {Verdict::Kind::unusable, std::move(why)};
}

// What lies at the path: a regular file of this user's goes on to be
// opened; a directory, FIFO, socket or device is removed without being
// opened (one could block or act on an open); a symbolic link or another
// user's file is left as it is.
Verdict examine_path(const char* path, struct stat& found, bool& exists) {
    exists = ::lstat(path, &found) == 0;
    if (!exists) return errno == ENOENT ? Verdict{} : unusable("cannot examine the lock path: " + error_text(errno));
    if (S_ISLNK(found.st_mode)) return unusable("the lock path is a symbolic link, left as it is");
    if (found.st_uid != ::geteuid()) return unusable("the lock path belongs to another user, left as it is");
    if (S_ISREG(found.st_mode)) return {};
    if ((S_ISDIR(found.st_mode) ? ::rmdir(path) : ::unlink(path)) != 0 && errno != ENOENT)
        return unusable(std::string("cannot remove the ") + kind_of(found.st_mode) +
                        " at the lock path: " + error_text(errno));
    return retry();
}

// Opens (or creates) the file examined; a file of ours that cannot be
// opened (no permission, immutable) is stale and replaced, provided it is
// still the one examined.
Verdict open_lock_file(const char* path, bool exists, const struct stat& found, FileDescriptor& fd) {
    fd.reset(::open(path, O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0600));
    if (fd.get() >= 0) return {};
    const int open_error = errno;
    if (exists && (open_error == EACCES || open_error == EPERM)) {
        struct stat again {};
        if (::lstat(path, &again) != 0 || !same_file(found, again)) return retry();
        if (::unlink(path) == 0 || errno == ENOENT) return retry();
        return unusable("the lock file can be neither opened nor replaced: " + error_text(open_error));
    }
    // Something other than a file took the path meanwhile.
    if (open_error == ELOOP || open_error == EISDIR || open_error == ENXIO) return retry();
    return unusable("cannot open the lock file: " + error_text(open_error));
}

// Locks the opened file if it is a lock file of this user's that is still
// at the path and no running instance holds or names.
Verdict lock_opened_file(const char* path, int fd) {
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) return retry();
    if (opened.st_uid != ::geteuid()) return unusable("the lock file belongs to another user, left as it is");
    if (opened.st_nlink != 1) {
        // A file with other names is someone's data, not a lock: take the
        // lock's name away from it and start a fresh lock file.
        if (::unlink(path) != 0 && errno != ENOENT)
            return unusable("cannot replace a lock file with other names: " + error_text(errno));
        return retry();
    }
    struct flock whole {};
    whole.l_type = F_WRLCK;
    whole.l_whence = SEEK_SET;
    if (::fcntl(fd, F_OFD_SETLK, &whole) != 0) {
        if (errno == EAGAIN || errno == EACCES) return {Verdict::Kind::another_instance, {}};
        // A file system without locks: only the process id can tell.
    } else {
        // The lock counts only on the file that is at the path now.
        struct stat now {};
        if (::lstat(path, &now) != 0 || !same_file(now, opened)) return retry();
        // Otherwise an instance that does not lock this way (an older build)
        // is still found by its process id.
    }
    if (names_running_instance(fd)) return {Verdict::Kind::another_instance, {}};
    return {};
}

// One look at the path: the file locked and open in fd when it goes on.
Verdict look_at(const char* path, FileDescriptor& fd) {
    struct stat found {};
    bool exists = false;
    Verdict verdict = examine_path(path, found, exists);
    if (verdict.kind == Verdict::Kind::go_on) verdict = open_lock_file(path, exists, found, fd);
    if (verdict.kind == Verdict::Kind::go_on) verdict = lock_opened_file(path, fd.get());
    return verdict;
}

}  // namespace

InstanceLock::InstanceLock(std::string path) : path_(std::move(path)) {}

InstanceLock::~InstanceLock() {
    if (fd_ >= 0) ::close(fd_);
}

std::string InstanceLock::default_path(const std::string& temp_dir) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat st {};
    if (runtime != nullptr && runtime[0] == '/' && ::stat(runtime, &st) == 0 && S_ISDIR(st.st_mode) &&
        st.st_uid == ::geteuid() && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0)
        return std::string(runtime) + "/" + program_name + ".lock";
    // A directory others can write too: the name carries the user.
    return temp_dir + "/" + program_name + "-" + std::to_string(::geteuid()) + ".lock";
}

InstanceLock::Result InstanceLock::give_up(std::string why) {
    reason_ = std::move(why);
    return Result::unusable;
}

InstanceLock::Result InstanceLock::acquire() {
    if (fd_ >= 0) return Result::taken;
    reason_.clear();
    for (int attempt = 0; attempt < max_attempts; ++attempt) {
        FileDescriptor fd(-1);
        Verdict verdict = look_at(path_.c_str(), fd);
        switch (verdict.kind) {
        case Verdict::Kind::retry:
            continue;
        case Verdict::Kind::another_instance:
            return Result::another_instance;
        case Verdict::Kind::unusable:
            return give_up(std::move(verdict.why));
        case Verdict::Kind::go_on:
            break;
        }
        // The lock is what keeps others out; the process id only helps where
        // there are no locks, so a full disk does not undo the lock.
        write_pid(fd.get());
        fd_ = fd.release();
        return Result::taken;
    }
    return give_up("the lock path keeps changing");
}

}  // namespace qinghe::platform::posix
