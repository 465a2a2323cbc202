#pragma once

#include <optional>
#include <string_view>

struct sqlite3;

namespace qinghe::catalogue {

// Whether rows of the main database's table can be found by the column
// without reading the whole table: an index leads with the column, or the
// column is the table's integer primary key. Names compare as SQLite
// compares them, ignoring ASCII case. nullopt when the file cannot say.
std::optional<bool> is_indexed(sqlite3* db, std::string_view table, std::string_view column);

}  // namespace qinghe::catalogue
