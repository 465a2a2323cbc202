#include "platform/base/error.h"
#include "platform/base/int16.h"
#include "platform/qt/qt_control.h"
#include "platform/qt/qt_ticker_labels.h"
#include "platform/qt/ticker_label.h"
#include "platform/qt/ticker_strip.h"
#include "platform/qt/twips.h"
#include "recording_events.h"

#include <QAccessible>
#include <QApplication>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

namespace qinghe::platform::qt {
namespace {

using test::RecordingEvents;

class TickerLabelsTest : public ::testing::Test {
protected:
    TickerLabelsTest()
        : strip(new QFrame(&window)),
          strip_control(strip, 7420, 6470, 3400, strip_height_twips),
          labels(strip_control) {
        window.resize(800, 500);
        labels.set_events(&events);
    }

    void click(int index) {
        QLabel* label = labels.label(index);
        const QPointF at(2, 2);
        QMouseEvent press(QEvent::MouseButtonPress, at, label->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, at, label->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(label, &press);
        QApplication::sendEvent(label, &release);
    }

    RecordingEvents events;
    QWidget window;
    QFrame* strip;
    QtControl strip_control;
    QtTickerLabels labels;
};

TEST_F(TickerLabelsTest, LabelZeroStartsAsDesignedAndLoadCopiesItHidden) {
    EXPECT_EQ(labels.count(), 1);
    EXPECT_EQ(labels.caption(0), "Label3111");
    EXPECT_EQ(labels.width(0), 810.0f);
    EXPECT_TRUE(labels.visible(0));
    EXPECT_EQ(labels.label(0)->geometry(), QRect(0, 0, 54, 12));
    EXPECT_EQ(labels.strip_width(), 3400.0f);

    QFont font = labels.label(0)->font();
    font.setPixelSize(11);
    labels.label(0)->setFont(font);
    labels.load(1);
    EXPECT_EQ(labels.count(), 2);
    QLabel* copy = labels.label(1);
    ASSERT_NE(copy, nullptr);
    EXPECT_FALSE(labels.visible(1));
    EXPECT_EQ(copy->parentWidget(), strip);
    EXPECT_EQ(copy->font(), font);
    EXPECT_EQ(copy->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(copy->y(), labels.label(0)->y());
    EXPECT_EQ(copy->height(), labels.label(0)->height());
}

TEST_F(TickerLabelsTest, CaptionSizesTheLabel) {
    labels.load(1);
    labels.set_caption(1, "A");
    const float narrow = labels.width(1);
    labels.set_caption(1, "青禾网络电视 广告 ABCDEFGHIJ");
    const float wide = labels.width(1);
    EXPECT_EQ(labels.caption(1), "青禾网络电视 广告 ABCDEFGHIJ");
    EXPECT_GT(wide, narrow);
    EXPECT_EQ(wide, static_cast<float>(labels.label(1)->width() * twips_per_pixel));
    EXPECT_EQ(labels.label(1)->width(), labels.label(1)->sizeHint().width());
}

// A label as high as the strip draws every pixel of ink it draws with room to
// spare: nothing of a caption's glyphs is cut off at the top or bottom.
TEST_F(TickerLabelsTest, ACaptionsGlyphsFitTheStripsHeight) {
    QLabel& label = *labels.label(0);
    const auto ink = [&label](int height) {
        label.resize(label.width(), height);
        QImage canvas(label.size(), QImage::Format_ARGB32_Premultiplied);
        canvas.fill(Qt::transparent);
        label.render(&canvas, {}, {}, QWidget::DrawChildren);
        int pixels = 0;
        int top = height;
        int bottom = -1;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < canvas.width(); ++x)
                if (qAlpha(canvas.pixel(x, y)) != 0) {
                    ++pixels;
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
        return std::tuple{pixels, bottom - top + 1};
    };
    const int strip_px = to_pixels(strip_height_twips);
    for (const char* caption : {"青禾网络电视【广告】", "Ågjpqy |(Éé)|", "新片 Mojito 上映：8月"}) {
        SCOPED_TRACE(caption);
        labels.set_caption(0, caption);
        const auto [roomy_pixels, roomy_rows] = ink(3 * strip_px);
        const auto [pixels, rows] = ink(strip_px);
        EXPECT_GT(pixels, 0);
        EXPECT_EQ(pixels, roomy_pixels);
        EXPECT_EQ(rows, roomy_rows);
        // And the text uses the strip: its ink is most of the strip's height.
        EXPECT_GE(rows, strip_px * 2 / 3);
    }
}

TEST_F(TickerLabelsTest, LeftKeepsTheTwipsWrittenAndPlacesAtTheNearestPixel) {
    labels.set_left(0, 3400);
    for (int tick = 0; tick < 7; ++tick) labels.set_left(0, labels.left(0) - 50);
    EXPECT_EQ(labels.left(0), 3050.0f);
    EXPECT_EQ(labels.label(0)->x(), 203) << "3050 twips is 203.3 pixels";

    labels.set_left(0, -50);
    EXPECT_EQ(labels.left(0), -50.0f);
    EXPECT_EQ(labels.label(0)->x(), -3);
    labels.set_left(0, 1234.5f);
    EXPECT_EQ(labels.left(0), 1234.5f);
    EXPECT_EQ(labels.label(0)->x(), 82);
    EXPECT_EQ(labels.label(0)->y(), 0);

    EXPECT_THROW(labels.set_left(0, std::numeric_limits<float>::infinity()), PlatformError);
    EXPECT_EQ(labels.left(0), 1234.5f);
}

TEST_F(TickerLabelsTest, UnloadAndCallsOnMissingIndicesFail) {
    labels.load(1);
    labels.load(2);
    labels.unload(1);
    EXPECT_EQ(labels.count(), 2);
    EXPECT_EQ(strip->findChildren<QLabel*>().size(), 2);
    EXPECT_THROW(labels.unload(1), PlatformError);
    EXPECT_THROW(labels.unload(0), PlatformError);
    for (int index : {-1, 1, 40000}) {
        EXPECT_THROW(labels.caption(index), PlatformError);
        EXPECT_THROW(labels.set_left(index, 0), PlatformError);
        EXPECT_THROW(labels.width(index), PlatformError);
        EXPECT_THROW(labels.set_visible(index, true), PlatformError);
    }
    EXPECT_THROW(labels.load(2), PlatformError);
    EXPECT_THROW(labels.load(int16_max + 1), PlatformError);
    EXPECT_EQ(labels.count(), 2);

    labels.load(1);
    EXPECT_FALSE(labels.visible(1));
}

TEST_F(TickerLabelsTest, AClickRaisesLabel3ClickWithTheLabelsIndex) {
    labels.load(1);
    labels.load(2);
    labels.set_visible(1, true);
    labels.set_visible(2, true);
    window.show();
    QApplication::processEvents();

    click(2);
    click(0);
    EXPECT_TRUE(events.log.empty()) << "delivered after the mouse event";
    QApplication::processEvents();
    EXPECT_EQ(events.log, (std::vector<std::string>{"Label3_Click:2", "Label3_Click:0"}));

    // A label unloaded before its click is delivered takes the click with it.
    events.log.clear();
    click(1);
    labels.unload(1);
    QApplication::processEvents();
    EXPECT_TRUE(events.log.empty());
}

TEST_F(TickerLabelsTest, AMegabyteCaptionIsLaidOutOnceAndDrawnOnlyWhereTheStripShowsIt) {
    const std::string huge(1'000'000, 'x');
    labels.set_caption(0, huge);
    auto* label = static_cast<TickerLabel*>(labels.label(0));
    // The ticker reads the whole caption back and the label is as wide as
    // all of it; the window system and accessibility get a bounded text.
    EXPECT_EQ(labels.caption(0), huge);
    EXPECT_GT(labels.width(0), 1'000'000.0F);
    EXPECT_LE(label->text().size(), TickerLabel::shown_length);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(label);
    ASSERT_NE(accessible, nullptr);
    EXPECT_LE(accessible->text(QAccessible::Name).size(), TickerLabel::shown_length);

    // A repaint as the window system asks for it: the part of the label
    // that lies inside the strip.
    QImage canvas(strip->size(), QImage::Format_ARGB32);
    const auto repaint = [&] {
        const QRect visible = label->rect().intersected(QRect(-label->pos(), strip->size()));
        label->render(&canvas, QPoint(), QRegion(visible));
    };
    repaint();
    ASSERT_GT(label->drawn_characters(), 0);
    const int after_first_paint = label->text_layouts();
    for (int tick = 0; tick < 100; ++tick) {
        labels.set_left(0, labels.left(0) - 50);
        repaint();
        // Only what the strip shows is drawn: a few runs, never the caption.
        EXPECT_LE(label->drawn_characters(), 3 * TickerLabel::run_length);
    }
    // 100 ticks move the label 333 pixels: a few runs come into view and
    // are shaped once each; nothing is measured again.
    EXPECT_LE(label->text_layouts() - after_first_paint, 8);
}

}  // namespace
}  // namespace qinghe::platform::qt
