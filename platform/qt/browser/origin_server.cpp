// The player pages' loopback origin: serves the files of bg/ and hands the
// gateway/ addresses to the stream gateway.

#include "platform/qt/browser/origin_server.h"

#include "platform/base/error.h"
#include "platform/qt/browser/confined_path.h"
#include "platform/qt/browser/file_answer.h"
#include "platform/qt/browser/http_exchange.h"
#include "platform/qt/browser/stream_grant_headers.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QRandomGenerator>
#include <QTcpSocket>

namespace qinghe::platform::qt {

namespace {
QByteArray random_prefix() {
    QByteArray bytes(32, '\0');
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(bytes.data()), 8);
    return bytes.toHex();
}

// The kwelo_iid of a page's query as the page itself reads it: everything
// after the first "kwelo_iid=", decoded.
QString page_identifier(const QUrl& url) {
    const QByteArray query = url.query(QUrl::FullyEncoded).toUtf8();
    const qsizetype at = query.indexOf("kwelo_iid=");
    if (at < 0) return {};
    return QUrl::fromPercentEncoding(query.mid(at + 10));
}
}  // namespace

OriginServer::OriginServer(QObject* parent)
    : QObject(parent), prefix_(random_prefix()), exchanges_(std::make_unique<QObject>()) {
    if (!server_.listen(QHostAddress::LocalHost, 0))
        throw PlatformError("the player pages' origin cannot listen: " + server_.errorString().toStdString());
    base_ = QUrl(QStringLiteral("http://127.0.0.1:%1/%2/").arg(server_.serverPort()).arg(QString::fromLatin1(prefix_)));
    gateway_ = std::make_unique<StreamGateway>(base_);
    gateway_->set_converter(&conversions_);
    // The window closing ends playback at once: no grant, no converter left.
    if (auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        connect(
            application, &QGuiApplication::lastWindowClosed, this, [this] { gateway_->revoke(); });
    connect(&server_, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = server_.nextPendingConnection()) {
            if (exchanges_->children().size() >= max_connections) {
                socket->abort();
                socket->deleteLater();
                continue;
            }
            auto* exchange = new HttpExchange(socket);
            exchange->setParent(exchanges_.get());
            connect(exchange, &HttpExchange::requested, this, [this](HttpExchange* e) { answer(*e); });
        }
    });
}

OriginServer::~OriginServer() {
    exchanges_.reset();
    gateway_.reset();
    conversions_.stop_all();
}

bool OriginServer::owns(const QUrl& url) const {
    return url.scheme() == QLatin1String("http") && url.host() == base_.host() && url.port() == base_.port() &&
           url.path(QUrl::FullyEncoded).startsWith(base_.path(QUrl::FullyEncoded));
}

QUrl OriginServer::open_page(const QUrl& file_url) {
    const QFileInfo page(file_url.toLocalFile());
    const QDir directory = page.absoluteDir();
    if (!file_url.isLocalFile() || directory.dirName() != QLatin1String("bg") || !page.isFile())
        throw PlatformError("the browser shows only the player pages: " + file_url.toString().toStdString());
    pages_ = directory.absolutePath();
    QDir program = directory;
    program.cdUp();
    const QString identifier = page_identifier(file_url);

    QUrl served = base_.resolved(QUrl(QStringLiteral("bg/")));
    served.setPath(served.path() + page.fileName());
    if (file_url.hasQuery()) served.setQuery(file_url.query(QUrl::FullyEncoded), QUrl::StrictMode);
    if (served.toEncoded().size() > HttpExchange::target_limit) {
        gateway_->revoke();
        served.setQuery(QStringLiteral("kwelo_too_long=%1").arg(identifier.toUcs4().size()));
        return served;
    }
    // The stream's own request headers travel in its identifier.
    gateway_->grant({identifier, pages_, program.absolutePath(), request_headers_of(identifier)});
    return served;
}

void OriginServer::answer(HttpExchange& exchange) {
    const HttpRequestHead& request = exchange.request();
    const QByteArray host = "127.0.0.1:" + QByteArray::number(server_.serverPort());
    if (request.header("host") != host) return exchange.respond(421, {});
    if (request.method != "GET" && request.method != "HEAD") return exchange.respond(405, {{"Allow", "GET, HEAD"}});
    const QByteArray start = '/' + prefix_ + '/';
    if (!request.target.startsWith(start)) return exchange.respond(404, {});
    const QByteArray rest = request.target.mid(start.size());
    if (rest.startsWith("gateway/")) return gateway_->answer(exchange, rest.mid(8));
    if (rest.startsWith("bg/")) return answer_page_file(exchange, rest.mid(3));
    exchange.respond(404, {});
}

void OriginServer::answer_page_file(HttpExchange& exchange, const QByteArray& path) {
    const std::optional<QString> joined =
        pages_.isEmpty() ? std::nullopt : relative_file(pages_, QString::fromUtf8(path));
    const std::optional<QString> file = joined ? confined_file(pages_, *joined) : std::nullopt;
    if (!file) return exchange.respond(404, {});
    HttpHeaders headers{{"Cache-Control", "no-store"}, {"X-Content-Type-Options", "nosniff"}};
    headers.append(HttpHeaders::value_type("Content-Security-Policy", content_security_policy));
    answer_with_file(exchange, *file, headers);
}

}  // namespace qinghe::platform::qt
