#pragma once

#include "catalogue/statements.h"
#include "platform/base/int16.h"
#include "platform/data_access.h"
#include "platform/tree_view.h"

#include <string>
#include <string_view>

// A category node lists its programmes fifty to a page, newest first, with a
// previous-page node above and a next-page node below.
namespace qinghe::tree {

using catalogue::page_size;
inline constexpr std::string_view previous_page_text = "——点这里翻上一页——";
inline constexpr std::string_view next_page_text = "——点这里翻下一页——";
inline constexpr std::string_view intro_text = "详细介绍";

// Fills the (empty) category node "lb_" + lb_id with page pg of its
// programmes. Errors are not handled here: they end the call, the nodes
// already added stay, and the error passes to the caller.
void set_child(platform::Connection& connection, platform::TreeView& tv1, platform::Int16 lb_id, platform::Int16 pg);

// Removes every child of the node tv1_key with their subtrees; the node
// stays. Fails (removing nothing) when the node is missing or childless.
void delete_child(platform::TreeView& tv1, const std::string& tv1_key);

}  // namespace qinghe::tree
