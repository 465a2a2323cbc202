#include "platform/sqlcipher/listing_order.h"

#include "platform/base/error.h"
#include "platform/base/text.h"
#include "platform/schema/index_check.h"
#include "platform/schema/tables.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <new>
#include <optional>
#include <string>
#include <vector>

namespace qinghe::platform::sqlcipher {

namespace {

using catalogue::listing_key_columns;
constexpr int key_columns = static_cast<int>(listing_key_columns.size());
using Type = Statement::Type;

struct Column {
    std::string name;
    std::string type;
};

int listing_position(const std::string& name) {
    for (int i = 0; i < key_columns; ++i)
        if (equals_ignoring_case(name, listing_key_columns[i])) return i;
    return -1;
}

// One value of a listing column as the file stores it. Text and blob bytes
// live in a shared buffer; their first sixteen bytes, big-endian and padded
// with zeros, stand beside them, which settles most comparisons without
// reaching into the buffer: dates and times written as text differ within
// their first sixteen characters ("2023-05-17 12:34"), not their first eight.
struct Value {
    union {
        std::int64_t integer;
        double real;
        std::uint64_t head;
    };
    std::uint64_t head_after;
    std::uint32_t offset;
    std::uint32_t size;
};

struct ListingRow {
    std::int64_t rid;
    Value key[key_columns];
    Type type[key_columns];
};

// The listing columns of every row of t1, in the order an index on
// (lb_id, up_dt, id) keeps them.
class ListingRows {
public:
    // False when the file's listing does not fit in memory.
    bool read(Database& db) {
        Statement statement = db.prepare("SELECT rowid, lb_id, up_dt, id FROM main.t1");
        while (statement.step()) {
            ListingRow row{};
            row.rid = statement.integer(0);
            for (int i = 0; i < key_columns; ++i) {
                row.type[i] = statement.type(i + 1);
                if (!read_value(statement, i + 1, row.type[i], row.key[i])) return false;
            }
            rows_.push_back(row);
        }
        return true;
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

    // Binds a value back exactly as it was read; the bytes stay in place
    // while the rows are inserted.
    void bind(Statement& statement, int parameter, Type type, const Value& v) const {
        switch (type) {
        case Type::integer:
            return statement.bind_integer(parameter, v.integer);
        case Type::real:
            return statement.bind_real(parameter, v.real);
        case Type::text:
            return statement.bind_text(parameter, bytes_of(v), Statement::Bytes::kept);
        case Type::blob:
            return statement.bind_blob(parameter, bytes_of(v), Statement::Bytes::kept);
        case Type::null:
            return statement.bind_null(parameter);
        }
    }

private:
    std::string_view bytes_of(const Value& v) const { return {bytes_.data() + v.offset, v.size}; }

    // False when the bytes would outgrow what a Value can address.
    bool read_value(const Statement& statement, int column, Type type, Value& v) {
        if (type == Type::integer) {
            v.integer = statement.integer(column);
        } else if (type == Type::real) {
            v.real = statement.real(column);
        } else if (type == Type::text || type == Type::blob) {
            const std::string_view data = type == Type::text ? statement.text(column) : statement.blob(column);
            if (bytes_.size() + data.size() > UINT32_MAX) return false;
            v.offset = static_cast<std::uint32_t>(bytes_.size());
            v.size = static_cast<std::uint32_t>(data.size());
            bytes_.append(data);
            v.head = 0;
            v.head_after = 0;
            for (std::size_t i = 0; i < 8; ++i) {
                v.head = v.head << 8 | (i < data.size() ? static_cast<unsigned char>(data[i]) : 0U);
                v.head_after = v.head_after << 8 | (i + 8 < data.size() ? static_cast<unsigned char>(data[i + 8]) : 0U);
            }
        }
        return true;
    }

    // Nulls, then numbers by value, then text, then blobs, each compared
    // bytewise: the order of SQLite's binary collation.
    int compare(Type ta, const Value& a, Type tb, const Value& b) const {
        if (ta == Type::integer && tb == Type::integer)
            return a.integer == b.integer ? 0 : (a.integer < b.integer ? -1 : 1);
        const int ca = storage_class(ta), cb = storage_class(tb);
        if (ca != cb) return ca < cb ? -1 : 1;
        if (ca == 0) return 0;
        if (ca == 1) return compare_numbers(ta, a, tb, b);
        if (a.head != b.head) return a.head < b.head ? -1 : 1;
        if (a.head_after != b.head_after) return a.head_after < b.head_after ? -1 : 1;
        // The first sixteen bytes (or all of the shorter value) are equal.
        constexpr std::uint32_t in_heads = 16;
        const std::uint32_t common = std::min(a.size, b.size);
        if (common > in_heads) {
            const int c = std::memcmp(bytes_.data() + a.offset + in_heads, bytes_.data() + b.offset + in_heads,
                                      common - in_heads);
            if (c != 0) return c;
        }
        return a.size == b.size ? 0 : (a.size < b.size ? -1 : 1);
    }

    static int storage_class(Type type) {
        switch (type) {
        case Type::null:
            return 0;
        case Type::integer:
        case Type::real:
            return 1;
        case Type::text:
            return 2;
        case Type::blob:
            break;
        }
        return 3;
    }

    static int compare_numbers(Type ta, const Value& a, Type tb, const Value& b) {
        if (ta == Type::real && tb == Type::real) return a.real == b.real ? 0 : (a.real < b.real ? -1 : 1);
        if (ta == Type::integer) return integer_against_real(a.integer, b.real);
        if (tb == Type::integer) return -integer_against_real(b.integer, a.real);
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

void insert_rows(Database& db, const ListingRows& listing, std::size_t first, std::size_t count, Statement& statement) {
    if (!statement) {
        std::string sql = "INSERT INTO temp.qinghe_listing (rid, lb_id, up_dt, id) VALUES ";
        for (std::size_t i = 0; i < count; ++i) sql += i == 0 ? "(?,?,?,?)" : ",(?,?,?,?)";
        statement = db.prepare(sql);
    }
    int parameter = 0;
    for (std::size_t r = first; r < first + count; ++r) {
        const ListingRow& row = listing.rows()[r];
        statement.bind_integer(++parameter, row.rid);
        for (int i = 0; i < key_columns; ++i) listing.bind(statement, ++parameter, row.type[i], row.key[i]);
    }
    statement.run();
}

void insert_in_order(Database& db, const ListingRows& listing) {
    Statement full;
    Statement rest;
    const std::size_t total = listing.rows().size();
    for (std::size_t first = 0; first < total; first += rows_per_insert) {
        const std::size_t count = std::min(rows_per_insert, total - first);
        insert_rows(db, listing, first, count, count == rows_per_insert ? full : rest);
    }
}

// The ordered table keeps the file's declared types, so comparisons
// convert values exactly as they do against the file's own columns.
std::string ordered_table_sql(const std::string (&key_types)[key_columns]) {
    std::string table = "CREATE TEMP TABLE qinghe_listing (";
    for (int i = 0; i < key_columns; ++i) table += std::string(listing_key_columns[i]) + " " + key_types[i] + ", ";
    return table + "rid INTEGER)";
}

// The view named t1 in front of the file's table: the listing columns from
// the ordered table, the others from the file's row.
std::string front_view_sql(const std::vector<Column>& columns) {
    std::string view = "CREATE TEMP VIEW t1 AS SELECT ";
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const Column& column = columns[i];
        const int at = listing_position(column.name);
        view +=
            (i == 0 ? "" : ", ") +
            (at >= 0 ? "o." + std::string(listing_key_columns[at]) : "m." + catalogue::quote_identifier(column.name)) +
            " AS " + catalogue::quote_identifier(column.name);
    }
    return view + " FROM temp.qinghe_listing o JOIN main.t1 m ON m.rowid = o.rid";
}

// Fills the ordered table and puts the view in front, all or nothing.
bool build_in_front(Database& db, const ListingRows& rows, const std::string& table, const std::string& view) {
    // The index, not the order of insertion, decides what every statement
    // sees (row ids break ties, as in an index on the file): the rows arrive
    // in its order only so that building it is a single pass.
    try {
        db.exec("SAVEPOINT qinghe_listing;" + table);
        insert_in_order(db, rows);
        db.exec("CREATE INDEX temp.qinghe_listing_page ON qinghe_listing (lb_id, up_dt, id, rid);" + view +
                ";RELEASE qinghe_listing;");
        return true;
    } catch (const PlatformError&) {}
    // Undoes what was made; with no savepoint begun this fails and changes nothing.
    try {
        db.exec("ROLLBACK TO qinghe_listing; RELEASE qinghe_listing;");
    } catch (const PlatformError&) {}
    return false;
}

}  // namespace

bool order_listing_in_memory(Database& db) {
    const std::optional<TextRows> info = db.text_rows("PRAGMA main.table_info(t1)");
    if (!info || info->empty()) return false;
    std::vector<Column> columns;
    std::string key_types[key_columns];
    int listing = 0;
    for (const auto& row : *info) {
        columns.push_back({row[1], row[2]});
        // A column named rowid would hide the row id the view joins on.
        if (equals_ignoring_case(row[1], "rowid")) return false;
        if (const int at = listing_position(row[1]); at >= 0) {
            key_types[at] = row[2];
            ++listing;
        }
    }
    // A file that cannot say whether it has the index is left as it is.
    if (listing != key_columns ||
        catalogue::is_indexed(std::bind_front(&Database::text_rows, &db), catalogue::programme_table, "lb_id")
            .value_or(true))
        return false;

    // One pass over the file and the ordering in memory; without the memory
    // for it, or when reading fails, the file is read as it is.
    ListingRows rows;
    try {
        if (!rows.read(db)) return false;
        rows.sort();
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const PlatformError&) {
        return false;
    }

    return build_in_front(db, rows, ordered_table_sql(key_types), front_view_sql(columns));
}

}  // namespace qinghe::platform::sqlcipher
