#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qinghe::catalogue {

// The statements that create the indexes the catalogue queries use on a
// table of that name with those columns (exact names): the category
// listing's key and the programme id on t1, the display order on vlb. None
// for a table that lacks a key's column.
std::vector<std::string> index_statements(std::string_view table, const std::vector<std::string>& columns);

}  // namespace qinghe::catalogue
