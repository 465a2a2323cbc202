#include "platform/qt/qt_form.h"

#include "platform/base/error.h"
#include "platform/qt/event_delivery.h"
#include "platform/qt/form_icon.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/ticker_strip.h"
#include "platform/qt/twips.h"
#include "platform/qt/window_text.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QTreeWidget>
#include <QWindow>
#include <QWindowStateChangeEvent>

#include <algorithm>

namespace qinghe::platform::qt {

namespace {

// Design client area of the window, in twips.
constexpr int design_client_width = 9405;
constexpr int design_client_height = 5265;

QLineEdit* make_search_box(QWidget* parent) {
    auto* box = new QLineEdit(parent);
    const QString simsun = QStringLiteral("SimSun");
    QFont font(QFontDatabase::families().contains(simsun) ? simsun : QStringLiteral("Noto Serif CJK SC"));
    font.setPointSize(12);
    font.setWeight(QFont::Normal);
    box->setFont(font);
    return box;
}

QPushButton* make_search_button(QWidget* parent) {
    auto* button = new QPushButton(QStringLiteral("搜索"), parent);
    // Not the window's default button: Enter in the search box does not search.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

QWidget* adopt_web_view(QWidget* web_view, QWidget* form) {
    if (web_view == nullptr) throw PlatformError("the window needs a browser widget");
    web_view->setParent(form);
    return web_view;
}

}  // namespace

QtForm::QtForm(QWidget* web_view, QWidget* parent)
    : QWidget(parent),
      tree_(this),
      search_box_(make_search_box(this)),
      search_button_(make_search_button(this)),
      strip_(new TickerStrip(this)),
      web_(adopt_web_view(web_view, this)),
      text1_(search_box_, 5760, 120, 2535, 375),
      command1_(search_button_, 8400, 120, 735, 375),
      tv1_(tree_.widget(), 5760, 600, 3375, 3975),
      web1_(web_, 120, 120, 5535, 4455),
      frame1_(strip_, 7320, 4920, 1935, strip_height_twips),
      labels_(frame1_),
      timer1_(
          timer1_interval_ms, true, [this] { raise_event(sink_, [](FormEvents& sink) { sink.Timer1_Timer(); }); }, this,
          QStringLiteral("Timer1")),
      timer2_(
          timer2_interval_ms, true, [this] { raise_event(sink_, [](FormEvents& sink) { sink.Timer2_Timer(); }); }, this,
          QStringLiteral("Timer2")) {
    caption_ = to_qstring(std::string(application_title));
    setWindowTitle(caption_);
    setWindowIcon(make_form_icon());
    resize(to_pixels(design_client_width), to_pixels(design_client_height));

    connect(search_button_, &QPushButton::clicked, this,
            [this] { raise_event(sink_, [](FormEvents& sink) { sink.Command1_Click(); }); });

    QWidget* tree_widget = tree_.widget();
    search_box_->setObjectName(QStringLiteral("Text1"));
    search_button_->setObjectName(QStringLiteral("Command1"));
    tree_widget->setObjectName(QStringLiteral("Tv1"));
    web_->setObjectName(QStringLiteral("Web1"));
    strip_->setObjectName(QStringLiteral("Frame1"));
    // Names for accessibility; the button's is its text.
    tree_widget->setAccessibleName(QStringLiteral("节目"));
    search_box_->setAccessibleName(QStringLiteral("搜索"));

    // Tab order: the tree, the search box, the search button, the browser;
    // the ad strip and its labels take no focus.
    setTabOrder(tree_widget, search_box_);
    setTabOrder(search_box_, search_button_);
    setTabOrder(search_button_, web_);
    tree_widget->setFocus(Qt::OtherFocusReason);
}

QtForm::~QtForm() = default;

void QtForm::set_events(FormEvents* sink) {
    sink_ = sink;
    tree_.set_events(sink);
    labels_.set_events(sink);
}

void QtForm::start() {
    timer1_.start();
    timer2_.start();
}

WindowState QtForm::state() const {
    const Qt::WindowStates states = windowState();
    if (states.testFlag(Qt::WindowMinimized)) return WindowState::minimised;
    if (states.testFlag(Qt::WindowMaximized) || states.testFlag(Qt::WindowFullScreen)) return WindowState::maximised;
    return WindowState::normal;
}

// The frame is known only once the window system has framed the window;
// before that (and without a window manager) the outer size is the client's.
QSize QtForm::outer_pixels() const {
    return frameGeometry().size();
}

int QtForm::height() const {
    return to_twips(outer_pixels().height());
}
int QtForm::width() const {
    return to_twips(outer_pixels().width());
}

// While minimised or maximised the window keeps the size the window system
// gave it; a size written then is refused, and the next resize in the normal
// state applies the fixed size.
void QtForm::set_height(int twips) {
    if (twips < 0) throw PlatformError("negative window height");
    if (state() != WindowState::normal) throw PlatformError("the window is minimised or maximised");
    write_outer_size(QSize(outer_pixels().width(), to_pixels(twips)));
}

void QtForm::set_width(int twips) {
    if (twips < 0) throw PlatformError("negative window width");
    if (state() != WindowState::normal) throw PlatformError("the window is minimised or maximised");
    write_outer_size(QSize(to_pixels(twips), outer_pixels().height()));
}

void QtForm::write_outer_size(QSize outer) {
    const QSize before = outer_pixels();
    if (outer == before) return;
    const QSize frame = before - size();
    const QSize client(std::max(1, outer.width() - frame.width()), std::max(1, outer.height() - frame.height()));
    const bool was_writing = writing_size_;
    writing_size_ = true;
    resize(client);
    writing_size_ = was_writing;
    // A size the window refused or clamped back to the old one is no change.
    if (outer_pixels() != before) raise_resize();
}

void QtForm::raise_resize() {
    outer_seen_ = outer_pixels();
    raise_event(sink_, [](FormEvents& sink) { sink.Form_Resize(); });
}

bool QtForm::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    // The frame arrives from the window manager after the window is shown,
    // and changes the outer size without resizing the client area.
    if (isVisible() && !writing_size_ && outer_seen_.isValid() && outer_pixels() != outer_seen_) raise_resize();
    return handled;
}

void QtForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!writing_size_) raise_resize();
}

