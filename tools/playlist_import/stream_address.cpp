#include "tools/playlist_import/stream_address.h"

#include "platform/base/stream_headers.h"
#include "tools/playlist_import/text_encoding.h"

#include <array>
#include <vector>

namespace qinghe::playlist_import {

namespace {

constexpr std::array<std::string_view, 10> network_schemes{"http", "https", "rtmp", "rtmps", "rtsp",
                                                           "rtp",  "udp",   "mms",  "mmsh",  "srt"};

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The scheme of an absolute address in lower case, or empty.
std::string scheme_of(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        const bool allowed = letter || (i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '.' || c == '-'));
        if (!allowed) break;
        ++i;
    }
    // "C:" and the like are no scheme worth the name; nor is an empty one.
    if (i < 2 || i >= text.size() || text[i] != ':') return {};
    std::string scheme;
    for (std::size_t k = 0; k < i; ++k) scheme += lower(text[k]);
    return scheme;
}

// A path with its "." and ".." segments applied; ".." never climbs above an
// absolute path's root, and is kept at the front of a relative one.
std::string without_dot_segments(std::string_view path) {
    const bool absolute = !path.empty() && path.front() == '/';
    std::vector<std::string_view> kept;
    std::size_t start = absolute ? 1 : 0;
    bool ends_in_folder = false;
    while (start <= path.size()) {
        const std::size_t slash = path.find('/', start);
        const std::string_view segment =
            path.substr(start, slash == std::string_view::npos ? std::string_view::npos : slash - start);
        ends_in_folder = segment == "." || segment == "..";
        if (segment == "..") {
            if (!kept.empty() && kept.back() != "..")
                kept.pop_back();
            else if (!absolute)
                kept.push_back(segment);
        } else if (segment != ".") {
            kept.push_back(segment);
        }
        if (slash == std::string_view::npos) break;
        start = slash + 1;
    }
    std::string out = absolute ? "/" : "";
    for (std::size_t i = 0; i < kept.size(); ++i) {
        if (i > 0) out += '/';
        out += kept[i];
    }
    if (ends_in_folder && !out.empty() && out.back() != '/') out += '/';
    return out;
}

// Applies the dot segments to the path part of an address, before its
// query or fragment.
std::string normalised(std::string_view prefix, std::string_view rest) {
    const std::size_t tail = rest.find_first_of("?#");
    std::string out(prefix);
    out += without_dot_segments(rest.substr(0, tail));
    if (tail != std::string_view::npos) out += rest.substr(tail);
    return out;
}

bool looks_like_file(std::string_view written) {
    const std::string_view path = written.substr(0, written.find_first_of("?#"));
    if (path.find('/') != std::string_view::npos) return true;
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || path.size() - dot - 1 > 5 || path.size() - dot - 1 == 0)
        return false;
    for (std::size_t i = dot + 1; i < path.size(); ++i) {
        const char c = lower(path[i]);
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return false;
    }
    return path.find(' ') == std::string_view::npos;
}

}  // namespace

std::string base_folder(std::string_view location) {
    std::string base(location);
    if (!base.empty() && base.back() != '/') base += '/';
    return base;
}

std::optional<std::string> resolve_address(std::string_view written, const std::string& base, std::string& why) {
    for (const char c : written) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            why = "the address holds a control character";
            return std::nullopt;
        }
    }
    const std::string scheme = scheme_of(written);
    if (!scheme.empty()) {
        for (const std::string_view network : network_schemes)
            if (scheme == network) return std::string(written);
        if (scheme == "file") {
            std::string_view path = written.substr(5);
            if (path.substr(0, 2) == "//") {
                path.remove_prefix(2);
                const std::size_t slash = path.find('/');
                path = slash == std::string_view::npos ? std::string_view{} : path.substr(slash);
            }
            if (path.empty() || path.front() != '/') {
                why = "the file: address names no absolute path";
                return std::nullopt;
            }
            return without_dot_segments(platform::percent_decoded(path.substr(0, path.find_first_of("?#"))));
        }
        why = "\"" + scheme + ":\" addresses are no streams";
        return std::nullopt;
    }

    const std::string base_scheme = scheme_of(base);
    if (written.substr(0, 2) == "//") {
        if (base_scheme.empty()) {
            why = "the address names a host but no scheme";
            return std::nullopt;
        }
        return normalised(base_scheme + ":", written);
    }
    if (!looks_like_file(written)) {
        why = "the line is neither an address nor a file";
        return std::nullopt;
    }
    if (!base_scheme.empty()) {
        // scheme://authority, then the path.
        const std::size_t authority = base.find("//") == base_scheme.size() + 1 ? base_scheme.size() + 3 : 0;
        const std::size_t path_start = authority == 0 ? base_scheme.size() + 1 : base.find('/', authority);
        const std::string_view root = std::string_view(base).substr(0, path_start);
        if (written.front() == '/') return normalised(root, written);
        return normalised(root, std::string(base.substr(path_start)) + std::string(written));
    }
    if (written.front() == '/' || base.empty()) return without_dot_segments(written);
    return without_dot_segments(base + std::string(written));
}

std::string last_segment(std::string_view address) {
    std::string_view path = address.substr(0, address.find_first_of("?#"));
    std::string_view host;
    if (const std::size_t authority = path.find("://"); authority != std::string_view::npos) {
        path.remove_prefix(authority + 3);
        const std::size_t slash = path.find('/');
        host = path.substr(0, slash);
        path = slash == std::string_view::npos ? std::string_view{} : path.substr(slash);
    }
    while (!path.empty() && path.back() == '/') path.remove_suffix(1);
    const std::string_view segment = path.substr(path.rfind('/') == std::string_view::npos ? 0 : path.rfind('/') + 1);
    if (segment.empty()) return std::string(host.empty() ? address : host);
    std::string decoded = platform::percent_decoded(segment);
    return is_utf8(decoded) ? decoded : std::string(segment);
}

}  // namespace qinghe::playlist_import
