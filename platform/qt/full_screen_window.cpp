#include "platform/qt/full_screen_window.h"

#include <QAction>
#include <QScreen>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace qinghe::platform::qt {

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
    setWindowTitle(browser_view_->window()->windowTitle());
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
