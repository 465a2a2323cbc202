// qinghe-tv: builds the real platform (Qt window and controls, WebEngine
// browser, SQLCipher catalogue connection) and hands it to the window Form1.
#include "app/form1.h"
#include "platform/qt/qt_background_work.h"
#include "platform/qt/qt_browser.h"
#include "platform/qt/qt_form.h"
#include "platform/qt/qt_process.h"
#include "platform/sqlcipher/sqlcipher_connection.h"

#include <QApplication>

#include <cstdlib>
#include <memory>
#include <unistd.h>

int main(int argc, char** argv) {
    // Chromium refuses to run as root with its sandbox on.
    if (geteuid() == 0) setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);

    // The embedded browser shares OpenGL contexts with the window.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    QApplication::setApplicationName("qinghe-tv");

    using namespace qinghe;
    platform::qt::QtProcess process;
    // A second instance ends here, before any window or browser exists.
    if (process.previous_instance()) return 0;

    platform::qt::QtBrowser browser;
    platform::qt::QtForm window(browser.view());
    const auto make_connection = [] { return std::make_unique<platform::sqlcipher::SqlcipherConnection>(); };
    // Searches run on a worker with a connection of its own; it goes before
    // the window, after the form.
    platform::qt::QtBackgroundWork search_worker([] {
        return std::make_unique<platform::sqlcipher::SqlcipherConnection>(
            platform::sqlcipher::default_statement_limit, false);
    });
    app::Form1 form({make_connection, window, window.tree(), browser, window.labels(), window.timer1(), process,
                     &search_worker});
    if (form.Form_Load() == app::Form1::LoadResult::another_instance_running) return 0;

    window.set_events(&form);
    window.show();
    window.start();
    const int status = QApplication::exec();
    // The form goes before the window: nothing may reach it from here on.
    window.set_events(nullptr);
    return status;
}
