#pragma once

// The pages of a Jet file the writer builds: row pages (data and long-value
// pages), table definitions and page usage maps.

#include "platform/jet/jet_header.h"
#include "tools/catalogue_files/jet_columns.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace qinghe::catalogue_files::jet_files {

using Page = std::vector<unsigned char>;

void put16(Page& page, std::size_t at, std::uint16_t value);
void put32(Page& page, std::size_t at, std::uint32_t value);
void append16(std::string& out, std::uint16_t value);
void append32(std::string& out, std::uint32_t value);

// A row's address: page number times 256 plus its row number on the page.
constexpr std::uint32_t row_pointer(std::uint32_t page, unsigned row) {
    return (page << 8) | row;
}

// A page of rows: a data page (owner: its table's definition page) or a
// long-value page (owner: "LVAL"). Rows fill the page from its end; the
// header holds the free space, the owner, the row count and each row's
// start.
class RowPage {
public:
    static constexpr std::uint32_t long_values = 0x4C41564C;  // "LVAL"
    static constexpr unsigned max_rows = 255;                 // a row pointer holds one byte

    RowPage(JetVersion version, std::uint32_t owner);
    // The largest row an empty page takes.
    static std::size_t max_row_size(JetVersion version);
    bool fits(std::size_t row_size) const;
    unsigned add(std::span<const unsigned char> row);  // the row's number; it must fit
    unsigned rows() const { return rows_; }
    const Page& bytes() const { return page_; }

private:
    JetVersion version_;
    Page page_;
    unsigned rows_ = 0;
    std::size_t low_ = 0;  // where the lowest row starts
};

// A table definition page for the columns; rows, usage maps as written.
struct TableDefinition {
    std::vector<JetColumn> columns;
    bool system = false;
    std::uint32_t rows = 0;
    std::uint32_t used_pages_map = 0;  // row pointers of the two usage maps
    std::uint32_t free_pages_map = 0;
};
// Throws std::runtime_error when the definition does not fit one page.
Page table_definition_page(JetVersion version, const TableDefinition& table);

// The usage map of a table's pages, as the row a table definition points
// to: inline (type 0) when the pages lie within its reach, else a list
// (type 1) of map pages (type 0x05), which allocate_page numbers and
// map_pages returns for writing.
struct UsageMap {
    std::string row;
    std::vector<std::pair<std::uint32_t, Page>> map_pages;
};
UsageMap usage_map(JetVersion version, const std::vector<std::uint32_t>& pages,
                   const std::function<std::uint32_t()>& allocate_page);

}  // namespace qinghe::catalogue_files::jet_files
