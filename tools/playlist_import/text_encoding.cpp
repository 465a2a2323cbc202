#include "tools/playlist_import/text_encoding.h"

#include <cerrno>
#include <stdexcept>

#include <iconv.h>

namespace qinghe::playlist_import {

bool is_utf8(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p < end) {
        const unsigned char c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int more = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            more = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            if (c == 0xE0) low = 0xA0;
            if (c == 0xED) high = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            if (c == 0xF0) low = 0x90;
            if (c == 0xF4) high = 0x8F;
        } else {
            return false;
        }
        if (end - p <= more) return false;
        if (p[1] < low || p[1] > high) return false;
        for (int i = 2; i <= more; ++i)
            if (p[i] < 0x80 || p[i] > 0xBF) return false;
        p += more + 1;
    }
    return true;
}

std::optional<std::string> gb18030_to_utf8(std::string_view text) {
    // One converter for the whole run: opening one costs more than a line.
    static const iconv_t converter = iconv_open("UTF-8", "GB18030");
    if (converter == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("this system cannot read GB18030 text");
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    std::string out(text.size() * 2 + 4, '\0');
    char* in = const_cast<char*>(text.data());
    std::size_t in_left = text.size();
    char* to = out.data();
    std::size_t to_left = out.size();
    while (in_left > 0) {
        if (iconv(converter, &in, &in_left, &to, &to_left) != static_cast<std::size_t>(-1)) break;
        if (errno != E2BIG) return std::nullopt;
        const auto used = static_cast<std::size_t>(to - out.data());
        out.resize(out.size() * 2);
        to = out.data() + used;
        to_left = out.size() - used;
    }
    out.resize(static_cast<std::size_t>(to - out.data()));
    return out;
}

}  // namespace qinghe::playlist_import
