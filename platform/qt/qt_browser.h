#pragma once

#include "platform/browser.h"

#include <QPointer>
#include <QString>

#include <string>

class QWebEngineView;
class QWidget;

namespace qinghe::platform::qt {

class SilentPage;

// Web1 over a QWebEngineView. navigate() loads a page (see browser_url);
// from the first navigate on there is a document, and document_open, _write
// and _close replace it with the written text shown as plain text.
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
    // The address last navigated to, as a URL.
    std::string current_address() const;
    bool silent() const;

    void navigate(const std::string& address) override;
    void document_open() override;
    void document_write(const std::string& text) override;
    void document_close() override;
    void set_silent(bool silent) override;

private:
    QWebEngineView& web() const;
    SilentPage& page() const;
    void require_document() const;

    QPointer<QWebEngineView> view_;
    QPointer<SilentPage> page_;
    std::string program_directory_;
    QString address_;
    bool has_document_ = false;
    bool writing_ = false;
    QString written_;
};

}  // namespace qinghe::platform::qt
