#pragma once

#include <QLabel>

namespace qinghe::platform::qt {

// One Label3 label: a QLabel that reports a left click, completed by
// releasing the button over the label.
class TickerLabel : public QLabel {
    Q_OBJECT
public:
    explicit TickerLabel(QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool pressed_ = false;
};

}  // namespace qinghe::platform::qt
