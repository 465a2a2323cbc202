#include "platform/base/text.h"

#include "platform/base/error.h"

#include <limits>

namespace qinghe::platform {

namespace {

// Value bits of a lead byte 0xc0..0xff, as the engine decodes them.
constexpr unsigned char lead_bits[64] = {
    0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x0f,
    0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1a, 0x1b, 0x1c, 0x1d, 0x1e, 0x1f,
    0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x0f,
    0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x00, 0x01, 0x02, 0x03, 0x00, 0x01, 0x00, 0x00,
};

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

std::string_view trim(std::string_view text, bool (*blank)(char)) {
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

std::string lower_case(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = lower(c);
    return out;
}

bool equals_ignoring_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

std::vector<std::string> split(std::string_view text, std::string_view separator) {
    return split(text, separator, std::numeric_limits<std::size_t>::max());
}

void split_views(std::string_view text, std::string_view separator, std::size_t max_pieces,
                 std::vector<std::string_view>& pieces) {
    pieces.clear();
    if (text.empty() || max_pieces == 0) return;
    if (separator.empty()) {
        pieces.push_back(text);
        return;
    }
    std::size_t from = 0;
    for (;;) {
        std::size_t at = text.find(separator, from);
        if (at == std::string_view::npos) break;
        pieces.push_back(text.substr(from, at - from));
        if (pieces.size() == max_pieces) return;
        from = at + separator.size();
    }
    pieces.push_back(text.substr(from));
}

std::vector<std::string> split(std::string_view text, std::string_view separator, std::size_t max_pieces) {
    std::vector<std::string_view> views;
    split_views(text, separator, max_pieces, views);
    return {views.begin(), views.end()};
}

const std::string& element(const std::vector<std::string>& pieces, long long index) {
    if (index < 0 || static_cast<unsigned long long>(index) >= pieces.size())
        throw PlatformError("subscript out of range: " + std::to_string(index));
    return pieces[static_cast<std::size_t>(index)];
}

std::uint32_t read_utf8(const unsigned char*& text) {
    std::uint32_t c = *text++;
    if (c >= 0xc0) {
        c = lead_bits[c - 0xc0];
        while ((*text & 0xc0) == 0x80) c = (c << 6) + (0x3f & *text++);
        if (c < 0x80 || (c & 0xFFFFF800) == 0xD800 || (c & 0xFFFFFFFE) == 0xFFFE) c = 0xFFFD;
    }
    return c;
}

}  // namespace qinghe::platform
