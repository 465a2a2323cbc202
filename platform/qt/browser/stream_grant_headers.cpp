// The stream address and the upstream request headers a video identifier
// carries.

#include "platform/qt/browser/stream_grant_headers.h"

#include "platform/base/stream_headers.h"

namespace qinghe::platform::qt {

QString stream_address_of(const QString& identifier) {
    return QString::fromStdString(split_stream_headers(identifier.toStdString()).address);
}

HttpHeaders request_headers_of(const QString& identifier) {
    const StreamHeaders headers = split_stream_headers(identifier.toStdString()).headers;
    HttpHeaders out;
    const auto add = [&](const char* name, const std::string& value) {
        if (!value.empty()) out.append({QByteArray(name), QByteArray::fromStdString(value)});
    };
    add("User-Agent", headers.user_agent);
    add("Referer", headers.referer);
    add("Origin", headers.origin);
    return out;
}

}  // namespace qinghe::platform::qt
