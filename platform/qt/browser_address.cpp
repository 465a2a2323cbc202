#include "platform/qt/browser_address.h"

#include "platform/base/error.h"
#include "platform/base/native_path.h"
#include "platform/qt/qt_text.h"

#include <QDir>
#include <QFileInfo>

namespace qinghe::platform::qt {

namespace {
// Characters that stand for themselves inside a query; every other character
// outside the unreserved set is percent-encoded. "'" is not among them: the
// engine encodes it in an http query anyway, and so the address's length is
// the one the engine sees.
const QByteArray literal_in_query = QByteArrayLiteral("&=/?:@!$()*,;");

QString native_path(const std::string& text, const std::string& program_directory) {
    return to_qstring(platform::native_path(text, program_directory));
}

// Where the path ends and the query begins: at the first "?" after the
// program's directory; for an address elsewhere, at the first "?" whose
// left-hand side names an existing file, failing that at the first "?".
std::string::size_type query_mark(const std::string& address, const std::string& program_directory) {
    if (starts_in_directory(address, program_directory)) return address.find('?', program_directory.size());
    for (auto mark = address.find('?'); mark != std::string::npos; mark = address.find('?', mark + 1))
        if (QFileInfo(native_path(address.substr(0, mark), program_directory)).isFile()) return mark;
    return address.find('?');
}
}  // namespace

QUrl browser_url(const std::string& address, const std::string& program_directory) {
    if (address == "about: blank" || address == "about:blank") return QUrl(QStringLiteral("about:blank"));
    if (address.empty()) throw PlatformError("empty browser address");

    const std::string::size_type mark = query_mark(address, program_directory);
    const QString path = native_path(address.substr(0, mark), program_directory);
    if (path.isEmpty()) throw PlatformError("browser address without a path");

    QUrl url = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
    if (mark != std::string::npos) {
        const QByteArray query = QUrl::toPercentEncoding(to_qstring(address.substr(mark + 1)), literal_in_query);
        url.setQuery(QString::fromLatin1(query), QUrl::StrictMode);
    }
    if (!url.isValid()) throw PlatformError("browser address is not a valid URL: " + address);
    return url;
}

}  // namespace qinghe::platform::qt
