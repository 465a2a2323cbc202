// Videos really play: a click on a leaf of each form the player pages know
// (files beside the pages and the same media over a loopback HTTP server)
// starts the video without any gesture in the page, and a click on a leaf
// that cannot play shows, within a few seconds, a message naming the
// identifier and what went wrong, while the program goes on.
#include "loopback_http_server.h"
#include "platform/qt/browser/stream_grant_headers.h"
#include "platform/qt/full_screen_window.h"
#include "platform/schema/play_list.h"
#include "real_window.h"
#include "tools/playlist_import/playlist_import.h"

#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace qinghe::test {
namespace {

const char* const media_forms[] = {"media/demo.webm", "media/demo.mp4", "media/hls/demo.m3u8", "media/demo.flv",
                                   "media/demo.ts"};

struct Failure {
    std::string identifier;
    const char* what;  // part of the message the page must show
};

class MediaWindowTest : public RealWindowTest {
protected:
    MediaWindowTest() : server(QString::fromStdString((dir.path() / "bg").string())) {}

    // One programme whose only play group holds the leaves, in order.
    void add_programmes(catalogue_files::CatalogueBuilder& catalogue) override {
        std::string adds = "$$土豆";
        for (const std::string& id : leaves) adds += "|" + id + "|" + id;
        catalogue.programme(8, "测试", 1, adds);
        extra_programmes.push_back("8");
    }

    std::string http(const std::string& path) const { return server.base().toStdString() + path; }

    // Clicks the leaf and waits until the browser shows its page.
    void click_leaf(std::size_t index) {
        const std::string key = "web_1_" + std::to_string(index + 1) + "_8";
        ASSERT_TRUE(user->click(key)) << key;
        // The page shows the address, without the request headers an identifier may carry.
        const QString address = platform::qt::stream_address_of(QString::fromStdString(leaves[index]));
        ASSERT_TRUE(wait_until([&] { return shown_identifier() == address; }, 20000));
    }

    double current_time() {
        return page_value(QStringLiteral("(function(){var v=document.querySelector('video');"
                                         "return v && !v.hidden ? v.currentTime : -1;})()"))
            .toDouble();
    }
    QString state() { return page_value(QStringLiteral("document.body.getAttribute('data-state')")).toString(); }
    QString status() { return page_value(QStringLiteral("document.getElementById('status').textContent")).toString(); }

    // The leaf's video plays: its time passes one second and goes on moving.
    void expect_plays(std::size_t index) {
        SCOPED_TRACE(leaves[index]);
        click_leaf(index);
        ASSERT_TRUE(wait_until([&] { return current_time() > 1.0; }, 20000))
            << "state " << state().toStdString() << ": " << status().toStdString();
        const double first = current_time();
        ASSERT_TRUE(wait_until([&] { return current_time() > first + 0.3; }, 5000));
        EXPECT_EQ(state(), QStringLiteral("playing"));
    }

    LoopbackHttpServer server;
    std::vector<std::string> leaves;
};

class MediaFormsTest : public MediaWindowTest {
protected:
    void SetUp() override {
        for (const char* path : media_forms) leaves.push_back(path);
        for (const char* path : media_forms) leaves.push_back(http(path));
        MediaWindowTest::SetUp();
    }
};

TEST_F(MediaFormsTest, EveryFormPlaysFromFilesAndOverHttp) {
    for (std::size_t i = 0; i < leaves.size(); ++i) expect_plays(i);
}

// The video's own full-screen control fills the screen with it; Esc gives the window back its page at exactly its old
// size and layout.
TEST_F(MediaFormsTest, FullScreenFillsTheScreenAndEscReturnsToTheWindow) {
    expect_plays(0);
    const QRect frame = window.frameGeometry();
    const QRect browser_area = view->geometry();
    QWebEnginePage* page = view->page();
    const auto full_screen = [] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (qobject_cast<platform::qt::FullScreenWindow*>(widget) && widget->isVisible()) return widget;
        return static_cast<QWidget*>(nullptr);
    };

    // A double click on the picture is the video's own full-screen control.
    QTest::mouseDClick(window.windowHandle(), Qt::LeftButton, {},
                       view->mapTo(&window, QPoint(browser_area.width() / 2, browser_area.height() / 2)));
    ASSERT_TRUE(wait_until([&] { return full_screen() != nullptr; }, 10000));
    EXPECT_EQ(full_screen()->geometry(), view->screen()->geometry());
    EXPECT_TRUE(page_value(QStringLiteral("document.fullscreenElement !== null"), page).toBool());

    QTest::keyClick(full_screen(), Qt::Key_Escape);
    ASSERT_TRUE(wait_until([&] { return full_screen() == nullptr; }, 10000));
    EXPECT_EQ(view->page(), page);
    EXPECT_EQ(window.frameGeometry(), frame);
    EXPECT_EQ(view->geometry(), browser_area);
    EXPECT_GT(current_time(), 0.0);
}

