#include "tools/playlist_import/line_reader.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

namespace qinghe::playlist_import {

namespace {
constexpr std::size_t chunk_bytes = 256 * 1024;

std::string errno_text(int error) {
    return std::generic_category().message(error);
}
}  // namespace

LineReader::LineReader(const std::string& path) : name_(path == "-" ? "standard input" : path) {
    if (path == "-") {
        fd_ = STDIN_FILENO;
    } else {
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
        if (fd_ < 0) throw std::runtime_error("cannot read " + path + ": " + errno_text(errno));
        owns_fd_ = true;
    }
    buffer_.resize(max_line_bytes + chunk_bytes + 1);
}

LineReader::~LineReader() {
    if (owns_fd_) ::close(fd_);
}

// Moves what is left to the front and reads one more chunk; false when
// nothing more came.
bool LineReader::fill() {
    if (at_end_) return false;
    if (start_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + start_, end_ - start_);
        end_ -= start_;
        start_ = 0;
    }
    for (;;) {
        const ssize_t n = ::read(fd_, buffer_.data() + end_, std::min(chunk_bytes, buffer_.size() - end_));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw std::runtime_error("cannot read " + name_ + ": " + errno_text(errno));
        if (n == 0) at_end_ = true;
        end_ += static_cast<std::size_t>(n);
        return n > 0;
    }
}

bool LineReader::next(std::string_view& line) {
    std::size_t scanned = start_;
    for (;;) {
        if (skip_newline_ && start_ < end_) {
            skip_newline_ = false;
            if (buffer_[start_] == '\n') ++start_;
            scanned = start_;
        }
        const char* begin = buffer_.data() + scanned;
        const std::size_t length = end_ - scanned;
        const void* lf = std::memchr(begin, '\n', length);
        const void* cr = std::memchr(begin, '\r', lf ? static_cast<const char*>(lf) - begin : length);
        const char* stop = static_cast<const char*>(cr ? cr : lf);
        if (stop) {
            const auto at = static_cast<std::size_t>(stop - buffer_.data());
            if (at - start_ > max_line_bytes) break;
            line = std::string_view(buffer_.data() + start_, at - start_);
            skip_newline_ = *stop == '\r';
            start_ = at + 1;
            ++line_number_;
            return true;
        }
        scanned = end_;
        if (end_ - start_ > max_line_bytes) break;
        const std::size_t kept = scanned - start_;
        if (!fill()) {
            if (end_ == start_) return false;
            line = std::string_view(buffer_.data() + start_, end_ - start_);
            start_ = end_;
            ++line_number_;
            return true;
        }
        scanned = start_ + kept;
    }
    throw std::runtime_error(name_ + ": line " + std::to_string(line_number_ + 1) + " is longer than 1 MiB");
}

}  // namespace qinghe::playlist_import
