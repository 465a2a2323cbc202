#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

// What every fuzz target shares: a failed invariant aborts with a message, so
// libFuzzer records the input as a crash.
namespace qinghe::fuzz {

inline void check(bool holds, const char* invariant) {
    if (holds) return;
    std::fprintf(stderr, "invariant broken: %s\n", invariant);
    std::abort();
}

// The pieces joined again with the separator between them.
inline std::string join(const std::vector<std::string>& pieces, std::string_view separator, std::size_t from = 0) {
    std::string text;
    for (std::size_t i = from; i < pieces.size(); ++i) {
        if (i > from) text += separator;
        text += pieces[i];
    }
    return text;
}

// A split of text at separator gives back text when joined, and no piece
// holds the separator; an empty text has no piece.
inline void check_split(std::string_view text, const std::vector<std::string>& pieces, std::string_view separator) {
    check(text.empty() == pieces.empty(), "an empty text, and only it, splits into no piece");
    check(join(pieces, separator) == text, "the pieces joined with the separator give back the text");
    for (const std::string& piece : pieces)
        check(piece.find(separator) == std::string::npos, "no piece holds the separator");
}

// The same for a split that keeps at most max_pieces pieces: below that
// count it is the whole split; at it, the pieces are the text's beginning.
inline void check_split(std::string_view text, const std::vector<std::string>& pieces, std::string_view separator,
                        std::size_t max_pieces) {
    check(pieces.size() <= max_pieces, "a split keeps no more pieces than asked");
    if (pieces.size() < max_pieces) {
        check_split(text, pieces, separator);
        return;
    }
    const std::string joined = join(pieces, separator);
    check(joined == text || text.substr(0, joined.size() + separator.size()) == joined + std::string(separator),
          "the pieces kept are the text's first pieces");
    for (const std::string& piece : pieces)
        check(piece.find(separator) == std::string::npos, "no piece holds the separator");
}

}  // namespace qinghe::fuzz
