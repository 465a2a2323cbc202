#include "platform/qt/qt_browser.h"

#include "platform/error.h"
#include "platform/qt/browser_address.h"
#include "platform/qt/plain_text_page.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/silent_page.h"

#include <QWebEngineView>

#include <utility>

namespace qinghe::platform::qt {

namespace {
// QWebEnginePage::setHtml shows nothing for content beyond 2 MB.
constexpr qsizetype max_page_bytes = 2 * 1024 * 1024;
}  // namespace

QtBrowser::QtBrowser(QWidget* parent, std::string program_directory)
    : view_(new QWebEngineView(parent)), program_directory_(std::move(program_directory)) {
    // The page is the view's child, so it goes with the view.
    page_ = new SilentPage(view_.data());
    view_->setPage(page_.data());
    view_->setFocusPolicy(Qt::StrongFocus);
}

QtBrowser::~QtBrowser() { delete view_.data(); }

QWidget* QtBrowser::view() const { return view_.data(); }

std::string QtBrowser::current_address() const { return to_std(address_); }

bool QtBrowser::silent() const { return page().silent(); }

QWebEngineView& QtBrowser::web() const {
    if (view_.isNull()) throw PlatformError("the browser has been destroyed");
    return *view_;
}

SilentPage& QtBrowser::page() const {
    if (page_.isNull()) throw PlatformError("the browser has been destroyed");
    return *page_;
}

void QtBrowser::navigate(const std::string& address) {
    QWebEngineView& view = web();
    const QUrl url = browser_url(address, program_directory_);
    writing_ = false;
    written_.clear();
    address_ = url.toString(QUrl::FullyEncoded);
    has_document_ = true;
    view.setUrl(url);
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
    page().setHtml(html, QUrl(QStringLiteral("about:blank")));
}

void QtBrowser::set_silent(bool silent) { page().set_silent(silent); }

}  // namespace qinghe::platform::qt
