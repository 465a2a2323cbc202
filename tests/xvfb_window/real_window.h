// The whole window on a real X display (Xvfb), built as the program builds
// it, with the real WebEngine browser loading the player pages of the build
// tree. Shared by the suites of this folder.
#pragma once

#include "app/form1.h"
#include "platform/qt/browser/origin_server.h"
#include "platform/qt/qt_browser.h"
#include "platform/qt/qt_form.h"
#include "platform/qt/web_engine_setup.h"
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

namespace qinghe::test {

namespace fs = std::filesystem;

// Runs the event loop until the condition holds, re-checking whenever the
// given signal fires, or until the bound passes; returns the condition. The
// bound only keeps a broken build from hanging.
template <class Sender, class Signal>
inline bool wait_for(Sender* sender, Signal signal, const std::function<bool()>& condition, int bound_ms = 60000) {
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
inline bool wait_until(const std::function<bool()>& condition, int bound_ms = 60000) {
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
    // As the program does before its browser exists.
    // The engine's own lines stay on: they explain a failing test.
    static void SetUpTestSuite() { platform::qt::prepare_web_engine(true); }

    RealWindowTest()
        : process(dir.path().string()),
          window(browser.view()),
          form({[] { return std::make_unique<platform::sqlcipher::SqlcipherConnection>(); }, window, window.tree(),
                browser, window.labels(), window.timer1(), process, nullptr}) {
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
        add_programmes(catalogue);
        write_catalogue(catalogue, dir.path() / "tavik.dll");
        // The player pages as the build lays them out, with the stream
        // players and the demo media.
        fs::copy(fs::path(QINGHE_TEST_BINARY_DIR) / "bg", dir.path() / "bg", fs::copy_options::recursive);

        // As the program starts: load, then show, then the timers.
        ASSERT_EQ(form.Form_Load(), app::Form1::LoadResult::running);
        user = std::make_unique<TreeUser>(window, form);
        window.show();
        window.start();
        ASSERT_TRUE(wait_until([this] {
            return window.tree().contains("tv1_id_7") && window.windowHandle() != nullptr &&
                   window.windowHandle()->isExposed();
        }));
        ASSERT_TRUE(user->expand("tv1_id_7"));
        for (const std::string& id : extra_programmes) ASSERT_TRUE(user->expand("tv1_id_" + id));
    }

    // More programmes of category 1; each one's id goes into extra_programmes.
    virtual void add_programmes(catalogue_files::CatalogueBuilder&) {}
    // The catalogue file as SQLCipher writes it, unless a suite writes another.
    virtual void write_catalogue(catalogue_files::CatalogueBuilder& catalogue, const fs::path& file) {
        catalogue.write(file);
    }

    void TearDown() override {
        user.reset();
        window.set_events(nullptr);
        form.Form_Unload();
    }

    // The value of a script run in the given page, by default the one shown now.
    QVariant page_value(const QString& script, QWebEnginePage* page = nullptr) {
        QVariant result;
        bool done = false;
        (page != nullptr ? page : view->page())->runJavaScript(script, [&](const QVariant& value) {
            result = value;
            done = true;
        });
        wait_until([&] { return done; });
        return result;
    }

    // What the page shows as the video identifier, read from the page itself.
    QString shown_identifier() {
        return page_value(QStringLiteral("document.getElementById('identifier').textContent")).toString();
    }

    void play(const Site& site) {
        SCOPED_TRACE(site.key);
        const auto loads_before = loaded.size();
        ASSERT_TRUE(user->click(site.key));
        ASSERT_TRUE(wait_for(view, &QWebEngineView::loadFinished, [&] { return loaded.size() > loads_before; }))
            << "the player page did not finish loading";

        // The page of the build's bg/, served from the browser's own origin.
        const QUrl address = loaded.back();
        EXPECT_TRUE(browser.origin().owns(address)) << address.toString().toStdString();
        EXPECT_TRUE(address.path().endsWith(QStringLiteral("/bg/") + QString::fromUtf8(site.page)));
        EXPECT_EQ(QUrl::fromPercentEncoding(address.query(QUrl::FullyEncoded).toUtf8()).toStdString(),
                  "kwelo_iid=" + site.identifier);
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
    std::vector<std::string> extra_programmes;
};

}  // namespace qinghe::test
