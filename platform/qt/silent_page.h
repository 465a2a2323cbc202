#pragma once

#include <QWebEnginePage>

#include <functional>

namespace qinghe::platform::qt {

// The browser's page. Its top frame goes only to the program's own origin,
// about:blank and the pages the browser writes itself; every other
// navigation, and every frame inside a page, is refused. It opens no new
// window, offers no file to choose and denies every permission without
// asking. While silent it shows no JavaScript alert, confirm or prompt
// dialog (confirm and prompt answer as if cancelled) and passes no console
// message on.
class SilentPage : public QWebEnginePage {
    Q_OBJECT
public:
    // own_origin tells whether an address belongs to the program's origin.
    SilentPage(QWebEngineProfile* profile, std::function<bool(const QUrl&)> own_origin, QObject* parent = nullptr);

    bool silent() const { return silent_; }
    void set_silent(bool silent) { silent_ = silent; }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool is_main_frame) override;
    QWebEnginePage* createWindow(WebWindowType type) override;
    QStringList chooseFiles(FileSelectionMode mode, const QStringList& old_files,
                            const QStringList& accepted_mime_types) override;
    void javaScriptAlert(const QUrl& origin, const QString& message) override;
    bool javaScriptConfirm(const QUrl& origin, const QString& message) override;
    bool javaScriptPrompt(const QUrl& origin, const QString& message, const QString& default_value,
                          QString* result) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int line,
                                  const QString& source) override;

private:
    std::function<bool(const QUrl&)> own_origin_;
    bool silent_ = false;
};

}  // namespace qinghe::platform::qt
