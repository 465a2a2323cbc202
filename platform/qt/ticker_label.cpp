#include "platform/qt/ticker_label.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <tuple>
#include <utility>

namespace qinghe::platform::qt {

namespace {
// Chinese text, capitals with marks above and letters that reach below the
// baseline: the ink a caption's glyphs take at most, in practice.
const QString ink_sample = QStringLiteral("青禾网络电视广告：【】ÅÉÎgjpqy|()");

// Pixel rows above the baseline and from it down that the font's ink of the
// sample takes.
std::pair<int, int> ink_rows(const QFont& font) {
    const QRectF ink = QFontMetricsF(font).tightBoundingRect(ink_sample);
    return {static_cast<int>(std::ceil(-ink.top())), static_cast<int>(std::ceil(ink.bottom()))};
}
}  // namespace

TickerLabel::TickerLabel(QWidget* parent) : QLabel(parent) {
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    setTextFormat(Qt::PlainText);
    std::tie(ink_above_, ink_below_) = ink_rows(font());
}

QFont TickerLabel::fitting_font(const QFont& base, int height) {
    QFont font = base;
    for (int size = std::max(height, 1); size > 1; --size) {
        font.setPixelSize(size);
        const auto [above, below] = ink_rows(font);
        if (above + below <= height) return font;
    }
    font.setPixelSize(1);
    return font;
}

TickerLabel::Shaped TickerLabel::shape(const QString& text) const {
    QTextLayout layout(text, font());
    layout.setCacheEnabled(false);
    layout.beginLayout();
    const QTextLine line = layout.createLine();
    layout.endLayout();
    return {layout.glyphRuns(), line.isValid() ? line.ascent() : 0};
}

void TickerLabel::set_caption(const QString& caption) {
    caption_ = caption;
    setText(window_text(caption_));
    measure();
    updateGeometry();
    update();
}

void TickerLabel::measure() {
    runs_.clear();
    shaped_.clear();
    caption_width_ = 0;
    if (caption_.size() <= shown_length) {
        // A caption the label shows whole is one run, measured as QLabel
        // measures it.
        runs_.push_back({0, static_cast<int>(caption_.size()), 0, std::nullopt});
        return;
    }
    ++text_layouts_;
    const QFontMetricsF metrics(font());
    for (qsizetype start = 0; start < caption_.size();) {
        qsizetype length = std::min<qsizetype>(run_length, caption_.size() - start);
        if (start + length < caption_.size() && caption_.at(start + length - 1).isHighSurrogate()) ++length;
        runs_.push_back({static_cast<int>(start), static_cast<int>(length), caption_width_, std::nullopt});
        caption_width_ += metrics.horizontalAdvance(caption_.mid(start, length));
        start += length;
    }
}

QSize TickerLabel::sizeHint() const {
    const QSize label = QLabel::sizeHint();
    if (caption_.size() <= shown_length) return label;
    const int width = static_cast<int>(std::min<qreal>(std::ceil(caption_width_), QWIDGETSIZE_MAX));
    return {width, label.height()};
}

void TickerLabel::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
    const QRect area = event->rect();
    const int baseline = ink_above_ + (height() - ink_above_ - ink_below_) / 2;

    // The first run that reaches into the area, then every run that starts
    // inside it.
    auto run = std::upper_bound(runs_.begin(), runs_.end(), static_cast<qreal>(area.left()),
                                [](qreal x, const Run& r) { return x < r.x; });
    if (run != runs_.begin()) --run;
    drawn_characters_ = 0;
    std::size_t first = runs_.size();
    std::size_t last = 0;
    for (; run != runs_.end() && run->x <= area.right() + 1; ++run) {
        const auto index = static_cast<std::size_t>(run - runs_.begin());
        if (!run->shaped) {
            run->shaped = shape(caption_.mid(run->start, run->length));
            shaped_.push_back(index);
            ++text_layouts_;
        }
        for (const QGlyphRun& glyphs : run->shaped->glyphs)
            painter.drawGlyphRun(QPointF(run->x, baseline - run->shaped->ascent), glyphs);
        drawn_characters_ += run->length;
        first = std::min(first, index);
        last = std::max(last, index);
    }
    if (first > last) return;
    // Runs well away from what is on screen are let go, so a long caption
    // scrolling past holds only the runs around the strip.
    constexpr std::size_t margin = 8;
    const auto far = [&](std::size_t index) { return index + margin < first || index > last + margin; };
    for (const std::size_t index : shaped_)
        if (far(index)) runs_[index].shaped.reset();
    shaped_.erase(std::remove_if(shaped_.begin(), shaped_.end(), far), shaped_.end());
}

void TickerLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        std::tie(ink_above_, ink_below_) = ink_rows(font());
        measure();
        updateGeometry();
    }
}

void TickerLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        pressed_ = true;
        event->accept();
        return;
    }
    QLabel::mousePressEvent(event);
}

void TickerLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && pressed_) {
        pressed_ = false;
        event->accept();
        if (rect().contains(event->position().toPoint())) emit clicked();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

}  // namespace qinghe::platform::qt
