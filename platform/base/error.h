#pragma once

#include <stdexcept>
#include <string>

namespace qinghe::platform {

// The one error type of the platform layer. Every failing call on the
// catalogue, the tree, the browser, the window or the process facilities
// throws it, and so do 16-bit conversions that do not fit and subscripts
// out of range. Handlers absorb it step by step (see skip_on_error.h).
class PlatformError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace qinghe::platform
