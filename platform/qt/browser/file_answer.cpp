// Answers a request with a file: whole, a byte range of it, or an error status.

#include "platform/qt/browser/file_answer.h"

#include "platform/qt/browser/media_type.h"

#include <QFile>
#include <QRegularExpression>

namespace qinghe::platform::qt {

std::optional<std::pair<qint64, qint64>> requested_range(const QByteArray& header, qint64 size) {
    static const QRegularExpression single(QStringLiteral("^bytes=(\\d*)-(\\d*)$"));
    const auto match = single.match(QString::fromLatin1(header.trimmed()));
    if (!match.hasMatch() || (match.captured(1).isEmpty() && match.captured(2).isEmpty())) return std::nullopt;
    bool ok_first = true, ok_last = true;
    const qint64 first_text = match.captured(1).toLongLong(&ok_first);
    const qint64 last_text = match.captured(2).toLongLong(&ok_last);
    const std::pair<qint64, qint64> unmet{-1, -1};
    if (match.captured(1).isEmpty()) {  // the last N bytes
        if (!ok_last || last_text == 0 || size == 0) return unmet;
        return std::pair{std::max<qint64>(0, size - last_text), size - 1};
    }
    if (!ok_first || first_text >= size) return unmet;
    const qint64 last = match.captured(2).isEmpty() || !ok_last ? size - 1 : std::min(last_text, size - 1);
    if (last < first_text) return unmet;
    return std::pair{first_text, last};
}

void answer_with_file(HttpExchange& exchange, const QString& path, HttpHeaders extra) {
    auto* file = new QFile(path, &exchange);
    if (!file->open(QIODevice::ReadOnly)) {
        delete file;
        return exchange.respond(404, std::move(extra));
    }
    const qint64 size = file->size();
    extra.append(HttpHeaders::value_type("Content-Type", media_type(path)));
    extra.append(HttpHeaders::value_type("Accept-Ranges", "bytes"));
    const std::optional<std::pair<qint64, qint64>> range = requested_range(exchange.request().header("range"), size);
    if (range && range->first < 0) {
        delete file;
        extra.append(HttpHeaders::value_type("Content-Range", "bytes */" + QByteArray::number(size)));
        return exchange.respond(416, std::move(extra));
    }
    const qint64 first = range ? range->first : 0;
    const qint64 length = range ? range->second - range->first + 1 : size;
    extra.append(HttpHeaders::value_type("Content-Length", QByteArray::number(length)));
    if (range)
        extra.append(HttpHeaders::value_type("Content-Range", "bytes " + QByteArray::number(first) + '-' +
                                                                  QByteArray::number(range->second) + '/' +
                                                                  QByteArray::number(size)));
    exchange.respond_head(range ? 206 : 200, extra);
    if (exchange.is_head() || length == 0) {
        delete file;
        return exchange.end_when_drained();
    }
    file->seek(first);
    exchange.stream(file, length);
}

}  // namespace qinghe::platform::qt
