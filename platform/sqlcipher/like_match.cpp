#include "platform/sqlcipher/like_match.h"

#include "platform/base/text.h"

#include <cstring>

namespace qinghe::platform::sqlcipher {

namespace {

constexpr std::uint32_t match_all = '%';
constexpr std::uint32_t match_one = '_';
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
        } else {
            std::uint32_t t = 0;
            while ((t = next_char(text)) != 0) {
                if (t != c) continue;
                const Outcome rest = compare(pattern, text);
                if (rest != Outcome::no_match) return rest;
            }
        }
        return Outcome::no_wildcard;
    }

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
