#pragma once

#include <optional>

namespace qinghe::platform::posix {

// Milliseconds since this process started, as the kernel counts it (to its
// clock tick, 10 ms on most systems); nullopt where the system does not say.
std::optional<double> process_age_ms() noexcept;

}  // namespace qinghe::platform::posix
