// The Content-Type of a served file by its suffix, and whether an address
// names a playlist.

#pragma once

#include <QByteArray>
#include <QString>

namespace qinghe::platform::qt {

// The Content-Type the origin sends for a file, by its name's suffix.
QByteArray media_type(const QString& file_name);

// Whether an address or path names an HLS playlist (ends in .m3u8 before any query or fragment).
bool names_playlist(const QString& address);

}  // namespace qinghe::platform::qt
