// The pages' origin and its stream gateway over real loopback connections:
// what they serve, and everything they refuse.
#include "platform/qt/browser/origin_server.h"

#include "platform/qt/browser/http_exchange.h"
#include "support/temp_dir.h"

#include <QEventLoop>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace qinghe::platform::qt {
namespace {

namespace fs = std::filesystem;

struct Answer {
    int status = 0;  // 0: the connection closed without an answer
    QByteArray head;
    QByteArray body;
};

class OriginServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        write(dir.path() / "bg" / "tudou.htm", "<html>page</html>");
        write(dir.path() / "bg" / "media" / "clip.webm", "0123456789");
        write(dir.path() / "bg" / "media" / "hls" / "seg0.ts", "SEGMENT0");
        write(dir.path() / "tavik.dll", "catalogue");
        write(outside.path() / "secret.txt", "SECRET");
        fs::create_symlink(outside.path() / "secret.txt", dir.path() / "bg" / "link.htm");
        fs::create_symlink(outside.path() / "secret.txt", dir.path() / "bg" / "media" / "link.webm");
    }

    static void write(const fs::path& path, const std::string& text) {
        fs::create_directories(path.parent_path());
        std::ofstream(path) << text;
    }

    // Opens the player page for an identifier, as the browser's navigate does.
    QUrl open(const std::string& identifier) {
        const QString page = QString::fromStdString((dir.path() / "bg" / "tudou.htm").string());
        QUrl url = QUrl::fromLocalFile(page);
        url.setQuery(QStringLiteral("kwelo_iid=") +
                     QString::fromUtf8(QUrl::toPercentEncoding(QString::fromStdString(identifier), "/:")));
        return origin.open_page(url);
    }

    // Sends the request text as it is and reads the answer to its end.
    Answer send(const QByteArray& request) {
        QTcpSocket socket;
        QByteArray received;
        QEventLoop loop;
        QObject::connect(&socket, &QTcpSocket::connected, [&] { socket.write(request); });
        QObject::connect(&socket, &QTcpSocket::readyRead, [&] { received += socket.readAll(); });
        QObject::connect(&socket, &QTcpSocket::disconnected, &loop, &QEventLoop::quit);
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        socket.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(origin.base().port()));
        loop.exec();
        Answer answer;
        const qsizetype end = received.indexOf("\r\n\r\n");
        if (end < 0) return answer;
        answer.head = received.left(end);
        answer.body = received.mid(end + 4);
        answer.status = received.mid(9, 3).toInt();
        return answer;
    }

    QByteArray host() const { return "127.0.0.1:" + QByteArray::number(origin.base().port()); }

    // A GET of a path under the origin's prefix, with more header lines if given.
    Answer get(const QByteArray& path, const QByteArray& more = {}) {
        return send("GET " + origin.base().path().toUtf8() + path + " HTTP/1.1\r\nHost: " + host() + "\r\n" + more +
                    "\r\n");
    }

    Answer play(const std::string& identifier, const QByteArray& more = {}) {
        return get("gateway/play?kwelo_iid=" + QUrl::toPercentEncoding(QString::fromStdString(identifier)), more);
    }

    // The gateway addresses a rewritten playlist hands out, path-relative to the origin's prefix.
    QList<QByteArray> references(const QByteArray& playlist) {
        QList<QByteArray> found;
        const QByteArray prefix = origin.base().path().toUtf8();
        for (const QByteArray& line : playlist.split('\n')) {
            const qsizetype at = line.indexOf(prefix + "gateway/");
            if (at >= 0) found.append(line.mid(at + prefix.size()).split('"').first());
        }
        return found;
    }

    test::TempDir dir;
    test::TempDir outside;
    OriginServer origin;
};

