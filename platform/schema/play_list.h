#pragma once

#include "platform/base/int16.h"

#include <string>
#include <string_view>
#include <vector>

// A programme's play list (column adds): play groups cut at "$$", piece 0
// unused; each group cut at "|" into its label, then pairs of video
// identifier and leaf title.
namespace qinghe::catalogue::play_list {

inline constexpr std::string_view group_separator = "$$";
inline constexpr std::string_view field_separator = "|";

// Largest group number and leaf number a key can carry.
// Both are 16-bit; a leaf n reads fields 2n - 1 and 2n, so 2n must fit too.
inline constexpr int max_group = platform::int16_max;
inline constexpr int max_leaf = platform::int16_max / 2;

// Pieces 0 to max_group at most, and label plus max_leaf pairs at most: what
// lies beyond is never read.
std::vector<std::string> groups(std::string_view adds);
std::vector<std::string> group_fields(std::string_view group);
// The same pieces as views into the text, written into pieces (its
// capacity kept): for a whole programme's expansion, which would otherwise
// copy its play list twice.
void group_views(std::string_view adds, std::vector<std::string_view>& pieces);
void group_field_views(std::string_view group, std::vector<std::string_view>& pieces);

// Number of complete (video identifier, leaf title) pairs among a group's
// fields, capped at max_leaf.
int leaf_count(std::size_t fields);
int leaf_count(const std::vector<std::string>& fields);

// Highest group number present among the pieces, capped at max_group (0: no
// groups).
int last_group(std::size_t pieces);
int last_group(const std::vector<std::string>& groups);

}  // namespace qinghe::catalogue::play_list
