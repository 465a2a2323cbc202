// The window manager resizing the window from outside, on a real X display:
// whatever sizes it asks for, and however its requests fall between the
// window's own answers, the window ends at its fixed size.
#include "support/qt/form_fixture.h"
#include "support/qt/tree_user.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QThread>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <xcb/xcb.h>

namespace qinghe::test {
namespace {

// Runs the event loop until the condition holds or the bound passes; the
// bound only keeps a broken build from hanging.
bool settle(const std::function<bool()>& done, int bound_ms = 30000) {
    const QDeadlineTimer deadline(bound_ms);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents();
        QThread::msleep(2);
    }
    return true;
}

class ExternalResizeTest : public ::testing::Test {
protected:
    ExternalResizeTest() : user(f.window(), f.form()), wm(xcb_connect(nullptr, nullptr)) {}
    ~ExternalResizeTest() override { xcb_disconnect(wm); }

    void SetUp() override {
        ASSERT_EQ(QApplication::platformName(), QStringLiteral("xcb"))
            << "this suite needs a real X display; ctest runs it under xvfb-run";
        ASSERT_EQ(xcb_connection_has_error(wm), 0);
        f.start();
        f.window().show();
        ASSERT_TRUE(settle([this] { return server_size() == fixed; }));
    }

    // The window's size as the X server has it.
    QSize server_size() {
        xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(wm, xcb_get_geometry(wm, window()), nullptr);
        const QSize size = g != nullptr ? QSize(g->width, g->height) : QSize();
        std::free(g);
        return size;
    }

    // A resize by another client, as a window manager makes it; returns once
    // the server has applied it.
    void resize_from_outside(QSize size) {
        const uint32_t values[] = {static_cast<uint32_t>(size.width()), static_cast<uint32_t>(size.height())};
        xcb_configure_window(wm, window(), XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, values);
        std::free(xcb_get_input_focus_reply(wm, xcb_get_input_focus(wm), nullptr));
    }

    // Lets the window answer the resize before: its handler runs and its
    // size requests reach the server, whose notice of them waits, unread,
    // for the window's next turn of the event loop.
    void answer() {
        const int runs = user.events().resize_runs;
        ASSERT_TRUE(settle([&] { return user.events().resize_runs > runs; }));
        auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        xcb_connection_t* own = x11->connection();
        xcb_flush(own);
        std::free(xcb_get_input_focus_reply(own, xcb_get_input_focus(own), nullptr));
    }

    xcb_window_t window() { return static_cast<xcb_window_t>(f.window().winId()); }

    // 7300 x 11000 twips, to the nearest pixel.
    const QSize fixed{733, 487};
    FormFixture f;
    TreeUser user;
    xcb_connection_t* wm;
};

TEST_F(ExternalResizeTest, TheFixedSizeComesBackAfterEveryResizeInAnyOrder) {
    const std::vector<std::vector<QSize>> sequences = {
        {{900, 600}, {900, 600}},
        {{900, 600}, {900, 600}, {900, 600}},
        {{733, 600}, {733, 600}},
        {{500, 300}, {900, 600}, {500, 300}},
        {{900, 487}, {600, 487}, {900, 487}, {900, 487}},
    };
    for (const auto& sequence : sequences) {
        SCOPED_TRACE(std::to_string(sequence.size()) + " resizes, the first to " +
                     std::to_string(sequence.front().width()) + "x" + std::to_string(sequence.front().height()));
        for (std::size_t i = 0; i < sequence.size(); ++i) {
            resize_from_outside(sequence[i]);
            if (i + 1 < sequence.size()) answer();
        }
        EXPECT_TRUE(
            settle([this] { return server_size() == fixed && f.window().frameGeometry().size() == fixed; }, 10000))
            << "the server shows " << server_size().width() << "x" << server_size().height();
    }
}

}  // namespace
}  // namespace qinghe::test
