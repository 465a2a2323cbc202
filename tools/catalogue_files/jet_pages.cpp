#include "tools/catalogue_files/jet_pages.h"

#include "platform/jet/ucs2.h"

#include <algorithm>
#include <stdexcept>

namespace qinghe::catalogue_files::jet_files {
namespace {

bool jet3(JetVersion version) {
    return version == JetVersion::jet3;
}

// Where a row page's row count lies; the row starts follow it.
std::size_t row_count_offset(JetVersion version) {
    return jet3(version) ? 0x08 : 0x0c;
}

// An inline map: type 0, the first page it covers, then one bit a page.
std::size_t usage_map_size(JetVersion version) {
    return jet3(version) ? 128 : 64;
}

std::size_t pages_per_map_page(JetVersion version) {
    return (jet::page_size(version) - 4) * 8;
}

}  // namespace

void put16(Page& page, std::size_t at, std::uint16_t value) {
    page[at] = static_cast<unsigned char>(value);
    page[at + 1] = static_cast<unsigned char>(value >> 8);
}

void put32(Page& page, std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) page[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

void append16(std::string& out, std::uint16_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>(value >> 8);
}

void append32(std::string& out, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

RowPage::RowPage(JetVersion version, std::uint32_t owner)
    : version_(version), page_(jet::page_size(version), 0), low_(page_.size()) {
    page_[0] = 0x01;
    page_[1] = 0x01;
    put32(page_, 4, owner);
    put16(page_, 2, static_cast<std::uint16_t>(page_.size() - row_count_offset(version) - 2));
}

std::size_t RowPage::max_row_size(JetVersion version) {
    return jet::page_size(version) - row_count_offset(version) - 2 - 2;
}

bool RowPage::fits(std::size_t row_size) const {
    const std::size_t used = row_count_offset(version_) + 2 + 2 * (rows_ + 1);
    return rows_ < max_rows && used + row_size <= low_;
}

unsigned RowPage::add(std::span<const unsigned char> row) {
    if (!fits(row.size())) throw std::logic_error("row does not fit the page");
    low_ -= row.size();
    std::copy(row.begin(), row.end(), page_.begin() + static_cast<long>(low_));
    const std::size_t rco = row_count_offset(version_);
    put16(page_, rco + 2 + 2 * rows_, static_cast<std::uint16_t>(low_));
    ++rows_;
    put16(page_, rco, static_cast<std::uint16_t>(rows_));
    put16(page_, 2, static_cast<std::uint16_t>(low_ - (rco + 2 + 2 * rows_)));
    return rows_ - 1;
}

Page table_definition_page(JetVersion version, const TableDefinition& table) {
    const std::size_t size = jet::page_size(version);
    std::string def;  // from offset 8 on
    std::uint16_t var_columns = 0;
    for (const JetColumn& column : table.columns)
        if (!is_fixed(column.type)) ++var_columns;
    const auto columns = static_cast<std::uint16_t>(table.columns.size());
    append32(def, 0);  // the definition's length, set below
    if (!jet3(version)) append32(def, 0);
    append32(def, table.rows);
    append32(def, 0);                          // next autonumber
    if (!jet3(version)) def.append(16, '\0');  // autonumber flags, complex-column autonumber
    def += static_cast<char>(table.system ? 0x53 : 0x4E);
    append16(def, columns);  // most columns a row has
    append16(def, var_columns);
    append16(def, columns);
    append32(def, 0);  // logical indexes
    append32(def, 0);  // index entries
    append32(def, table.used_pages_map);
    append32(def, table.free_pages_map);

    std::uint16_t fixed_offset = 0;
    std::uint16_t var_index = 0;
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
        const JetColumn& column = table.columns[i];
        const bool fixed = is_fixed(column.type);
        const bool text = column.type == JetType::text || column.type == JetType::memo;
        const auto number = static_cast<std::uint16_t>(i);
        def += static_cast<char>(column.type);
        if (!jet3(version)) append32(def, 0);
        append16(def, number);
        append16(def, fixed ? 0 : var_index);
        append16(def, number);
        if (jet3(version)) {
            append16(def, text ? 0x409 : 0);  // sort order
            append16(def, text ? 936 : 0);    // code page
            append16(def, 0);
        } else {
            append16(def, text ? 0x409 : 0);  // sort order
            append16(def, 0);
        }
        def += static_cast<char>(fixed ? 0x03 : 0x02);  // fixed length; may be Null
        if (!jet3(version)) {
            def += static_cast<char>(text ? 0x01 : 0x00);  // Unicode compression allowed
            append32(def, 0);
        }
        append16(def, fixed ? fixed_offset : 0);
        const std::size_t text_bytes = jet3(version) ? max_text_characters : 2 * max_text_characters;
        append16(def, static_cast<std::uint16_t>(fixed                          ? fixed_size(column.type)
                                                 : column.type == JetType::text ? text_bytes
                                                                                : 0));
        if (fixed)
            fixed_offset = static_cast<std::uint16_t>(fixed_offset + fixed_size(column.type));
        else
            ++var_index;
    }
    for (const JetColumn& column : table.columns) {
        std::string name;
        if (jet3(version)) {
            name = encode_text(column.name, version, false);
            if (name.size() > 64) throw std::runtime_error("column name too long: " + column.name);
            def += static_cast<char>(name.size());
        } else {
            const auto units = jet::utf8_to_utf16(column.name);
            if (!units || units->size() > 64)
                throw std::runtime_error("column name too long or not UTF-8: " + column.name);
            jet::append_utf16_bytes(*units, name);
            append16(def, static_cast<std::uint16_t>(name.size()));
        }
        def += name;
    }
    if (8 + def.size() > size)
        throw std::runtime_error("the definition of a table with " + std::to_string(columns) +
                                 " columns does not fit one page");
    Page page(size, 0);
    page[0] = 0x02;
    page[1] = 0x01;
    if (jet3(version)) {
        page[2] = 'V';
        page[3] = 'C';
    } else {
        put16(page, 2, static_cast<std::uint16_t>(size - 8 - def.size()));
    }
    std::copy(def.begin(), def.end(), page.begin() + 8);
    put32(page, 8, static_cast<std::uint32_t>(def.size()));
    return page;
}

UsageMap usage_map(JetVersion version, const std::vector<std::uint32_t>& pages,
                   const std::function<std::uint32_t()>& allocate_page) {
    UsageMap map;
    map.row.assign(usage_map_size(version), '\0');
    const std::size_t inline_reach = (usage_map_size(version) - 5) * 8;
    const std::uint32_t first = pages.empty() ? 0 : *std::min_element(pages.begin(), pages.end());
    const std::uint32_t last = pages.empty() ? 0 : *std::max_element(pages.begin(), pages.end());
    if (last - first < inline_reach) {
        for (std::size_t i = 0; i < 4; ++i) map.row[1 + i] = static_cast<char>((first >> (8 * i)) & 0xFF);
        for (const std::uint32_t page : pages) {
            const std::uint32_t bit = page - first;
            map.row[5 + bit / 8] =
                static_cast<char>(static_cast<unsigned char>(map.row[5 + bit / 8]) | (1u << (bit % 8)));
        }
        return map;
    }
    // Type 1: slot k names the map page of pages k*reach .. (k+1)*reach-1.
    const std::size_t reach = pages_per_map_page(version);
    map.row[0] = 1;
    std::vector<Page*> slots((map.row.size() - 1) / 4, nullptr);
    map.map_pages.reserve(slots.size());
    for (const std::uint32_t page : pages) {
        const std::size_t slot = page / reach;
        if (slot >= slots.size()) throw std::runtime_error("a table spans more pages than a usage map can name");
        if (!slots[slot]) {
            const std::uint32_t number = allocate_page();
            for (std::size_t i = 0; i < 4; ++i)
                map.row[1 + 4 * slot + i] = static_cast<char>((number >> (8 * i)) & 0xFF);
            Page bitmap(jet::page_size(version), 0);
            bitmap[0] = 0x05;
            bitmap[1] = 0x01;
            map.map_pages.emplace_back(number, std::move(bitmap));
            slots[slot] = &map.map_pages.back().second;
        }
        const std::size_t bit = page % reach;
        (*slots[slot])[4 + bit / 8] |= static_cast<unsigned char>(1u << (bit % 8));
    }
    return map;
}

}  // namespace qinghe::catalogue_files::jet_files
