// Blocks every request of the browser's pages that leaves the program's own
// origin.

#include "platform/qt/browser/request_guard.h"

namespace qinghe::platform::qt {

RequestGuard::RequestGuard(std::function<bool(const QUrl&)> own_origin, QObject* parent)
    : QWebEngineUrlRequestInterceptor(parent), own_origin_(std::move(own_origin)) {}

void RequestGuard::interceptRequest(QWebEngineUrlRequestInfo& info) {
    const QUrl url = info.requestUrl();
    if (own_origin_(url)) return;
    const QString scheme = url.scheme();
    if (scheme == QLatin1String("data") || scheme == QLatin1String("blob")) {
        switch (info.resourceType()) {
        case QWebEngineUrlRequestInfo::ResourceTypeMedia:
        case QWebEngineUrlRequestInfo::ResourceTypeImage:
        case QWebEngineUrlRequestInfo::ResourceTypeXhr:
        case QWebEngineUrlRequestInfo::ResourceTypeMainFrame:
            return;
        default:
            break;
        }
    }
    info.block(true);
}

}  // namespace qinghe::platform::qt
