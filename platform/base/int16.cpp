#include "platform/base/int16.h"

#include "platform/base/error.h"

#include <charconv>
#include <limits>

namespace qinghe::platform {

Int16 to_int16(long long value) {
    if (value < std::numeric_limits<Int16>::min() || value > std::numeric_limits<Int16>::max())
        throw PlatformError("16-bit overflow: " + std::to_string(value));
    return static_cast<Int16>(value);
}

Int16 parse_int16(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    long long value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end)
        throw PlatformError("not a 16-bit number: '" + std::string(text) + "'");
    return to_int16(value);
}

Int16 add16(Int16 a, Int16 b) {
    return to_int16(static_cast<long long>(a) + b);
}
Int16 sub16(Int16 a, Int16 b) {
    return to_int16(static_cast<long long>(a) - b);
}
Int16 mul16(Int16 a, Int16 b) {
    return to_int16(static_cast<long long>(a) * b);
}

}  // namespace qinghe::platform
