#pragma once

// The stream gateway: every byte a player page plays comes through it, and it
// serves nothing but what the window's own navigate granted.
//
// Page-facing addresses, under the origin's base http://127.0.0.1:<port>/<prefix>/:
//   gateway/play?kwelo_iid=<identifier>     the granted identifier's bytes
//   gateway/convert?kind=<audio|full>&kwelo_iid=<identifier>
//                                           the granted identifier's bytes as the
//                                           converter (see set_converter) makes them:
//                                           H.264 video (copied with kind=audio) and
//                                           AAC audio in MPEG-TS, streamed as they come
//   gateway/convert-status?kwelo_iid=<identifier>
//                                           why the identifier's last conversion
//                                           failed (text/plain, UTF-8); empty if it did not
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
//   set_converter(GrantConverter*) a producer of converted bytes for the grant: any
//                                 QIODevice (a process's stdout, a file in a private
//                                 directory), streamed to the page as its bytes come;
//                                 converter_input() is the address it reads the original
//                                 from, through this gateway, so the same checks and
//                                 headers apply; its conversions end when the grant
//                                 changes or goes

#include "platform/qt/browser/http_exchange.h"
#include "platform/qt/browser/playlist_rewrite.h"

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

// What converts a grant's bytes for its page (conversion_service.h).
class GrantConverter {
public:
    virtual ~GrantConverter() = default;
    // A device of the converted bytes (the gateway takes it over and streams
    // it as its bytes come; it ends at readChannelFinished), or nullptr when
    // it cannot. input is the gateway address of the grant's original bytes;
    // kind is what the page asked for ("audio" or "full").
    virtual QIODevice* start(const StreamGrant& grant, const QUrl& input, const QString& kind) = 0;
    // Why the grant's last conversion failed, in the page's words; empty if it did not.
    virtual QString failure(const StreamGrant& grant) const = 0;
    // Ends every conversion.
    virtual void stop_all() = 0;
};

class StreamGateway : public QObject {
    Q_OBJECT
public:
    // base: the origin's base address, "http://127.0.0.1:<port>/<prefix>/".
    explicit StreamGateway(QUrl base, QObject* parent = nullptr);

    // Replaces the current grant; every address of the previous one is refused from now on.
    void grant(StreamGrant grant);
    void revoke();
    const StreamGrant* current() const { return current_ ? &current_->grant : nullptr; }

    // The converter, which outlives the gateway; none by default.
    void set_converter(GrantConverter* converter) { converter_ = converter; }
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
    void serve_converted(HttpExchange& exchange, const QByteArray& query);
    void serve_playlist_text(HttpExchange& exchange, const Target& target, const QUrl& url, const QByteArray& text);

    QUrl base_;
    QNetworkAccessManager network_;
    std::optional<Current> current_;
    GrantConverter* converter_ = nullptr;
};

}  // namespace qinghe::platform::qt
