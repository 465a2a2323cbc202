#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qinghe::playlist_import {

// Where a playlist's relative addresses count from: a folder, written with a
// trailing "/". It is a URL ("http://host/dir/"), a path ("/home/u/tv/"),
// a relative path ("media/", kept relative in the result) or empty (a
// relative address stays as written).
std::string base_folder(std::string_view location);

// The stream address an entry line names, resolved against the base folder,
// or nullopt with the reason in why. Network addresses (http, https, rtmp,
// rtsp, rtp, udp, mms, srt) are kept as written; "file:" addresses become
// paths; any other scheme ("javascript:", "data:") is refused, and so is a
// line that names neither a URL nor a file (no "/" and no file extension).
std::optional<std::string> resolve_address(std::string_view written, const std::string& base, std::string& why);

// The last segment of an address's path (its query and fragment left off),
// percent-decoded when that gives UTF-8; the host, or the address itself,
// when the path has no segment. The title of an entry that has none.
std::string last_segment(std::string_view address);

}  // namespace qinghe::playlist_import
