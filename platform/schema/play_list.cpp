#include "platform/schema/play_list.h"

#include "platform/base/text.h"

#include <algorithm>

namespace qinghe::catalogue::play_list {

// Pieces past the last group and the last pair that a key can number are
// never read, so they are not made: a play list of any length costs no more
// than its first max_group groups of max_leaf pairs each.
std::vector<std::string> groups(std::string_view adds) {
    return platform::split(adds, group_separator, max_group + 1);
}

std::vector<std::string> group_fields(std::string_view group) {
    return platform::split(group, field_separator, 2 * max_leaf + 1);
}

void group_views(std::string_view adds, std::vector<std::string_view>& pieces) {
    platform::split_views(adds, group_separator, max_group + 1, pieces);
}

void group_field_views(std::string_view group, std::vector<std::string_view>& pieces) {
    platform::split_views(group, field_separator, 2 * max_leaf + 1, pieces);
}

int leaf_count(std::size_t fields) {
    if (fields == 0) return 0;
    return static_cast<int>(std::min<std::size_t>((fields - 1) / 2, max_leaf));
}

int leaf_count(const std::vector<std::string>& fields) {
    return leaf_count(fields.size());
}

int last_group(std::size_t pieces) {
    if (pieces == 0) return 0;
    return static_cast<int>(std::min<std::size_t>(pieces - 1, max_group));
}

int last_group(const std::vector<std::string>& groups) {
    return last_group(groups.size());
}

}  // namespace qinghe::catalogue::play_list
