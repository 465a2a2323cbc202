#include "platform/qt/full_screen_window.h"

#include <QAction>
#include <QScreen>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QWindow>

namespace qinghe::platform::qt {

namespace {

// The title of the window the view shows in; the view may be a native window
// of its own embedded in it.
QString title_around(const QWidget* view) {
    const QWindow* window = view->window()->windowHandle();
    if (window == nullptr) return view->window()->windowTitle();
    while (window->parent() != nullptr) window = window->parent();
    return window->title();
}

}  // namespace

FullScreenWindow::FullScreenWindow(QWebEngineView* browser_view)
    : browser_view_(browser_view), full_view_(new QWebEngineView(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(full_view_);

    auto* leave = new QAction(this);
    leave->setShortcut(Qt::Key_Escape);
    leave->setShortcutContext(Qt::WindowShortcut);
    connect(leave, &QAction::triggered, this,
            [this] { full_view_->triggerPageAction(QWebEnginePage::ExitFullScreen); });
    addAction(leave);

    full_view_->setPage(browser_view_->page());
    setWindowTitle(title_around(browser_view_));
    // The screen's whole area also where no window manager honours the
    // full-screen state.
    setGeometry(browser_view_->screen()->geometry());
    showFullScreen();
    full_view_->setFocus();
}

FullScreenWindow::~FullScreenWindow() {
    // The page belongs to the browser; only the view changes.
    if (!browser_view_.isNull()) browser_view_->setPage(full_view_->page());
    hide();
}

}  // namespace qinghe::platform::qt
