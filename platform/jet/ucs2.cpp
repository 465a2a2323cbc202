#include "platform/jet/ucs2.h"

namespace qinghe::jet {
namespace {

// Writes c's UTF-8 bytes at out; the first byte after them.
char* put_utf8(char32_t c, char* out) {
    if (c < 0x80) {
        *out++ = static_cast<char>(c);
    } else if (c < 0x800) {
        *out++ = static_cast<char>(0xC0 | (c >> 6));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *out++ = static_cast<char>(0xE0 | (c >> 12));
        *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *out++ = static_cast<char>(0xF0 | (c >> 18));
        *out++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

}  // namespace

std::optional<std::u16string> utf8_to_utf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        char32_t c = 0;
        char32_t minimum = 0;
        if (lead < 0x80) {
            out += static_cast<char16_t>(lead);
            ++i;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2, c = lead & 0x1F, minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3, c = lead & 0x0F, minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4, c = lead & 0x07, minimum = 0x10000;
        } else {
            return std::nullopt;
        }
        if (text.size() - i < length) return std::nullopt;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return std::nullopt;
            c = (c << 6) | (next & 0x3F);
        }
        if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return std::nullopt;
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
        i += length;
    }
    return out;
}

std::string utf16_to_utf8(std::u16string_view text) {
    // At most three bytes a unit: a pair of units (four bytes) is two.
    std::string out(text.size() * 3, '\0');
    char* end = out.data();
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            end = put_utf8(0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (text[i + 1] - 0xDC00u), end);
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            end = put_utf8(0xFFFD, end);
        } else {
            end = put_utf8(unit, end);
        }
    }
    out.resize(static_cast<std::size_t>(end - out.data()));
    return out;
}

std::u16string utf16_from_bytes(std::span<const unsigned char> bytes) {
    std::u16string out(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return out;
}

std::string jet4_text_to_utf8(std::span<const unsigned char> stored) {
    std::u16string units;
    if (stored.size() >= 2 && stored[0] == 0xFF && stored[1] == 0xFE) {
        units.reserve(stored.size());
        bool narrow = true;
        for (std::size_t i = 2; i < stored.size();) {
            if (stored[i] == 0) {
                narrow = !narrow;
                ++i;
            } else if (narrow) {
                units += static_cast<char16_t>(stored[i++]);
            } else if (i + 1 < stored.size()) {
                units += static_cast<char16_t>(stored[i] | (stored[i + 1] << 8));
                i += 2;
            } else {
                break;
            }
        }
    } else {
        units = utf16_from_bytes(stored);
    }
    const std::size_t end = units.find(u'\0');
    return utf16_to_utf8(std::u16string_view(units).substr(0, end));
}

void append_utf16_bytes(std::u16string_view text, std::string& out) {
    for (const char16_t unit : text) {
        out += static_cast<char>(unit & 0xFF);
        out += static_cast<char>(unit >> 8);
    }
}

}  // namespace qinghe::jet
