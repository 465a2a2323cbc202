#include "platform/qt/ticker_strip.h"

#include "platform/qt/ticker_accessibility.h"

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
    surface_->setAutoFillBackground(true);
    surface_->winId();
    QWidget* container = QWidget::createWindowContainer(surface_->windowHandle(), this);
    container->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(container);
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
