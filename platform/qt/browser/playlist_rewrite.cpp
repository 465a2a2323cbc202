// Rewrites every reference of an HLS playlist, so that a page follows
// gateway addresses only.

#include "platform/qt/browser/playlist_rewrite.h"

#include <QList>

namespace qinghe::platform::qt {

namespace {
// Tags whose URI names a playlist rather than bytes.
bool names_playlist(const QByteArray& line) {
    return line.startsWith("#EXT-X-MEDIA:") || line.startsWith("#EXT-X-I-FRAME-STREAM-INF:") ||
           line.startsWith("#EXT-X-RENDITION-REPORT:");
}

// Rewrites every URI="..." attribute of a tag line; false when one is refused.
bool rewrite_tag(QByteArray& line, const ReferenceMap& map) {
    const PlaylistEntry kind = names_playlist(line) ? PlaylistEntry::playlist : PlaylistEntry::bytes;
    qsizetype from = 0;
    for (;;) {
        const qsizetype attribute = line.indexOf("URI=\"", from);
        if (attribute < 0) return true;
        // Only a whole attribute name counts (not KEYFORMATURI=, say).
        const char before = attribute > 0 ? line[attribute - 1] : ',';
        const qsizetype start = attribute + 5;
        const qsizetype end = line.indexOf('"', start);
        if (end < 0) return false;
        if (before != ',' && before != ':') {
            from = end + 1;
            continue;
        }
        const std::optional<QString> target = map(QString::fromUtf8(line.mid(start, end - start)).trimmed(), kind);
        if (!target) return false;
        const QByteArray replacement = target->toUtf8();
        line.replace(start, end - start, replacement);
        from = start + replacement.size() + 1;
    }
}
}  // namespace

std::optional<QByteArray> rewrite_playlist(const QByteArray& text, const ReferenceMap& map) {
    QByteArray body = text;
    if (body.startsWith("\xEF\xBB\xBF")) body.remove(0, 3);
    if (!body.trimmed().startsWith("#EXTM3U")) return std::nullopt;

    QByteArray out;
    out.reserve(body.size() + body.size() / 2);
    bool variant_next = false;
    for (QByteArray line : body.split('\n')) {
        if (line.endsWith('\r')) line.chop(1);
        const QByteArray trimmed = line.trimmed();
        if (trimmed.startsWith('#')) {
            line = trimmed;
            if (line.startsWith("#EXT-X-STREAM-INF:")) variant_next = true;
            if (line.startsWith("#EXT") && !rewrite_tag(line, map)) return std::nullopt;
        } else if (!trimmed.isEmpty()) {
            const std::optional<QString> target =
                map(QString::fromUtf8(trimmed), variant_next ? PlaylistEntry::playlist : PlaylistEntry::bytes);
            if (!target) return std::nullopt;
            line = target->toUtf8();
            variant_next = false;
        }
        out += line;
        out += '\n';
    }
    return out;
}

}  // namespace qinghe::platform::qt
