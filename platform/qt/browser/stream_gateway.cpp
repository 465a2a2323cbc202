// The stream gateway: the only way a page gets media bytes, for the
// identifier the window granted alone.

#include "platform/qt/browser/stream_gateway.h"

#include "platform/qt/browser/stream_grant_headers.h"

#include "platform/qt/browser/confined_path.h"
#include "platform/qt/browser/file_answer.h"
#include "platform/qt/browser/media_type.h"

#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QNetworkReply>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QUrlQuery>

#include <memory>

namespace qinghe::platform::qt {

namespace {
// A playlist is read whole before it is rewritten; a larger one is refused.
constexpr qint64 playlist_limit = 8 * 1024 * 1024;
// Upstream bytes waiting for the page, per stream.
constexpr qint64 upstream_buffer = 256 * 1024;
constexpr int max_redirects = 8;
// References one grant may hand out (a live playlist adds a few a minute).
constexpr int max_targets = 200000;
const QByteArray playlist_type = "application/vnd.apple.mpegurl";

bool is_http(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return (scheme == QLatin1String("http") || scheme == QLatin1String("https")) && !url.host().isEmpty();
}

bool is_loopback(const QUrl& url) {
    const QString host = url.host().toLower();
    if (host == QLatin1String("localhost") || host.endsWith(QLatin1String(".localhost"))) return true;
    const QHostAddress address(host);
    return !address.isNull() &&
           (address.isLoopback() || address.isEqual(QHostAddress::AnyIPv4) || address.isEqual(QHostAddress::AnyIPv6));
}

// An address a playlist or a redirect from `from` may lead to: http(s), and
// a loopback host only when `from` is on loopback too, so that a publisher
// cannot reach the user's own local services through the gateway.
bool may_lead_to(const QUrl& from, const QUrl& to) {
    return is_http(to) && (!is_loopback(to) || is_loopback(from));
}

QByteArray random_token() {
    QByteArray bytes(16, '\0');
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(bytes.data()), 4);
    return bytes.toHex();
}

// The identifier a gateway request names in its query: kwelo_iid's value, decoded.
QString requested_identifier(const QByteArray& query) {
    const qsizetype at = query.indexOf("kwelo_iid=");
    if (at < 0) return {};
    return QUrl::fromPercentEncoding(query.mid(at + 10));
}

// Network errors that are not an HTTP status: the upstream could not be
// reached, dropped, or was refused by the gateway itself.
bool is_transport_error(QNetworkReply::NetworkError error) {
    const int code = error;
    return (code >= 1 && code < 200) || (code >= 300 && code < 400);
}
}  // namespace

StreamGateway::StreamGateway(QUrl base, QObject* parent) : QObject(parent), base_(std::move(base)) {
    network_.setRedirectPolicy(QNetworkRequest::UserVerifiedRedirectPolicy);
}

void StreamGateway::grant(StreamGrant grant) {
    if (converter_) converter_->stop_all();
    Current current{std::move(grant), random_token(), {}, {}};
    const std::optional<Target> target = identifier_target(current.grant);
    if (target) current.targets.push_back(*target);
    current_ = std::move(current);
}

void StreamGateway::revoke() {
    if (converter_) converter_->stop_all();
    current_.reset();
}

QUrl StreamGateway::converter_input() const {
    if (!current_ || current_->targets.empty()) return {};
    return base_.resolved(
        QUrl(QStringLiteral("gateway/") + QString::fromLatin1(current_->token) + QStringLiteral("/0")));
}

std::optional<StreamGateway::Target> StreamGateway::identifier_target(const StreamGrant& grant) const {
    static const QRegularExpression remote(QStringLiteral("^https?://"), QRegularExpression::CaseInsensitiveOption);
    // Request headers may follow the address; they are the grant's.
    const QString address = stream_address_of(grant.identifier);
    const PlaylistEntry kind = names_playlist(address) ? PlaylistEntry::playlist : PlaylistEntry::bytes;
    if (remote.match(address).hasMatch()) {
        const QUrl url(address, QUrl::TolerantMode);
        if (!url.isValid() || !is_http(url)) return std::nullopt;
        return Target{kind, url, {}};
    }
    const std::optional<QString> path = relative_file(grant.base_directory, address);
    if (!path) return std::nullopt;
    return Target{kind, {}, *path};
}

