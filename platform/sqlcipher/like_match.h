#pragma once

#include <cstdint>
#include <functional>

namespace qinghe::platform::sqlcipher {

enum class LikeResult { match, no_match, stopped };

// The catalogue engine's LIKE comparison, with the engine's own meaning:
// "%" matches any run of characters and "_" any one character (UTF-8 read
// as the engine reads it), ASCII letters match regardless of case, and
// `escape` (0 for none) makes the character after it literal. Both texts end
// at their first NUL byte.
//
// Unlike the engine's built-in comparison, which retries every split of the
// text for every "%" and can run for minutes on a short pattern such as
// "%a%a%a%a%a%a%a%a%a%a%b", a "%" whose rest of the pattern matches nowhere
// further on ends the whole comparison, so the cost stays polynomial. While
// it runs, `should_stop` is asked now and then; once it answers true the
// comparison ends with `stopped`.
LikeResult like_match(const unsigned char* pattern, const unsigned char* text, std::uint32_t escape,
                      const std::function<bool()>& should_stop);

}  // namespace qinghe::platform::sqlcipher
