#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace qinghe::playlist_import {

// The most entries one import takes, over all its playlists.
inline constexpr std::size_t max_entries = 1'000'000;

// How the imported catalogue shows an entry: under its programme, one play
// group with this label (it chooses the widest player page, which plays
// every form of stream) holding one video with this title.
inline constexpr const char* play_group_label = "SINA视频";
inline constexpr const char* video_title = "在线播放";
// The category of entries that name no group.
inline constexpr const char* ungrouped = "未分类";

struct ImportRequest {
    std::vector<std::string> playlists;  // files, or "-" for standard input
    // Where relative entries count from instead of each playlist's own
    // folder (standard input's is the working directory).
    std::optional<std::string> base;
    std::filesystem::path output;
    std::size_t max_entries = playlist_import::max_entries;
};

struct ImportResult {
    std::size_t entries = 0;
    std::size_t categories = 0;
    std::size_t programmes = 0;  // an entry in several groups is listed in each
};

// Writes a catalogue from extended M3U playlists, as create writes one:
// complete or not at all, and never over anything but a regular file.
// Groups become categories in the order they first appear; each entry a
// programme in playlist order. Notes (lines skipped with their numbers,
// text read as GB18030, a summary per playlist) go to notes. Throws
// std::runtime_error, naming the playlist, for input that is no playlist, a
// line over 1 MiB, a playlist without entries, more than max_entries
// entries, or output that cannot be written.
ImportResult import_playlists(const ImportRequest& request, std::ostream& notes);

}  // namespace qinghe::playlist_import
