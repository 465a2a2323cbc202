#pragma once

#include "platform/base/diagnostics.h"
#include "platform/base/error.h"

#include <exception>
#include <source_location>
#include <utility>

namespace qinghe::platform {

// Skip-on-error: runs one step of an event handler. A step that throws (a
// PlatformError, or any other standard error such as running out of memory on
// a huge catalogue value) is abandoned at that point and the handler goes on with its
// next step; nothing is shown or retried, and the step's failure is a debug
// line of the handler topic (see diagnostics.h). Returns whether the step
// ran to its end, so a handler can treat a failed loop or branch test as
// "not taken".
//
//   try_step([&] { conn.open(...); });
//   while (try_step([&] { at_end = rs->eof(); }) && !at_end) { ... }
template <class Step>
bool try_step(Step&& step, const std::source_location where = std::source_location::current()) noexcept {
    try {
        std::forward<Step>(step)();
        return true;
    } catch (const std::exception& error) {
        step_skipped(where, error.what());
        return false;
    }
}

}  // namespace qinghe::platform
