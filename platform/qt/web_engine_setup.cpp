#include "platform/qt/web_engine_setup.h"

#include <QByteArray>
#include <QLoggingCategory>
#include <QString>

#include <unistd.h>

namespace qinghe::platform::qt {

namespace {

// Qt's rules for its logging categories; those of QT_LOGGING_RULES come after
// and win.
constexpr const char* own_lines_only =
    "*.debug=false\n*.info=false\n*.warning=false\nqinghe.*.info=true\nqinghe.*.warning=true";

void keep_engine_log_to_fatal_errors() {
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (flags.contains("--log-level") || flags.contains("--enable-logging")) return;
    if (!flags.isEmpty()) flags.append(' ');
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags.append("--log-level=3"));
}

}  // namespace

void prepare_web_engine(bool verbose) {
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // On Linux the engine keeps its pages out of the accessibility tree
    // unless told otherwise; it then builds the pages' tree only while an
    // assistive technology is listening.
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_ENABLE_LINUX_ACCESSIBILITY"))
        qputenv("QTWEBENGINE_ENABLE_LINUX_ACCESSIBILITY", "1");
    if (verbose) return;
    QLoggingCategory::setFilterRules(QString::fromLatin1(own_lines_only));
    keep_engine_log_to_fatal_errors();
}

}  // namespace qinghe::platform::qt
