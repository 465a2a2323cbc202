// One HTTP/1.x request and its answer over one loopback connection, for the
// origin and the gateway alike.

#include "platform/qt/browser/http_exchange.h"

#include <QIODevice>
#include <QTcpSocket>

#include <algorithm>

namespace qinghe::platform::qt {

namespace {
constexpr int head_deadline_ms = 10000;
constexpr qint64 chunk_bytes = 64 * 1024;

QByteArray reason(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 206:
        return "Partial Content";
    case 400:
        return "Bad Request";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 416:
        return "Range Not Satisfiable";
    case 421:
        return "Misdirected Request";
    case 502:
        return "Bad Gateway";
    default:
        return "Status";
    }
}
}  // namespace

QByteArray HttpRequestHead::header(const QByteArray& name) const {
    for (const auto& [field, value] : headers)
        if (field == name) return value;
    return {};
}

std::optional<HttpRequestHead> parse_request_head(const QByteArray& text) {
    const qsizetype end = text.indexOf("\r\n\r\n");
    if (end < 0) return std::nullopt;
    const QList<QByteArray> lines = text.left(end).split('\n');
    const QList<QByteArray> words = lines.first().trimmed().split(' ');
    if (words.size() != 3 || !words[2].startsWith("HTTP/1.") || !words[1].startsWith('/')) return std::nullopt;
    HttpRequestHead head{words[0], words[1], {}};
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0) return std::nullopt;
        head.headers.append(
            HttpHeaders::value_type(line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed()));
    }
    return head;
}

HttpExchange::HttpExchange(QTcpSocket* socket) : socket_(socket) {
    socket->setParent(this);
    connect(socket, &QTcpSocket::readyRead, this, &HttpExchange::read_head);
    connect(socket, &QTcpSocket::bytesWritten, this, &HttpExchange::pump);
    connect(socket, &QTcpSocket::disconnected, this, &QObject::deleteLater);
    head_deadline_.setSingleShot(true);
    connect(&head_deadline_, &QTimer::timeout, this, &HttpExchange::abort);
    head_deadline_.start(head_deadline_ms);
    // Bytes may have come before the exchange was connected to the socket.
    QMetaObject::invokeMethod(this, &HttpExchange::read_head, Qt::QueuedConnection);
}

void HttpExchange::read_head() {
    if (socket_.isNull()) return;
    if (answered_ || !request_.method.isEmpty()) {
        socket_->readAll();  // one request per connection; what follows is ignored
        return;
    }
    // Only the new bytes (and the three before them) can complete the blank
    // line, so a long head arriving in small pieces is searched once.
    const qsizetype searched = std::max<qsizetype>(0, head_.size() - 3);
    head_ += socket_->read(head_limit + 4 - head_.size());
    if (head_.indexOf("\r\n\r\n", searched) < 0) {
        if (head_.size() > head_limit) abort();
        return;
    }
    head_deadline_.stop();
    const std::optional<HttpRequestHead> head = parse_request_head(head_);
    head_.clear();
    if (!head) return respond(400, {});
    request_ = *head;
    emit requested(this);
}

void HttpExchange::respond_head(int status, const HttpHeaders& headers) {
    if (answered_ || socket_.isNull()) return;
    answered_ = true;
    QByteArray text = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason(status) + "\r\n";
    for (const auto& [name, value] : headers) text += name + ": " + value + "\r\n";
    text += "Connection: close\r\n\r\n";
    socket_->write(text);
}

void HttpExchange::respond(int status, HttpHeaders headers, const QByteArray& body) {
    headers.append(HttpHeaders::value_type("Content-Length", QByteArray::number(body.size())));
    respond_head(status, headers);
    if (!is_head() && !socket_.isNull()) socket_->write(body);
    finish();
}

void HttpExchange::stream(QIODevice* device, qint64 limit) {
    device->setParent(this);
    device_ = device;
    remaining_ = limit;
    connect(device, &QIODevice::readyRead, this, &HttpExchange::pump);
    connect(device, &QIODevice::readChannelFinished, this, &HttpExchange::pump);
    pump();
}

void HttpExchange::end_when_drained() {
    end_requested_ = true;
    pump();
}

void HttpExchange::pump() {
    if (socket_.isNull() || done_) return;
    if (device_.isNull()) {
        if (end_requested_) finish();
        return;
    }
    while (remaining_ != 0 && socket_->bytesToWrite() < buffer_limit) {
        const qint64 want = remaining_ < 0 ? chunk_bytes : std::min(chunk_bytes, remaining_);
        const QByteArray bytes = device_->read(want);
        if (bytes.isEmpty()) break;
        socket_->write(bytes);
        if (remaining_ > 0) remaining_ -= bytes.size();
    }
    const bool file_done = !device_->isSequential() && device_->atEnd();
    if (remaining_ == 0 || file_done || (end_requested_ && device_->bytesAvailable() == 0)) finish();
}

void HttpExchange::finish() {
    done_ = true;
    if (device_) {
        device_->disconnect(this);
        device_->deleteLater();
        device_ = nullptr;
    }
    if (!socket_.isNull()) socket_->disconnectFromHost();
}

void HttpExchange::abort() {
    done_ = true;
    if (!socket_.isNull()) socket_->abort();
    deleteLater();
}

}  // namespace qinghe::platform::qt
