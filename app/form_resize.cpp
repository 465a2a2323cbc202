#include "app/form_resize.h"

#include "app/window_layout.h"
#include "platform/base/skip_on_error.h"

namespace qinghe::app {

using platform::try_step;

void form_resize(platform::Window& window, const platform::FixedWindowSize& fixed) {
    platform::WindowState state = platform::WindowState::normal;
    if (!try_step([&] { state = window.state(); }) || state != platform::WindowState::normal) return;

    try_step([&] { window.set_height(fixed.height); });
    try_step([&] { window.set_width(fixed.width); });

    float w = 0.0F;
    float h = 0.0F;
    try_step([&] { w = static_cast<float>(window.width()); });
    try_step([&] { h = static_cast<float>(window.height()); });
    const WindowLayout l = layout_for(w, h);

    platform::Control& text1 = window.text1();
    platform::Control& tv1 = window.tv1();
    platform::Control& command1 = window.command1();
    platform::Control& web1 = window.web1();
    platform::Control& frame1 = window.frame1();
    try_step([&] { text1.set_top(l.text1.top); });
    try_step([&] { text1.set_left(l.text1.left); });
    try_step([&] { text1.set_height(l.text1.height); });
    try_step([&] { text1.set_width(l.text1.width); });
    try_step([&] { tv1.set_top(l.tv1.top); });
    try_step([&] { tv1.set_left(l.tv1.left); });
    try_step([&] { tv1.set_width(l.tv1.width); });
    try_step([&] { tv1.set_height(l.tv1.height); });
    try_step([&] { command1.set_top(l.command1.top); });
    try_step([&] { command1.set_left(l.command1.left); });
    try_step([&] { command1.set_height(l.command1.height); });
    try_step([&] { command1.set_width(l.command1.width); });
    try_step([&] { web1.set_left(l.web1.left); });
    try_step([&] { web1.set_top(l.web1.top); });
    try_step([&] { web1.set_height(l.web1.height); });
    try_step([&] { web1.set_width(l.web1.width); });
    try_step([&] { frame1.set_top(l.frame1_top); });
    // The strip follows the browser and the tree as they actually stand.
    try_step([&] { frame1.set_left(web1.width() + web1.left() + 50.0F); });
    try_step([&] { frame1.set_width(tv1.width() - 50.0F); });
}

}  // namespace qinghe::app
