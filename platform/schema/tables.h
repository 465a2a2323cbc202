#pragma once

#include "platform/base/int16.h"

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The catalogue's tables and the columns the program reads: categories
// (vlb), programmes (t1) and ad texts (ad).
namespace qinghe::catalogue {

struct TableColumns {
    std::string_view table;
    std::span<const std::string_view> columns;
};

inline constexpr const char* category_table = "vlb";
inline constexpr const char* programme_table = "t1";
inline constexpr const char* ad_table = "ad";

inline constexpr std::array<std::string_view, 4> category_columns{"lb_id", "lb", "c_id", "px"};
inline constexpr std::array<std::string_view, 6> programme_columns{"id", "tit", "player", "lb_id", "up_dt", "adds"};
inline constexpr std::array<std::string_view, 1> ad_columns{"ad"};
inline constexpr std::array<TableColumns, 3> catalogue_tables{{
    {category_table, category_columns},
    {programme_table, programme_columns},
    {ad_table, ad_columns},
}};

// Category ids (lb_id) are 16-bit, from 1 up.
inline constexpr int max_category_id = platform::int16_max;

// The programme columns a category page filters and orders by, in the order
// of the index key that serves it.
inline constexpr std::array<std::string_view, 3> listing_key_columns{"lb_id", "up_dt", "id"};

// The columns of the table named, in their usual order; empty for a table
// that is not the catalogue's.
std::vector<std::string> usual_columns(std::string_view table);

// A table or column name for a statement: in double quotes, each one inside
// doubled.
std::string quote_identifier(std::string_view name);

}  // namespace qinghe::catalogue
