// The whole window on a real X display (Xvfb), built as the program builds
// it, with the real WebEngine browser loading the real player pages: each
// site's video is clicked in the tree, and the window must take that site's
// size on screen while the browser shows that site's page for the video.
#include "app/form1.h"
#include "platform/qt/qt_browser.h"
#include "platform/qt/qt_form.h"
#include "platform/sqlcipher/sqlcipher_connection.h"
#include "support/qt/recording_doubles.h"
#include "support/qt/tree_user.h"
#include "support/temp_dir.h"
#include "tools/catalogue_files/catalogue_builder.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QWindow>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
// Qt WebEngine's Chromium frees some of its own objects with a sized delete
// of another type's size; harmless with the system allocator, fatal under
// AddressSanitizer. That one check is off for this program.
extern "C" const char* __asan_default_options() { return "new_delete_type_mismatch=0"; }
#endif

namespace qinghe::test {
namespace {

namespace fs = std::filesystem;

// Runs the event loop until the condition holds, re-checking whenever the
// given signal fires, or until the bound passes; returns the condition. The
// bound only keeps a broken build from hanging.
template <class Sender, class Signal>
bool wait_for(Sender* sender, Signal signal, const std::function<bool()>& condition, int bound_ms = 60000) {
    if (condition()) return true;
    QEventLoop loop;
    QTimer bound;
    bound.setSingleShot(true);
    QObject::connect(&bound, &QTimer::timeout, &loop, &QEventLoop::quit);
    const QMetaObject::Connection fired = QObject::connect(sender, signal, &loop, [&] {
        if (condition()) loop.quit();
    });
    bound.start(bound_ms);
    loop.exec();
    QObject::disconnect(fired);
    return condition();
}

// The same, re-checking every few milliseconds, for conditions no signal
// announces (a tree filled by the start-up timer).
bool wait_until(const std::function<bool()>& condition, int bound_ms = 60000) {
    QTimer poll;
    poll.start(10);
    return wait_for(&poll, &QTimer::timeout, condition, bound_ms);
}

struct Site {
    const char* key;
    const char* page;
    std::string identifier;
    int height_px, width_px;
    const char* leaf_title;
};

class RealWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Chromium refuses to run as root with its sandbox on.
        if (qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
            qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    }

    RealWindowTest()
        : process(dir.path().string()),
          window(browser.view()),
          form({[] { return std::make_unique<platform::sqlcipher::SqlcipherConnection>(); }, window,
                window.tree(), browser, window.labels(), window.timer1(), process}) {
        view = qobject_cast<QWebEngineView*>(browser.view());
        QObject::connect(view, &QWebEngineView::loadFinished, view, [this](bool ok) {
            if (ok) loaded.push_back(view->url());
        });
    }

    void SetUp() override {
        ASSERT_EQ(QApplication::platformName(), QStringLiteral("xcb"))
            << "this suite needs a real X display; ctest runs it under xvfb-run";

        catalogue_files::CatalogueBuilder catalogue;
        catalogue.category(1, "电视剧", 1, 1)
            .programme(7, "三个网站", 1, "$$土豆|td-001|第1集$$优酷|yk 002&x=中文|第2集$$SINA|sn-003|第3集");
        catalogue.write(dir.path() / "tavik.dll");
        fs::copy(fs::path(QINGHE_SOURCE_DIR) / "data" / "bg", dir.path() / "bg", fs::copy_options::recursive);

        // As the program starts: load, then show, then the timers.
        ASSERT_EQ(form.Form_Load(), app::Form1::LoadResult::running);
        user = std::make_unique<TreeUser>(window, form);
        window.show();
        window.start();
        ASSERT_TRUE(wait_until([this] { return window.tree().contains("tv1_id_7") && window.windowHandle() != nullptr &&
                                            window.windowHandle()->isExposed(); }));
        ASSERT_TRUE(user->expand("tv1_id_7"));
    }

    void TearDown() override {
        user.reset();
        window.set_events(nullptr);
        form.Form_Unload();
    }

    // What the page shows as the video identifier, read from the page itself.
    QString shown_identifier() {
        QString text;
        bool done = false;
        view->page()->runJavaScript(QStringLiteral("document.getElementById('identifier').textContent"),
                                    [&](const QVariant& value) {
                                        text = value.toString();
                                        done = true;
                                    });
        wait_until([&] { return done; });
        return text;
    }

    void play(const Site& site) {
        SCOPED_TRACE(site.key);
        const auto loads_before = loaded.size();
        ASSERT_TRUE(user->click(site.key));

        const fs::path page = dir.path() / "bg" / site.page;
        const QUrl address(QString::fromStdString(browser.current_address()));
        EXPECT_TRUE(address.isLocalFile());
        EXPECT_EQ(address.toLocalFile().toStdString(), page.string());
        EXPECT_EQ(QUrl::fromPercentEncoding(address.query(QUrl::FullyEncoded).toUtf8()).toStdString(),
                  "kwelo_iid=" + site.identifier);

        ASSERT_TRUE(wait_for(view, &QWebEngineView::loadFinished, [&] {
            return loaded.size() > loads_before && loaded.back() == address;
        })) << "the player page did not finish loading";
        EXPECT_EQ(shown_identifier().toStdString(), site.identifier);

        const QRect frame = window.frameGeometry();
        EXPECT_EQ(frame.height(), site.height_px);
        EXPECT_EQ(frame.width(), site.width_px);
        EXPECT_EQ(window.windowTitle().toStdString(),
                  std::string("青禾网络电视 正在播放：三个网站——") + site.leaf_title);
    }

    TempDir dir;
    RecordingProcess process;
    platform::qt::QtBrowser browser;
    platform::qt::QtForm window;
    app::Form1 form;
    std::unique_ptr<TreeUser> user;
    QWebEngineView* view = nullptr;
    std::vector<QUrl> loaded;
};

TEST_F(RealWindowTest, StartsAtTheStartUpSize) {
    // 7300 x 11000 twips, to the nearest pixel.
    EXPECT_EQ(window.frameGeometry().height(), 487);
    EXPECT_EQ(window.frameGeometry().width(), 733);
}

TEST_F(RealWindowTest, EachSitesVideoPlaysInItsPageAtItsSize) {
    const Site tudou{"web_1_1_7", "tudou.htm", "td-001", 482, 727, "第1集"};
    const Site youku{"web_2_1_7", "youku.htm", "yk 002&x=中文", 495, 746, "第2集"};
    const Site sina{"web_3_1_7", "sina.htm", "sn-003", 495, 806, "第3集"};
    ASSERT_NO_FATAL_FAILURE(play(tudou));
    ASSERT_NO_FATAL_FAILURE(play(youku));
    ASSERT_NO_FATAL_FAILURE(play(sina));
    // And back again to the smallest one.
    ASSERT_NO_FATAL_FAILURE(play(tudou));
}

}  // namespace
}  // namespace qinghe::test
