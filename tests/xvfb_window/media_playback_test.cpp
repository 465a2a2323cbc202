// Videos really play: a click on a leaf of each form the player pages know
// (files beside the pages and the same media over a loopback HTTP server)
// starts the video without any gesture in the page, and a click on a leaf
// that cannot play shows, within a few seconds, a message naming the
// identifier and what went wrong, while the program goes on.
#include "loopback_http_server.h"
#include "platform/qt/full_screen_window.h"
#include "real_window.h"

#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

#include <fstream>

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
        ASSERT_TRUE(wait_until([&] { return shown_identifier().toStdString() == leaves[index]; }, 20000));
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
