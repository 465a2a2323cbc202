#include "platform/qt/silent_page.h"

namespace qinghe::platform::qt {

SilentPage::SilentPage(QObject* parent) : QWebEnginePage(parent) {}

bool SilentPage::acceptNavigationRequest(const QUrl& url, NavigationType, bool) {
    const QString scheme = url.scheme();
    return url.isLocalFile() || scheme == QLatin1String("data") || scheme == QLatin1String("about");
}

void SilentPage::javaScriptAlert(const QUrl& origin, const QString& message) {
    if (!silent_) QWebEnginePage::javaScriptAlert(origin, message);
}

bool SilentPage::javaScriptConfirm(const QUrl& origin, const QString& message) {
    if (silent_) return false;
    return QWebEnginePage::javaScriptConfirm(origin, message);
}

bool SilentPage::javaScriptPrompt(const QUrl& origin, const QString& message, const QString& default_value,
                                  QString* result) {
    if (silent_) return false;
    return QWebEnginePage::javaScriptPrompt(origin, message, default_value, result);
}

void SilentPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int line,
                                          const QString& source) {
    if (!silent_) QWebEnginePage::javaScriptConsoleMessage(level, message, line, source);
}

}  // namespace qinghe::platform::qt
