#pragma once

#include "platform/form_events.h"

#include <utility>

namespace qinghe::platform::qt {

// Raises one window event on the sink, if one is attached. The handlers run
// inside Qt's event dispatch, which an exception must never cross: an error
// that escapes a handler ends that handler and nothing else.
template <class Call>
void raise_event(FormEvents* sink, Call&& call) noexcept {
    if (sink == nullptr) return;
    try {
        std::forward<Call>(call)(*sink);
    } catch (...) {}
}

}  // namespace qinghe::platform::qt
