#include "platform/jet/jet_tables.h"

#include "platform/base/error.h"
#include "platform/base/text.h"
#include "platform/jet/jet_date.h"

#include <mdbtools.h>

#include <memory>

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
            if (reads_fixed(column->col_type)) continue;
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
            const int length = lengths_[column];
            if (length < 0 || static_cast<std::size_t>(length) >= max_value_bytes)
                fail("column " + names_[column] + " holds a value longer than the longest read");
            cells[column] = std::string(buffers_[column].data(), static_cast<std::size_t>(length));
        }
        return true;
    }

private:
    MdbHandle& mdb_;
    std::unique_ptr<MdbTableDef, FreeTable> table_;
    std::vector<std::string> names_;
    std::vector<int> types_;
    std::vector<std::vector<char>> buffers_;
    std::vector<int> lengths_;
    MdbField fields_[MDB_MAX_COLS]{};
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
