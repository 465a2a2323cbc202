#include "playback/player_table.h"

#include <array>

namespace qinghe::playback {

namespace {

constexpr std::array<Player, 3> players{{
    {"土豆", "\\bg\\tudou.htm?kwelo_iid=", 7230, 10900},
    {"优酷", "\\bg\\youku.htm?kwelo_iid=", 7420, 11190},
    {"SINA", "\\bg\\sina.htm?kwelo_iid=", 7420, 12090},
}};

}  // namespace

const Player* choose_player(std::string_view group_label) {
    for (const Player& player : players)
        if (group_label.find(player.match_text) != std::string_view::npos) return &player;
    return nullptr;
}

}  // namespace qinghe::playback
