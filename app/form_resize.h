#pragma once

#include "platform/fixed_window_size.h"
#include "platform/window.h"

namespace qinghe::app {

// The window's resize event: while the window is in the normal state it
// writes the fixed size back onto the window, then places the controls for
// the size the window actually has. Safe to re-enter: the size writes raise
// this event again only when they change the size.
void form_resize(platform::Window& window, const platform::FixedWindowSize& fixed);

}  // namespace qinghe::app
