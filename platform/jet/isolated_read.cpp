// read_tables_isolated: libmdb runs in the Jet reader program, which sends
// the tables through a pipe; this side decodes what arrives with every length
// bounded.
#include "platform/base/error.h"
#include "platform/base/owned_fd.h"
#include "platform/jet/jet_tables.h"
#include "platform/jet/reader_frames.h"
#include "platform/jet/reader_program.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <system_error>

#include <algorithm>
#include <utility>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace qinghe::jet {

namespace {

[[noreturn]] void fail(const std::string& what) {
    throw platform::PlatformError(what);
}

bool same_state(const struct stat& a, const struct stat& b) {
    return a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

struct stat state_of(int fd) {
    struct stat state {};
    if (::fstat(fd, &state) != 0) fail("the file cannot be read: " + std::generic_category().message(errno));
    return state;
}

// Fails unless the file starts with the bytes the caller checked.
void require_first_page(int fd, std::span<const unsigned char> first_page) {
    std::vector<unsigned char> now(first_page.size());
    std::size_t done = 0;
    while (done < now.size()) {
        const ssize_t n = ::pread(fd, now.data() + done, now.size() - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) fail("the file changed while it was read");
        done += static_cast<std::size_t>(n);
    }
    if (!std::equal(first_page.begin(), first_page.end(), now.begin())) fail("the file changed while it was read");
}

// How much the pipe from the reader is asked to hold: room for the reader to
// run ahead while rows go into the image, and fewer, larger reads and
// writes than the usual 64 KB.
constexpr int pipe_size = 1 << 20;

// The parent's side: reads with the deadline, refusing what cannot be.
class FrameReader {
public:
    FrameReader(int fd, std::chrono::steady_clock::time_point deadline, const std::function<bool()>& should_stop)
        : fd_(fd), deadline_(deadline), should_stop_(should_stop), buffer_(pipe_size) {}

    unsigned char byte() {
        fill(1);
        return static_cast<unsigned char>(buffer_[pos_++]);
    }
    std::uint32_t u32() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= std::uint32_t{byte()} << (8 * i);
        return v;
    }
    std::uint64_t u64() {
        std::uint64_t v = 0;
        for (int i = 0; i < 8; ++i) v |= std::uint64_t{byte()} << (8 * i);
        return v;
    }
    std::string text() {
        std::string out;
        text_into(out);
        return out;
    }
    // The next text in place of what out held, in the room it has.
    void text_into(std::string& out) {
        const std::uint32_t size = u32();
        if (size > max_value_bytes) fail("the file's reader sent a value too long");
        fill(size);
        out.assign(buffer_.data() + pos_, size);
        pos_ += size;
    }

private:
    // Makes at least n unread bytes available.
    void fill(std::size_t n) {
        if (end_ - pos_ >= n) return;
        std::memmove(buffer_.data(), buffer_.data() + pos_, end_ - pos_);
        end_ -= pos_;
        pos_ = 0;
        if (buffer_.size() < n) buffer_.resize(n);
        while (end_ < n) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - std::chrono::steady_clock::now());
            if (left.count() <= 0) fail("reading the file took too long");
            if (should_stop_ && should_stop_()) fail("reading the file stopped");
            pollfd p{fd_, POLLIN, 0};
            const int ready = ::poll(&p, 1, static_cast<int>(std::min<long long>(left.count(), 100)));
            if (ready < 0 && errno == EINTR) continue;
            if (ready < 0) fail("reading the file failed: " + std::generic_category().message(errno));
            if (ready == 0) continue;
            // Straight onto the end of what is held, as much as there is room for.
            const ssize_t got = ::read(fd_, buffer_.data() + end_, buffer_.size() - end_);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) fail("reading the file failed: " + std::generic_category().message(errno));
            if (got == 0) throw EndOfStream{};
            end_ += static_cast<std::size_t>(got);
        }
    }

public:
    struct EndOfStream {};

private:
    int fd_;
    std::chrono::steady_clock::time_point deadline_;
    const std::function<bool()>& should_stop_;
    // Bytes [pos_, end_) are read and not yet decoded.
    std::vector<char> buffer_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
};

