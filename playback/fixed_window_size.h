#pragma once

#include <cstdint>

namespace qinghe::playback {

// The outer size, in twips, at which the window is held: the start-up size
// until a video plays, then the size of the playing video's site.
struct FixedWindowSize {
    std::int32_t height = 7300;
    std::int32_t width = 11000;
};

}  // namespace qinghe::playback
