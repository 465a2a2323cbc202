#pragma once

#include "platform/data_access.h"
#include "platform/timer.h"
#include "platform/tree_view.h"

#include <string_view>

namespace qinghe::tree {

inline constexpr std::string_view search_root_text = "搜索结果(0)";

// The start-up timer's one tick: the tree's display settings, the search
// root, then one node per category in display order, each filled with its
// first page as it is added; finally the timer switches itself off.
void fill_category_roots(platform::Connection& connection, platform::TreeView& tv1, platform::Timer& timer1);

}  // namespace qinghe::tree
