#pragma once

#include "platform/browser.h"
#include "platform/data_access.h"
#include "platform/fixed_window_size.h"
#include "platform/process.h"
#include "platform/tree_view.h"
#include "platform/window.h"

#include <string>
#include <string_view>

namespace qinghe::playback {

using platform::application_title;
inline constexpr std::string_view playing_text = " 正在播放：";
inline constexpr std::string_view intro_page_text = "暂无";

// What a click on a tree node acts on.
struct ClickTargets {
    platform::Connection& connection;
    platform::TreeView& tv1;
    platform::Browser& web1;
    platform::Window& window;
    platform::Process& process;
    platform::FixedWindowSize& fixed_size;
};

// The tree's node-click event, decided by the node's key alone: a page node
// turns its category's page, an intro node shows the introduction text, a
// play leaf plays its video; every other node does nothing.
void node_click(ClickTargets targets, const std::string& key);

}  // namespace qinghe::playback