QString StreamGateway::address_of(const Target& target) {
    const QString key = (target.kind == PlaylistEntry::playlist ? QStringLiteral("p ") : QStringLiteral("b ")) +
                        (target.local.isEmpty() ? target.remote.toString(QUrl::FullyEncoded) : target.local);
    auto found = current_->index.constFind(key);
    int position = found != current_->index.constEnd() ? *found : -1;
    if (position < 0) {
        if (current_->targets.size() >= max_targets) return {};
        position = static_cast<int>(current_->targets.size());
        current_->targets.push_back(target);
        current_->index.insert(key, position);
    }
    return base_.path() + QStringLiteral("gateway/") + QString::fromLatin1(current_->token) + QLatin1Char('/') +
           QString::number(position);
}

std::optional<StreamGateway::Target> StreamGateway::reference_target(const Target& playlist, const QUrl& playlist_url,
                                                                     const QString& reference,
                                                                     PlaylistEntry kind) const {
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:"));
    if (playlist.local.isEmpty()) {
        const QUrl url = playlist_url.resolved(QUrl(reference, QUrl::TolerantMode));
        if (!url.isValid() || !may_lead_to(playlist_url, url)) return std::nullopt;
        return Target{kind, url, {}};
    }
    if (scheme.match(reference).hasMatch()) {
        const QUrl url(reference, QUrl::TolerantMode);
        if (!url.isValid() || !is_http(url)) return std::nullopt;
        return Target{kind, url, {}};
    }
    if (reference.startsWith(QLatin1String("//"))) return std::nullopt;
    const std::optional<QString> path = relative_file(QFileInfo(playlist.local).path(), reference);
    if (!path) return std::nullopt;
    return Target{kind, {}, *path};
}

void StreamGateway::answer(HttpExchange& exchange, const QByteArray& rest) {
    const qsizetype mark = rest.indexOf('?');
    const QByteArray path = mark < 0 ? rest : rest.left(mark);
    const QByteArray query = mark < 0 ? QByteArray() : rest.mid(mark + 1);
    const HttpHeaders no_store{{"Cache-Control", "no-store"}};
    if (!current_) return exchange.respond(403, no_store);

    if (path == "play" || path == "convert" || path == "convert-status") {
        if (requested_identifier(query) != current_->grant.identifier || current_->targets.empty())
            return exchange.respond(403, no_store);
        if (path == "convert") return serve_converted(exchange, query);
        if (path == "convert-status")
            return exchange.respond(200, {{"Cache-Control", "no-store"}, {"Content-Type", "text/plain; charset=utf-8"}},
                                    converter_ ? converter_->failure(current_->grant).toUtf8() : QByteArray());
        return serve(exchange, Target(current_->targets.front()));
    }
    const QList<QByteArray> parts = path.split('/');
    bool numeric = false;
    const int position = parts.size() == 2 ? parts[1].toInt(&numeric) : -1;
    if (parts.size() != 2 || parts[0] != current_->token || !numeric || position < 0 ||
        position >= static_cast<int>(current_->targets.size()))
        return exchange.respond(404, no_store);
    // A copy: serving a playlist adds targets.
    serve(exchange, Target(current_->targets[static_cast<std::size_t>(position)]));
}

void StreamGateway::serve(HttpExchange& exchange, const Target& target) {
    if (target.local.isEmpty()) return serve_remote(exchange, target);
    serve_local(exchange, target);
}

void StreamGateway::serve_local(HttpExchange& exchange, const Target& target) {
    const HttpHeaders no_store{{"Cache-Control", "no-store"}};
    const std::optional<QString> file = confined_file(current_->grant.media_root, target.local);
    if (!file) return exchange.respond(404, no_store);
    if (target.kind == PlaylistEntry::bytes) return answer_with_file(exchange, *file, no_store);
    QFile playlist(*file);
    if (!playlist.open(QIODevice::ReadOnly) || playlist.size() > playlist_limit) return exchange.respond(404, no_store);
    serve_playlist_text(exchange, target, QUrl::fromLocalFile(target.local), playlist.readAll());
}

