#pragma once

#include <QFrame>
#include <QPointer>

namespace qinghe::platform::qt {

// Frame1's height in twips, one label high; the layout never changes it.
inline constexpr int strip_height_twips = 180;

// Frame1, the ad strip. The browser view draws its page into an OpenGL
// texture, and a window that holds such a view composes the whole of itself
// through OpenGL on every flush, however small. The labels therefore live on
// a surface of their own: a raster window embedded at the strip's place,
// which a ticker step repaints and flushes alone, without the main window.
//
// To accessibility the strip is one group named "广告" whose children are
// its labels, each a link that a press activates as a click does.
class TickerStrip final : public QFrame {
    Q_OBJECT
public:
    explicit TickerStrip(QWidget* parent);
    ~TickerStrip() override;
    TickerStrip(const TickerStrip&) = delete;
    TickerStrip& operator=(const TickerStrip&) = delete;

    // The widget the labels are children of.
    QWidget* surface() const { return surface_.data(); }
    // The strip whose surface holds widget, or null.
    static TickerStrip* holding(const QWidget* widget);

private:
    void keep_focus_off_surface(QWidget* old, QWidget* now);

    QPointer<QWidget> surface_;
};

}  // namespace qinghe::platform::qt
