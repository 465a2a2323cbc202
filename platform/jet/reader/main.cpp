// qinghe-jet-reader TABLE...: reads the named tables of the Jet file open at
// descriptor 3 with libmdb and sends them, framed, through the pipe at
// descriptor 4 (reader_frames.h). libmdb trusts the pages it reads, so the
// program runs it here, in a process of its own that it starts afresh:
// whatever libmdb meets ends this process, and only fails the read there.
#include "platform/base/error.h"
#include "platform/jet/jet_tables.h"
#include "platform/jet/reader/frame_writer.h"
#include "platform/jet/reader_frames.h"

#include <csignal>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include <sys/stat.h>
#include <fcntl.h>

namespace {

using namespace qinghe;

[[noreturn]] void fail(const std::string& what) {
    throw platform::PlatformError(what);
}

// The longest list of tables and the longest name taken: the program asks
// for a few short names.
constexpr int most_tables = 16;
constexpr std::size_t longest_name = 64;

bool is_table_name(std::string_view name) {
    if (name.empty() || name.size() > longest_name) return false;
    for (const char c : name)
        if (!(c == '_' || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) return false;
    return true;
}

std::vector<std::string_view> tables_named(int argc, char** argv) {
    if (argc < 1 || argc - 1 > most_tables) fail("the Jet reader was started with more tables than it reads");
    std::vector<std::string_view> tables;
    for (int i = 1; i < argc; ++i) {
        if (!is_table_name(argv[i])) fail("the Jet reader was started with a table name it cannot read");
        tables.emplace_back(argv[i]);
    }
    return tables;
}

bool is_pipe(int fd) {
    struct stat state {};
    return ::fstat(fd, &state) == 0 && S_ISFIFO(state.st_mode);
}

void require_readable_file(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || (flags & O_ACCMODE) == O_WRONLY) fail("the Jet reader was started without a file to read");
}

}  // namespace

int main(int argc, char** argv) {
    // A crash ends this process by its signal, which the program reports as
    // a damaged file; libmdb's own complaints go to the standard error the
    // program gave (nowhere).
    for (const int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) {
        struct sigaction default_action {};
        default_action.sa_handler = SIG_DFL;
        ::sigaction(signal, &default_action, nullptr);
    }
    if (!is_pipe(jet::reader_pipe_fd)) {
        std::fputs(
            "qinghe-jet-reader is started by qinghe-tv and qinghe-catalogue to read Jet files;\n"
            "it sends what it reads through the pipe it finds at descriptor 4.\n",
            stderr);
        return 2;
    }
    // Once the last frame is written the program has all it waits for: the
    // reader ends at once, without exit handlers, whose work nobody needs.
    jet::FrameWriter writer(jet::reader_pipe_fd);
    try {
        const std::vector<std::string_view> tables = tables_named(argc, argv);
        require_readable_file(jet::reader_file_fd);
        // libmdb reads the pages it needs through a file of its own on the
        // same open file, so nothing has to wait for the whole file.
        jet::read_tables("/proc/self/fd/" + std::to_string(jet::reader_file_fd), tables, writer);
        std::_Exit(writer.finish(jet::done_tag) ? 0 : 3);
    } catch (const std::exception& e) {
        std::_Exit(writer.finish(jet::error_tag, e.what()) ? 0 : 3);
    } catch (...) {
        std::_Exit(2);
    }
}
