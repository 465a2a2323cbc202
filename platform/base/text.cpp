#include "platform/base/text.h"

#include "platform/base/error.h"

#include <limits>

namespace qinghe::platform {

namespace {

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool equals_ignoring_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

std::vector<std::string> split(std::string_view text, std::string_view separator) {
    return split(text, separator, std::numeric_limits<std::size_t>::max());
}

std::vector<std::string> split(std::string_view text, std::string_view separator, std::size_t max_pieces) {
    std::vector<std::string> pieces;
    if (text.empty() || max_pieces == 0) return pieces;
    if (separator.empty()) {
        pieces.emplace_back(text);
        return pieces;
    }
    std::size_t from = 0;
    for (;;) {
        std::size_t at = text.find(separator, from);
        if (at == std::string_view::npos) break;
        pieces.emplace_back(text.substr(from, at - from));
        if (pieces.size() == max_pieces) return pieces;
        from = at + separator.size();
    }
    pieces.emplace_back(text.substr(from));
    return pieces;
}

const std::string& element(const std::vector<std::string>& pieces, long long index) {
    if (index < 0 || static_cast<unsigned long long>(index) >= pieces.size())
        throw PlatformError("subscript out of range: " + std::to_string(index));
    return pieces[static_cast<std::size_t>(index)];
}

}  // namespace qinghe::platform
