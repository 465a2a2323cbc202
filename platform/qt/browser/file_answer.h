// Answers a request with a file: whole, a byte range of it, or an error status.

#pragma once

#include "platform/qt/browser/http_exchange.h"

#include <QString>

#include <optional>
#include <utility>

namespace qinghe::platform::qt {

// The bytes a Range header asks for out of size bytes, first and last
// included: nothing for no header, a multi-range or a form this server does
// not serve (the whole file is sent), {-1, -1} when the range cannot be met.
std::optional<std::pair<qint64, qint64>> requested_range(const QByteArray& header, qint64 size);

// Answers with a file (a path already checked): 200 with the whole file, or
// 206 with the range asked for, or 416; 404 when it cannot be opened. Its
// Content-Type follows its suffix; extra headers go with the answer.
void answer_with_file(HttpExchange& exchange, const QString& path, HttpHeaders extra = {});

}  // namespace qinghe::platform::qt
