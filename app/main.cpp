// qinghe-tv: builds the real platform (Qt window and controls, WebEngine
// browser, SQLCipher catalogue connection) and hands it to the window Form1.
#include "app/form1.h"
#include "platform/base/diagnostics.h"
#include "platform/qt/held_background_work.h"
#include "platform/qt/help_and_version.h"
#include "platform/qt/qt_background_work.h"
#include "platform/qt/qt_browser.h"
#include "platform/qt/qt_diagnostics.h"
#include "platform/qt/qt_form.h"
#include "platform/qt/qt_process.h"
#include "platform/qt/tree_widget.h"
#include "platform/qt/web_engine_setup.h"
#include "platform/sqlcipher/sqlcipher_connection.h"

#include <QApplication>

#include <chrono>
#include <memory>
#include <optional>

namespace {
// A window that is never painted (started minimised, say) still gets its
// search index, this long after the tree was filled.
constexpr std::chrono::seconds index_build_longest_hold{5};
}  // namespace

int main(int argc, char** argv) {
    using namespace qinghe;
    // --help and --version answer without a window; --catalogue names another
    // catalogue file, --verbose lets Qt's and the engine's lines through;
    // every other argument is ignored.
    if (const std::optional<int> status = platform::qt::answer_help_or_version(argc, argv, QINGHE_VERSION))
        return *status;
    const platform::qt::StartOptions options = platform::qt::start_options(argc, argv);
    const std::string& catalogue_file = options.catalogue_file;
    platform::qt::prepare_web_engine(options.verbose);

    // The embedded browser shares OpenGL contexts with the window.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    QApplication::setApplicationName(platform::program_name);
    QApplication::setApplicationVersion(QINGHE_VERSION);
    // The desktop entry the window belongs to, for its icon in the launcher.
    QGuiApplication::setDesktopFileName(QINGHE_DESKTOP_ID);
    // Warnings and debug lines through Qt's logging, to standard error.
    platform::qt::QtDiagnostics diagnostics;

    platform::qt::QtProcess process;
    // The adapters take the program's directory as it is wherever the
    // system's paths start with it.
    const std::string program_directory = process.app_path();
    platform::qt::QtBrowser browser(nullptr, program_directory);
    platform::qt::QtForm window(browser.view());
    // Every connection opens the same catalogue: tavik.dll or the --catalogue
    // file. Only the window's own orders an unindexed category listing.
    const auto connection_to_catalogue = [&](bool order_unindexed_listing) {
        return std::make_unique<platform::sqlcipher::SqlcipherConnection>(
            program_directory, platform::sqlcipher::default_statement_limit, order_unindexed_listing, catalogue_file);
    };
    const auto make_connection = [&] { return connection_to_catalogue(true); };
    // Searches run on a worker with a connection of its own; it goes before
    // the window, after the form.
    platform::qt::QtBackgroundWork search_worker([&] { return connection_to_catalogue(false); });
    // The search index is built on a worker of its own, which hands back the
    // memory the build used and the index does not keep. It runs at the
    // lowest priority: searches scan until it is ready, and on a machine of
    // few cores its build would otherwise delay the window's first paint.
    platform::qt::QtBackgroundWork index_worker([&] { return connection_to_catalogue(false); },
                                                {.return_freed_memory = true, .lowest_priority = true});
    // Nor does the build start before the tree's first category row is
    // painted (or a few seconds have passed without it).
    platform::qt::HeldBackgroundWork index_work(index_worker, index_build_longest_hold);
    if (auto* tree = qobject_cast<platform::qt::TreeWidget*>(window.tree().widget()))
        QObject::connect(tree, &platform::qt::TreeWidget::first_category_painted, &index_work,
                         &platform::qt::HeldBackgroundWork::release);
    else
        index_work.release();
    app::Form1 form({make_connection, window, window.tree(), browser, window.labels(), window.timer1(), process,
                     &search_worker, &index_work});
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