// The window system's notices of the window's size can merge: Qt keeps only
// the last of those waiting at once. When the echo of a size this window
// wrote merges with an outside resize back to the size reported before it,
// no resize event comes, and the window system keeps a size the widget never
// heard of. So after each batch of the window system's messages, once Qt has
// taken them in, the size it reports is compared with the widget's; a
// difference counts as a resize from outside.
bool QtForm::nativeEvent(const QByteArray& event_type, void* message, qintptr* result) {
    if (!size_check_queued_) {
        size_check_queued_ = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                size_check_queued_ = false;
                check_window_system_size();
            },
            Qt::QueuedConnection);
    }
    return QWidget::nativeEvent(event_type, message, result);
}

void QtForm::check_window_system_size() {
    const QWindow* handle = windowHandle();
    if (handle == nullptr || !isVisible() || writing_size_ || state() != WindowState::normal) return;
    const QSize reported = handle->geometry().size();
    if (reported.isEmpty() || reported == size()) return;
    // The widget takes the reported size; the resize event that raises puts
    // the fixed size back.
    resize(reported);
}

void QtForm::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange) return;
    const auto* change = static_cast<QWindowStateChangeEvent*>(event);
    if (change->oldState() != windowState()) raise_resize();
}

void QtForm::closeEvent(QCloseEvent* event) {
    raise_event(sink_, [](FormEvents& sink) { sink.Form_Unload(); });
    // Closing is never refused.
    event->accept();
}

void QtForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (centred_ || event->spontaneous()) return;
    centred_ = true;
    const QScreen* shown_on = screen();
    if (shown_on == nullptr) return;
    const QRect available = shown_on->availableGeometry();
    const QSize outer = outer_pixels();
    move(available.x() + (available.width() - outer.width()) / 2,
         available.y() + (available.height() - outer.height()) / 2);
}

std::string QtForm::caption() const {
    return to_std(caption_);
}

void QtForm::set_caption(const std::string& caption) {
    caption_ = to_qstring(caption);
    setWindowTitle(window_text(caption_));
}

std::string QtForm::search_text() const {
    return to_std(search_box_->text());
}

}  // namespace qinghe::platform::qt
