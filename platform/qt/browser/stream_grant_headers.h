// The stream address and the upstream request headers a video identifier
// carries.

#pragma once

#include "platform/qt/browser/http_exchange.h"

#include <QString>

namespace qinghe::platform::qt {

// The stream address of a video identifier: the part before the request
// headers it may carry (see platform/base/stream_headers.h).
QString stream_address_of(const QString& identifier);

// The request headers a video identifier carries, as the gateway sends them
// upstream for that stream alone: User-Agent, Referer and Origin, each only
// when given.
HttpHeaders request_headers_of(const QString& identifier);

}  // namespace qinghe::platform::qt
