// The window's resize handler driven through the real Qt window on the
// offscreen platform: the size it holds, the controls it places, when it
// keeps its hands off, and how its runs nest.
#include "app/window_layout.h"
#include "support/qt/form_fixture.h"
#include "support/qt/tree_user.h"

#include <QApplication>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace qinghe::test {
namespace {

using app::Placement;
using app::WindowLayout;
using catalogue_files::CatalogueBuilder;

// What a window of one of the system's sizes shows (Left, Top, Width,
// Height in twips).
struct SizeRow {
    int h, w;
    Placement text1, command1, tv1, web1, frame1;
};

const SizeRow start_up{7300,
                       11000,
                       {7400, 50, 2650, 375},
                       {10100, 50, 735, 375},
                       {7400, 470, 3450, 5890},
                       {50, 50, 7320, 6700},
                       {7420, 6470, 3400, 180}};
const SizeRow youku{7420,
                    11190,
                    {7590, 50, 2650, 375},
                    {10290, 50, 735, 375},
                    {7590, 470, 3450, 6010},
                    {50, 50, 7510, 6820},
                    {7610, 6590, 3400, 180}};
const SizeRow sina{7420,
                   12090,
                   {8490, 50, 2650, 375},
                   {11190, 50, 735, 375},
                   {8490, 470, 3450, 6010},
                   {50, 50, 8410, 6820},
                   {8510, 6590, 3400, 180}};

// The window stands at whole pixels of 15 twips, so a written size may come
// back up to half a pixel off.
constexpr float half_pixel = 7.5F;

Placement placed(platform::Control& c) {
    return {c.left(), c.top(), c.width(), c.height()};
}

void expect_near(const Placement& got, const Placement& want, const char* control) {
    EXPECT_NEAR(got.left, want.left, half_pixel) << control;
    EXPECT_NEAR(got.top, want.top, half_pixel) << control;
    EXPECT_NEAR(got.width, want.width, half_pixel) << control;
    EXPECT_NEAR(got.height, want.height, half_pixel) << control;
}

void expect_same(const Placement& got, const Placement& want, const char* control) {
    EXPECT_FLOAT_EQ(got.left, want.left) << control;
    EXPECT_FLOAT_EQ(got.top, want.top) << control;
    EXPECT_FLOAT_EQ(got.width, want.width) << control;
    EXPECT_FLOAT_EQ(got.height, want.height) << control;
}

struct Placements {
    Placement text1, command1, tv1, web1, frame1;
};

Placements placements(platform::qt::QtForm& window) {
    return {placed(window.text1()), placed(window.command1()), placed(window.tv1()), placed(window.web1()),
            placed(window.frame1())};
}

void expect_unchanged(const Placements& got, const Placements& before) {
    expect_same(got.text1, before.text1, "Text1");
    expect_same(got.command1, before.command1, "Command1");
    expect_same(got.tv1, before.tv1, "Tv1");
    expect_same(got.web1, before.web1, "Web1");
    expect_same(got.frame1, before.frame1, "Frame1");
}

// The window holds the row's size (to the pixel) and its controls stand as
// the row says, computed from the size the window really has.
void expect_window_as(platform::qt::QtForm& window, const SizeRow& row) {
    const int h = window.height();
    const int w = window.width();
    EXPECT_LE(std::abs(h - row.h), 7) << "window height " << h;
    EXPECT_LE(std::abs(w - row.w), 7) << "window width " << w;

    const Placements p = placements(window);
    expect_near(p.text1, row.text1, "Text1");
    expect_near(p.command1, row.command1, "Command1");
    expect_near(p.tv1, row.tv1, "Tv1");
    expect_near(p.web1, row.web1, "Web1");
    expect_near(p.frame1, row.frame1, "Frame1");

    // The platform's rounding carries through: the layout follows the size
    // the window actually has, not the one that was asked for.
    const WindowLayout l = app::layout_for(static_cast<float>(w), static_cast<float>(h));
    expect_same(p.text1, l.text1, "Text1 at the actual size");
    expect_same(p.tv1, l.tv1, "Tv1 at the actual size");
    expect_same(p.web1, l.web1, "Web1 at the actual size");
    EXPECT_FLOAT_EQ(p.frame1.top, l.frame1_top);
    EXPECT_FLOAT_EQ(p.frame1.left, p.web1.left + p.web1.width + 50.0F);
}

CatalogueBuilder one_programme_per_site() {
    CatalogueBuilder c;
    c.category(1, "电视剧", 1, 1).programme(17, "西游记", 1, "$$土豆|td1|第1集$$优酷|yk1|第2集$$SINA|sn1|第3集");
    return c;
}

class FormResizeTest : public ::testing::Test {
protected:
    FormResizeTest() : f(one_programme_per_site()), user(f.window(), f.form()) {}

