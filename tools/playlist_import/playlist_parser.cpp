#include "tools/playlist_import/playlist_parser.h"

#include "platform/base/text.h"
#include "tools/playlist_import/stream_address.h"

#include <algorithm>
#include <stdexcept>

namespace qinghe::playlist_import {

namespace {

using platform::is_space_or_tab;
using platform::lower_case;
using platform::starts_with_ignoring_case;
// A playlist line's words are separated by spaces and tabs alone: every trim
// here passes is_space_or_tab.
using platform::trim;

// A ";"-separated list of group names: trimmed, without empty or repeated ones.
void add_groups(std::vector<std::string>& groups, std::string_view list) {
    while (true) {
        const std::size_t semicolon = list.find(';');
        const std::string name(trim(list.substr(0, semicolon), is_space_or_tab));
        if (!name.empty() && std::find(groups.begin(), groups.end(), name) == groups.end()) groups.push_back(name);
        if (semicolon == std::string_view::npos) break;
        list.remove_prefix(semicolon + 1);
    }
}

// Which header an attribute or player option names, if any: a header's own
// name, or that name after "http-".
std::string* header_named(platform::StreamHeaders& headers, std::string_view name) {
    if (starts_with_ignoring_case(name, "http-")) name.remove_prefix(5);
    return platform::stream_header_field(headers, name);
}

void take_headers(platform::StreamHeaders& into, const platform::StreamHeaders& from) {
    if (!from.user_agent.empty()) into.user_agent = from.user_agent;
    if (!from.referer.empty()) into.referer = from.referer;
    if (!from.origin.empty()) into.origin = from.origin;
}

}  // namespace

DirectiveAttributes parse_attributes(std::string_view text) {
    DirectiveAttributes out;
    std::size_t i = 0;
    const auto skip_blanks = [&] {
        while (i < text.size() && is_space_or_tab(text[i])) ++i;
    };
    skip_blanks();
    // The duration (or anything else) before the first blank or comma.
    while (i < text.size() && !is_space_or_tab(text[i]) && text[i] != ',' && text[i] != '=') ++i;
    if (i < text.size() && text[i] == '=') i = 0;  // no duration: the line starts with an attribute
    while (true) {
        skip_blanks();
        if (i >= text.size()) break;
        if (text[i] == ',') {
            out.title = std::string(trim(text.substr(i + 1), is_space_or_tab));
            break;
        }
        const std::size_t name_start = i;
        while (i < text.size() && !is_space_or_tab(text[i]) && text[i] != ',' && text[i] != '=') ++i;
        const std::string name = lower_case(text.substr(name_start, i - name_start));
        if (i >= text.size() || text[i] != '=') continue;  // a bare word: nothing to keep
        ++i;
        std::string value;
        if (i < text.size() && (text[i] == '"' || text[i] == '\'')) {
            const char quote = text[i++];
            const std::size_t close = text.find(quote, i);
            value = text.substr(i, close == std::string_view::npos ? std::string_view::npos : close - i);
            i = close == std::string_view::npos ? text.size() : close + 1;
        } else {
            const std::size_t value_start = i;
            while (i < text.size() && !is_space_or_tab(text[i]) && text[i] != ',') ++i;
            value = text.substr(value_start, i - value_start);
        }
        if (!name.empty()) out.attributes.emplace_back(name, std::string(trim(value, is_space_or_tab)));
    }
    return out;
}

PlaylistParser::PlaylistParser(std::string base, EntrySink on_entry, BadLineSink on_bad_line)
    : base_(std::move(base)), on_entry_(std::move(on_entry)), on_bad_line_(std::move(on_bad_line)) {}

void PlaylistParser::line(std::string_view text, std::size_t number) {
    text = trim(text, is_space_or_tab);
    if (text.empty()) return;
    if (text.front() == '#')
        directive(text, number);
    else
        address(text, number);
}

void PlaylistParser::directive(std::string_view text, std::size_t number) {
    if (starts_with_ignoring_case(text, "#ext-x-targetduration") ||
        starts_with_ignoring_case(text, "#ext-x-stream-inf") ||
        starts_with_ignoring_case(text, "#ext-x-media-sequence"))
        throw std::runtime_error("line " + std::to_string(number) +
                                 ": this is the playlist of one HLS stream, not a list of channels");
    if (starts_with_ignoring_case(text, "#extm3u")) {
        platform::StreamHeaders headers;
        for (const auto& [name, value] : parse_attributes(text.substr(7)).attributes)
            if (std::string* header = header_named(headers, name)) *header = value;
        take_headers(playlist_headers_, headers);
        return;
    }
    if (starts_with_ignoring_case(text, "#extinf:") || platform::equals_ignoring_case(text, "#extinf")) {
        if (pending_ && pending_line_ != 0) on_bad_line_(pending_line_, "#EXTINF without a stream address after it");
        if (!pending_ || pending_line_ != 0) pending_.emplace();
        pending_line_ = number;
        const DirectiveAttributes parsed = parse_attributes(text.size() > 8 ? text.substr(8) : std::string_view{});
        PlaylistEntry& entry = *pending_;
        platform::StreamHeaders headers;
        for (const auto& [name, value] : parsed.attributes) {
            if (name == "tvg-id") entry.tvg_id = value;
            if (name == "tvg-name") entry.tvg_name = value;
            if (name == "group-title") add_groups(entry.groups, value);
            if (std::string* header = header_named(headers, name)) *header = value;
        }
        // Options written before the #EXTINF line outrank its attributes.
        platform::StreamHeaders options = entry.headers;
        entry.headers = headers;
        take_headers(entry.headers, options);
        if (parsed.title) entry.title = *parsed.title;
        return;
    }
    if (starts_with_ignoring_case(text, "#extgrp:")) {
        grouping_.clear();
        add_groups(grouping_, text.substr(8));
        return;
    }
    if (starts_with_ignoring_case(text, "#extvlcopt:")) {
        const std::string_view option = trim(text.substr(11), is_space_or_tab);
        const std::size_t eq = option.find('=');
        if (eq == std::string_view::npos) {
            on_bad_line_(number, "#EXTVLCOPT without name=value");
            return;
        }
        if (!pending_) pending_.emplace();
        if (std::string* header = header_named(pending_->headers, trim(option.substr(0, eq), is_space_or_tab)))
            *header = std::string(trim(option.substr(eq + 1), is_space_or_tab));
        else
            ++skipped_;
        return;
    }
    ++skipped_;
}

void PlaylistParser::address(std::string_view text, std::size_t number) {
    PlaylistEntry entry = pending_ ? std::move(*pending_) : PlaylistEntry{};
    pending_.reset();
    pending_line_ = 0;

    // A "|" starts the player's request options: name=value pairs joined by "&".
    const std::size_t bar = text.find('|');
    const std::string_view written = trim(text.substr(0, bar), is_space_or_tab);
    if (bar != std::string_view::npos) {
        const platform::StreamIdentifier suffix =
            platform::split_stream_headers("|" + std::string(text.substr(bar + 1)));
        take_headers(entry.headers, suffix.headers);
    }
    std::string why;
    std::optional<std::string> resolved = resolve_address(written, base_, why);
    if (!resolved) {
        on_bad_line_(number, why);
        return;
    }
    entry.address = std::move(*resolved);
    platform::StreamHeaders headers = playlist_headers_;
    take_headers(headers, entry.headers);
    entry.headers = std::move(headers);
    if (entry.groups.empty()) entry.groups = grouping_;
    entry.line = number;
    ++entries_;
    on_entry_(std::move(entry));
}

void PlaylistParser::finish() {
    if (pending_ && pending_line_ != 0) on_bad_line_(pending_line_, "#EXTINF without a stream address after it");
    pending_.reset();
    pending_line_ = 0;
}

}  // namespace qinghe::playlist_import
