#include "platform/sqlcipher/listing_order.h"

#include "catalogue/schema/index_check.h"
#include "catalogue/schema/tables.h"
#include "platform/base/text.h"

#define SQLITE_HAS_CODEC 1
#include <sqlite3.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace qinghe::platform::sqlcipher {

namespace {

using catalogue::listing_key_columns;
constexpr int key_columns = static_cast<int>(listing_key_columns.size());

struct Column {
    std::string name;
    std::string type;
};

std::string text_at(sqlite3_stmt* statement, int column) {
    const auto* text = sqlite3_column_text(statement, column);
    return text ? reinterpret_cast<const char*>(text) : "";
}

// Runs a statement that returns rows and collects them as text; false when
// it fails.
bool collect(sqlite3* db, const std::string& sql, int columns, std::vector<std::vector<std::string>>& rows) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        return false;
    }
    int rc = 0;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        std::vector<std::string> row;
        for (int i = 0; i < columns; ++i) row.push_back(text_at(statement, i));
        rows.push_back(std::move(row));
    }
    sqlite3_finalize(statement);
    return rc == SQLITE_DONE;
}

int listing_position(const std::string& name) {
    for (int i = 0; i < key_columns; ++i)
        if (equals_ignoring_case(name, listing_key_columns[i])) return i;
    return -1;
}

// One value of a listing column as the file stores it. Text and blob bytes
// live in a shared buffer; their first eight bytes, big-endian and padded
// with zeros, stand beside them, which settles most comparisons.
struct Value {
    union {
        std::int64_t integer;
        double real;
        std::uint64_t head;
    };
    std::uint32_t offset;
    std::uint32_t size;
};

struct ListingRow {
    std::int64_t rid;
    Value key[key_columns];
    std::uint8_t type[key_columns];
};

// The listing columns of every row of t1, in the order an index on
// (lb_id, up_dt, id) keeps them.
class ListingRows {
public:
    bool read(sqlite3* db) {
        sqlite3_stmt* raw = nullptr;
        const int prepared = sqlite3_prepare_v2(db, "SELECT rowid, lb_id, up_dt, id FROM main.t1", -1, &raw, nullptr);
        const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> statement(raw, sqlite3_finalize);
        if (prepared != SQLITE_OK) return false;
        int rc = 0;
        while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {
            ListingRow row{};
            row.rid = sqlite3_column_int64(raw, 0);
            for (int i = 0; i < key_columns; ++i) {
                const int type = sqlite3_column_type(raw, i + 1);
                row.type[i] = static_cast<std::uint8_t>(type);
                if (!read_value(raw, i + 1, type, row.key[i])) return false;
            }
            rows_.push_back(row);
        }
        return rc == SQLITE_DONE;
    }

    // Rows in the order of the index the ordered table gets: building that
    // index then is a single pass. Row ids break ties, as in any index.
    void sort() {
        std::sort(
            rows_.begin(), rows_.end(),
            [this](const ListingRow& a, const ListingRow& b) {
                for (int i = 0; i < key_columns; ++i)
                    if (const int c = compare(a.type[i], a.key[i], b.type[i], b.key[i]); c != 0) return c < 0;
                return a.rid < b.rid;
            });
    }

    const std::vector<ListingRow>& rows() const { return rows_; }

