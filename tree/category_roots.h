#pragma once

#include "platform/data_access.h"
#include "platform/timer.h"
#include "platform/tree_view.h"

#include <memory>
#include <string_view>

namespace qinghe::tree {

inline constexpr std::string_view search_root_text = "搜索结果(0)";

// The categories one tick of the start-up timer adds: more than the tree
// shows at once, so the window paints a full tree after the first tick,
// while a catalogue of hundreds of categories fills over the next ticks
// instead of holding the window until every first page is read.
inline constexpr long categories_per_tick = 32;

// The start-up fill: the tree's display settings and the search root, then
// one node per category in display order, each filled with its first page
// as it is added; finally the timer switches itself off.
class CategoryFill {
public:
    // The settings, the search root and the category query.
    CategoryFill(platform::Connection& connection, platform::TreeView& tv1);
    CategoryFill(const CategoryFill&) = delete;
    CategoryFill& operator=(const CategoryFill&) = delete;
    ~CategoryFill();

    // Adds up to `categories` more categories (every one left when negative);
    // once the last is in, or the query fails, closes the query, switches
    // timer1 off and gives true.
    bool add(platform::Connection& connection, platform::TreeView& tv1, platform::Timer& timer1, long categories);

private:
    std::unique_ptr<platform::Recordset> categories_;
    bool done_ = false;
};

// The whole fill in one go.
void fill_category_roots(platform::Connection& connection, platform::TreeView& tv1, platform::Timer& timer1);

}  // namespace qinghe::tree