void StreamGateway::serve_playlist_text(HttpExchange& exchange, const Target& target, const QUrl& url,
                                        const QByteArray& text) {
    const std::optional<QByteArray> rewritten =
        rewrite_playlist(text, [&](const QString& reference, PlaylistEntry kind) -> std::optional<QString> {
            const std::optional<Target> next = reference_target(target, url, reference, kind);
            if (!next) return std::nullopt;
            QString address = address_of(*next);
            if (address.isEmpty()) return std::nullopt;
            return address;
        });
    if (!rewritten) return exchange.respond(502, {{"Cache-Control", "no-store"}});
    exchange.respond(200, {{"Content-Type", playlist_type}, {"Cache-Control", "no-store"}}, *rewritten);
}

void StreamGateway::serve_remote(HttpExchange& exchange, const Target& target) {
    QNetworkRequest request(target.remote);
    request.setMaximumRedirectsAllowed(max_redirects);
    // Bytes as the upstream has them, so that lengths and ranges hold.
    request.setRawHeader("Accept-Encoding", "identity");
    for (const auto& [name, value] : current_->grant.request_headers) request.setRawHeader(name, value);
    const bool playlist = target.kind == PlaylistEntry::playlist;
    const QByteArray range = exchange.request().header("range");
    if (!playlist && !range.isEmpty()) request.setRawHeader("Range", range);

    QNetworkReply* reply = exchange.is_head() && !playlist ? network_.head(request) : network_.get(request);
    reply->setParent(&exchange);
    reply->setReadBufferSize(playlist ? 0 : upstream_buffer);
    const QUrl origin_url = target.remote;
    connect(reply, &QNetworkReply::redirected, reply, [reply, origin_url](const QUrl& to) {
        if (may_lead_to(origin_url, to))
            emit reply->redirectAllowed();
        else
            reply->abort();
    });

    if (playlist) {
        connect(reply, &QNetworkReply::readyRead, &exchange, [reply, &exchange] {
            if (reply->bytesAvailable() > playlist_limit) exchange.respond(502, {});
        });
        connect(reply, &QNetworkReply::finished, &exchange, [this, reply, &exchange, target, token = current_->token] {
            const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            if (is_transport_error(reply->error()) || status == 0) return exchange.abort();
            if (status >= 400) return exchange.respond(status, {{"Cache-Control", "no-store"}});
            // The page was replaced while its playlist came: nothing is granted to it any more.
            if (!current_ || current_->token != token) return exchange.respond(403, {});
            serve_playlist_text(exchange, target, reply->url(), reply->readAll());
        });
        return;
    }

    auto started = std::make_shared<bool>(false);
    const auto start = [reply, &exchange, started] {
        if (*started) return;
        *started = true;
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (status == 0) return exchange.abort();
        if (status != 200 && status != 206)
            return exchange.respond(status >= 400 ? status : 502, {{"Cache-Control", "no-store"}});
        HttpHeaders headers{{"Cache-Control", "no-store"}};
        for (const QByteArray name : {"Content-Type", "Content-Length", "Content-Range", "Accept-Ranges"})
            if (reply->hasRawHeader(name)) headers.append(HttpHeaders::value_type(name, reply->rawHeader(name)));
        exchange.respond_head(status, headers);
        exchange.stream(reply);
    };
    connect(reply, &QNetworkReply::readyRead, &exchange, start);
    connect(reply, &QNetworkReply::finished, &exchange, [reply, &exchange, start] {
        if (is_transport_error(reply->error())) return exchange.abort();
        start();
        exchange.end_when_drained();
    });
}

void StreamGateway::serve_converted(HttpExchange& exchange, const QByteArray& query) {
    // The kind comes before kwelo_iid, which takes the rest of the query.
    const QString kind =
        QUrlQuery(QString::fromLatin1(query.left(query.indexOf("kwelo_iid=")))).queryItemValue(QStringLiteral("kind"));
    QIODevice* output = converter_ ? converter_->start(current_->grant, converter_input(), kind) : nullptr;
    if (output == nullptr) return exchange.respond(404, {{"Cache-Control", "no-store"}});
    exchange.respond_head(200, {{"Content-Type", "video/mp2t"}, {"Cache-Control", "no-store"}});
    connect(output, &QIODevice::readChannelFinished, &exchange, &HttpExchange::end_when_drained);
    exchange.stream(output);
}

}  // namespace qinghe::platform::qt
