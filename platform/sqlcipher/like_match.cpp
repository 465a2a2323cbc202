#include "platform/sqlcipher/like_match.h"

#include "platform/base/text.h"

#include <cstring>

namespace qinghe::platform::sqlcipher {

namespace {

constexpr std::uint32_t match_all = '%';
constexpr std::uint32_t match_one = '_';
constexpr std::uint32_t replacement_char = 0xFFFD;
// How many comparison steps run between two questions to should_stop.
constexpr unsigned stop_check_interval = 4096;

std::uint32_t next_char(const unsigned char*& text) {
    return text[0] < 0x80 ? *text++ : read_utf8(text);
}

std::uint32_t ascii_lower(std::uint32_t c) {
    return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
}
std::uint32_t ascii_upper(std::uint32_t c) {
    return c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c;
}

// Internal outcome: no_wildcard means no match here nor at any later start
// of the text, so every enclosing "%" may give up as well.
enum class Outcome { match, no_match, no_wildcard, stopped };

class Matcher {
public:
    Matcher(std::uint32_t escape, const std::function<bool()>& should_stop)
        : escape_(escape), should_stop_(should_stop) {}

    Outcome compare(const unsigned char* pattern, const unsigned char* text) {
        if (++steps_ % stop_check_interval == 0 && should_stop_ && should_stop_()) return Outcome::stopped;
        const unsigned char* escaped = nullptr;
        std::uint32_t c = 0;
        while ((c = next_char(pattern)) != 0) {
            if (c == match_all) return after_match_all(pattern, text);
            if (c == escape_) {
                c = read_utf8(pattern);
                if (c == 0) return Outcome::no_match;
                escaped = pattern;
            }
            const std::uint32_t t = next_char(text);
            if (c == t) continue;
            if (c < 0x80 && t < 0x80 && ascii_lower(c) == ascii_lower(t)) continue;
            if (c == match_one && pattern != escaped && t != 0) continue;
            return Outcome::no_match;
        }
        return *text == 0 ? Outcome::match : Outcome::no_match;
    }

private:
    // `pattern` stands just past a "%".
    Outcome after_match_all(const unsigned char* pattern, const unsigned char* text) {
        std::uint32_t c = 0;
        // Further "%" change nothing; each "_" takes one character.
        while ((c = next_char(pattern)) == match_all || c == match_one)
            if (c == match_one && read_utf8(text) == 0) return Outcome::no_wildcard;
        if (c == 0) return Outcome::match;
        if (c == escape_) {
            c = read_utf8(pattern);
            if (c == 0) return Outcome::no_wildcard;
        }
        // Try the rest of the pattern after every occurrence of c; like the
        // engine, a lone 0x80 byte is looked for byte by byte.
        if (c <= 0x80) {
            const char stops[3] = {static_cast<char>(ascii_upper(c)), static_cast<char>(ascii_lower(c)), 0};
            for (;;) {
                text += std::strcspn(reinterpret_cast<const char*>(text), stops);
                if (*text == 0) break;
                ++text;
                const Outcome rest = compare(pattern, text);
                if (rest != Outcome::no_match) return rest;
            }
        } else if (c == replacement_char) {
            // Malformed sequences of any shape read as this character, so
            // no byte marks where one ends: every character is read.
            std::uint32_t t = 0;
            while ((t = next_char(text)) != 0) {
                if (t != c) continue;
                const Outcome rest = compare(pattern, text);
                if (rest != Outcome::no_match) return rest;
            }
        } else {
            const unsigned char* after = nullptr;
            while ((after = next_end_of(c, text)) != nullptr) {
                text = after;
                const Outcome rest = compare(pattern, text);
                if (rest != Outcome::no_match) return rest;
            }
        }
        return Outcome::no_wildcard;
    }

    // Just past the next character from `text` (where a character starts)
    // that reads as c, a character above 0x80 other than the replacement
    // character; null when none comes before the end. Any byte sequence that
    // reads as such a c ends with the continuation byte carrying c's low six
    // bits, so only the bytes around each such byte are read, not every
    // character on the way.
    static const unsigned char* next_end_of(std::uint32_t c, const unsigned char* text) {
        const char last = static_cast<char>(0x80 | (c & 0x3f));
        // Where a character is known to start: the search never looks back
        // past it, so every byte is read a bounded number of times.
        const unsigned char* start = text;
        for (;;) {
            const char* found = std::strchr(reinterpret_cast<const char*>(start), last);
            if (found == nullptr) return nullptr;
            const auto* hit = reinterpret_cast<const unsigned char*>(found);
            const unsigned char* first = character_holding(hit, start);
            const unsigned char* after = first;
            const std::uint32_t t = read_utf8(after);
            if (t == c && after == hit + 1) return after;
            start = after;
        }
    }

    // Where the character holding the continuation byte at `at` starts, the
    // text being read character by character from `start`: at the lead byte
    // the continuation bytes follow, or at `at` itself when it stands alone
    // (after an ASCII byte, or with only continuation bytes back to start).
    static const unsigned char* character_holding(const unsigned char* at, const unsigned char* start) {
        const unsigned char* p = at;
        while (p > start && is_continuation(p[-1])) --p;
        return p > start && p[-1] >= 0xc0 ? p - 1 : at;
    }

    static bool is_continuation(unsigned char byte) { return (byte & 0xc0) == 0x80; }

    std::uint32_t escape_;
    const std::function<bool()>& should_stop_;
    unsigned steps_ = 0;
};

}  // namespace

LikeResult like_match(const unsigned char* pattern, const unsigned char* text, std::uint32_t escape,
                      const std::function<bool()>& should_stop) {
    Matcher matcher(escape, should_stop);
    switch (matcher.compare(pattern, text)) {
    case Outcome::match:
        return LikeResult::match;
    case Outcome::stopped:
        return LikeResult::stopped;
    default:
        return LikeResult::no_match;
    }
}

}  // namespace qinghe::platform::sqlcipher
