#pragma once

#include <QWebEnginePage>

namespace qinghe::platform::qt {

// The browser's page. It goes only to local pages (file:, and the data: and
// about: pages the browser writes itself); a page's attempt to go elsewhere
// is refused. While silent it shows no JavaScript alert, confirm or
// prompt dialog (confirm and prompt answer as if cancelled) and passes no
// console message on.
class SilentPage : public QWebEnginePage {
    Q_OBJECT
public:
    explicit SilentPage(QObject* parent = nullptr);

    bool silent() const { return silent_; }
    void set_silent(bool silent) { silent_ = silent; }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool is_main_frame) override;
    void javaScriptAlert(const QUrl& origin, const QString& message) override;
    bool javaScriptConfirm(const QUrl& origin, const QString& message) override;
    bool javaScriptPrompt(const QUrl& origin, const QString& message, const QString& default_value,
                          QString* result) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int line,
                                  const QString& source) override;

private:
    bool silent_ = false;
};

}  // namespace qinghe::platform::qt
