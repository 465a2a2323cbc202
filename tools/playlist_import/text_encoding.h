#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qinghe::playlist_import {

// Whether text is well-formed UTF-8 (no overlong forms, surrogates or code
// points above U+10FFFF).
bool is_utf8(std::string_view text);

// Text in GB18030 (which covers GBK and GB2312) as UTF-8, or nullopt when it
// is not valid GB18030 either.
std::optional<std::string> gb18030_to_utf8(std::string_view text);

}  // namespace qinghe::playlist_import
