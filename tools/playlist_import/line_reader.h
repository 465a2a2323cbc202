#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qinghe::playlist_import {

// The longest line a playlist may hold.
inline constexpr std::size_t max_line_bytes = std::size_t{1} << 20;

// Reads a file, device or pipe line by line in bounded memory. A line ends at
// "\n", "\r\n" or a lone "\r"; the end is not part of the line. A line longer
// than max_line_bytes throws std::runtime_error naming its number.
class LineReader {
public:
    // "-" reads standard input. Throws std::runtime_error when the file cannot
    // be opened.
    explicit LineReader(const std::string& path);
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // The next line, or false at the end of the input.
    bool next(std::string_view& line);
    // The number of the line next() returned last, from 1.
    std::size_t line_number() const { return line_number_; }

private:
    bool fill();

    std::string name_;
    int fd_ = -1;
    bool owns_fd_ = false;
    bool at_end_ = false;
    bool skip_newline_ = false;  // the last line ended in "\r": a "\n" after it belongs to it
    std::vector<char> buffer_;
    std::size_t start_ = 0;
    std::size_t end_ = 0;
    std::size_t line_number_ = 0;
};

}  // namespace qinghe::playlist_import
