#pragma once

// Writes a catalogue file row by row without holding it in memory: a keyed
// database is built in a temporary file beside the destination, inside one
// transaction, and renamed onto the destination only when complete.
// Destroying an unfinished writer removes the temporary file.

#include "tools/catalogue_files/catalogue_data.h"
#include "tools/catalogue_files/catalogue_database.h"

#include <filesystem>
#include <string>
#include <vector>

namespace qinghe::catalogue_files::detail {

class CatalogueWriter {
public:
    CatalogueWriter(const std::filesystem::path& destination, const std::string& password);
    ~CatalogueWriter();
    CatalogueWriter(const CatalogueWriter&) = delete;
    CatalogueWriter& operator=(const CatalogueWriter&) = delete;

    // Creates a table with untyped columns, so every value keeps the storage
    // class it was written with, and makes it the table that add_row fills.
    void begin_table(const std::string& name, const std::vector<std::string>& columns);
    // One row of the current table; the cell count must match its columns.
    void add_row(const std::vector<Cell>& row);
    // The statement that add_row uses, for callers that bind cells
    // themselves; call insert() after binding.
    Statement& insert_statement();
    void insert();

    // Adds the indexes the catalogue queries use, commits, makes the file
    // durable and renames it onto the destination.
    void finish();

    const std::filesystem::path& temp_file() const { return temp_; }

private:
    void add_indexes();
    void discard() noexcept;

    std::filesystem::path destination_;
    std::filesystem::path temp_;
    Database db_;
    Statement insert_;
    std::string table_;
    std::size_t column_count_ = 0;
    std::int64_t row_number_ = 0;
    std::vector<std::pair<std::string, std::vector<std::string>>> tables_;
    bool finished_ = false;
};

}  // namespace qinghe::catalogue_files::detail
