#include "platform/qt/ticker_strip.h"

#include "platform/qt/ticker_accessibility.h"

#include <QApplication>
#include <QVBoxLayout>
#include <QWindow>

namespace qinghe::platform::qt {

namespace {
// The surface's property that names its strip.
constexpr const char* strip_property = "qinghe_ticker_strip";
}  // namespace

TickerStrip::TickerStrip(QWidget* parent) : QFrame(parent), surface_(new QWidget(nullptr, Qt::Window)) {
    install_ticker_accessibility();
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::NoFocus);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    // The surface is a window of its own outside the main window's widgets,
    // so it outlives the main window's native window, which Qt replaces when
    // the browser's first page loads. It never takes the keyboard: the strip
    // and its labels take no focus, and a click on a label leaves the focus
    // where it was.
    surface_->setProperty(strip_property, QVariant::fromValue<QObject*>(this));
    surface_->setWindowFlag(Qt::WindowDoesNotAcceptFocus);
    surface_->setFocusPolicy(Qt::NoFocus);
    connect(qApp, &QApplication::focusChanged, this, &TickerStrip::keep_focus_off_surface);
    surface_->setAutoFillBackground(true);
    surface_->winId();
    QWidget* container = QWidget::createWindowContainer(surface_->windowHandle(), this);
    container->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(container);
}

// A window system that gives the surface the keyboard anyway (on showing it,
// on a click) gets it taken back: the widget that had the focus gets it
// again, and the main window is activated again.
void TickerStrip::keep_focus_off_surface(QWidget* old, QWidget* now) {
    QWidget* main = window();
    if (surface_.isNull() || old == nullptr || old->window() != main || main == surface_.data()) return;
    if (now != nullptr && now->window() != surface_.data()) return;
    if (QGuiApplication::focusWindow() != surface_->windowHandle()) return;
    old->setFocus(Qt::ActiveWindowFocusReason);
    if (QWindow* handle = main->windowHandle(); handle != nullptr) handle->requestActivate();
}

TickerStrip::~TickerStrip() {
    delete surface_.data();
}

TickerStrip* TickerStrip::holding(const QWidget* widget) {
    const QWidget* surface = widget == nullptr ? nullptr : widget->window();
    return surface == nullptr ? nullptr
                              : qobject_cast<TickerStrip*>(surface->property(strip_property).value<QObject*>());
}

}  // namespace qinghe::platform::qt
