#include "platform/jet/jet_tables.h"

#include "platform/base/error.h"
#include "platform/base/text.h"
#include "platform/jet/jet_date.h"
#include "platform/jet/ucs2.h"

#include <mdbtools.h>

#include <algorithm>
#include <memory>
#include <span>
#include <utility>

namespace qinghe::jet {

namespace {

[[noreturn]] void fail(const std::string& what) {
    throw platform::PlatformError(what);
}

struct CloseHandle {
    void operator()(MdbHandle* mdb) const noexcept { mdb_close(mdb); }
};
struct FreeTable {
    void operator()(MdbTableDef* table) const noexcept { mdb_free_tabledef(table); }
};

// The low 13 bits of a row's offset; the high ones are flags.
constexpr int row_offset_mask = 0x1fff;

MdbCatalogEntry* find_table(MdbHandle& mdb, std::string_view name) {
    for (unsigned int i = 0; i < mdb.num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb.catalog, i));
        if (entry->object_type == MDB_TABLE && platform::equals_ignoring_case(entry->object_name, name)) return entry;
    }
    return nullptr;
}

bool reads_fixed(int type) {
    switch (type) {
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
    case MDB_COMPLEX:
    case MDB_FLOAT:
    case MDB_DOUBLE:
    case MDB_DATETIME:
        return true;
    default:
        return false;
    }
}

// A fixed-size number straight from the row's bytes, so that no text form
// (and no locale) comes between the file and the value.
JetCell fixed_value(const MdbHandle& mdb, int type, const MdbField& field) {
    const auto need = [&](int bytes) {
        if (field.siz < bytes || field.start < 0 || field.start + bytes > mdb.fmt->pg_size)
            fail("a row of the file is damaged");
    };
    void* page = const_cast<unsigned char*>(mdb.pg_buf);
    switch (type) {
    case MDB_BYTE:
        need(1);
        return std::int64_t{mdb_get_byte(page, field.start)};
    case MDB_INT:
        need(2);
        return std::int64_t{static_cast<std::int16_t>(mdb_get_int16(page, field.start))};
    case MDB_LONGINT:
    case MDB_COMPLEX:
        need(4);
        return std::int64_t{static_cast<std::int32_t>(mdb_get_int32(page, field.start))};
    case MDB_FLOAT:
        need(4);
        return double{mdb_get_single(page, field.start)};
    case MDB_DOUBLE:
        need(8);
        return mdb_get_double(page, field.start);
    default:
        need(8);
        return jet_date_text(mdb_get_double(page, field.start));
    }
}

// Jet 4 text and memo values are decoded here from their stored bytes
// (ucs2.h), which keeps characters beyond U+FFFF; Jet 3 ones go through
// libmdb's conversion from the file's code page.
bool reads_stored_text(const MdbHandle& mdb, int type) {
    return mdb.f->jet_version != MDB_VER_JET3 && (type == MDB_TEXT || type == MDB_MEMO);
}

std::uint32_t le32(std::span<const unsigned char> bytes, std::size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | std::uint32_t{bytes[at + 3]} << 24;
}

// A memo value's first 12 bytes: its length and where it is kept.
constexpr std::size_t memo_head = 12;
constexpr std::uint32_t memo_in_row = 0x80000000;
constexpr std::uint32_t memo_on_one_page = 0x40000000;
constexpr std::uint32_t memo_length_mask = 0x3FFFFFFF;
// The longest stored memo read: no text this long decodes to less than
// max_value_bytes of UTF-8 short of ending early at U+0000.
constexpr std::uint32_t longest_stored_memo = 4 * max_value_bytes;

// The row at pg_row (page number << 8 | row) of a long-value page.
std::span<const unsigned char> long_value_row(MdbHandle& mdb, std::uint32_t pg_row) {
    void* page = nullptr;
    int start = 0;
    size_t size = 0;
    if (mdb_find_pg_row(&mdb, static_cast<int>(pg_row), &page, &start, &size) != 0 || page == nullptr)
        fail("a long value of the file is damaged");
    start &= row_offset_mask;
    if (start > mdb.fmt->pg_size || size > static_cast<size_t>(mdb.fmt->pg_size - start))
        fail("a long value of the file is damaged");
    return {static_cast<const unsigned char*>(page) + start, size};
}

// A memo's stored bytes, from its row, one long-value row or a chain of
// them (each starting with the next one's pg_row, 0 at the last); false
// when it is longer than is read.
bool memo_bytes(MdbHandle& mdb, std::span<const unsigned char> field, std::string& out) {
    out.clear();
    if (field.size() < memo_head) fail("a row of the file is damaged");
    const std::uint32_t head = le32(field, 0);
    const std::uint32_t length = head & memo_length_mask;
    if (length > longest_stored_memo) return false;
    const auto append = [&](std::span<const unsigned char> piece) {
        out.append(reinterpret_cast<const char*>(piece.data()),
                   std::min<std::size_t>(piece.size(), length - out.size()));
    };
    if (head & memo_in_row) {
        append(field.subspan(memo_head));
    } else if (head & memo_on_one_page) {
        append(long_value_row(mdb, le32(field, 4)));
    } else {
        // Each piece adds at least a byte, so a chain that loops ends at
        // the length.
        for (std::uint32_t next = le32(field, 4); next != 0 && out.size() < length;) {
            const std::span<const unsigned char> row = long_value_row(mdb, next);
            if (row.size() <= 4) fail("a long value of the file is damaged");
            next = le32(row, 0);
            append(row.subspan(4));
        }
    }
    return true;
}

