#pragma once

#include "platform/schema/catalogue_file.h"
#include "platform/schema/tables.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <variant>
#include <vector>

namespace qinghe::catalogue_files {

// One stored value: Null, a whole number, a real number or a text.
using Cell = std::variant<std::monostate, std::int64_t, double, std::string>;

// A table as stored: its columns in order and its rows in insertion order.
// Any table and any column may be given, so tests can also write
// catalogues with missing or extra tables and columns.
struct Table {
    std::vector<std::string> columns;
    std::vector<std::vector<Cell>> rows;
};

// A whole catalogue: tables by name (normally vlb, t1 and ad).
struct CatalogueData {
    std::map<std::string, Table> tables;
};

// The usual tables' columns, as the catalogue's schema names them.
using catalogue::usual_columns;

// Writes a new catalogue file keyed with the password, with the indexes the
// queries need when the usual tables are present. The file is written
// beside its destination and renamed into place, so a failure never leaves a
// half-written file. Throws std::runtime_error with a readable message.
void write_catalogue(const std::filesystem::path& file, const CatalogueData& data,
                     const std::string& password = catalogue::database_password);

// Reads every table of a catalogue file back. Throws std::runtime_error.
CatalogueData read_catalogue(const std::filesystem::path& file,
                             const std::string& password = catalogue::database_password);

}  // namespace qinghe::catalogue_files
