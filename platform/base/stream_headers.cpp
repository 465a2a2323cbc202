#include "platform/base/stream_headers.h"

#include "platform/base/text.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

namespace qinghe::platform {

namespace {

constexpr std::string_view hex_digits = "0123456789ABCDEF";

bool is_kept(char c) {
    const bool alnum = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    return alnum || std::string_view("-._~/:;,()@!*'").find(c) != std::string_view::npos;
}

void append_encoded(std::string& out, std::string_view value) {
    for (const char c : value) {
        if (is_kept(c)) {
            out += c;
        } else {
            const auto byte = static_cast<unsigned char>(c);
            out += '%';
            out += hex_digits[byte >> 4];
            out += hex_digits[byte & 0x0F];
        }
    }
}

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The headers of a suffix, or nullopt when it is not a list of name=value
// pairs naming at least one of the headers, so an address's own query
// ("a=b%7Cc=d") is never taken for one.
std::optional<StreamHeaders> parse_suffix(std::string_view suffix) {
    StreamHeaders headers;
    bool any = false;
    while (!suffix.empty()) {
        const auto amp = suffix.find('&');
        const std::string_view pair = suffix.substr(0, amp);
        suffix = amp == std::string_view::npos ? std::string_view{} : suffix.substr(amp + 1);
        if (pair.empty()) continue;
        const auto eq = pair.find('=');
        if (eq == 0 || eq == std::string_view::npos) return std::nullopt;
        if (std::string* field = stream_header_field(headers, pair.substr(0, eq))) {
            any = true;
            // A line break or other control byte could end the header early
            // and start another: such a value is not sent at all.
            std::string value = percent_decoded(pair.substr(eq + 1));
            const bool clean = std::none_of(value.begin(), value.end(),
                                            [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
            *field = clean ? std::move(value) : std::string();
        }
    }
    if (!any) return std::nullopt;
    return headers;
}

}  // namespace

std::string* stream_header_field(StreamHeaders& headers, std::string_view name) {
    if (equals_ignoring_case(name, "User-Agent")) return &headers.user_agent;
    if (equals_ignoring_case(name, "Referer") || equals_ignoring_case(name, "Referrer")) return &headers.referer;
    if (equals_ignoring_case(name, "Origin")) return &headers.origin;
    return nullptr;
}

std::string with_stream_headers(std::string_view address, const StreamHeaders& headers) {
    std::string out(address);
    if (headers.empty()) return out;
    const std::array<std::pair<std::string_view, const std::string*>, 3> fields{{
        {"User-Agent", &headers.user_agent},
        {"Referer", &headers.referer},
        {"Origin", &headers.origin},
    }};
    char separator = 0;
    out += "%7C";
    for (const auto& [name, value] : fields) {
        if (value->empty()) continue;
        if (separator) out += separator;
        separator = '&';
        out += name;
        out += '=';
        append_encoded(out, *value);
    }
    return out;
}

std::string percent_decoded(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hex_value(text[i + 1]) >= 0 && hex_value(text[i + 2]) >= 0) {
            out += static_cast<char>(hex_value(text[i + 1]) * 16 + hex_value(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

StreamIdentifier split_stream_headers(std::string_view identifier) {
    // The first mark whose remainder is a suffix wins: a value may hold an
    // encoded bar of its own ("ua%7C&Referer=..."), never a bare "&", so the
    // suffix's own mark comes before every bar inside it.
    for (std::size_t at = 0; at < identifier.size(); ++at) {
        std::size_t length = 0;
        if (identifier[at] == '|')
            length = 1;
        else if (starts_with_ignoring_case(identifier.substr(at), "%7C"))
            length = 3;
        if (length == 0) continue;
        if (auto headers = parse_suffix(identifier.substr(at + length)))
            return {std::string(identifier.substr(0, at)), std::move(*headers)};
    }
    return {std::string(identifier), {}};
}

}  // namespace qinghe::platform