    // Binds a value back exactly as it was read.
    int bind(sqlite3_stmt* statement, int parameter, int type, const Value& v) const {
        switch (type) {
        case SQLITE_INTEGER:
            return sqlite3_bind_int64(statement, parameter, v.integer);
        case SQLITE_FLOAT:
            return sqlite3_bind_double(statement, parameter, v.real);
        case SQLITE_TEXT:
            return sqlite3_bind_text(statement, parameter, bytes_.data() + v.offset, static_cast<int>(v.size),
                                     SQLITE_STATIC);
        case SQLITE_BLOB:
            return sqlite3_bind_blob(statement, parameter, bytes_.data() + v.offset, static_cast<int>(v.size),
                                     SQLITE_STATIC);
        default:
            return sqlite3_bind_null(statement, parameter);
        }
    }

private:
    // False when the bytes would outgrow what a Value can address.
    bool read_value(sqlite3_stmt* statement, int column, int type, Value& v) {
        if (type == SQLITE_INTEGER) {
            v.integer = sqlite3_column_int64(statement, column);
        } else if (type == SQLITE_FLOAT) {
            v.real = sqlite3_column_double(statement, column);
        } else if (type == SQLITE_TEXT || type == SQLITE_BLOB) {
            const void* data = type == SQLITE_TEXT ? static_cast<const void*>(sqlite3_column_text(statement, column))
                                                   : sqlite3_column_blob(statement, column);
            const auto size = static_cast<std::size_t>(sqlite3_column_bytes(statement, column));
            if (bytes_.size() + size > UINT32_MAX) return false;
            v.offset = static_cast<std::uint32_t>(bytes_.size());
            v.size = static_cast<std::uint32_t>(size);
            if (data != nullptr) bytes_.append(static_cast<const char*>(data), size);
            v.head = 0;
            for (std::size_t i = 0; i < 8; ++i)
                v.head = v.head << 8 | (i < size ? static_cast<unsigned char>(bytes_[v.offset + i]) : 0U);
        }
        return true;
    }

    // Nulls, then numbers by value, then text, then blobs, each compared
    // bytewise: the order of SQLite's binary collation.
    int compare(int ta, const Value& a, int tb, const Value& b) const {
        if (ta == SQLITE_INTEGER && tb == SQLITE_INTEGER)
            return a.integer == b.integer ? 0 : (a.integer < b.integer ? -1 : 1);
        const int ca = storage_class(ta), cb = storage_class(tb);
        if (ca != cb) return ca < cb ? -1 : 1;
        if (ca == 0) return 0;
        if (ca == 1) return compare_numbers(ta, a, tb, b);
        if (a.head != b.head) return a.head < b.head ? -1 : 1;
        const int c = std::memcmp(bytes_.data() + a.offset, bytes_.data() + b.offset, std::min(a.size, b.size));
        if (c != 0) return c;
        return a.size == b.size ? 0 : (a.size < b.size ? -1 : 1);
    }

    static int storage_class(int type) {
        switch (type) {
        case SQLITE_NULL:
            return 0;
        case SQLITE_INTEGER:
        case SQLITE_FLOAT:
            return 1;
        case SQLITE_TEXT:
            return 2;
        default:
            return 3;
        }
    }

    static int compare_numbers(int ta, const Value& a, int tb, const Value& b) {
        if (ta == SQLITE_FLOAT && tb == SQLITE_FLOAT) return a.real == b.real ? 0 : (a.real < b.real ? -1 : 1);
        if (ta == SQLITE_INTEGER) return integer_against_real(a.integer, b.real);
        if (tb == SQLITE_INTEGER) return -integer_against_real(b.integer, a.real);
        return a.integer == b.integer ? 0 : (a.integer < b.integer ? -1 : 1);
    }

    // An integer against a real without losing precision on either side.
    static int integer_against_real(std::int64_t i, double r) {
        if (r < -9223372036854775808.0) return 1;
        if (r >= 9223372036854775808.0) return -1;
        const auto truncated = static_cast<std::int64_t>(r);
        if (i != truncated) return i < truncated ? -1 : 1;
        const auto widened = static_cast<double>(i);
        return widened == r ? 0 : (widened < r ? -1 : 1);
    }

    std::vector<ListingRow> rows_;
    std::string bytes_;
};

// Several rows a statement: most of an insertion's cost is the statement's
// own round.
constexpr std::size_t rows_per_insert = 100;

