#pragma once

#include <cstdint>
#include <string_view>

namespace qinghe::playback {

// A video site: the text that names it in a play group's label, its local
// player page (appended to the executable's directory, the video identifier
// following the query key) and the window size that fits its player.
struct Player {
    std::string_view match_text;
    std::string_view page;
    std::int32_t height;
    std::int32_t width;
};

// The first site whose match text occurs anywhere in the label, compared
// exactly and case-sensitively; nullptr when none does.
const Player* choose_player(std::string_view group_label);

}  // namespace qinghe::playback
