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
    // Without a parent widget the view is a window of its own.
    view->setParent(nullptr);
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
        QMetaObject::invokeMethod(this, [this] { embed_view_window(); }, Qt::QueuedConnection);
        return QWidget::eventFilter(watched, event);
    }
    QWindow* target = view_.isNull() ? nullptr : view_->windowHandle();
    if (watched != container_ || target == nullptr) return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        QMouseEvent passed(mouse->type(), mouse->position(), mouse->scenePosition(), mouse->globalPosition(),
                           mouse->button(), mouse->buttons(), mouse->modifiers(), mouse->pointingDevice());
        QCoreApplication::sendEvent(target, &passed);
        return true;
    }
    case QEvent::Wheel: {
        const auto* wheel = static_cast<QWheelEvent*>(event);
        QWheelEvent passed(wheel->position(), wheel->globalPosition(), wheel->pixelDelta(), wheel->angleDelta(),
                           wheel->buttons(), wheel->modifiers(), wheel->phase(), wheel->inverted(),
                           wheel->source(), wheel->pointingDevice());
        QCoreApplication::sendEvent(target, &passed);
        return true;
    }
    default:
        return QWidget::eventFilter(watched, event);
    }
}

}  // namespace qinghe::platform::qt
