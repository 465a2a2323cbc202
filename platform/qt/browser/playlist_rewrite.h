// Rewrites every reference of an HLS playlist, so that a page follows
// gateway addresses only.

#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

namespace qinghe::platform::qt {

// What a reference inside a playlist names: another playlist (a variant or
// rendition, rewritten in turn when it is fetched) or bytes (a segment, a
// key, an init section).
enum class PlaylistEntry { playlist, bytes };

// Maps a reference as written in a playlist to the address the page is to
// use instead, or nothing when the reference may not be followed.
using ReferenceMap = std::function<std::optional<QString>(const QString& reference, PlaylistEntry kind)>;

// An HLS playlist with every reference in it replaced through map: the URI
// lines and every quoted URI="..." attribute of a tag. Returns nothing when
// the text is not a playlist (no #EXTM3U first) or when map refuses any
// reference, so that a playlist is served whole or not at all.
std::optional<QByteArray> rewrite_playlist(const QByteArray& text, const ReferenceMap& map);

}  // namespace qinghe::platform::qt
