#pragma once

#include <QString>

#include <string>

namespace qinghe::platform::qt {

// Text crosses the platform boundary as UTF-8 std::string; the widgets hold
// QString. Malformed UTF-8 turns into replacement characters, never a crash.
inline QString to_qstring(const std::string& text) {
    return QString::fromStdString(text);
}
inline std::string to_std(const QString& text) {
    return text.toStdString();
}

}  // namespace qinghe::platform::qt