class TableReader {
public:
    TableReader(MdbHandle& mdb, MdbCatalogEntry& entry) : mdb_(mdb) {
        table_.reset(mdb_read_table(&entry));
        if (!table_ || !mdb_read_columns(table_.get()) || table_->num_cols == 0 || table_->num_cols > MDB_MAX_COLS)
            fail(std::string("the definition of table ") + entry.object_name + " cannot be read");
        mdb_rewind_table(table_.get());
        const unsigned int count = table_->num_cols;
        buffers_.resize(count);
        lengths_.resize(count);
        for (unsigned int i = 0; i < count; ++i) {
            const auto* column = static_cast<const MdbColumn*>(g_ptr_array_index(table_->columns, i));
            names_.emplace_back(column->name);
            types_.push_back(column->col_type);
            // Numbers and dates are read from the row itself (fixed_value):
            // only the rest is bound, which spares libmdb formatting them.
            if (reads_fixed(column->col_type) || reads_stored_text(mdb, column->col_type)) continue;
            buffers_[i].resize(mdb.bind_size);
            mdb_bind_column(table_.get(), static_cast<int>(i + 1), buffers_[i].data(), &lengths_[i]);
        }
    }

    const std::vector<std::string>& columns() const { return names_; }

    // The next row, or false after the last.
    bool next(std::vector<JetCell>& cells) {
        if (!mdb_fetch_row(table_.get())) return false;
        // Cracked again for what binding leaves out: Null apart from empty
        // text, and the numbers' own bytes.
        int start = 0;
        size_t size = 0;
        if (mdb_find_row(&mdb_, static_cast<int>(table_->cur_row) - 1, &start, &size) != 0)
            fail("a row of the file is damaged");
        const int count = mdb_crack_row(table_.get(), start & row_offset_mask, size, fields_);
        if (count != static_cast<int>(names_.size())) fail("a row of the file is damaged");
        cells.assign(names_.size(), JetCell{});
        // Memos are resolved once every field is read: reading a long-value
        // page may take the buffer that holds the row.
        memos_.clear();
        for (int f = 0; f < count; ++f) {
            const MdbField& field = fields_[f];
            if (field.colnum < 0 || field.colnum >= count) fail("a row of the file is damaged");
            const auto column = static_cast<std::size_t>(field.colnum);
            const int type = types_[column];
            if (type == MDB_BOOL) {
                // Stored in the row's null mask: set is true (-1).
                cells[column] = std::int64_t{field.is_null ? 0 : -1};
                continue;
            }
            if (field.is_null) continue;
            if (reads_fixed(type)) {
                cells[column] = fixed_value(mdb_, type, field);
                continue;
            }
            if (reads_stored_text(mdb_, type)) {
                if (field.siz < 0 || field.start < 0 || field.start > mdb_.fmt->pg_size - field.siz)
                    fail("a row of the file is damaged");
                const std::span<const unsigned char> stored(mdb_.pg_buf + field.start, static_cast<size_t>(field.siz));
                if (type == MDB_MEMO)
                    memos_.emplace_back(column, std::string(stored.begin(), stored.end()));
                else
                    set_text(cells, column, jet4_text_to_utf8(stored));
                continue;
            }
            const int length = lengths_[column];
            if (length < 0 || static_cast<std::size_t>(length) >= max_value_bytes) too_long(column);
            cells[column] = std::string(buffers_[column].data(), static_cast<std::size_t>(length));
        }
        for (const auto& [column, field] : memos_) {
            const auto* bytes = reinterpret_cast<const unsigned char*>(field.data());
            if (!memo_bytes(mdb_, std::span(bytes, field.size()), stored_)) too_long(column);
            set_text(
                cells, column,
                jet4_text_to_utf8(std::span(reinterpret_cast<const unsigned char*>(stored_.data()), stored_.size())));
        }
        return true;
    }

private:
    [[noreturn]] void too_long(std::size_t column) const {
        fail("column " + names_[column] + " holds a value longer than the longest read");
    }
    void set_text(std::vector<JetCell>& cells, std::size_t column, std::string text) const {
        if (text.size() >= max_value_bytes) too_long(column);
        cells[column] = std::move(text);
    }

    MdbHandle& mdb_;
    std::unique_ptr<MdbTableDef, FreeTable> table_;
    std::vector<std::string> names_;
    std::vector<int> types_;
    std::vector<std::vector<char>> buffers_;
    std::vector<int> lengths_;
    MdbField fields_[MDB_MAX_COLS]{};
    std::vector<std::pair<std::size_t, std::string>> memos_;
    std::string stored_;
};

}  // namespace

void read_tables(const std::string& path, std::span<const std::string_view> tables, TableSink& sink) {
    // Read-only: libmdb opens the file as a stream for reading.
    std::unique_ptr<MdbHandle, CloseHandle> mdb(mdb_open(path.c_str(), MDB_NOFLAGS));
    if (!mdb) fail("the file is not a Jet database");
    mdb_set_bind_size(mdb.get(), max_value_bytes + 1);
    if (!mdb_read_catalog(mdb.get(), MDB_TABLE)) fail("the file's list of tables cannot be read");
    std::vector<JetCell> cells;
    for (const std::string_view name : tables) {
        MdbCatalogEntry* entry = find_table(*mdb, name);
        if (entry == nullptr) continue;
        TableReader reader(*mdb, *entry);
        sink.begin_table(std::string(name), reader.columns());
        while (reader.next(cells)) sink.add_row(cells);
    }
}

}  // namespace qinghe::jet
