// Paths that cannot lead out of a directory: link-resolved containment and
// relative references.

#include "platform/qt/browser/confined_path.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>
#include <QUrl>

namespace qinghe::platform::qt {

std::optional<QString> confined_file(const QString& root, const QString& path) {
    const QString canonical_root = QFileInfo(root).canonicalFilePath();
    const QFileInfo file(path);
    const QString canonical = file.canonicalFilePath();
    if (canonical_root.isEmpty() || canonical.isEmpty() || !QFileInfo(canonical).isFile()) return std::nullopt;
    if (!canonical.startsWith(canonical_root + QLatin1Char('/'))) return std::nullopt;
    return canonical;
}

std::optional<QString> relative_file(const QString& base, const QString& reference) {
    static const QRegularExpression scheme_or_drive(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:"));
    QString path = reference;
    for (const QChar mark : {QLatin1Char('?'), QLatin1Char('#')})
        if (const qsizetype at = path.indexOf(mark); at >= 0) path.truncate(at);
    if (scheme_or_drive.match(path).hasMatch()) return std::nullopt;
    path = QUrl::fromPercentEncoding(path.toUtf8()).replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (path.isEmpty() || path.startsWith(QLatin1Char('/')) || path.contains(QChar(u'\0'))) return std::nullopt;
    const QStringList segments = path.split(QLatin1Char('/'));
    if (segments.contains(QStringLiteral(".."))) return std::nullopt;
    return QDir::cleanPath(base + QLatin1Char('/') + path);
}

}  // namespace qinghe::platform::qt
