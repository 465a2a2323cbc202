#pragma once

#include "platform/form_events.h"
#include "platform/qt/qt_control.h"
#include "platform/qt/qt_ticker_labels.h"
#include "platform/qt/qt_timer.h"
#include "platform/qt/qt_tree_view.h"
#include "platform/window.h"

#include <QWidget>

class QFrame;
class QLineEdit;
class QPushButton;

namespace qinghe::platform::qt {

// The top-level window Form1 with its controls at their design places:
// the browser area Web1 (the widget given to the constructor), the search
// box Text1 and button Command1, the tree Tv1, and the ad strip Frame1 with
// the Label3 labels; and the timers Timer1 (10 ms) and Timer2 (200 ms).
// Each control, and each timer's QTimer, is a child object of its name.
//
// Size: height() and width() are the outer size in twips, frame included
// (QWidget::height() and QWidget::width() remain the client area in pixels).
// A size write that changes the window's size raises Form_Resize before it
// returns; one that leaves the size as it is raises nothing. A size change
// from outside (the user dragging the border, the window manager) and any
// change of the window state raise Form_Resize too.
class QtForm final : public QWidget, public Window {
    Q_OBJECT
public:
    // web_view becomes Web1 and a child of the window.
    explicit QtForm(QWidget* web_view, QWidget* parent = nullptr);
    ~QtForm() override;

    // Where the window's events go; null drops them.
    void set_events(FormEvents* sink);
    // Arms the timers; called once the window's load has finished, so no
    // tick comes before it.
    void start();

    QtTreeView& tree() { return tree_; }
    QtTickerLabels& labels() { return labels_; }
    QtTimer& timer1() { return timer1_; }
    QFrame* strip() const { return strip_; }

    WindowState state() const override;
    int height() const override;
    int width() const override;
    void set_height(int twips) override;
    void set_width(int twips) override;
    std::string caption() const override;
    void set_caption(const std::string& caption) override;

    Control& text1() override { return text1_; }
    Control& command1() override { return command1_; }
    Control& tv1() override { return tv1_; }
    Control& web1() override { return web1_; }
    Control& frame1() override { return frame1_; }

    std::string search_text() const override;

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool nativeEvent(const QByteArray& event_type, void* message, qintptr* result) override;

private:
    QSize outer_pixels() const;
    void write_outer_size(QSize outer);
    void raise_resize();
    void check_window_system_size();

    FormEvents* sink_ = nullptr;
    QtTreeView tree_;
    QLineEdit* search_box_;
    QPushButton* search_button_;
    QFrame* strip_;
    QWidget* web_;
    QtControl text1_;
    QtControl command1_;
    QtControl tv1_;
    QtControl web1_;
    QtControl frame1_;
    QtTickerLabels labels_;
    QtTimer timer1_;
    QtTimer timer2_;
    // Set while this window applies a size of its own, whose resize events
    // are not news from outside.
    bool writing_size_ = false;
    // The outer size the resize handler last saw; a window manager that adds
    // its frame after the first show changes the outer size without a resize
    // of the client area.
    QSize outer_seen_;
    bool centred_ = false;
    bool size_check_queued_ = false;
    // The whole caption; the window title shows it cut to a bounded length.
    QString caption_;
};

}  // namespace qinghe::platform::qt
