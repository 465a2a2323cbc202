#pragma once

#include <string>

namespace qinghe::platform::posix {

// The single-instance lock: a regular file that the running instance holds an
// open-file-description lock on (fcntl F_OFD_SETLK) for as long as it runs,
// with its process id written in it.
//
// Only a running instance turns a start away: the lock held by someone, or,
// where the file system has no locks, a live process named in the file whose
// executable is this program's. Anything else at the path is stale: an empty
// or unreadable file, a pid that has ended or was reused by another program,
// a directory (when empty), a FIFO, a socket or a device is replaced. What
// cannot be replaced (a symbolic link, which is never followed nor removed; a
// file of another user; an immutable file; a directory with files in it) is
// left as it is, and the program runs without the lock; reason() says why.
// Nothing at the path is ever opened in a way that can block.
class InstanceLock {
public:
    enum class Result {
        taken,             // this process holds the lock now
        another_instance,  // a running instance holds it
        unusable,          // nothing could be locked; see reason()
    };

    explicit InstanceLock(std::string path);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Takes the lock unless this object holds it already (then: taken).
    Result acquire();
    const std::string& path() const { return path_; }
    // Why the last acquire() was unusable.
    const std::string& reason() const { return reason_; }

    // "$XDG_RUNTIME_DIR/qinghe-tv.lock" when that names a directory of this
    // user's that only this user can write; otherwise "qinghe-tv-<uid>.lock"
    // in temp_dir, which acquire() ignores when another user owns it.
    static std::string default_path(const std::string& temp_dir);

private:
    Result give_up(std::string why);

    std::string path_;
    std::string reason_;
    int fd_ = -1;
};

}  // namespace qinghe::platform::posix
