#pragma once

#include "platform/data_access.h"
#include "platform/tree_view.h"

#include <string>

namespace qinghe::search {

inline constexpr int max_results = 50;

// The search button: replaces the search root's children with up to fifty
// programmes whose title or player text contains search_text, highest id
// first, each with its intro node; the root's text gives the number found
// and the root is opened.
void search_click(platform::Connection& connection, platform::TreeView& tv1, const std::string& search_text);

}  // namespace qinghe::search
