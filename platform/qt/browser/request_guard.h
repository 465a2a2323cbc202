// Blocks every request of the browser's pages that leaves the program's own
// origin.

#pragma once

#include <QWebEngineUrlRequestInterceptor>

#include <functional>

namespace qinghe::platform::qt {

// Checks every request a page of the browser's profile makes, before it
// leaves: only addresses of the program's own origin pass, and data: and
// blob: for media, images and the program's own written pages. Every other
// scheme (file: above all) and http(s) anywhere else is blocked.
class RequestGuard : public QWebEngineUrlRequestInterceptor {
    Q_OBJECT
public:
    RequestGuard(std::function<bool(const QUrl&)> own_origin, QObject* parent = nullptr);

    void interceptRequest(QWebEngineUrlRequestInfo& info) override;

private:
    std::function<bool(const QUrl&)> own_origin_;
};

}  // namespace qinghe::platform::qt
