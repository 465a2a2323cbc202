#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

namespace qinghe::platform {

// Category ids, page numbers, group and leaf numbers, row counters and
// control-array indices are 16-bit signed integers. These helpers convert
// into that range and do checked arithmetic in it; anything that does not
// fit throws PlatformError.
using Int16 = std::int16_t;
inline constexpr Int16 int16_max = std::numeric_limits<Int16>::max();

Int16 to_int16(long long value);

// Whole decimal number, optionally signed, surrounding blanks allowed.
// Empty text, other characters or a value outside -32768..32767 throw.
Int16 parse_int16(std::string_view text);

Int16 add16(Int16 a, Int16 b);
Int16 sub16(Int16 a, Int16 b);
Int16 mul16(Int16 a, Int16 b);

// Plain decimal text: no leading zeros or blanks, "-" only when negative.
inline std::string dec(long long value) {
    return std::to_string(value);
}

}  // namespace qinghe::platform
