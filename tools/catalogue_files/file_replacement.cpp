#include "tools/catalogue_files/file_replacement.h"

#include <atomic>
#include <cerrno>
#include <stdexcept>
#include <string>
#include <system_error>

#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

namespace qinghe::catalogue_files::detail {
namespace {

namespace fs = std::filesystem;

std::string errno_text(int error) {
    return std::generic_category().message(error);
}

const char* kind_of(mode_t mode) {
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    return "not a regular file";
}

}  // namespace

// Reserves a fresh name beside the destination by creating an empty file
// exclusively; SQLite treats an empty file as a new database.
fs::path create_temp_file(const fs::path& destination) {
    const fs::path dir = destination.has_parent_path() ? destination.parent_path() : fs::path(".");
    std::string stem = ".";
    stem += destination.filename().string();
    stem += ".tmp-";
    stem += std::to_string(getpid());
    stem += '-';
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const fs::path candidate = dir / (stem + std::to_string(counter++));
        const int fd = ::open(candidate.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return candidate;
        }
        if (errno != EEXIST)
            throw std::runtime_error("cannot create a temporary file in " + dir.string() + ": " + errno_text(errno));
    }
    throw std::runtime_error("cannot find a free temporary file name in " + dir.string());
}

// Flushes a file (or directory) to disk so that a rename never exposes a
// file whose contents are still only in the page cache.
void sync_path(const fs::path& path, bool required) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (required) throw std::runtime_error("cannot open " + path.string() + " to flush it: " + errno_text(errno));
        return;
    }
    const int rc = ::fsync(fd);
    const int error = errno;
    ::close(fd);
    if (rc != 0 && required) throw std::runtime_error("cannot flush " + path.string() + ": " + errno_text(error));
}

// Only a regular file, or nothing, may be replaced by a new catalogue; a
// symbolic link counts as what it points to. Anything else at the
// destination (a device, a FIFO, a directory) is refused and left as it is.
void check_replaceable(const fs::path& destination) {
    struct stat st {};
    if (::lstat(destination.c_str(), &st) != 0) {
        if (errno == ENOENT) return;
        throw std::runtime_error("cannot examine " + destination.string() + ": " + errno_text(errno));
    }
    if (S_ISLNK(st.st_mode) && ::stat(destination.c_str(), &st) != 0) {
        if (errno == ENOENT) return;  // a dangling link is replaced, as a missing file
        throw std::runtime_error("cannot examine " + destination.string() + ": " + errno_text(errno));
    }
    if (!S_ISREG(st.st_mode)) {
        throw std::runtime_error(destination.string() + " is " + kind_of(st.st_mode) +
                                 ", not a regular file; it is left as it is");
    }
}

void move_into_place(const fs::path& temp, const fs::path& destination) {
    sync_path(temp, true);
    // Whatever took the destination's place meanwhile is not replaced either.
    check_replaceable(destination);
    std::error_code ec;
    fs::rename(temp, destination, ec);
    if (ec) {
        throw std::runtime_error("cannot move the new catalogue into place as " + destination.string() + ": " +
                                 ec.message());
    }
    sync_path(destination.has_parent_path() ? destination.parent_path() : fs::path("."), false);
}

}  // namespace qinghe::catalogue_files::detail