    void SetUp() override {
        f.start();
        f.window().show();
        QApplication::processEvents();
        user.events().reset_resize_count();
    }

    // A change from outside, as when the user drags the window's border.
    void drag_to(int width_px, int height_px) {
        user.events().reset_resize_count();
        f.window().resize(width_px, height_px);
        QApplication::processEvents();
    }

    void set_state(Qt::WindowStates state) {
        f.window().setWindowState(state);
        QApplication::processEvents();
    }

    int resize_runs() { return user.events().resize_runs; }
    int max_depth() { return user.events().max_depth; }

    FormFixture f;
    TreeUser user;
};

TEST(FormResizeFirstShow, ForcesTheStartUpSizeAndLaysOutThreeRunsDeep) {
    FormFixture f(one_programme_per_site());
    TreeUser user(f.window(), f.form());
    f.start();
    // The window comes up at its design size, which differs both ways.
    EXPECT_NE(f.window().height(), 7305);
    EXPECT_NE(f.window().width(), 10995);

    f.window().show();
    QApplication::processEvents();
    EXPECT_EQ(user.events().resize_runs, 3);
    EXPECT_EQ(user.events().max_depth, 3);
    expect_window_as(f.window(), start_up);
}

TEST_F(FormResizeTest, ADraggedBorderSpringsBackAndTheControlsStayPut) {
    const Placements before = placements(f.window());

    drag_to(900, 650);
    expect_window_as(f.window(), start_up);
    expect_unchanged(placements(f.window()), before);
    EXPECT_EQ(resize_runs(), 3) << "both sides differ: three runs, each inside the one before";
    EXPECT_EQ(max_depth(), 3);

    drag_to(300, 200);
    expect_window_as(f.window(), start_up);
    EXPECT_EQ(resize_runs(), 3);
    EXPECT_EQ(max_depth(), 3);

    // Only the height differs: its write raises no nested run, only the
    // outer one runs; likewise for the width alone.
    drag_to(f.window().QWidget::width(), 300);
    expect_window_as(f.window(), start_up);
    EXPECT_EQ(resize_runs(), 2);
    EXPECT_EQ(max_depth(), 2);

    drag_to(1000, f.window().QWidget::height());
    expect_window_as(f.window(), start_up);
    EXPECT_EQ(resize_runs(), 2);
    EXPECT_EQ(max_depth(), 2);
    expect_unchanged(placements(f.window()), before);

    // A drag to the size it already has is no change at all.
    drag_to(f.window().QWidget::width(), f.window().QWidget::height());
    EXPECT_EQ(resize_runs(), 0);
}

TEST_F(FormResizeTest, AfterAVideoTheDraggedWindowReturnsToThatSitesSize) {
    f.form().Tv1_NodeClick("web_3_1_17");
    expect_window_as(f.window(), sina);

    drag_to(640, 480);
    expect_window_as(f.window(), sina);
    EXPECT_EQ(f.form().fixed_size().height, 7420);
    EXPECT_EQ(f.form().fixed_size().width, 12090);
}

TEST_F(FormResizeTest, PlayingNestsTheResizeRunsInsideTheSizeWrites) {
    // Start-up to Youku changes both sides: the height write runs the
    // handler, whose own width write runs it once more inside; the click's
    // width write then finds the size in place.
    f.form().Tv1_NodeClick("web_2_1_17");
    EXPECT_EQ(resize_runs(), 2);
    EXPECT_EQ(max_depth(), 2);
    expect_window_as(f.window(), youku);

    // Youku to Sina: the same height, only the width write raises a run.
    user.events().reset_resize_count();
    f.form().Tv1_NodeClick("web_3_1_17");
    EXPECT_EQ(resize_runs(), 1);
    EXPECT_EQ(max_depth(), 1);
    expect_window_as(f.window(), sina);

    // The same site again writes nothing that changes the size.
    user.events().reset_resize_count();
    f.form().Tv1_NodeClick("web_3_1_17");
    EXPECT_EQ(resize_runs(), 0);
    expect_window_as(f.window(), sina);

    QApplication::processEvents();
    EXPECT_EQ(resize_runs(), 0) << "nothing is left to run once the click has returned";
}

TEST_F(FormResizeTest, NothingIsWrittenWhileMinimisedAndRestoringHoldsTheSizeAgain) {
    const Placements laid_out = placements(f.window());
    // A control out of place shows whether a run wrote the layout.
    f.window().text1().set_left(1234);

    set_state(Qt::WindowMinimized);
    ASSERT_EQ(f.window().state(), platform::WindowState::minimised);
    EXPECT_GE(resize_runs(), 1) << "the change of state raises the handler";
    EXPECT_FLOAT_EQ(f.window().text1().left(), 1234.0F);

    // Sized from outside while minimised: the handler runs and leaves it.
    drag_to(500, 300);
    EXPECT_GE(resize_runs(), 1);
    EXPECT_EQ(f.window().QWidget::width(), 500);
    EXPECT_EQ(f.window().QWidget::height(), 300);
    EXPECT_FLOAT_EQ(f.window().text1().left(), 1234.0F);
    const Placements minimised = placements(f.window());

    // Running the handler while minimised writes nothing either.
    f.form().Form_Resize();
    EXPECT_EQ(f.window().QWidget::width(), 500);
    expect_unchanged(placements(f.window()), minimised);

    user.events().reset_resize_count();
    set_state(Qt::WindowNoState);
    ASSERT_EQ(f.window().state(), platform::WindowState::normal);
    EXPECT_GE(resize_runs(), 1);
    expect_window_as(f.window(), start_up);
    expect_unchanged(placements(f.window()), laid_out);
}

TEST_F(FormResizeTest, AVideoStartedWhileMinimisedTakesItsSizeOnRestore) {
    set_state(Qt::WindowMinimized);
    ASSERT_EQ(f.window().state(), platform::WindowState::minimised);
    const Placements before = placements(f.window());

    f.form().Tv1_NodeClick("web_2_1_17");
    EXPECT_EQ(f.form().fixed_size().height, 7420);
    EXPECT_EQ(f.form().fixed_size().width, 11190);
    expect_unchanged(placements(f.window()), before);

    set_state(Qt::WindowNoState);
    expect_window_as(f.window(), youku);
}

TEST_F(FormResizeTest, NothingIsWrittenWhileMaximisedAndRestoringHoldsTheSizeAgain) {
    const Placements laid_out = placements(f.window());
    const QSize normal = f.window().frameGeometry().size();

    set_state(Qt::WindowMaximized);
    ASSERT_EQ(f.window().state(), platform::WindowState::maximised);
    EXPECT_GE(resize_runs(), 1);
    // The larger window is left as it is, and so are the controls.
    const QSize maximised = f.window().frameGeometry().size();
    EXPECT_NE(maximised, normal);
    expect_unchanged(placements(f.window()), laid_out);

    f.form().Form_Resize();
    EXPECT_EQ(f.window().frameGeometry().size(), maximised);
    expect_unchanged(placements(f.window()), laid_out);

    set_state(Qt::WindowNoState);
    ASSERT_EQ(f.window().state(), platform::WindowState::normal);
    expect_window_as(f.window(), start_up);
    expect_unchanged(placements(f.window()), laid_out);
}

TEST_F(FormResizeTest, RestoringFromMaximisedAfterAVideoHoldsThatSitesSize) {
    set_state(Qt::WindowMaximized);
    ASSERT_EQ(f.window().state(), platform::WindowState::maximised);
    const int maximised_width = f.window().width();
    f.form().Tv1_NodeClick("web_3_1_17");
    EXPECT_EQ(f.form().fixed_size().width, 12090);
    // Playing writes no size onto a maximised window.
    EXPECT_EQ(f.window().state(), platform::WindowState::maximised);
    EXPECT_EQ(f.window().width(), maximised_width);

    set_state(Qt::WindowNoState);
    expect_window_as(f.window(), sina);
}

}  // namespace
}  // namespace qinghe::test
