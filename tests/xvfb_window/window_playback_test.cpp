// Each site's video is clicked in the tree, and the window must take that
// site's size on screen while the browser shows that site's page for the
// video.
#include "real_window.h"
#include "support/qt/named_child.h"

#include <QLabel>
#include <QUrl>
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <utility>

#if defined(__SANITIZE_ADDRESS__)
// Qt WebEngine's Chromium frees some of its own objects with a sized delete
// of another type's size; harmless with the system allocator, fatal under
// AddressSanitizer. That one check is off for this program.
extern "C" const char* __asan_default_options() {
    return "new_delete_type_mismatch=0";
}
#endif

namespace qinghe::test {
namespace {

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

// Once a page has loaded, the main window composes through OpenGL; the ad
// labels sit on a raster window of their own embedded at Frame1's place, so a
// ticker step flushes that window alone. The browser stays a plain child of
// the main window at Web1's place.
TEST_F(RealWindowTest, LabelsHaveTheirOwnRasterWindowAtFrame1AndTheBrowserIsAChild) {
    const Site tudou{"web_1_1_7", "tudou.htm", "td-001", 482, 727, "第1集"};
    ASSERT_NO_FATAL_FAILURE(play(tudou));
    EXPECT_EQ(view->window(), &window);
    EXPECT_EQ(view->parentWidget(), &window);
    EXPECT_EQ(&named_child<QWidget>(window, "Web1"), view);

    const QWidget* surface = window.labels().label(0)->window();
    ASSERT_NE(surface, &window);
    const QWindow* own = surface->windowHandle();
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(own->parent(), window.windowHandle());
    EXPECT_EQ(own->surfaceType(), QSurface::RasterSurface);
    EXPECT_TRUE(wait_until([own] { return own->isExposed(); }, 10000));
    const QWidget* strip = window.strip();
    EXPECT_EQ(QRect(surface->mapToGlobal(QPoint(0, 0)), surface->size()),
              QRect(strip->mapToGlobal(QPoint(0, 0)), strip->size()));
}

// Programme 8, with the play list adds.
class ProgrammeEightTest : public RealWindowTest {
protected:
    void add_programmes(catalogue_files::CatalogueBuilder& catalogue) override {
        catalogue.programme(8, "八", 1, adds);
        extra_programmes.push_back("8");
    }

    // Clicks the video and waits until its page has loaded from the origin.
    void click_and_load(const std::string& key) {
        const auto loads_before = loaded.size();
        ASSERT_TRUE(user->click(key));
        ASSERT_TRUE(wait_for(view, &QWebEngineView::loadFinished, [&] { return loaded.size() > loads_before; }));
        ASSERT_TRUE(browser.origin().owns(loaded.back())) << "the page, never an engine error page";
    }

    std::string adds;
};

// A page put into bg/ by a user runs as written: its inline script, inline
// handler, document.write, eval and inline style; it reads the query as the
// window built it.
class ForeignPageTest : public ProgrammeEightTest {
protected:
    ForeignPageTest() { adds = "$$土豆|" + identifier + "|甲$$优酷|" + identifier + "|乙$$SINA|" + identifier + "|丙"; }
    const std::string identifier = "a b&c=中文%41#x";
};

TEST_F(ForeignPageTest, AForeignPageRunsItsOwnInlineScriptAndReadsTheQuery) {
    const std::string page =
        "<!DOCTYPE html><meta charset=utf-8><style>#loc { color: rgb(1, 2, 3) }</style>"
        "<body onload=\"document.body.dataset.loaded = 'yes'\"><p id=loc></p>"
        "<script>loc.textContent = location.search; document.write('<i id=written></i>');"
        " eval('window.evaluated = 7');</script></body>";
    const QString ran = QStringLiteral(
        "[document.body.dataset.loaded, !!document.getElementById('written'), window.evaluated,"
        " getComputedStyle(loc).color, location.hash].join('|')");
    for (const auto& [key, file] :
         {std::pair{"web_1_1_8", "tudou.htm"}, {"web_2_1_8", "youku.htm"}, {"web_3_1_8", "sina.htm"}}) {
        SCOPED_TRACE(file);
        std::ofstream(dir.path() / "bg" / file, std::ios::trunc) << page;
        ASSERT_NO_FATAL_FAILURE(click_and_load(key));
        EXPECT_TRUE(
            wait_until([&] { return page_value(ran).toString() == QStringLiteral("yes|true|7|rgb(1, 2, 3)|"); }, 10000))
            << page_value(ran).toString().toStdString();
        const QString search = page_value(QStringLiteral("loc.textContent")).toString();
        EXPECT_EQ(search, QLatin1Char('?') + loaded.back().query(QUrl::FullyEncoded));
        EXPECT_EQ(QUrl::fromPercentEncoding(search.toUtf8()).toStdString(), "?kwelo_iid=" + identifier);
    }
}

std::string repeated(const std::string& piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) text += piece;
    return text;
}

// The program's own page shows an identifier of 100,000 characters; one whose
// address is longer than any the engine loads gets the page's own failure
// text, naming its length.
class LongIdentifierTest : public ProgrammeEightTest {
protected:
    LongIdentifierTest() {
        adds = "$$土豆|" + repeated("频道 a&b=节目1", 10'000) + "|甲|" + repeated("长", 250'000) + "|乙";
    }
};

TEST_F(LongIdentifierTest, ALongIdentifierIsShownAndOneBeyondTheAddressLimitIsTold) {
    const std::string shown = repeated("频道 a&b=节目1", 10'000);
    ASSERT_NO_FATAL_FAILURE(click_and_load("web_1_1_8"));
    EXPECT_TRUE(wait_until([&] { return shown_identifier().toStdString() == shown; }, 20000));

    ASSERT_NO_FATAL_FAILURE(click_and_load("web_1_2_8"));
    const QString status = QStringLiteral("document.getElementById('status').textContent");
    EXPECT_TRUE(
        wait_until([&] { return page_value(status).toString().contains(QStringLiteral("250000 个字符")); }, 20000))
        << page_value(status).toString().toStdString();
    EXPECT_EQ(page_value(QStringLiteral("document.body.getAttribute('data-state')")).toString(),
              QStringLiteral("failed"));
}

}  // namespace
}  // namespace qinghe::test