TEST_F(OriginServerTest, ServesThePagesDirectoryOnlyToItsOwnHostAndPrefix) {
    open("media/clip.webm");
    const QByteArray tail = " HTTP/1.1\r\nHost: " + host() + "\r\n\r\n";
    const QByteArray prefix = origin.base().path().toUtf8();
    struct Case {
        const char* what;
        QByteArray request;
        int status;
    };
    const std::vector<Case> cases = {
        {"a page", "GET " + prefix + "bg/tudou.htm?kwelo_iid=x" + tail, 200},
        {"a page, HEAD", "HEAD " + prefix + "bg/tudou.htm" + tail, 200},
        {"another host",
         "GET " + prefix +
             "bg/tudou.htm HTTP/1.1\r\nHost: attacker.example:" + QByteArray::number(origin.base().port()) + "\r\n\r\n",
         421},
        {"no host", "GET " + prefix + "bg/tudou.htm HTTP/1.1\r\n\r\n", 421},
        {"another method", "POST " + prefix + "bg/tudou.htm" + tail, 405},
        {"no prefix", "GET /bg/tudou.htm" + tail, 404},
        {"a guessed prefix", "GET /0123456789abcdef/bg/tudou.htm" + tail, 404},
        {"a file beside bg", "GET " + prefix + "bg/../tavik.dll" + tail, 404},
        {"an encoded ..", "GET " + prefix + "bg/%2e%2e/tavik.dll" + tail, 404},
        {"a link out of bg", "GET " + prefix + "bg/link.htm" + tail, 404},
        {"a directory", "GET " + prefix + "bg/media" + tail, 404},
        {"outside bg and gateway", "GET " + prefix + "tavik.dll" + tail, 404},
        {"not HTTP", "HELLO\r\n\r\n", 400},
        {"the longest address the engine loads",
         "GET " + prefix +
             "bg/tudou.htm?kwelo_iid=" + QByteArray(HttpExchange::target_limit - prefix.size() - 23, 'a') + tail,
         200},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Answer answer = send(c.request);
        EXPECT_EQ(answer.status, c.status) << answer.head.toStdString();
        EXPECT_FALSE(answer.body.contains("SECRET"));
        EXPECT_FALSE(answer.body.contains("catalogue"));
    }
    const Answer page = get("bg/tudou.htm");
    EXPECT_EQ(page.body, "<html>page</html>");
    EXPECT_TRUE(page.head.contains("Content-Security-Policy: default-src 'self'"));
    EXPECT_EQ(send(QByteArray(HttpExchange::head_limit + 1, 'x')).status, 0) << "a head too long is dropped";
}

// Up to the engine's longest address the page gets the identifier; beyond
// it the page is told the identifier's length, and nothing is granted.
TEST_F(OriginServerTest, AnIdentifierTooLongForTheEnginesAddressesIsToldByItsLength) {
    const qsizetype fits = HttpExchange::target_limit - origin.base().toEncoded().size() - 23;
    const QUrl longest = open(std::string(fits, 'a'));
    EXPECT_EQ(longest.toEncoded().size(), HttpExchange::target_limit);
    EXPECT_EQ(get(longest.toEncoded().mid(origin.base().toEncoded().size())).status, 200);

    open("media/clip.webm");
    ASSERT_EQ(play("media/clip.webm").status, 200);
    const std::string beyond = std::string(fits - 1, 'a') + "长";
    EXPECT_EQ(open(beyond).query(), QStringLiteral("kwelo_too_long=%1").arg(fits));
    EXPECT_EQ(play("media/clip.webm").status, 403) << "the earlier grant is gone";
}

