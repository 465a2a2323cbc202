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

int leaf_count(const std::vector<std::string>& fields) {
    if (fields.empty()) return 0;
    const std::size_t pairs = (fields.size() - 1) / 2;
    return static_cast<int>(std::min<std::size_t>(pairs, max_leaf));
}

int last_group(const std::vector<std::string>& groups) {
    if (groups.empty()) return 0;
    return static_cast<int>(std::min<std::size_t>(groups.size() - 1, max_group));
}

}  // namespace qinghe::catalogue::play_list
