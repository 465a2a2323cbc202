#include "platform/qt/qt_browser.h"

#include "platform/base/error.h"
#include "platform/qt/browser/origin_server.h"
#include "platform/qt/browser/request_guard.h"
#include "platform/qt/browser_address.h"
#include "platform/qt/full_screen_window.h"
#include "platform/qt/plain_text_page.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/silent_page.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QWebEngineDownloadRequest>
#include <QWebEngineFullScreenRequest>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <utility>

namespace qinghe::platform::qt {

namespace {
// QWebEnginePage::setHtml shows nothing for content beyond 2 MB.
constexpr qsizetype max_page_bytes = 2 * 1024 * 1024;
// A player page gets only the video's identifier; its <video> takes the
// programme's caption, which the window shows as its title, as its
// accessible name. The script runs apart from the page's own scripts.
void name_videos(QWebEnginePage& page, const QString& caption) {
    const QByteArray quoted = QJsonDocument(QJsonArray{caption}).toJson(QJsonDocument::Compact);
    page.runJavaScript(QStringLiteral("for (const video of document.querySelectorAll('video'))"
                                      " video.setAttribute('aria-label', %1[0]);")
                           .arg(QString::fromUtf8(quoted)),
                       QWebEngineScript::ApplicationWorld);
}

// A peer connection reaches its relay and peer servers outside every
// request the guard sees, so a page's document loses the constructors before
// its own scripts run. The engine runs no such script in the empty document
// a new frame starts with, so this closes the direct way only.
void shut_peer_connections(QWebEngineProfile& profile) {
    QWebEngineScript script;
    script.setName(QStringLiteral("qinghe-no-peer-connections"));
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::MainWorld);
    script.setRunsOnSubFrames(true);
    script.setSourceCode(QStringLiteral("delete window.RTCPeerConnection; delete window.webkitRTCPeerConnection;"));
    profile.scripts()->insert(script);
}

}  // namespace

QtBrowser::QtBrowser(QWidget* parent, std::string program_directory)
    : origin_(std::make_unique<OriginServer>()),
      guard_(std::make_unique<RequestGuard>([origin = origin_.get()](const QUrl& url) { return origin->owns(url); })),
      profile_(std::make_unique<QWebEngineProfile>()),
      view_(new QWebEngineView(parent)),
      program_directory_(std::move(program_directory)) {
    // An off-the-record profile of the browser's own, so the guard sees every request of its pages.
    profile_->setUrlRequestInterceptor(guard_.get());
    shut_peer_connections(*profile_);
    QObject::connect(profile_.get(), &QWebEngineProfile::downloadRequested, view_.data(),
                     [](QWebEngineDownloadRequest* download) { download->cancel(); });
    page_ = make_page();
    view_->setPage(page_.data());
    view_->setFocusPolicy(Qt::StrongFocus);
    give_way_.setSingleShot(true);
    give_way_.setInterval(give_way_ms);
    QObject::connect(&give_way_, &QTimer::timeout, view_.data(), [this] { drop_stuck_page(); });
}

QtBrowser::~QtBrowser() {
    full_screen_.reset();
    delete view_.data();
}

SilentPage* QtBrowser::make_page() {
    // The page is the view's child, so it goes with the view.
    auto* page = new SilentPage(
        profile_.get(), [origin = origin_.get()](const QUrl& url) { return origin->owns(url); }, view_.data());
    QWebEngineSettings* settings = page->settings();
    // A play is a click in the tree, not in the page: media starts on load.
    settings->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
    // Pages reach their own origin only, and nothing of the user's.
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    settings->setAttribute(QWebEngineSettings::NavigateOnDropEnabled, false);
    settings->setAttribute(QWebEngineSettings::PdfViewerEnabled, false);
    settings->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, true);
    QObject::connect(page, &QWebEnginePage::fullScreenRequested, view_.data(),
                     [this](QWebEngineFullScreenRequest request) {
                         if (request.toggleOn() == (full_screen_ != nullptr)) return request.reject();
                         request.accept();
                         if (request.toggleOn())
                             full_screen_ = std::make_unique<FullScreenWindow>(view_.data());
                         else
                             full_screen_.reset();
                     });
    QObject::connect(page, &QWebEnginePage::loadFinished, view_.data(), [this, page](bool ok) {
        if (page != page_.data()) return;
        give_way_.stop();
        pending_load_ = nullptr;
        if (ok) name_videos(*page, view_->window()->windowTitle());
    });
    return page;
}

void QtBrowser::leave_full_screen() {
    if (full_screen_ == nullptr) return;
    full_screen_.reset();
    page().triggerAction(QWebEnginePage::ExitFullScreen);
}

void QtBrowser::load_watched(std::function<void(SilentPage&)> load) {
    leave_full_screen();
    pending_load_ = std::move(load);
    give_way_.start();
    pending_load_(page());
}

void QtBrowser::drop_stuck_page() {
    if (!pending_load_ || view_.isNull()) return;
    leave_full_screen();
    // Deleting the page ends its renderer's work on it, whatever its script does.
    SilentPage* stuck = page_.data();
    page_ = make_page();
    page_->set_silent(stuck->silent());
    view_->setPage(page_.data());
    delete stuck;
    const auto load = std::exchange(pending_load_, nullptr);
    load(*page_);
}

QWidget* QtBrowser::view() const {
    return view_.data();
}

bool QtBrowser::silent() const {
    return page().silent();
}

QWebEngineView& QtBrowser::web() const {
    if (view_.isNull()) throw PlatformError("the browser has been destroyed");
    return *view_;
}

SilentPage& QtBrowser::page() const {
    if (page_.isNull()) throw PlatformError("the browser has been destroyed");
    return *page_;
}

void QtBrowser::navigate(const std::string& address) {
    web();
    const QUrl address_url = browser_url(address, program_directory_);
    // A player page is served from the origin; anything else is the empty page.
    const QUrl url = address_url.isLocalFile() ? origin_->open_page(address_url) : address_url;
    if (!address_url.isLocalFile()) origin_->gateway().revoke();
    writing_ = false;
    written_.clear();
    has_document_ = true;
    load_watched([url](SilentPage& page) { page.load(url); });
}

void QtBrowser::require_document() const {
    web();
    if (!has_document_) throw PlatformError("the browser has no document yet");
}

void QtBrowser::document_open() {
    require_document();
    writing_ = true;
    written_.clear();
}

void QtBrowser::document_write(const std::string& text) {
    require_document();
    // Writing to a closed document opens a new one, as a document's write does.
    if (!writing_) document_open();
    written_ += to_qstring(text);
}

void QtBrowser::document_close() {
    require_document();
    if (!writing_) return;
    const QString html = plain_text_page(written_);
    if (html.toUtf8().size() > max_page_bytes) throw PlatformError("document text too large to show");
    writing_ = false;
    written_.clear();
    origin_->gateway().revoke();
    load_watched([html](SilentPage& page) { page.setHtml(html, QUrl(QStringLiteral("about:blank"))); });
}

void QtBrowser::set_silent(bool silent) {
    page().set_silent(silent);
}

}  // namespace qinghe::platform::qt
