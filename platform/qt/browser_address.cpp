#include "platform/qt/browser_address.h"

#include "platform/error.h"
#include "platform/qt/qt_text.h"

#include <QDir>
#include <QFileInfo>

namespace qinghe::platform::qt {

namespace {
// Characters that stand for themselves inside a query; every other character
// outside the unreserved set is percent-encoded.
const QByteArray literal_in_query = QByteArrayLiteral("&=/?:@!$'()*,;");
}  // namespace

QUrl browser_url(const std::string& address) {
    if (address == "about: blank" || address == "about:blank") return QUrl(QStringLiteral("about:blank"));
    if (address.empty()) throw PlatformError("empty browser address");

    const std::string::size_type mark = address.find('?');
    QString path = to_qstring(address.substr(0, mark));
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (path.isEmpty()) throw PlatformError("browser address without a path");

    QUrl url = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
    if (mark != std::string::npos) {
        const QByteArray query =
            QUrl::toPercentEncoding(to_qstring(address.substr(mark + 1)), literal_in_query);
        url.setQuery(QString::fromLatin1(query), QUrl::StrictMode);
    }
    if (!url.isValid()) throw PlatformError("browser address is not a valid URL: " + address);
    return url;
}

}  // namespace qinghe::platform::qt
