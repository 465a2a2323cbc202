#pragma once

#include "platform/error.h"

#include <exception>
#include <utility>

namespace qinghe::platform {

// Skip-on-error: runs one step of an event handler. A step that throws (a
// PlatformError, or any other standard error such as running out of memory on
// a huge catalogue value) is abandoned at that point and the handler goes on with its
// next step; nothing is shown, logged or retried. Returns whether the step
// ran to its end, so a handler can treat a failed loop or branch test as
// "not taken".
//
//   try_step([&] { conn.open(...); });
//   while (try_step([&] { at_end = rs->eof(); }) && !at_end) { ... }
template <class Step>
bool try_step(Step&& step) noexcept {
    try {
        std::forward<Step>(step)();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace qinghe::platform
