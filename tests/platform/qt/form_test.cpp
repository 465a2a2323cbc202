#include "platform/base/error.h"
#include "platform/qt/qt_form.h"
#include "platform/qt/twips.h"
#include "recording_events.h"
#include "support/qt/named_child.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

namespace qinghe::platform::qt {
namespace {

using test::named_child;
using test::process_until;
using test::RecordingEvents;

class FormTest : public ::testing::Test {
protected:
    FormTest() : form(new QWidget) { form.set_events(&events); }

    // A resize handler that holds the window at a fixed size, the way the
    // window's own handler does, and notes how deeply runs nest.
    void hold_size(int height, int width) {
        events.on_resize = [this, height, width] {
            ++depth;
            max_depth = std::max(max_depth, depth);
            if (form.state() == WindowState::normal) {
                form.set_height(height);
                form.set_width(width);
            }
            --depth;
        };
    }

    RecordingEvents events;
    QtForm form;
    int depth = 0;
    int max_depth = 0;
};

TEST_F(FormTest, SizeWriteRaisesResizeBeforeReturningOnlyWhenTheSizeChanges) {
    form.show();
    QApplication::processEvents();
    events.log.clear();

    form.set_height(7300);
    EXPECT_EQ(events.count("Form_Resize"), 1) << "raised once, and before the write returned";
    EXPECT_EQ(form.height(), 7305) << "7300 twips is 486.7 pixels, shown as 487";

    // Writes that come to the same whole pixels change nothing.
    form.set_height(7300);
    form.set_height(7305);
    form.set_width(form.width());
    EXPECT_EQ(events.count("Form_Resize"), 1);

    form.set_width(11000);
    EXPECT_EQ(events.count("Form_Resize"), 2);
    EXPECT_EQ(form.width(), 10995);

    QApplication::processEvents();
    EXPECT_EQ(events.count("Form_Resize"), 2) << "the window system's echo of our own size is no news";
}

TEST_F(FormTest, OuterSizeIsTheClientPlusTheFrameInTwips) {
    // Hidden, the window has no frame yet; writes still raise the event.
    form.set_width(12090);
    EXPECT_EQ(events.count("Form_Resize"), 1);
    EXPECT_EQ(form.width(), 12090);

    // Shown, the frame counts: the client is the outer size less the frame.
    form.show();
    QApplication::processEvents();
    form.set_height(7420);
    form.set_width(12090);
    const QRect frame = form.frameGeometry();
    EXPECT_EQ(form.height(), frame.height() * twips_per_pixel);
    EXPECT_EQ(form.width(), frame.width() * twips_per_pixel);
    EXPECT_EQ(frame.width(), 806);
    EXPECT_EQ(frame.height(), 495);

    EXPECT_THROW(form.set_height(-15), PlatformError);
    EXPECT_EQ(form.frameGeometry().size(), frame.size());
}

TEST_F(FormTest, AHandlerThatForcesTheSizeNestsThreeDeepAndEnds) {
    hold_size(7300, 11000);

    // First show: the window comes up at its design size and is forced.
    form.show();
    QApplication::processEvents();
    EXPECT_EQ(events.count("Form_Resize"), 3);
    EXPECT_EQ(max_depth, 3);
    EXPECT_EQ(form.height(), 7305);
    EXPECT_EQ(form.width(), 10995);

    // The user drags the border: both sides differ again.
    events.log.clear();
    max_depth = 0;
    form.resize(900, 650);
    QApplication::processEvents();
    EXPECT_EQ(events.count("Form_Resize"), 3);
    EXPECT_EQ(max_depth, 3);
    EXPECT_EQ(form.height(), 7305);
    EXPECT_EQ(form.width(), 10995);

    // Only the width differs: the width write raises the one nested run.
    events.log.clear();
    max_depth = 0;
    form.resize(800, form.QWidget::height());
    QApplication::processEvents();
    EXPECT_EQ(events.count("Form_Resize"), 2);
    EXPECT_EQ(max_depth, 2);
    EXPECT_EQ(form.width(), 10995);
}

TEST_F(FormTest, StateIsReportedAndAChangeOfStateRaisesResize) {
    form.show();
    QApplication::processEvents();
    EXPECT_EQ(form.state(), WindowState::normal);

    events.log.clear();
    form.setWindowState(Qt::WindowMinimized);
    QApplication::processEvents();
    EXPECT_EQ(form.state(), WindowState::minimised);

    form.setWindowState(Qt::WindowMaximized);
    QApplication::processEvents();
    EXPECT_EQ(form.state(), WindowState::maximised);

    events.log.clear();
    form.setWindowState(Qt::WindowNoState);
    QApplication::processEvents();
    EXPECT_EQ(form.state(), WindowState::normal);
    EXPECT_GE(events.count("Form_Resize"), 1) << "back to normal, the handler runs again";
}

TEST_F(FormTest, ControlsStartAtTheirDesignPlacesAndKeepTheTwipsWritten) {
    EXPECT_EQ(form.size(), QSize(627, 351));
    EXPECT_EQ(form.tree().widget()->geometry(), QRect(384, 40, 225, 265));
    EXPECT_EQ(form.strip()->geometry(), QRect(488, 328, 129, 12));

    Control& tv1 = form.tv1();
    tv1.set_left(7400.5f);
    tv1.set_top(470);
    tv1.set_width(3450);
    tv1.set_height(5890.25f);
    EXPECT_EQ(tv1.left(), 7400.5f);
    EXPECT_EQ(tv1.height(), 5890.25f);
    EXPECT_EQ(form.tree().widget()->geometry(), QRect(493, 31, 230, 393));

    EXPECT_THROW(tv1.set_width(-1), PlatformError);
    EXPECT_THROW(tv1.set_left(std::numeric_limits<float>::quiet_NaN()), PlatformError);
    EXPECT_EQ(tv1.width(), 3450.0f);
    EXPECT_EQ(tv1.left(), 7400.5f);
    EXPECT_EQ(form.tree().widget()->geometry(), QRect(493, 31, 230, 393));
}

TEST_F(FormTest, FocusStartsInTheTreeAndTabsThroughSearchBoxButtonAndBrowser) {
    EXPECT_EQ(form.focusWidget(), form.tree().widget());

    const std::vector<QWidget*> ours{form.tree().widget(), &named_child<QLineEdit>(form, "Text1"),
                                     &named_child<QPushButton>(form, "Command1"), &named_child<QWidget>(form, "Web1")};
    std::vector<QWidget*> order;
    QWidget* at = form.tree().widget();
    do {
        if (std::find(ours.begin(), ours.end(), at) != ours.end()) order.push_back(at);
        at = at->nextInFocusChain();
    } while (at != form.tree().widget() && order.size() < 8);
    EXPECT_EQ(order, ours);

    EXPECT_EQ(form.strip()->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(form.labels().label(0)->focusPolicy(), Qt::NoFocus);
}

TEST_F(FormTest, SearchButtonClicksButEnterInTheSearchBoxDoesNot) {
    auto& text1 = named_child<QLineEdit>(form, "Text1");
    text1.setText(QStringLiteral("新闻 联播"));
    EXPECT_EQ(form.search_text(), "新闻 联播");

    form.show();
    QApplication::processEvents();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(&text1, &enter);
    QApplication::processEvents();
    EXPECT_EQ(events.count("Command1_Click"), 0);

    named_child<QPushButton>(form, "Command1").click();
    EXPECT_EQ(events.count("Command1_Click"), 1);
}

TEST_F(FormTest, TimersTickOnlyAfterStart) {
    const QTimer& timer1 = named_child<QTimer>(form, "Timer1");
    const QTimer& timer2 = named_child<QTimer>(form, "Timer2");
    EXPECT_TRUE(form.timer1().enabled());
    EXPECT_EQ(timer1.interval(), timer1_interval_ms);
    EXPECT_EQ(timer2.interval(), timer2_interval_ms);
    EXPECT_FALSE(timer1.isActive());
    EXPECT_FALSE(timer2.isActive());

    // The start-up timer switches itself off at its first tick.
    events.on_timer1 = [this] { form.timer1().set_enabled(false); };
    form.start();
    EXPECT_TRUE(timer1.isActive());
    ASSERT_TRUE(process_until([this] { return events.count("Timer2_Timer") >= 2; }));
    EXPECT_EQ(events.count("Timer1_Timer"), 1);
    EXPECT_FALSE(form.timer1().enabled());
    EXPECT_FALSE(timer1.isActive());
    EXPECT_TRUE(timer2.isActive());
}

TEST_F(FormTest, ClosingRaisesUnloadAndAlwaysProceedsEvenWhenTheHandlerFails) {
    form.show();
    QApplication::processEvents();
    events.on_unload = [] { throw PlatformError("closing a connection that never opened"); };
    EXPECT_TRUE(form.close());
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(events.count("Form_Unload"), 1);
}

TEST_F(FormTest, AFailingResizeHandlerDoesNotFailTheSizeWrite) {
    events.on_resize = [] { throw PlatformError("layout step failed"); };
    EXPECT_NO_THROW(form.set_height(7230));
    EXPECT_EQ(form.height(), 7230);
    EXPECT_EQ(events.count("Form_Resize"), 1);
}

}  // namespace
}  // namespace qinghe::platform::qt
