#include "platform/qt/qt_control.h"

#include "platform/base/error.h"
#include "platform/qt/twips.h"

namespace qinghe::platform::qt {

QtControl::QtControl(QWidget* widget, float left, float top, float width, float height) : widget_(widget) {
    place(left, top, width, height);
}

QWidget& QtControl::target() const {
    if (widget_.isNull()) throw PlatformError("the control has been destroyed");
    return *widget_;
}

// Checks and applies all four values before any is stored, so a rejected
// write leaves the control as it was.
void QtControl::place(float left, float top, float width, float height) {
    QWidget& widget = target();
    if (width < 0 || height < 0) throw PlatformError("negative control size");
    const QRect pixels(to_pixels(left), to_pixels(top), to_pixels(width), to_pixels(height));
    widget.setGeometry(pixels);
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
}

void QtControl::set_left(float twips) {
    place(twips, top_, width_, height_);
}
void QtControl::set_top(float twips) {
    place(left_, twips, width_, height_);
}
void QtControl::set_width(float twips) {
    place(left_, top_, twips, height_);
}
void QtControl::set_height(float twips) {
    place(left_, top_, width_, twips);
}

}  // namespace qinghe::platform::qt