bool insert_rows(sqlite3* db, const ListingRows& listing, std::size_t first, std::size_t count,
                 sqlite3_stmt*& statement) {
    if (statement == nullptr) {
        std::string sql = "INSERT INTO temp.qinghe_listing (rid, lb_id, up_dt, id) VALUES ";
        for (std::size_t i = 0; i < count; ++i) sql += i == 0 ? "(?,?,?,?)" : ",(?,?,?,?)";
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) return false;
    }
    int parameter = 0;
    for (std::size_t r = first; r < first + count; ++r) {
        const ListingRow& row = listing.rows()[r];
        if (sqlite3_bind_int64(statement, ++parameter, row.rid) != SQLITE_OK) return false;
        for (int i = 0; i < key_columns; ++i)
            if (listing.bind(statement, ++parameter, row.type[i], row.key[i]) != SQLITE_OK) return false;
    }
    const bool done = sqlite3_step(statement) == SQLITE_DONE;
    return sqlite3_reset(statement) == SQLITE_OK && done;
}

bool insert_in_order(sqlite3* db, const ListingRows& listing) {
    sqlite3_stmt* full = nullptr;
    sqlite3_stmt* rest = nullptr;
    const std::size_t total = listing.rows().size();
    bool ok = true;
    for (std::size_t first = 0; ok && first < total; first += rows_per_insert) {
        const std::size_t count = std::min(rows_per_insert, total - first);
        ok = insert_rows(db, listing, first, count, count == rows_per_insert ? full : rest);
    }
    sqlite3_finalize(full);
    sqlite3_finalize(rest);
    return ok;
}

bool exec(sqlite3* db, const std::string& sql) {
    return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

}  // namespace

bool order_listing_in_memory(sqlite3* db) {
    std::vector<std::vector<std::string>> info;
    if (!collect(db, "PRAGMA main.table_info(t1)", 3, info) || info.empty()) return false;
    std::vector<Column> columns;
    std::string key_types[key_columns];
    int listing = 0;
    for (const auto& row : info) {
        columns.push_back({row[1], row[2]});
        // A column named rowid would hide the row id the view joins on.
        if (equals_ignoring_case(row[1], "rowid")) return false;
        if (const int at = listing_position(row[1]); at >= 0) {
            key_types[at] = row[2];
            ++listing;
        }
    }
    // A file that cannot say whether it has the index is left as it is.
    if (listing != key_columns || catalogue::is_indexed(db, "t1", "lb_id").value_or(true)) return false;

    // One pass over the file and the ordering in memory; without the memory
    // for it the file is read as it is.
    ListingRows rows;
    try {
        if (!rows.read(db)) return false;
        rows.sort();
    } catch (const std::bad_alloc&) {
        return false;
    }

    // The ordered table keeps the file's declared types, so comparisons
    // convert values exactly as they do against the file's own columns.
    std::string table = "CREATE TEMP TABLE qinghe_listing (";
    for (int i = 0; i < key_columns; ++i) table += std::string(listing_key_columns[i]) + " " + key_types[i] + ", ";
    table += "rid INTEGER)";
    std::string view = "CREATE TEMP VIEW t1 AS SELECT ";
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const Column& column = columns[i];
        const int at = listing_position(column.name);
        view +=
            (i == 0 ? "" : ", ") +
            (at >= 0 ? "o." + std::string(listing_key_columns[at]) : "m." + catalogue::quote_identifier(column.name)) +
            " AS " + catalogue::quote_identifier(column.name);
    }
    view += " FROM temp.qinghe_listing o JOIN main.t1 m ON m.rowid = o.rid";

    // The index, not the order of insertion, decides what every statement
    // sees (row ids break ties, as in an index on the file): the rows arrive
    // in its order only so that building it is a single pass.
    if (exec(db, "SAVEPOINT qinghe_listing;" + table) && insert_in_order(db, rows) &&
        exec(db, "CREATE INDEX temp.qinghe_listing_page ON qinghe_listing (lb_id, up_dt, id, rid);" + view +
                     ";RELEASE qinghe_listing;"))
        return true;
    exec(db, "ROLLBACK TO qinghe_listing; RELEASE qinghe_listing;");
    return false;
}

}  // namespace qinghe::platform::sqlcipher
