// The Content-Type of a served file by its suffix, and whether an address
// names a playlist.

#include "platform/qt/browser/media_type.h"

#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

namespace qinghe::platform::qt {

QByteArray media_type(const QString& file_name) {
    static const QHash<QString, QByteArray> types = {
        {"htm", "text/html; charset=utf-8"},
        {"html", "text/html; charset=utf-8"},
        {"js", "text/javascript; charset=utf-8"},
        {"css", "text/css; charset=utf-8"},
        {"png", "image/png"},
        {"jpg", "image/jpeg"},
        {"gif", "image/gif"},
        {"m3u8", "application/vnd.apple.mpegurl"},
        {"ts", "video/mp2t"},
        {"flv", "video/x-flv"},
        {"mp4", "video/mp4"},
        {"m4v", "video/mp4"},
        {"mov", "video/quicktime"},
        {"webm", "video/webm"},
        {"mkv", "video/x-matroska"},
        {"ogv", "video/ogg"},
        {"ogg", "audio/ogg"},
        {"oga", "audio/ogg"},
        {"mp3", "audio/mpeg"},
        {"m4a", "audio/mp4"},
        {"aac", "audio/aac"},
        {"wav", "audio/wav"},
        {"flac", "audio/flac"},
    };
    return types.value(QFileInfo(file_name).suffix().toLower(), "application/octet-stream");
}

bool names_playlist(const QString& address) {
    static const QRegularExpression playlist(QStringLiteral("^[^?#]*\\.m3u8([?#]|$)"),
                                             QRegularExpression::CaseInsensitiveOption);
    return playlist.match(address).hasMatch();
}

}  // namespace qinghe::platform::qt
