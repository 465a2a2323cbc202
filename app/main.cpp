// qinghe-tv: builds the real platform (Qt window and controls, WebEngine
// browser, SQLCipher catalogue connection) and hands it to the window Form1.
#include "app/form1.h"
#include "platform/qt/help_and_version.h"
#include "platform/qt/qt_browser.h"
#include "platform/qt/qt_diagnostics.h"
#include "platform/qt/qt_form.h"
#include "platform/qt/qt_process.h"
#include "platform/sqlcipher/sqlcipher_connection.h"

#include <QApplication>

#include <cstdlib>
#include <memory>
#include <optional>
#include <unistd.h>

int main(int argc, char** argv) {
    using namespace qinghe;
    // --help and --version answer without a window; every other argument is ignored.
    if (const std::optional<int> status = platform::qt::answer_help_or_version(argc, argv, QINGHE_VERSION))
        return *status;

    // Chromium refuses to run as root with its sandbox on.
    if (geteuid() == 0) setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);

    // The embedded browser shares OpenGL contexts with the window.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    QApplication::setApplicationName("qinghe-tv");
    QApplication::setApplicationVersion(QINGHE_VERSION);
    // The desktop entry the window belongs to, for its icon in the launcher.
    QGuiApplication::setDesktopFileName(QINGHE_DESKTOP_ID);
    // Warnings and debug lines through Qt's logging, to standard error.
    platform::qt::QtDiagnostics diagnostics;

    platform::qt::QtProcess process;
    platform::qt::QtBrowser browser;
    platform::qt::QtForm window(browser.view());
    app::Form1 form({[] { return std::make_unique<platform::sqlcipher::SqlcipherConnection>(); }, window,
                     window.tree(), browser, window.labels(), window.timer1(), process});
    // A second instance ends here, before its window is ever shown.
    if (form.Form_Load() == app::Form1::LoadResult::another_instance_running) return 0;

    window.set_events(&form);
    window.show();
    window.start();
    const int status = QApplication::exec();
    // The form goes before the window: nothing may reach it from here on.
    window.set_events(nullptr);
    return status;
}
