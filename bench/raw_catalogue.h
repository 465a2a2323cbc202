#pragma once

#include "platform/sqlcipher/sqlite_database.h"

#include <QString>

#include <filesystem>
#include <string>
#include <string_view>

// The baselines' direct route to a catalogue: statements prepared and
// stepped on the file with nothing in between, the cheapest way the same
// rows can be read.
namespace qinghe::bench {

using platform::sqlcipher::Database;
using platform::sqlcipher::Statement;

// Opens the file read-only with the catalogue key and reads its schema.
// Throws PlatformError, or std::runtime_error for a file without tables.
Database open_raw_catalogue(const std::filesystem::path& file);

QString qtext(const Statement& statement, int column);
// The column's index by name; throws when there is none.
int column_index(const Statement& statement, std::string_view name);

// A "select top N ..." statement as SQLite takes it: "select ... limit N".
std::string with_limit_for_top(const std::string& statement);

}  // namespace qinghe::bench
