#pragma once

// The stream gateway: every byte a player page plays comes through it, and it
// serves nothing but what the window's own navigate granted.
//
// Page-facing addresses, under the origin's base http://127.0.0.1:<port>/<prefix>/:
//   gateway/play?kwelo_iid=<identifier>     the granted identifier's bytes
//   gateway/convert?kwelo_iid=<identifier>  the granted identifier's bytes as the
//                                           converter (see set_converter) makes them
//   gateway/<token>/<n>                     the n-th reference of a playlist the
//                                           gateway rewrote for the current grant
// The identifier must be exactly the granted one (the page sends its own,
// URL-encoded); anything else is answered 403 or 404. Playlists (.m3u8, and
// the variants and renditions they name) are served rewritten: every
// reference in them becomes a gateway/<token>/<n> address, and a playlist
// naming anything but http(s) (or, for a local playlist, a file beside it)
// is refused whole with 502. Upstream is http(s) only, redirects only to
// http(s); Range passes through and 206 comes back; live bytes are streamed
// as they come with bounded memory. An upstream that cannot be reached, or
// that drops, drops the page's connection too.
//
// Extension points for the program's C++:
//   StreamGrant::request_headers  sent with every upstream request of the grant,
//                                 its playlists' references and the converter's input
//   set_converter(Converter)      a producer of converted bytes for the grant: any
//                                 QIODevice (a process's stdout, a file in a private
//                                 directory), streamed to the page as its bytes come;
//                                 converter_input() is the address it reads the original
//                                 from, through this gateway, so the same checks and
//                                 headers apply

#include "platform/qt/http_exchange.h"
#include "platform/qt/playlist_rewrite.h"

#include <QHash>
#include <QNetworkAccessManager>
#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>
#include <vector>

class QIODevice;

namespace qinghe::platform::qt {

// What one navigate of the window grants its page.
struct StreamGrant {
    QString identifier;           // as the page reads it from its query
    QString base_directory;       // a relative identifier counts from here (the pages' directory)
    QString media_root;           // local files must lie inside it (the program's directory)
    HttpHeaders request_headers;  // sent with every upstream request of this grant; none by default
};

class StreamGateway : public QObject {
    Q_OBJECT
public:
    // Makes the converted bytes of a grant: returns a device (the gateway
    // takes it over and streams it as its bytes come; it ends at
    // readChannelFinished) or nullptr when it cannot. input is the gateway
    // address of the grant's original bytes.
    using Converter = std::function<QIODevice*(const StreamGrant& grant, const QUrl& input)>;

    // base: the origin's base address, "http://127.0.0.1:<port>/<prefix>/".
    explicit StreamGateway(QUrl base, QObject* parent = nullptr);

    // Replaces the current grant; every address of the previous one is refused from now on.
    void grant(StreamGrant grant);
    void revoke();
    const StreamGrant* current() const { return current_ ? &current_->grant : nullptr; }

    void set_converter(Converter converter) { converter_ = std::move(converter); }
    // Where a program-run reader gets the current grant's original bytes.
    QUrl converter_input() const;

    // Answers a request whose path lies under gateway/; rest is what follows
    // "gateway/", query included, still percent-encoded.
    void answer(HttpExchange& exchange, const QByteArray& rest);

private:
    struct Target {
        PlaylistEntry kind = PlaylistEntry::bytes;
        QUrl remote;    // an http(s) address, or
        QString local;  // a file path (checked against media_root when served)
    };
    struct Current {
        StreamGrant grant;
        QByteArray token;
        std::vector<Target> targets;
        QHash<QString, int> index;  // reference -> position in targets
    };

    std::optional<Target> identifier_target(const StreamGrant& grant) const;
    QString address_of(const Target& target);
    std::optional<Target> reference_target(const Target& playlist, const QUrl& playlist_url, const QString& reference,
                                           PlaylistEntry kind) const;
    void serve(HttpExchange& exchange, const Target& target);
    void serve_local(HttpExchange& exchange, const Target& target);
    void serve_remote(HttpExchange& exchange, const Target& target);
    void serve_converted(HttpExchange& exchange);
    void serve_playlist_text(HttpExchange& exchange, const Target& target, const QUrl& url, const QByteArray& text);

    QUrl base_;
    QNetworkAccessManager network_;
    std::optional<Current> current_;
    Converter converter_;
};

}  // namespace qinghe::platform::qt
