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

private:
    int fd_;
};

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
        Result result = Result::unusable;
        if (try_once(result) == Step::done) return result;
    }
    return give_up("the lock path keeps changing");
}

InstanceLock::Step InstanceLock::try_once(Result& result) {
    const char* path = path_.c_str();
    struct stat found {};
    const bool exists = ::lstat(path, &found) == 0;
    if (!exists && errno != ENOENT) {
        result = give_up("cannot examine the lock path: " + error_text(errno));
        return Step::done;
    }
    if (exists) {
        if (S_ISLNK(found.st_mode)) {
            result = give_up("the lock path is a symbolic link, left as it is");
            return Step::done;
        }
        if (found.st_uid != ::geteuid()) {
            result = give_up("the lock path belongs to another user, left as it is");
            return Step::done;
        }
        if (!S_ISREG(found.st_mode)) {
            // Never opened: a FIFO or a device could block or act on an open.
            if ((S_ISDIR(found.st_mode) ? ::rmdir(path) : ::unlink(path)) != 0 && errno != ENOENT) {
                result = give_up(std::string("cannot remove the ") + kind_of(found.st_mode) +
                                 " at the lock path: " + error_text(errno));
                return Step::done;
            }
            return Step::retry;
        }
    }

    FileDescriptor fd(::open(path, O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0600));
    if (fd.get() < 0) {
        const int open_error = errno;
        if (exists && (open_error == EACCES || open_error == EPERM)) {
            // A file of ours that cannot be opened (no permission, immutable)
            // is stale: replace it, provided it is still the one examined.
            struct stat again {};
            if (::lstat(path, &again) != 0 || !same_file(found, again)) return Step::retry;
            if (::unlink(path) == 0 || errno == ENOENT) return Step::retry;
            result = give_up("the lock file can be neither opened nor replaced: " + error_text(open_error));
            return Step::done;
        }
        // Something other than a file took the path meanwhile.
        if (open_error == ELOOP || open_error == EISDIR || open_error == ENXIO) return Step::retry;
        result = give_up("cannot open the lock file: " + error_text(open_error));
        return Step::done;
    }

    struct stat opened {};
    if (::fstat(fd.get(), &opened) != 0 || !S_ISREG(opened.st_mode)) return Step::retry;
    if (opened.st_uid != ::geteuid()) {
        result = give_up("the lock file belongs to another user, left as it is");
        return Step::done;
    }
    if (opened.st_nlink != 1) {
        // A file with other names is someone's data, not a lock: take the
        // lock's name away from it and start a fresh lock file.
        if (::unlink(path) != 0 && errno != ENOENT) {
            result = give_up("cannot replace a lock file with other names: " + error_text(errno));
            return Step::done;
        }
        return Step::retry;
    }

    struct flock whole {};
    whole.l_type = F_WRLCK;
    whole.l_whence = SEEK_SET;
    if (::fcntl(fd.get(), F_OFD_SETLK, &whole) != 0) {
        if (errno == EAGAIN || errno == EACCES) {
            result = Result::another_instance;
            return Step::done;
        }
        // A file system without locks: only the process id can tell.
        if (names_running_instance(fd.get())) {
            result = Result::another_instance;
            return Step::done;
        }
    } else {
        // The lock counts only on the file that is at the path now.
        struct stat now {};
        if (::lstat(path, &now) != 0 || !same_file(now, opened)) return Step::retry;
        // An instance that does not lock this way (an older build).
        if (names_running_instance(fd.get())) {
            result = Result::another_instance;
            return Step::done;
        }
    }
    // The lock is what keeps others out; the process id only helps where
    // there are no locks, so a full disk does not undo the lock.
    write_pid(fd.get());
    fd_ = fd.release();
    result = Result::taken;
    return Step::done;
}

}  // namespace qinghe::platform::posix
