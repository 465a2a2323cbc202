#include "platform/sqlcipher/listing_order.h"

#include "platform/sqlcipher/connection_string.h"

#define SQLITE_HAS_CODEC 1
#include <sqlite3.h>

#include <string>
#include <vector>

namespace qinghe::platform::sqlcipher {

namespace {

// Columns of t1 the category listing filters and orders by.
constexpr const char* kListingColumns[] = {"lb_id", "up_dt", "id"};

struct Column {
    std::string name;
    std::string type;
};

std::string quoted(const std::string& name) {
    std::string out = "\"";
    for (const char c : name) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

std::string text_at(sqlite3_stmt* statement, int column) {
    const auto* text = sqlite3_column_text(statement, column);
    return text ? reinterpret_cast<const char*>(text) : "";
}

// Runs a statement that returns rows and collects them, or nullopt-like
// failure as an empty result with ok = false.
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

bool is_listing_column(const std::string& name) {
    for (const char* listing : kListingColumns)
        if (equals_ignoring_case(name, listing)) return true;
    return false;
}

bool indexed_on_category(sqlite3* db) {
    std::vector<std::vector<std::string>> indexes;
    if (!collect(db, "PRAGMA main.index_list(t1)", 2, indexes)) return true;
    for (const auto& index : indexes) {
        std::vector<std::vector<std::string>> first;
        if (!collect(db, "PRAGMA main.index_info(" + quoted(index[1]) + ")", 3, first)) return true;
        if (!first.empty() && equals_ignoring_case(first.front()[2], "lb_id")) return true;
    }
    return false;
}

}  // namespace

bool order_listing_in_memory(sqlite3* db) {
    std::vector<std::vector<std::string>> info;
    if (!collect(db, "PRAGMA main.table_info(t1)", 3, info) || info.empty()) return false;
    std::vector<Column> columns;
    int listing = 0;
    for (const auto& row : info) {
        columns.push_back({row[1], row[2]});
        if (is_listing_column(row[1])) ++listing;
    }
    if (listing != 3 || indexed_on_category(db)) return false;
    std::vector<std::vector<std::string>> probe;
    if (!collect(db, "select rowid from main.t1 limit 1", 1, probe)) return false;

    // The ordered table keeps the file's declared types, so comparisons
    // convert values exactly as they do against the file's own columns.
    std::string table = "CREATE TEMP TABLE qinghe_listing (rid INTEGER PRIMARY KEY";
    std::string copied;
    std::string view = "CREATE TEMP VIEW t1 AS SELECT ";
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const Column& column = columns[i];
        const bool from_listing = is_listing_column(column.name);
        if (from_listing) {
            table += ", " + quoted(column.name) + " " + column.type;
            copied += ", " + quoted(column.name);
        }
        view += (i == 0 ? "" : ", ") + std::string(from_listing ? "o." : "m.") + quoted(column.name) + " AS " +
                quoted(column.name);
    }
    table += ")";
    view += " FROM temp.qinghe_listing o JOIN main.t1 m ON m.rowid = o.rid";

    const std::string build = "SAVEPOINT qinghe_listing;" + table + ";" + "INSERT INTO temp.qinghe_listing (rid" +
                              copied + ") SELECT rowid" + copied + " FROM main.t1;" +
                              "CREATE INDEX temp.qinghe_listing_page ON qinghe_listing (lb_id, up_dt, id, rid);" +
                              view + ";" + "RELEASE qinghe_listing;";
    if (sqlite3_exec(db, build.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK) return true;
    sqlite3_exec(db, "ROLLBACK TO qinghe_listing; RELEASE qinghe_listing;", nullptr, nullptr, nullptr);
    return false;
}

}  // namespace qinghe::platform::sqlcipher
