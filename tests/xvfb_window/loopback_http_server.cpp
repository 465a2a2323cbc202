#include "loopback_http_server.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QUrl>

namespace qinghe::test {

namespace {
QByteArray content_type(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == "mp4") return "video/mp4";
    if (suffix == "webm") return "video/webm";
    if (suffix == "m3u8") return "application/vnd.apple.mpegurl";
    if (suffix == "ts") return "video/mp2t";
    if (suffix == "flv") return "video/x-flv";
    return "application/octet-stream";
}
}  // namespace

LoopbackHttpServer::LoopbackHttpServer(const QString& folder) : folder_(folder) {
    connect(&server_, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = server_.nextPendingConnection()) {
            ++connections_;
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { answer(socket); });
        }
    });
    server_.listen(QHostAddress::LocalHost, 0);
}

void LoopbackHttpServer::require_headers(const QString& prefix, const QList<QPair<QByteArray, QByteArray>>& headers) {
    guarded_prefix_ = prefix;
    required_ = headers;
}

QByteArray LoopbackHttpServer::Seen::header(const QByteArray& name) const {
    for (const QByteArray& line : head.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == name.toLower()) return line.mid(colon + 1).trimmed();
    }
    return {};
}

QString LoopbackHttpServer::base() const {
    return QStringLiteral("http://127.0.0.1:%1/").arg(server_.serverPort());
}

void LoopbackHttpServer::answer(QTcpSocket* socket) {
    // One request per connection: wait for the whole head, then answer and close.
    const QByteArray request = socket->property("head").toByteArray() + socket->readAll();
    socket->setProperty("head", request);
    if (!request.contains("\r\n\r\n")) return;
    const QList<QByteArray> words = request.left(request.indexOf("\r\n")).split(' ');
    QString path = words.size() > 1 ? QUrl::fromPercentEncoding(words[1].split('?').first()) : QString();
    const Seen seen{path, request.left(request.indexOf("\r\n\r\n"))};
    seen_.push_back(seen);
    requests_.append(QString::fromUtf8(words.value(1)));

    if (path.startsWith("/drop/")) return socket->abort();
    if (!guarded_prefix_.isEmpty() && path.startsWith(guarded_prefix_)) {
        for (const auto& [name, value] : required_) {
            if (seen.header(name) != value) {
                socket->write("HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
                return socket->disconnectFromHost();
            }
        }
        path = path.mid(guarded_prefix_.size() - 1);
    }

    QFile file(folder_.filePath(path.mid(1)));
    QByteArray reply;
    if (path.contains("..") || !file.open(QIODevice::ReadOnly)) {
        reply = "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
    } else {
        const qint64 size = file.size();
        qint64 first = 0, last = size - 1;
        const auto range =
            QRegularExpression("\r\nRange: *bytes=(\\d+)-(\\d*)", QRegularExpression::CaseInsensitiveOption)
                .match(request);
        if (range.hasMatch()) {
            first = range.captured(1).toLongLong();
            if (!range.captured(2).isEmpty()) last = std::min(last, range.captured(2).toLongLong());
        }
        file.seek(first);
        const QByteArray body = words[0] == "HEAD" ? QByteArray() : file.read(last - first + 1);
        reply = QByteArray(range.hasMatch() ? "HTTP/1.1 206 Partial Content\r\n" : "HTTP/1.1 200 OK\r\n") +
                "Content-Type: " + content_type(path) + "\r\nAccept-Ranges: bytes\r\n" +
                "Content-Length: " + QByteArray::number(last - first + 1) + "\r\n" +
                (range.hasMatch() ? "Content-Range: bytes " + QByteArray::number(first) + "-" +
                                        QByteArray::number(last) + "/" + QByteArray::number(size) + "\r\n"
                                  : QByteArray()) +
                "Connection: close\r\n\r\n" + body;
    }
    socket->write(reply);
    socket->disconnectFromHost();
}

}  // namespace qinghe::test
