#include "tools/catalogue_files/jet_writer.h"

#include "platform/base/text.h"
#include "tools/catalogue_files/file_replacement.h"

#include <cerrno>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

namespace qinghe::catalogue_files {

namespace jet_files {
namespace {

namespace fs = std::filesystem;
using jet::JetVersion;

constexpr std::uint32_t tables_container_id = 0x0F000001;
constexpr std::uint32_t databases_parent_id = 0x0F000000;
constexpr std::uint32_t system_table_flags = 0x80000002;
constexpr std::uint16_t table_object = 1;
constexpr std::uint16_t container_object = 3;
// A fixed creation date (2009-05-17 20:31:07): the same data always gives
// the same file. Jet 4 mixes its whole days into the password mask.
constexpr double creation_date = 39950.85494212963;
// Memo values up to this many bytes stay in their row (when the row has
// room); longer ones go to long-value pages.
constexpr std::size_t inline_memo_bytes = 256;
constexpr std::uint32_t max_memo_bytes = 0x3FFFFFFF;

bool jet3(JetVersion version) {
    return version == JetVersion::jet3;
}

std::vector<JetColumn> catalogue_columns() {
    return {{"Id", JetType::long_integer},
            {"ParentId", JetType::long_integer},
            {"Name", JetType::text},
            {"Type", JetType::integer},
            {"DateCreate", JetType::date_time},
            {"DateUpdate", JetType::date_time},
            {"Flags", JetType::long_integer},
            {"LvProp", JetType::ole}};
}

std::string column_context(const JetColumn& column) {
    return "column " + column.name + ": ";
}

std::string fixed_bytes(const JetColumn& column, const Cell& cell) {
    std::string bytes;
    const auto* whole = std::get_if<std::int64_t>(&cell);
    const auto* real = std::get_if<double>(&cell);
    const auto* text = std::get_if<std::string>(&cell);
    switch (column.type) {
    case JetType::integer:
    case JetType::long_integer: {
        const bool wide = column.type == JetType::long_integer;
        const std::int64_t low =
            wide ? std::numeric_limits<std::int32_t>::min() : std::numeric_limits<std::int16_t>::min();
        const std::int64_t high =
            wide ? std::numeric_limits<std::int32_t>::max() : std::numeric_limits<std::int16_t>::max();
        if (!whole || *whole < low || *whole > high)
            throw std::runtime_error(column_context(column) + "a whole number from " + std::to_string(low) + " to " +
                                     std::to_string(high) + " is needed");
        const auto value = static_cast<std::uint32_t>(static_cast<std::int32_t>(*whole));
        if (wide)
            append32(bytes, value);
        else
            append16(bytes, static_cast<std::uint16_t>(value));
        return bytes;
    }
    case JetType::real:
    case JetType::date_time: {
        double value = 0;
        if (whole)
            value = static_cast<double>(*whole);
        else if (real)
            value = *real;
        else if (!(text && column.type == JetType::date_time && parse_time_stamp(*text, value)))
            throw std::runtime_error(column_context(column) + (column.type == JetType::real
                                                                   ? "a number is needed"
                                                                   : "a time stamp YYYY-MM-DD hh:mm:ss is needed"));
        std::uint64_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        append32(bytes, static_cast<std::uint32_t>(bits));
        append32(bytes, static_cast<std::uint32_t>(bits >> 32));
        return bytes;
    }
    case JetType::text:
    case JetType::ole:
    case JetType::memo:
        break;
    }
    throw std::logic_error("not a fixed-length column");
}

// A row's trailer and field bytes, laid out as Jet 4 does: column count,
// fixed fields, variable fields, then (backwards) the end of the variable
// data, each variable field's start, their count, and the null mask.
std::string lay_out_jet4(std::size_t columns, const std::string& fixed, const std::vector<std::string>& var,
                         const std::string& null_mask) {
    std::string row;
    append16(row, static_cast<std::uint16_t>(columns));
    row += fixed;
    std::vector<std::uint16_t> starts;
    for (const std::string& field : var) {
        starts.push_back(static_cast<std::uint16_t>(row.size()));
        row += field;
    }
    if (!var.empty()) {
        append16(row, static_cast<std::uint16_t>(row.size()));  // end of the variable data
        for (std::size_t i = starts.size(); i-- > 0;) append16(row, starts[i]);
        append16(row, static_cast<std::uint16_t>(var.size()));
    }
    row += null_mask;
    return row;
}

// Jet 3 keeps one-byte offsets; a jump table (the first offset index past
// each 256-byte boundary, 0xFF for a boundary none passes) supplies the
// high part. Its length follows the row's own length.
std::string lay_out_jet3(std::size_t columns, const std::string& fixed, const std::vector<std::string>& var,
                         const std::string& null_mask) {
    std::string row;
    row += static_cast<char>(columns);
    row += fixed;
    std::vector<std::size_t> offsets;
    for (const std::string& field : var) {
        offsets.push_back(row.size());
        row += field;
    }
    if (!var.empty()) {
        offsets.push_back(row.size());  // end of the variable data
        const std::size_t rest = offsets.size() + 1 + null_mask.size();
        std::size_t jumps = 0;
        while ((row.size() + rest + jumps - 1) / 256 != jumps) ++jumps;
        for (std::size_t i = offsets.size(); i-- > 0;) row += static_cast<char>(offsets[i] & 0xFF);
        std::string table;
        for (std::size_t j = 0; j < jumps; ++j) {
            std::size_t first = 0xFF;
            for (std::size_t i = 0; i < offsets.size(); ++i) {
                if (offsets[i] >= (j + 1) * 256) {
                    first = i;
                    break;
                }
            }
            table += static_cast<char>(first);
        }
        // Stored backwards from the count: entry 0 right before it.
        row.append(table.rbegin(), table.rend());
        row += static_cast<char>(var.size());
    }
    row += null_mask;
    return row;
}

}  // namespace

JetWriter::JetWriter(const fs::path& destination, const JetOptions& options)
    : destination_(destination), options_(options) {
    if (destination.empty() || !destination.has_filename()) throw std::runtime_error("no catalogue file name given");
    header_.version = options.version;
    header_.password = options.password;
    header_.creation_date = creation_date;
    header_.code_page = jet3(options.version) ? 936 : 1252;
    header_.sort_order = 0x409;
    header_.db_key = options.encode ? 0x6B8A1F3Du : 0;
    Page check(jet::page_size(options.version));
    try {
        jet::write_jet_header(check, header_);
    } catch (const std::invalid_argument& e) {
        throw std::runtime_error(e.what());
    }
    detail::check_replaceable(destination);
    temp_ = detail::create_temp_file(destination);
    fd_ = ::open(temp_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd_ < 0) {
        const int error = errno;
        discard();
        throw std::runtime_error("cannot open " + temp_.string() + ": " + std::generic_category().message(error));
    }
    tables_.push_back({"MSysObjects", catalogue_columns(), 2, 0, true, {}});
}

JetWriter::~JetWriter() {
    if (!finished_) discard();
}

void JetWriter::discard() noexcept {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    std::error_code ec;
    if (!temp_.empty()) fs::remove(temp_, ec);
}

std::uint32_t JetWriter::allocate_page() {
    if (next_page_ >= (1u << 24)) throw std::runtime_error("the catalogue needs more pages than a Jet file holds");
    return next_page_++;
}

void JetWriter::write_page(std::uint32_t number, const Page& page) {
    Page encoded = page;
    jet::apply_page_encoding(encoded, header_.db_key, number);
    const auto offset = static_cast<off_t>(number) * static_cast<off_t>(encoded.size());
    std::size_t done = 0;
    while (done < encoded.size()) {
        const ssize_t n =
            ::pwrite(fd_, encoded.data() + done, encoded.size() - done, offset + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0)
            throw std::runtime_error("cannot write " + temp_.string() + ": " + std::generic_category().message(errno));
        done += static_cast<std::size_t>(n);
    }
}

void JetWriter::flush_data_page() {
    if (!data_) return;
    write_page(data_number_, data_->bytes());
    data_.reset();
}

void JetWriter::flush_long_value_page() {
    if (!long_values_) return;
    write_page(long_values_number_, long_values_->bytes());
    long_values_.reset();
}

void JetWriter::begin_table(const std::string& name, std::vector<JetColumn> columns) {
    if (columns.empty()) throw std::runtime_error("table " + name + " has no columns");
    if (name.empty() || name.size() > 64) throw std::runtime_error("a table name has 1 to 64 characters: " + name);
    // Jet compares names without regard to case and keeps MSys... for its
    // own tables.
    if (platform::lower_case(name).rfind("msys", 0) == 0)
        throw std::runtime_error("table names starting with MSys are Jet's own: " + name);
    for (const TableState& table : tables_)
        if (platform::equals_ignoring_case(table.name, name))
            throw std::runtime_error("tables " + table.name + " and " + name + " differ only in case");
    for (std::size_t i = 0; i < columns.size(); ++i)
        for (std::size_t j = 0; j < i; ++j)
            if (platform::equals_ignoring_case(columns[i].name, columns[j].name))
                throw std::runtime_error("table " + name + ": columns " + columns[j].name + " and " + columns[i].name +
                                         " differ only in case");
    flush_data_page();
    // The definition is written at the end, once the rows are counted.
    table_definition_page(options_.version, {columns, false, 0, 0, 0});
    tables_.push_back({name, std::move(columns), allocate_page(), 0, false, {}});
    row_number_ = 0;
}

std::string JetWriter::memo_field(const std::string& bytes, bool in_row) {
    if (bytes.size() > max_memo_bytes) throw std::runtime_error("a memo value is longer than Jet holds");
    const auto length = static_cast<std::uint32_t>(bytes.size());
    std::string field;
    if (in_row) {
        append32(field, length | 0x80000000u);
        append32(field, 0);
        append32(field, 0);
        field += bytes;
        return field;
    }
    const std::size_t max_row = RowPage::max_row_size(options_.version);
    if (bytes.size() <= max_row) {
        // One row of a shared long-value page.
        if (!long_values_ || !long_values_->fits(bytes.size())) {
            flush_long_value_page();
            long_values_.emplace(options_.version, RowPage::long_values);
            long_values_number_ = allocate_page();
        }
        const unsigned row =
            long_values_->add(std::span(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()));
        append32(field, length | 0x40000000u);
        append32(field, row_pointer(long_values_number_, row));
        append32(field, 0);
        return field;
    }
    // A chain of pages of their own: each row starts with the next one's
    // pointer, 0 at the last.
    const std::size_t piece = max_row - 4;
    const std::size_t pieces = (bytes.size() + piece - 1) / piece;
    std::uint32_t page = allocate_page();
    append32(field, length);
    append32(field, row_pointer(page, 0));
    append32(field, 0);
    for (std::size_t k = 0; k < pieces; ++k) {
        const std::uint32_t next = k + 1 < pieces ? allocate_page() : 0;
        std::string row;
        append32(row, next == 0 ? 0 : row_pointer(next, 0));
        row.append(bytes, k * piece, piece);
        RowPage chain(options_.version, RowPage::long_values);
        chain.add(std::span(reinterpret_cast<const unsigned char*>(row.data()), row.size()));
        write_page(page, chain.bytes());
        page = next;
    }
    return field;
}

std::string JetWriter::encode_row(const TableState& table, const std::vector<Cell>& row) {
    const std::vector<JetColumn>& columns = table.columns;
    if (row.size() != columns.size()) {
        throw std::runtime_error("has " + std::to_string(row.size()) + " values for " + std::to_string(columns.size()) +
                                 " columns");
    }
    const JetVersion version = options_.version;
    std::string null_mask((columns.size() + 7) / 8, '\0');
    std::string fixed;
    std::vector<std::string> var;
    std::vector<std::size_t> memos;  // indexes into var of memo values not yet placed
    std::size_t size = (jet3(version) ? 1 : 2) + null_mask.size();
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const JetColumn& column = columns[i];
        const Cell& cell = row[i];
        const bool null = std::holds_alternative<std::monostate>(cell);
        if (!null) null_mask[i / 8] = static_cast<char>(null_mask[i / 8] | (1 << (i % 8)));
        if (is_fixed(column.type)) {
            fixed += null ? std::string(fixed_size(column.type), '\0') : fixed_bytes(column, cell);
            continue;
        }
        var.emplace_back();
        size += jet3(version) ? 1 : 2;
        if (null) continue;
        if (column.type == JetType::ole) throw std::runtime_error(column_context(column) + "holds only Null");
        const std::string text = text_of(cell);
        const std::size_t characters = utf16_length(text);
        const bool memo = column.type == JetType::memo;
        if (!memo && characters > max_text_characters)
            throw std::runtime_error(column_context(column) + "a text column holds up to " +
                                     std::to_string(max_text_characters) + " characters");
        try {
            var.back() = encode_text(text, version, !memo || characters <= max_compressed_memo_characters);
        } catch (const std::runtime_error& e) {
            throw std::runtime_error(column_context(column) + e.what());
        }
        if (memo) {
            memos.push_back(var.size() - 1);
            size += 12;
        } else {
            size += var.back().size();
        }
    }
    size += fixed.size() + (var.empty() ? 0 : (jet3(version) ? 2 : 4));
    // Short memo values stay in the row while it has room (Jet 3 keeps a
    // few bytes spare for its jump table).
    const std::size_t room = RowPage::max_row_size(version) - (jet3(version) ? 16 : 0);
    for (const std::size_t m : memos) {
        const bool in_row = var[m].size() <= inline_memo_bytes && size + var[m].size() <= room;
        if (in_row) size += var[m].size();
        var[m] = memo_field(var[m], in_row);
    }
    if (size > room) throw std::runtime_error("the row is longer than a page holds");
    return jet3(version) ? lay_out_jet3(columns.size(), fixed, var, null_mask)
                         : lay_out_jet4(columns.size(), fixed, var, null_mask);
}

void JetWriter::add_encoded_row(TableState& table, const std::string& row) {
    if (!data_ || !data_->fits(row.size())) {
        flush_data_page();
        data_.emplace(options_.version, table.definition_page);
        data_number_ = allocate_page();
        table.data_pages.push_back(data_number_);
    }
    data_->add(std::span(reinterpret_cast<const unsigned char*>(row.data()), row.size()));
    if (table.rows == std::numeric_limits<std::uint32_t>::max()) throw std::runtime_error("too many rows");
    ++table.rows;
}

void JetWriter::add_row(const std::vector<Cell>& row) {
    if (tables_.size() < 2) throw std::runtime_error("no table begun");
    TableState& table = tables_.back();
    ++row_number_;
    try {
        add_encoded_row(table, encode_row(table, row));
    } catch (const std::runtime_error& e) {
        throw std::runtime_error("table " + table.name + " row " + std::to_string(row_number_) + ": " + e.what());
    }
}

// MSysObjects: the container of the tables, itself and one row a table,
// whose Id is its definition's page.
void JetWriter::write_catalogue_table() {
    flush_data_page();
    std::vector<TableState> user_tables(tables_.begin() + 1, tables_.end());
    TableState& catalogue = tables_.front();
    const auto row = [&](std::uint32_t id, std::uint32_t parent, const std::string& name, std::uint16_t type,
                         std::uint32_t flags) {
        add_encoded_row(
            catalogue,
            encode_row(catalogue, {static_cast<std::int64_t>(static_cast<std::int32_t>(id)),
                                   static_cast<std::int64_t>(static_cast<std::int32_t>(parent)), name,
                                   static_cast<std::int64_t>(type), creation_date, creation_date,
                                   static_cast<std::int64_t>(static_cast<std::int32_t>(flags)), std::monostate{}}));
    };
    row(tables_container_id, databases_parent_id, "Tables", container_object, 0);
    row(2, tables_container_id, "MSysObjects", table_object, system_table_flags);
    for (const TableState& table : user_tables)
        row(table.definition_page, tables_container_id, table.name, table_object, 0);
    flush_data_page();
}

void JetWriter::finish() {
    write_catalogue_table();
    flush_long_value_page();
    // Page 1 holds every table's two usage maps: the pages it owns, and
    // (empty) the pages with free space.
    RowPage maps(options_.version, 0);
    for (TableState& table : tables_) {
        const UsageMap used = usage_map(
            options_.version, table.data_pages, [this] { return allocate_page(); });
        const UsageMap free = usage_map(options_.version, {}, [this] { return allocate_page(); });
        for (const auto& [number, page] : used.map_pages) write_page(number, page);
        if (!maps.fits(used.row.size() + free.row.size())) throw std::runtime_error("too many tables");
        const unsigned used_row =
            maps.add(std::span(reinterpret_cast<const unsigned char*>(used.row.data()), used.row.size()));
        const unsigned free_row =
            maps.add(std::span(reinterpret_cast<const unsigned char*>(free.row.data()), free.row.size()));
        write_page(table.definition_page,
                   table_definition_page(options_.version, {table.columns, table.system, table.rows,
                                                            row_pointer(1, used_row), row_pointer(1, free_row)}));
    }
    write_page(1, maps.bytes());
    Page header(jet::page_size(options_.version));
    jet::write_jet_header(header, header_);
    write_page(0, header);
    if (::close(fd_) != 0) {
        fd_ = -1;
        throw std::runtime_error("cannot write " + temp_.string() + ": " + std::generic_category().message(errno));
    }
    fd_ = -1;
    detail::move_into_place(temp_, destination_);
    finished_ = true;
}

}  // namespace jet_files

void write_jet_catalogue(const std::filesystem::path& file, const CatalogueData& data, const JetOptions& options) {
    try {
        jet_files::JetWriter writer(file, options);
        for (const auto& [name, table] : data.tables) {
            writer.begin_table(name, jet_files::choose_columns(name, table));
            for (const auto& row : table.rows) writer.add_row(row);
        }
        writer.finish();
    } catch (const std::runtime_error& e) {
        throw std::runtime_error("cannot write catalogue " + file.string() + ": " + e.what());
    }
}

}  // namespace qinghe::catalogue_files
