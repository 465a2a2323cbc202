#pragma once

#include "platform/base/int16.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qinghe::platform {

// Splits at every occurrence of a non-empty separator, found from the left
// without overlap, matched exactly byte for byte. Empty pieces are kept and a
// text without the separator is one piece, but an empty text gives no piece
// at all: an empty play group therefore has no label, and an empty ad text
// no ads.
std::vector<std::string> split(std::string_view text, std::string_view separator);

// The same, but only the first max_pieces pieces: the text after them is not
// looked at, so a caller that reads no further never pays for a text of any
// length.
std::vector<std::string> split(std::string_view text, std::string_view separator, std::size_t max_pieces);

// The same pieces as views into text, written into pieces (emptied first,
// its capacity kept): nothing is copied, for callers that split large texts
// and keep the text alive while they read.
void split_views(std::string_view text, std::string_view separator, std::size_t max_pieces,
                 std::vector<std::string_view>& pieces);

// Element of a split result by a signed 16-bit index; out of range throws.
const std::string& element(const std::vector<std::string>& pieces, long long index);

// Whether c is an ASCII blank: space, tab, line feed, carriage return, form
// feed or vertical tab.
inline bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// Whether c is a space or a tab, the blanks between the words of one line.
inline bool is_space_or_tab(char c) {
    return c == ' ' || c == '\t';
}

// The text without blanks at either end; `blank` says which characters are.
std::string_view trim(std::string_view text, bool (*blank)(char) = is_blank);

// The text with ASCII capitals made small and every other byte as it is.
std::string lower_case(std::string_view text);

// ASCII case-insensitive equality, as SQL compares keywords and names.
bool equals_ignoring_case(std::string_view a, std::string_view b);

// Whether text begins with prefix, compared case-sensitively over the
// prefix's length; a shorter text does not match.
inline bool starts_with(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// The same, compared without regard to ASCII case.
inline bool starts_with_ignoring_case(std::string_view text, std::string_view prefix) {
    return equals_ignoring_case(text.substr(0, prefix.size()), prefix);
}

// Reads one character of a text as the catalogue engine reads it and
// advances past it: a malformed sequence reads as U+FFFD, never more than the
// bytes that make it, and a lone continuation byte as its own value. The
// text must end with a NUL byte.
std::uint32_t read_utf8(const unsigned char*& text);

}  // namespace qinghe::platform
