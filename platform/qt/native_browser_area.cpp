#include "platform/qt/native_browser_area.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QWindow>

#include <utility>

namespace qinghe::platform::qt {

NativeBrowserArea::NativeBrowserArea(QWidget* view, QWidget* parent) : QWidget(parent), view_(view) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    // Tab reaches the browser through the area.
    setFocusPolicy(view->focusPolicy());
    // The view stays the area's child but is a window of its own, whose
    // drawing never involves the main window's.
    view->setParent(this, Qt::Window);
    view->setAttribute(Qt::WA_NativeWindow);
    view->installEventFilter(this);
    embed_view_window();
}

NativeBrowserArea::~NativeBrowserArea() {
    // The view goes before the container, which would otherwise delete the
    // view's native window from under it.
    delete view_.data();
}

// The view makes its texture-drawing child when its first page loads, and Qt
// then replaces the view's window with one that draws through OpenGL. Each
// window the view gets is embedded in a fresh container in place of the last.
void NativeBrowserArea::embed_view_window() {
    if (view_.isNull()) return;
    view_->winId();
    QWindow* window = view_->windowHandle();
    if (window == nullptr || window->parent() != nullptr) return;
    QWidget* container = QWidget::createWindowContainer(window, this);
    container->installEventFilter(this);
    layout()->addWidget(container);
    setFocusProxy(container);
    delete std::exchange(container_, container);
    container->show();
}

// The window system gives input over the browser straight to the view's
// window; input that Qt delivers to the main window at the browser's place
// (synthesised events) is passed on to it the same way.
bool NativeBrowserArea::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view_.data() && event->type() == QEvent::WinIdChange) {
        // The new window is complete only once the change has been handled.
        QMetaObject::invokeMethod(
            this, [this] { embed_view_window(); }, Qt::QueuedConnection);
        return QWidget::eventFilter(watched, event);
    }
    if (watched != container_ || view_.isNull()) return QWidget::eventFilter(watched, event);
    // The widget of the view under the point, and the point in its terms.
    const auto target = [this](QPointF position) {
        QWidget* under = view_->childAt(position.toPoint());
        QWidget* receiver = under != nullptr ? under : view_.data();
        return std::pair{receiver, receiver->mapFrom(view_.data(), position)};
    };
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const auto [receiver, at] = target(mouse->position());
        QMouseEvent passed(mouse->type(), at, mouse->scenePosition(), mouse->globalPosition(), mouse->button(),
                           mouse->buttons(), mouse->modifiers(), mouse->pointingDevice());
        QCoreApplication::sendEvent(receiver, &passed);
        return true;
    }
    case QEvent::Wheel: {
        const auto* wheel = static_cast<QWheelEvent*>(event);
        const auto [receiver, at] = target(wheel->position());
        QWheelEvent passed(at, wheel->globalPosition(), wheel->pixelDelta(), wheel->angleDelta(), wheel->buttons(),
                           wheel->modifiers(), wheel->phase(), wheel->inverted(), wheel->source(),
                           wheel->pointingDevice());
        QCoreApplication::sendEvent(receiver, &passed);
        return true;
    }
    default:
        return QWidget::eventFilter(watched, event);
    }
}

}  // namespace qinghe::platform::qt
