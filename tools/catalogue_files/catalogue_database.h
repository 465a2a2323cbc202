#pragma once

// The tool's side of the SQLite layer: catalogue files opened with their
// key, and cells bound to statements and read from them.

#include "platform/sqlcipher/sqlite_database.h"
#include "tools/catalogue_files/catalogue_data.h"

#include <filesystem>
#include <string>

namespace qinghe::catalogue_files::detail {

using platform::sqlcipher::Database;
using platform::sqlcipher::Statement;

// Opens a catalogue file with its key and reads its schema once, so that a
// wrong key or a file that is no database fails here. A Jet file (read
// only) is read whole into memory, its password checked as the program
// checks it.
Database open_catalogue(const std::filesystem::path& file, Database::Access access, const std::string& password);

void bind_cell(Statement& statement, int index, const Cell& cell);  // index from 1
// A column of the current row; a binary value is refused because
// catalogues hold none and a cell cannot represent one.
Cell cell_at(const Statement& statement, int column);

}  // namespace qinghe::catalogue_files::detail
