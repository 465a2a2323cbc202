#include "platform/jet/reader/frame_writer.h"

#include "platform/base/error.h"

#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace qinghe::jet {

namespace {

// Rows are written a quarter of the pipe's room at a time (see
// isolated_read.cpp): few writes, and the reading side never waits long.
constexpr std::size_t flush_size = 1 << 18;

}  // namespace

void FrameWriter::begin_table(const std::string& name, const std::vector<std::string>& columns) {
    put_byte(table_tag);
    put_text(name);
    put_u32(static_cast<std::uint32_t>(columns.size()));
    for (const std::string& column : columns) put_text(column);
}

void FrameWriter::add_row(std::vector<JetCell>& cells) {
    put_byte(row_tag);
    for (const JetCell& cell : cells) {
        if (const auto* i = std::get_if<std::int64_t>(&cell)) {
            put_byte(integer_cell);
            put_u64(static_cast<std::uint64_t>(*i));
        } else if (const auto* d = std::get_if<double>(&cell)) {
            put_byte(real_cell);
            std::uint64_t bits = 0;
            std::memcpy(&bits, d, sizeof bits);
            put_u64(bits);
        } else if (const auto* s = std::get_if<std::string>(&cell)) {
            put_byte(text_cell);
            put_text(*s);
        } else {
            put_byte(null_cell);
        }
    }
    // A reader that has gone ends the read: nothing more would arrive.
    if (buffer_.size() >= flush_size && !flush()) throw platform::PlatformError("the pipe to the program is closed");
}

bool FrameWriter::finish(FrameTag tag, const std::string& message) {
    put_byte(tag);
    if (tag == error_tag) put_text(message);
    return flush();
}

void FrameWriter::put_u32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) put_byte(static_cast<unsigned char>(v >> (8 * i)));
}

void FrameWriter::put_u64(std::uint64_t v) {
    for (int i = 0; i < 8; ++i) put_byte(static_cast<unsigned char>(v >> (8 * i)));
}

void FrameWriter::put_text(const std::string& text) {
    put_u32(static_cast<std::uint32_t>(text.size()));
    buffer_ += text;
}

bool FrameWriter::flush() {
    std::size_t done = 0;
    while (done < buffer_.size()) {
        const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    buffer_.clear();
    return true;
}

}  // namespace qinghe::jet
