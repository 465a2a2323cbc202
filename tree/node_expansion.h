#pragma once

#include "platform/data_access.h"
#include "platform/tree_view.h"

#include <string>

namespace qinghe::tree {

// The tree's expand event: the first expansion of a programme node (or a
// search programme node) adds its play groups and their play leaves from the
// programme's play list. Every other node, and a node already filled, is
// left alone.
void expand_programme(platform::Connection& connection, platform::TreeView& tv1, const std::string& key);

}  // namespace qinghe::tree
