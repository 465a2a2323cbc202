// The player pages' loopback origin: serves the files of bg/ and hands the
// gateway/ addresses to the stream gateway.

#pragma once

#include "platform/qt/browser/conversion_service.h"
#include "platform/qt/browser/stream_gateway.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTcpServer>
#include <QUrl>

#include <memory>

namespace qinghe::platform::qt {

class HttpExchange;

// The player pages' own origin: an HTTP server on 127.0.0.1, on a port the
// system picks, whose every address starts with an unguessable prefix:
//   http://127.0.0.1:<port>/<prefix>/bg/<file>    the files of the pages' directory
//   http://127.0.0.1:<port>/<prefix>/gateway/...  the stream gateway (stream_gateway.h)
// A request must name exactly that host and port in its Host field (so a
// page of another origin that rebinds a name to 127.0.0.1 gets nothing), use
// GET or HEAD and name a file that, with every link resolved, lies inside the
// pages' directory. Every page gets a Content-Security-Policy that confines
// it to this origin: it loads and connects nowhere else, holds no frame or
// plug-in, sends no form and sets no base address. Its own inline scripts,
// event handlers and styles run, since a page put into bg/ by a publisher or
// user is written that way; the three pages of the program carry a stricter
// policy of their own in a <meta> element.
//
// Qt Network's QTcpServer carries the server and QNetworkAccessManager the
// upstream requests (with TLS for https): both run in the window's event
// loop, and a socket's write buffer tells when a client is slow, so streams
// are paced without threads. Qt's HTTP server module is a technology preview
// in Qt 6.4 and cannot hold a streamed body back for a slow client; the
// other libraries at hand run their own threads and need a second HTTP
// client for https.
class OriginServer : public QObject {
    Q_OBJECT
public:
    static constexpr int max_connections = 64;
    static constexpr const char* content_security_policy =
        "default-src 'self'; script-src 'self' 'unsafe-inline' 'unsafe-eval'; style-src 'self' 'unsafe-inline'; "
        "connect-src 'self' data: blob:; media-src 'self' data: blob:; img-src 'self' data: blob:; "
        "font-src 'self' data:; worker-src 'self' blob:; frame-src 'none'; object-src 'none'; base-uri 'none'; "
        "form-action 'none'";

    // Listens at once; throws PlatformError when it cannot.
    explicit OriginServer(QObject* parent = nullptr);
    ~OriginServer() override;

    // "http://127.0.0.1:<port>/<prefix>/"
    QUrl base() const { return base_; }
    // Whether the address lies inside this origin's prefix.
    bool owns(const QUrl& url) const;

    // The address this origin serves a player page at, given as a local file
    // URL in a directory named bg: that directory becomes the pages'
    // directory (its parent the program's directory, where local media must
    // lie) and the page's kwelo_iid is granted to the gateway. An address
    // longer than the engine loads (HttpExchange::target_limit) becomes the
    // page with the query kwelo_too_long=<the identifier's length in
    // characters> and grants nothing, so the page can say why it plays
    // nothing. Throws PlatformError for any other file.
    QUrl open_page(const QUrl& file_url);

    StreamGateway& gateway() { return *gateway_; }

private:
    void answer(HttpExchange& exchange);
    void answer_page_file(HttpExchange& exchange, const QByteArray& path);

    QTcpServer server_;
    QByteArray prefix_;
    QUrl base_;
    QString pages_;
    // What the gateway converts with; it outlives the gateway.
    ConversionService conversions_;
    std::unique_ptr<StreamGateway> gateway_;
    // The live exchanges' parent; it goes before the gateway their upstream requests belong to.
    std::unique_ptr<QObject> exchanges_;
};

}  // namespace qinghe::platform::qt
