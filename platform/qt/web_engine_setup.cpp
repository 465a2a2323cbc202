#include "platform/qt/web_engine_setup.h"

#include <QByteArray>

#include <unistd.h>

namespace qinghe::platform::qt {

void prepare_web_engine() {
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // On Linux the engine keeps its pages out of the accessibility tree
    // unless told otherwise; it then builds the pages' tree only while an
    // assistive technology is listening.
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_ENABLE_LINUX_ACCESSIBILITY"))
        qputenv("QTWEBENGINE_ENABLE_LINUX_ACCESSIBILITY", "1");
}

}  // namespace qinghe::platform::qt
