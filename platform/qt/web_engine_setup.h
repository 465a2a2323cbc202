#pragma once

namespace qinghe::platform::qt {

// Sets up the embedded browser's engine; call before the first browser
// exists. Chromium refuses to run as root with its sandbox on, so the
// sandbox goes off for root; the engine's pages are put in the
// accessibility tree. Unless verbose, standard error carries the program's
// own lines (qinghe.*) only: Qt's other categories are off (QT_LOGGING_RULES
// still turns any of them on) and the engine logs fatal errors only, unless
// QTWEBENGINE_CHROMIUM_FLAGS already sets its logging.
void prepare_web_engine(bool verbose);

}  // namespace qinghe::platform::qt
