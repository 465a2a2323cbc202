#pragma once

#include <cstdint>

namespace qinghe::platform {

// The window's outer size at start-up, in twips.
inline constexpr std::int32_t startup_window_height = 7300;
inline constexpr std::int32_t startup_window_width = 11000;

// The outer size, in twips, at which the window is held: the start-up size
// until a video plays, then the size of the playing video's site.
struct FixedWindowSize {
    std::int32_t height = startup_window_height;
    std::int32_t width = startup_window_width;
};

}  // namespace qinghe::platform
