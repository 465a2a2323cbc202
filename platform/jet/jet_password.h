#pragma once

#include "platform/jet/jet_header.h"

#include <span>
#include <string>

namespace qinghe::jet {

// The file's page 0 read and its database password checked as the Jet
// provider checks it: a file that holds a password opens only with exactly
// that one; a file without one opens with any (or none). Throws
// PlatformError naming the reason: no Jet file, or the wrong password.
JetHeader checked_header(std::span<const unsigned char> page0, const std::string* password);

}  // namespace qinghe::jet
