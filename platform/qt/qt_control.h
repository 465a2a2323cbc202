#pragma once

#include "platform/window.h"

#include <QPointer>
#include <QWidget>

namespace qinghe::platform::qt {

// A child widget of the window placed in twips. The values written are kept
// as they were given, so reading back returns them exactly; the widget
// stands at the nearest whole pixels.
class QtControl final : public Control {
public:
    // Places the widget at its design position and size (twips).
    QtControl(QWidget* widget, float left, float top, float width, float height);

    QWidget* widget() const { return widget_.data(); }

    float left() const override { return left_; }
    float top() const override { return top_; }
    float width() const override { return width_; }
    float height() const override { return height_; }
    void set_left(float twips) override;
    void set_top(float twips) override;
    void set_width(float twips) override;
    void set_height(float twips) override;

private:
    QWidget& target() const;
    void place(float left, float top, float width, float height);

    QPointer<QWidget> widget_;
    float left_ = 0;
    float top_ = 0;
    float width_ = 0;
    float height_ = 0;
};

}  // namespace qinghe::platform::qt