// Decodes the reader's frames into the sink, up to its done frame.
void decode(FrameReader& in, TableSink& sink) {
    std::size_t columns = 0;
    std::vector<JetCell> cells;
    for (;;) {
        switch (in.byte()) {
        case table_tag: {
            const std::string name = in.text();
            const std::uint32_t count = in.u32();
            if (count == 0 || count > 256)
                fail("the file's reader sent a table of " + std::to_string(count) + " columns");
            std::vector<std::string> names;
            for (std::uint32_t i = 0; i < count; ++i) names.push_back(in.text());
            columns = count;
            sink.begin_table(name, names);
            break;
        }
        case row_tag:
            if (columns == 0) fail("the file's reader sent a row outside a table");
            // Every cell is set anew; a text keeps the room of the one it
            // replaces, sparing an allocation per text.
            cells.resize(columns);
            for (JetCell& cell : cells) {
                switch (in.byte()) {
                case null_cell:
                    cell = std::monostate{};
                    break;
                case integer_cell:
                    cell = static_cast<std::int64_t>(in.u64());
                    break;
                case real_cell: {
                    const std::uint64_t bits = in.u64();
                    double d = 0;
                    std::memcpy(&d, &bits, sizeof d);
                    cell = d;
                    break;
                }
                case text_cell:
                    if (auto* held = std::get_if<std::string>(&cell))
                        in.text_into(*held);
                    else
                        cell = in.text();
                    break;
                default:
                    fail("the file's reader sent a value it cannot have");
                }
            }
            sink.add_row(cells);
            break;
        case error_tag:
            fail(in.text());
        case done_tag:
            return;
        default:
            fail("the file's reader sent what it cannot have");
        }
    }
}

class Child {
public:
    explicit Child(pid_t pid) : pid_(pid) {}
    ~Child() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            wait();
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    // Waits for the child's end; its status.
    int wait() {
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {}
        pid_ = -1;
        return status;
    }

private:
    pid_t pid_;
};

}  // namespace

// A 1,000,000-programme file (about 190 MB) reads in about 3 s; a
// 200,000-programme one (37 MB) in 7 s in a debug build on a machine loaded
// five times over, against a limit of 13.7 s. A reader stuck on a small file
// then leaves the tree empty for seconds, not minutes.
std::chrono::milliseconds read_time_limit(off_t bytes) {
    constexpr std::int64_t per_megabyte_ms = 100;
    return std::chrono::seconds(10) + std::chrono::milliseconds(per_megabyte_ms * (std::max<off_t>(bytes, 0) >> 20));
}

void read_tables_isolated(int fd, std::span<const unsigned char> first_page, std::span<const std::string_view> tables,
                          TableSink& sink, std::chrono::milliseconds time_limit,
                          const std::function<bool()>& should_stop) {
    // The reader reads what this side checked: the same first page, and a
    // file that stays as it was until the last row has arrived.
    const struct stat before = state_of(fd);
    require_first_page(fd, first_page);
    const auto deadline = std::chrono::steady_clock::now() + std::min(time_limit, read_time_limit(before.st_size));
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) fail("cannot start reading the file: " + std::generic_category().message(errno));
    const platform::OwnedFd read_end(fds[0]);
    platform::OwnedFd write_end(fds[1]);
    // A pipe that cannot grow (a lower system limit) works as it is.
    ::fcntl(read_end.get(), F_SETPIPE_SZ, pipe_size);
    Child child(start_reader(fd, write_end.get(), tables));
    write_end.reset();
    FrameReader in(read_end.get(), deadline, should_stop);
    try {
        decode(in, sink);
    } catch (const FrameReader::EndOfStream&) {
        const int status = child.wait();
        if (WIFSIGNALED(status))
            fail("the file is damaged: reading it stopped on signal " + std::to_string(WTERMSIG(status)));
        fail("the file is damaged: reading it ended early");
    }
    child.wait();
    if (!same_state(before, state_of(fd))) fail("the file changed while it was read");
}

}  // namespace qinghe::jet
