#pragma once

// Writes a genuine Jet 3 / Jet 4 database file (.mdb) row by row: the
// system catalogue MSysObjects, each table's definition, its data pages
// and the long-value (LVAL) pages of its memo values. Pages are written to
// a temporary file beside the destination as they fill, so a large
// catalogue is never held in memory, and the file is renamed into place
// only when complete. Destroying an unfinished writer removes it.

#include "platform/schema/catalogue_file.h"
#include "tools/catalogue_files/catalogue_data.h"
#include "tools/catalogue_files/jet_columns.h"
#include "tools/catalogue_files/jet_pages.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace qinghe::catalogue_files {

struct JetOptions {
    jet::JetVersion version = jet::JetVersion::jet4;
    std::string password = catalogue::database_password;  // empty: no database password
    bool encode = false;                                  // RC4-encode every page but page 0, as "encode database" does
};

// Writes the catalogue as a Jet file, each column typed as
// jet_files::choose_columns says. Throws std::runtime_error.
void write_jet_catalogue(const std::filesystem::path& file, const CatalogueData& data, const JetOptions& options);

namespace jet_files {

class JetWriter {
public:
    JetWriter(const std::filesystem::path& destination, const JetOptions& options);
    ~JetWriter();
    JetWriter(const JetWriter&) = delete;
    JetWriter& operator=(const JetWriter&) = delete;

    void begin_table(const std::string& name, std::vector<JetColumn> columns);
    // One row of the current table; a cell must suit its column's type
    // (text columns take numbers as text, a Null suits every column).
    void add_row(const std::vector<Cell>& row);
    // Writes the catalogue, the definitions and usage maps, makes the file
    // durable and renames it onto the destination.
    void finish();

private:
    struct TableState {
        std::string name;
        std::vector<JetColumn> columns;
        std::uint32_t definition_page = 0;
        std::uint32_t rows = 0;
        bool system = false;
        std::vector<std::uint32_t> data_pages;
    };

    std::uint32_t allocate_page();
    void write_page(std::uint32_t number, const Page& page);
    void flush_data_page();
    void flush_long_value_page();
    void add_encoded_row(TableState& table, const std::string& row);
    std::string encode_row(const TableState& table, const std::vector<Cell>& row);
    std::string memo_field(const std::string& bytes, bool in_row);
    void write_catalogue_table();
    void discard() noexcept;

    std::filesystem::path destination_;
    std::filesystem::path temp_;
    JetOptions options_;
    jet::JetHeader header_;
    int fd_ = -1;
    std::uint32_t next_page_ = 3;  // 0: header, 1: usage maps, 2: MSysObjects
    std::vector<TableState> tables_;
    std::optional<RowPage> data_;
    std::uint32_t data_number_ = 0;
    std::optional<RowPage> long_values_;
    std::uint32_t long_values_number_ = 0;
    std::int64_t row_number_ = 0;
    bool finished_ = false;
};

}  // namespace jet_files
}  // namespace qinghe::catalogue_files
