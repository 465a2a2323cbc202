#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qinghe::catalogue {

// Runs one statement on the catalogue file and gives its rows, every value
// as text (Null as ""), or nullopt when it fails.
using ReadRows = std::function<std::optional<std::vector<std::vector<std::string>>>(const std::string& sql)>;

// Whether rows of the main database's table can be found by the column
// without reading the whole table: an index leads with the column, or the
// column is the table's integer primary key. Names compare as SQLite
// compares them, ignoring ASCII case. nullopt when the file cannot say.
std::optional<bool> is_indexed(const ReadRows& read_rows, std::string_view table, std::string_view column);

}  // namespace qinghe::catalogue
