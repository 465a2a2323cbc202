// Each site's video is clicked in the tree, and the window must take that
// site's size on screen while the browser shows that site's page for the
// video.
#include "real_window.h"
#include "support/qt/named_child.h"

#include <QLabel>
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace qinghe::test
