#pragma once

#include "platform/browser.h"

#include <QPointer>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>

class QWebEngineProfile;
class QWebEngineView;
class QWidget;

namespace qinghe::platform::qt {

class FullScreenWindow;
class OriginServer;
class RequestGuard;
class SilentPage;

// Web1 over a QWebEngineView. navigate() loads a page (see browser_url);
// from the first navigate on there is a document, and document_open, _write
// and _close replace it with the written text shown as plain text.
// A player page (a file in a directory named bg) is served from the
// browser's own origin (origin_server.h), never as a file: URL, and its
// identifier is granted to the stream gateway; web security stays on, and
// the browser's profile lets pages reach nothing but that origin
// (request_guard.h, silent_page.h) and downloads nothing. Player pages start
// their media without a gesture and may show their video full screen. A new load always gets
// its page: when the current page does not give way (a script that never
// yields, a beforeunload that holds on, a page too large to leave) within
// give_way_ms, the page is dropped and the load goes to a fresh one.
class QtBrowser final : public Browser {
public:
    // program_directory: the executable's directory as the system writes it
    // at the start of player page addresses.
    explicit QtBrowser(QWidget* parent = nullptr, std::string program_directory = {});
    // Deletes the view unless its parent window already has.
    ~QtBrowser() override;
    QtBrowser(const QtBrowser&) = delete;
    QtBrowser& operator=(const QtBrowser&) = delete;

    // The widget to place on the window as Web1.
    QWidget* view() const;
    // The player pages' origin and its stream gateway.
    OriginServer& origin() const { return *origin_; }
    bool silent() const;
    // How long the current page has to let a new load finish.
    static constexpr int give_way_ms = 2000;

    void navigate(const std::string& address) override;
    void document_open() override;
    void document_write(const std::string& text) override;
    void document_close() override;
    void set_silent(bool silent) override;

private:
    QWebEngineView& web() const;
    SilentPage& page() const;
    void require_document() const;
    SilentPage* make_page();
    // Runs the load on the current page and watches that it finishes; runs
    // it once more on a fresh page when it does not within give_way_ms.
    void load_watched(std::function<void(SilentPage&)> load);
    void drop_stuck_page();
    void leave_full_screen();

    std::unique_ptr<OriginServer> origin_;
    std::unique_ptr<RequestGuard> guard_;
    std::unique_ptr<QWebEngineProfile> profile_;
    QPointer<QWebEngineView> view_;
    QPointer<SilentPage> page_;
    std::string program_directory_;
    bool has_document_ = false;
    bool writing_ = false;
    QString written_;
    std::function<void(SilentPage&)> pending_load_;
    QTimer give_way_;
    std::unique_ptr<FullScreenWindow> full_screen_;
};

}  // namespace qinghe::platform::qt
