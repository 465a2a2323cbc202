#pragma once

#include "platform/qt/window_text.h"

#include <QGlyphRun>
#include <QLabel>
#include <QList>

#include <optional>
#include <vector>

namespace qinghe::platform::qt {

// One Label3 label: a QLabel that reports a left click, completed by
// releasing the button over the label.
//
// The label keeps its whole caption and sizes itself to it, but lays the
// text out once: the caption is cut into runs whose places are measured
// when it is set, and a run is shaped the first time it comes into view.
// A repaint draws only the runs inside the part of the strip it covers, so
// moving a label with a megabyte caption costs no more than a short one.
// What the label hands to the window system and to accessibility (its
// QLabel text) is the caption cut as window_text cuts it.
//
// The text stands on one baseline, placed so that the ink of Chinese and
// Latin text (capitals with marks above, descenders below) sits centred in
// the label's height; fitting_font picks a size whose ink fits the strip.
class TickerLabel : public QLabel {
    Q_OBJECT
public:
    static constexpr qsizetype shown_length = max_window_text;
    static constexpr int run_length = 128;

    explicit TickerLabel(QWidget* parent = nullptr);

    // The font of base's family at the largest pixel size whose ink for
    // Chinese and Latin text, with the fonts that stand in for missing
    // glyphs, is at most height pixels high.
    static QFont fitting_font(const QFont& base, int height);

    void set_caption(const QString& caption);
    const QString& caption() const { return caption_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    // What a left click does: reports the click.
    void click() { emit clicked(); }

    // How often text has been laid out: one for measuring a caption, one for
    // each run shaped. Moving the label adds nothing for runs already shaped.
    int text_layouts() const { return text_layouts_; }
    // Characters drawn by the last repaint.
    int drawn_characters() const { return drawn_characters_; }

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // A run's glyphs, placed on a baseline at height ascent.
    struct Shaped {
        QList<QGlyphRun> glyphs;
        qreal ascent;
    };
    struct Run {
        int start;
        int length;
        qreal x;
        std::optional<Shaped> shaped;
    };

    void measure();
    Shaped shape(const QString& text) const;

    QString caption_;
    std::vector<Run> runs_;
    // Runs shaped for the last repaint; the others are let go.
    std::vector<std::size_t> shaped_;
    qreal caption_width_ = 0;
    // Pixel rows the font's ink takes above the baseline and from it down.
    int ink_above_ = 0;
    int ink_below_ = 0;
    bool pressed_ = false;
    int text_layouts_ = 0;
    int drawn_characters_ = 0;
};

}  // namespace qinghe::platform::qt
