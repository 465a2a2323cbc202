#pragma once

#include "platform/base/stream_headers.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qinghe::playlist_import {

// One channel of a playlist, as its lines describe it.
struct PlaylistEntry {
    std::string title;                // as written; empty when the entry has none
    std::vector<std::string> groups;  // distinct, in the order written; empty when none
    std::string address;              // resolved, without headers
    platform::StreamHeaders headers;
    std::string tvg_id;
    std::string tvg_name;
    std::size_t line = 0;  // the address's line
};

// The attributes of an "#EXTINF:" or "#EXTM3U" line, names in lower case,
// values unquoted, in the order written; and the text after the first comma
// outside quotes (the title), when there is one.
struct DirectiveAttributes {
    std::vector<std::pair<std::string, std::string>> attributes;
    std::optional<std::string> title;
};
DirectiveAttributes parse_attributes(std::string_view text);

// Reads the lines of an extended M3U playlist (already UTF-8, without a byte
// order mark) and hands on each entry. Entry lines are resolved against the
// base folder (see stream_address.h). Lines it cannot use are handed to
// on_bad_line with their number and the reason, and skipped.
class PlaylistParser {
public:
    using EntrySink = std::function<void(PlaylistEntry&&)>;
    using BadLineSink = std::function<void(std::size_t line, const std::string& why)>;

    PlaylistParser(std::string base, EntrySink on_entry, BadLineSink on_bad_line);

    // Throws std::runtime_error when the lines are no list of channels (an
    // HLS stream's own playlist).
    void line(std::string_view text, std::size_t number);
    // After the last line: reports an "#EXTINF:" left without its address.
    void finish();

    std::size_t entries() const { return entries_; }
    // Directives read and left unused: "#KODIPROP:", unknown ones, unused
    // "#EXTVLCOPT:" options, comments.
    std::size_t skipped_directives() const { return skipped_; }

private:
    void directive(std::string_view text, std::size_t number);
    void address(std::string_view text, std::size_t number);

    std::string base_;
    EntrySink on_entry_;
    BadLineSink on_bad_line_;
    platform::StreamHeaders playlist_headers_;  // from "#EXTM3U", for every entry
    std::vector<std::string> grouping_;         // from "#EXTGRP:", until the next one
    std::optional<PlaylistEntry> pending_;      // from "#EXTINF:" and options, until the address
    std::size_t pending_line_ = 0;
    std::size_t entries_ = 0;
    std::size_t skipped_ = 0;
};

}  // namespace qinghe::playlist_import
