// One HTTP/1.x request and its answer over one loopback connection, for the
// origin and the gateway alike.

#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QTimer>

#include <optional>

class QIODevice;
class QTcpSocket;

namespace qinghe::platform::qt {

using HttpHeaders = QList<QPair<QByteArray, QByteArray>>;

// A request head as it came: method, target (path and query, still
// percent-encoded) and the header fields, names in lower case.
struct HttpRequestHead {
    QByteArray method;
    QByteArray target;
    HttpHeaders headers;

    // The value of the first field of that (lower-case) name; empty if none.
    QByteArray header(const QByteArray& name) const;
};

// The head of one request in text, up to and including the blank line;
// nothing when it is not a well-formed HTTP/1.x request head.
std::optional<HttpRequestHead> parse_request_head(const QByteArray& text);

// One request and its answer over one loopback connection, which closes
// after the answer (every answer says "Connection: close"). The head must
// arrive within a few seconds and fit in head_limit bytes: a request line as
// long as the browser engine's longest address (target_limit) and header
// fields of a few kilobytes; otherwise the connection is dropped. A body is written whole (respond) or streamed from a
// device as its bytes come (stream): at most about buffer_limit bytes wait in
// the socket at a time, the device is read only as the client takes them, so
// a stream of any length or speed holds bounded memory. The exchange deletes
// itself when the connection ends, and with it any device it streams from.
class HttpExchange : public QObject {
    Q_OBJECT
public:
    // The engine loads no address longer than 2 MiB, so no page asks for more.
    static constexpr qsizetype target_limit = 2 * 1024 * 1024;
    static constexpr qsizetype head_limit = target_limit + 16 * 1024;
    static constexpr qint64 buffer_limit = 512 * 1024;

    // Takes the socket over.
    explicit HttpExchange(QTcpSocket* socket);

    const HttpRequestHead& request() const { return request_; }
    bool is_head() const { return request_.method == "HEAD"; }

    // A whole answer. A HEAD request gets the head only.
    void respond(int status, HttpHeaders headers, const QByteArray& body = {});
    // The head of an answer whose body comes from stream().
    void respond_head(int status, const HttpHeaders& headers);
    // Streams the device's bytes as the answer's body, at most limit bytes
    // (all of them when limit < 0). The exchange takes the device over. The
    // answer ends when the device has no more bytes and either is at its end
    // (a file) or end_when_drained() was called (a stream).
    void stream(QIODevice* device, qint64 limit = -1);
    void end_when_drained();
    // Drops the connection without (more of) an answer, as a network that
    // fails does.
    void abort();

signals:
    // The request head arrived whole; answer it.
    void requested(HttpExchange* exchange);

private:
    void read_head();
    void pump();
    void finish();

    QPointer<QTcpSocket> socket_;
    QByteArray head_;
    HttpRequestHead request_;
    bool answered_ = false;
    QPointer<QIODevice> device_;
    qint64 remaining_ = -1;
    bool end_requested_ = false;
    bool done_ = false;
    QTimer head_deadline_;
};

}  // namespace qinghe::platform::qt