// A playlist's streams whose server wants its own User-Agent, Referer and
// Origin play once imported: every request for them (the HLS manifest and
// its segments, the FLV stream) carries the headers, and the request for a
// stream without headers carries none of them.
class StreamHeadersTest : public MediaWindowTest {
protected:
    void SetUp() override {
        server.require_headers("/guarded/", {{"User-Agent", user_agent}, {"Referer", referer}, {"Origin", origin}});
        const std::string base = server.base().toStdString();
        const std::string options =
            "User-Agent=" + std::string(user_agent) + "&Referer=" + referer + "&Origin=" + origin;
        std::ofstream(dir.path() / "list.m3u")
            << "#EXTM3U\n#EXTINF:-1,HLS\n#EXTVLCOPT:http-user-agent=" << user_agent
            << "\n#EXTVLCOPT:http-referrer=" << referer << "\n#EXTVLCOPT:http-origin=" << origin << "\n"
            << base << "guarded/media/hls/demo.m3u8\n#EXTINF:-1,FLV\n"
            << base << "guarded/media/demo.flv|" << options << "\n#EXTINF:-1,WebM\n"
            << base << "media/demo.webm\n";
        std::ostringstream notes;
        playlist_import::import_playlists({{(dir.path() / "list.m3u").string()}, std::nullopt, dir.path() / "list.dll"},
                                          notes);
        // The identifiers as the import wrote them, played from one programme.
        catalogue_files::CatalogueData imported = catalogue_files::read_catalogue(dir.path() / "list.dll");
        for (const auto& row : imported.tables["t1"].rows)
            leaves.push_back(
                catalogue::play_list::group_fields(catalogue::play_list::groups(std::get<std::string>(row.at(5))).at(1))
                    .at(1));
        MediaWindowTest::SetUp();
    }

    static constexpr const char* user_agent = "QingheTest/1.0 (headers)";
    static constexpr const char* referer = "http://referer.test/page?a=1";
    static constexpr const char* origin = "http://origin.test";
};

TEST_F(StreamHeadersTest, EveryRequestOfAStreamCarriesItsOwnHeadersOnly) {
    ASSERT_EQ(leaves.size(), 3u);
    for (std::size_t i = 0; i < leaves.size(); ++i) expect_plays(i);
    std::size_t guarded = 0;
    for (const LoopbackHttpServer::Seen& request : server.seen()) {
        SCOPED_TRACE(request.path.toStdString());
        if (request.path.startsWith(QStringLiteral("/guarded/"))) {
            ++guarded;
            EXPECT_EQ(request.header("User-Agent"), user_agent);
            EXPECT_EQ(request.header("Referer"), referer);
            EXPECT_EQ(request.header("Origin"), origin);
        } else {
            EXPECT_NE(request.header("User-Agent"), user_agent);
            EXPECT_NE(request.header("Referer"), referer);
            EXPECT_NE(request.header("Origin"), origin);
        }
    }
    EXPECT_GE(guarded, 3u);  // the manifest, a segment, the FLV stream at least
}

class MediaFailuresTest : public MediaWindowTest {
protected:
    void SetUp() override {
        for (const Failure& failure : failures()) leaves.push_back(failure.identifier);
        leaves.push_back("media/demo.webm");
        MediaWindowTest::SetUp();
        std::ofstream(dir.path() / "bg" / "broken.mp4") << std::string(4096, 'x');
    }

    std::vector<Failure> failures() const {
        return {
            {"media/missing.webm", "找不到视频文件"},     {"broken.mp4", "无法解码"},
            {"media/missing.flv", "找不到视频文件"},      {http("media/missing.mp4"), "HTTP 404"},
            {http("media/hls/missing.m3u8"), "HTTP 404"}, {http("drop/live.flv"), "重试 3 次"},
            {http("drop/live.m3u8"), "重试 3 次"},
        };
    }
};

TEST_F(MediaFailuresTest, EachFailureIsShownAndTheNextVideoStillPlays) {
    const std::vector<Failure> cases = failures();
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].identifier);
        click_leaf(i);
        // Bounded retries of a dropped stream take some seconds; a spinner never ends.
        ASSERT_TRUE(wait_until([&] { return state() == QStringLiteral("failed"); }, 20000))
            << "state " << state().toStdString() << ": " << status().toStdString();
        const std::string message = status().toStdString();
        EXPECT_NE(message.find(cases[i].identifier), std::string::npos) << message;
        EXPECT_NE(message.find(cases[i].what), std::string::npos) << message;
    }
    expect_plays(cases.size());
}

}  // namespace
}  // namespace qinghe::test