TEST_F(OriginServerTest, GatewayServesOnlyTheGrantedIdentifierWithRanges) {
    open("media/clip.webm");
    struct Case {
        const char* what;
        std::string identifier;
        QByteArray more;
        int status;
        QByteArray body;
    };
    const std::vector<Case> cases = {
        {"whole", "media/clip.webm", {}, 200, "0123456789"},
        {"a range", "media/clip.webm", "Range: bytes=2-4\r\n", 206, "234"},
        {"an open range", "media/clip.webm", "Range: bytes=7-\r\n", 206, "789"},
        {"a suffix range", "media/clip.webm", "Range: bytes=-2\r\n", 206, "89"},
        {"a range past the end", "media/clip.webm", "Range: bytes=10-\r\n", 416, {}},
        {"another identifier", "media/hls/seg0.ts", {}, 403, {}},
        {"a local file by URL", "file://" + (outside.path() / "secret.txt").string(), {}, 403, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Answer answer = play(c.identifier, c.more);
        EXPECT_EQ(answer.status, c.status) << answer.head.toStdString();
        EXPECT_EQ(answer.body, c.body);
    }
    EXPECT_TRUE(play("media/clip.webm", "Range: bytes=2-4\r\n").head.contains("Content-Range: bytes 2-4/10"));
    EXPECT_EQ(get("gateway/00000000000000000000000000000000/0").status, 404);

    // Local identifiers stay inside the program's directory.
    for (const char* identifier :
         {"media/link.webm", "../tavik.dll", "media/../../tavik.dll", "/etc/passwd", "media/none.webm"}) {
        SCOPED_TRACE(identifier);
        open(identifier);
        const Answer answer = play(identifier);
        EXPECT_GE(answer.status, 400);
        EXPECT_FALSE(answer.body.contains("SECRET"));
    }
    // A page's own navigation grants nothing: after the window moves on, the old identifier is refused.
    open("media/hls/seg0.ts");
    EXPECT_EQ(play("media/clip.webm").status, 403);
    EXPECT_EQ(play("media/hls/seg0.ts").body, "SEGMENT0");
}

TEST_F(OriginServerTest, PlaylistsAreRewrittenThroughTheGatewayOrRefusedWhole) {
    const std::string secret = "file://" + (outside.path() / "secret.txt").string();
    struct Case {
        const char* what;
        std::string playlist;
        int status;
    };
    const std::vector<Case> cases = {
        {"relative segments and a key", "#EXTM3U\n#EXT-X-KEY:METHOD=AES-128,URI=\"seg0.ts\"\n#EXTINF:2,\nseg0.ts\n",
         200},
        {"a file: segment", "#EXTM3U\n#EXTINF:2,\n" + secret + "\n", 502},
        {"a file: key", "#EXTM3U\n#EXT-X-KEY:METHOD=AES-128,URI=\"" + secret + "\"\n#EXTINF:2,\nseg0.ts\n", 502},
        {"a file: init section", "#EXTM3U\n#EXT-X-MAP:URI=\"" + secret + "\"\n", 502},
        {"a data: key", "#EXTM3U\n#EXT-X-KEY:METHOD=AES-128,URI=\"data:,x\"\n", 502},
        {"a way out", "#EXTM3U\n#EXTINF:2,\n../../../tavik.dll\n", 502},
        {"an absolute path", "#EXTM3U\n#EXTINF:2,\n/etc/passwd\n", 502},
        {"not a playlist", "<html>", 502},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].what);
        const std::string name = "media/hls/case" + std::to_string(i) + ".m3u8";
        write(dir.path() / "bg" / name, cases[i].playlist);
        open(name);
        const Answer answer = play(name);
        ASSERT_EQ(answer.status, cases[i].status) << answer.body.toStdString();
        EXPECT_FALSE(answer.body.contains("SECRET"));
        if (answer.status != 200) continue;
        EXPECT_FALSE(answer.body.contains("seg0.ts")) << answer.body.toStdString();
        const QList<QByteArray> handed_out = references(answer.body);
        ASSERT_EQ(handed_out.size(), 2);
        EXPECT_EQ(handed_out[0], handed_out[1]) << "one address per reference";
        EXPECT_EQ(get(handed_out[0]).body, "SEGMENT0");
        // A neighbour of a handed-out address was not handed out.
        QByteArray next = handed_out[0];
        next.chop(1);
        EXPECT_EQ(get(next + '9').status, 404);
    }
}

}  // namespace
}  // namespace qinghe::platform::qt
