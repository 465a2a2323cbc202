#include "platform/jet/reader_program.h"

#include "platform/base/error.h"
#include "platform/base/owned_fd.h"
#include "platform/jet/reader_frames.h"

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

namespace qinghe::jet {

namespace {

[[noreturn]] void cannot_start(const std::string& why) {
    throw platform::PlatformError(std::string("the Jet reader ") + reader_program + " cannot be started: " + why);
}

std::string errno_text(int error) {
    return std::generic_category().message(error);
}

struct SetDirectory {
    std::mutex lock;
    std::string directory;
};

SetDirectory& set_directory() {
    static SetDirectory set;
    return set;
}

// Where the reader may be, in the order reader_path() looks.
std::vector<std::filesystem::path> places() {
    std::vector<std::filesystem::path> dirs;
    {
        SetDirectory& set = set_directory();
        const std::lock_guard hold(set.lock);
        if (!set.directory.empty()) dirs.emplace_back(set.directory);
    }
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        dirs.push_back(self.parent_path());
        // QINGHE_PROGRAM_DIR_FROM_BIN, set by the build: where the installed
        // layout puts the reader, from the bin/ directory of an installed
        // qinghe-catalogue.
        dirs.push_back((self.parent_path() / QINGHE_PROGRAM_DIR_FROM_BIN).lexically_normal());
    }
    return dirs;
}

// A copy of fd numbered above the reader's fixed descriptors, so that placing
// one of them cannot close the other's source.
int copy_above_fixed(int fd) {
    const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 10);
    if (copy < 0) cannot_start(errno_text(errno));
    return copy;
}

// One of posix_spawn's objects, made by init and undone by destroy when it
// goes; check fails the start on any error a call on it gives.
template <class Object, int (*init)(Object*), int (*destroy)(Object*)>
class SpawnObject {
public:
    SpawnObject() { check(init(&object_)); }
    ~SpawnObject() { destroy(&object_); }
    SpawnObject(const SpawnObject&) = delete;
    SpawnObject& operator=(const SpawnObject&) = delete;
    void check(int error) {
        if (error != 0) cannot_start(errno_text(error));
    }
    Object* get() { return &object_; }

private:
    Object object_;
};

using FileActions =
    SpawnObject<posix_spawn_file_actions_t, posix_spawn_file_actions_init, posix_spawn_file_actions_destroy>;
using Attributes = SpawnObject<posix_spawnattr_t, posix_spawnattr_init, posix_spawnattr_destroy>;

}  // namespace

std::string set_reader_directory(std::string directory) {
    SetDirectory& set = set_directory();
    const std::lock_guard hold(set.lock);
    return std::exchange(set.directory, std::move(directory));
}

std::string reader_path() {
    std::string looked;
    for (const std::filesystem::path& dir : places()) {
        const std::filesystem::path candidate = dir / reader_program;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate.string();
        looked += (looked.empty() ? "" : ", ") + dir.string();
    }
    cannot_start(looked.empty() ? "this program cannot tell where it is" : "it is in none of " + looked);
}

pid_t start_reader(int file_fd, int pipe_fd, std::span<const std::string_view> tables) {
    const std::string path = reader_path();
    const platform::OwnedFd file(copy_above_fixed(file_fd));
    const platform::OwnedFd pipe(copy_above_fixed(pipe_fd));

    FileActions actions;
    actions.check(posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0));
    actions.check(posix_spawn_file_actions_addopen(actions.get(), STDOUT_FILENO, "/dev/null", O_WRONLY, 0));
    actions.check(posix_spawn_file_actions_addopen(actions.get(), STDERR_FILENO, "/dev/null", O_WRONLY, 0));
    actions.check(posix_spawn_file_actions_adddup2(actions.get(), file.get(), reader_file_fd));
    actions.check(posix_spawn_file_actions_adddup2(actions.get(), pipe.get(), reader_pipe_fd));
    actions.check(posix_spawn_file_actions_addclosefrom_np(actions.get(), reader_pipe_fd + 1));

    // Nothing blocked and nothing ignored, whatever this thread and process
    // set for themselves.
    Attributes attributes;
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(attributes.get(), &none);
    posix_spawnattr_setsigdefault(attributes.get(), &all);
    posix_spawnattr_setflags(attributes.get(), POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::vector<std::string> words{reader_program};
    for (const std::string_view table : tables) words.emplace_back(table);
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    // libmdb reads settings from the environment (its character set,
    // options, debugging): the reader gets none.
    char* no_environment[] = {nullptr};

    pid_t pid = -1;
    if (const int error = posix_spawn(&pid, path.c_str(), actions.get(), attributes.get(), argv.data(), no_environment))
        cannot_start(errno_text(error));
    return pid;
}

}  // namespace qinghe::jet
