#pragma once

#include <QPointer>
#include <QWebEngineView>
#include <QWidget>

namespace qinghe::platform::qt {

// While a page shows its video full screen, the page moves from the
// window's browser view into a view of its own that covers the screen; Esc
// asks the page to leave full screen. Destroying this window hands the page
// back to the browser view, which the window never resized or moved, so its
// size and layout are exactly as before.
class FullScreenWindow : public QWidget {
    Q_OBJECT
public:
    explicit FullScreenWindow(QWebEngineView* browser_view);
    ~FullScreenWindow() override;
    FullScreenWindow(const FullScreenWindow&) = delete;
    FullScreenWindow& operator=(const FullScreenWindow&) = delete;

private:
    QPointer<QWebEngineView> browser_view_;
    QWebEngineView* full_view_;
};

}  // namespace qinghe::platform::qt
