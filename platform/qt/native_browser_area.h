#pragma once

#include <QPointer>
#include <QWidget>

namespace qinghe::platform::qt {

// Web1 for the browser view. The view draws its page into an OpenGL texture,
// and a window that holds such a view among its own widgets composes the
// whole of itself through OpenGL on every repaint, however small: each move
// of the ad labels would redraw the entire window. Here the view is a native
// window of its own, embedded in this area: the main window stays a plain
// raster window, and only the view's window composes, when its page changes.
class NativeBrowserArea final : public QWidget {
public:
    // Takes over view; it is deleted with the area.
    NativeBrowserArea(QWidget* view, QWidget* parent);
    ~NativeBrowserArea() override;
    NativeBrowserArea(const NativeBrowserArea&) = delete;
    NativeBrowserArea& operator=(const NativeBrowserArea&) = delete;

    QWidget* view() const { return view_.data(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void embed_view_window();

    QPointer<QWidget> view_;
    QWidget* container_ = nullptr;
};

}  // namespace qinghe::platform::qt
