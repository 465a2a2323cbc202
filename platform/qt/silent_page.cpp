#include "platform/qt/silent_page.h"

#include <QWebEngineFileSystemAccessRequest>
#include <QWebEngineRegisterProtocolHandlerRequest>

namespace qinghe::platform::qt {

SilentPage::SilentPage(QWebEngineProfile* profile, std::function<bool(const QUrl&)> own_origin, QObject* parent)
    : QWebEnginePage(profile, parent), own_origin_(std::move(own_origin)) {
    connect(
        this, &QWebEnginePage::featurePermissionRequested, this,
        [this](const QUrl& origin, Feature feature) { setFeaturePermission(origin, feature, PermissionDeniedByUser); });
    connect(
        this, &QWebEnginePage::registerProtocolHandlerRequested, this,
        [](QWebEngineRegisterProtocolHandlerRequest request) { request.reject(); });
    connect(this, &QWebEnginePage::fileSystemAccessRequested, this,
            [](QWebEngineFileSystemAccessRequest request) { request.reject(); });
}

bool SilentPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool is_main_frame) {
    if (!is_main_frame) return false;
    if (own_origin_(url) || url == QUrl(QStringLiteral("about:blank"))) return true;
    // The browser's written pages load as data: addresses the program types in.
    return url.scheme() == QLatin1String("data") && type == NavigationTypeTyped;
}

QWebEnginePage* SilentPage::createWindow(WebWindowType) {
    return nullptr;
}

QStringList SilentPage::chooseFiles(FileSelectionMode, const QStringList&, const QStringList&) {
    return {};
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
