#include "catalogue/schema/index_check.h"

#include "catalogue/schema/tables.h"
#include "platform/base/text.h"

#define SQLITE_HAS_CODEC 1
#include <sqlite3.h>

#include <memory>
#include <string>
#include <vector>

namespace qinghe::catalogue {

namespace {

using Rows = std::vector<std::vector<std::string>>;

// The rows of a statement as text, or nullopt when it fails.
std::optional<Rows> rows_of(sqlite3* db, const std::string& sql) {
    sqlite3_stmt* raw = nullptr;
    const int prepared = sqlite3_prepare_v2(db, sql.c_str(), -1, &raw, nullptr);
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> statement(raw, sqlite3_finalize);
    if (prepared != SQLITE_OK) return std::nullopt;
    Rows rows;
    int rc = 0;
    while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {
        std::vector<std::string> row;
        for (int i = 0; i < sqlite3_column_count(raw); ++i) {
            const auto* text = sqlite3_column_text(raw, i);
            row.emplace_back(text ? reinterpret_cast<const char*>(text) : "");
        }
        rows.push_back(std::move(row));
    }
    if (rc != SQLITE_DONE) return std::nullopt;
    return rows;
}

}  // namespace

std::optional<bool> is_indexed(sqlite3* db, std::string_view table, std::string_view column) {
    const std::string quoted = quote_identifier(table);
    // cid, name, type, notnull, dflt_value, pk
    const auto columns = rows_of(db, "PRAGMA main.table_info(" + quoted + ")");
    if (!columns) return std::nullopt;
    int key_columns = 0;
    bool integer_key = false;
    for (const auto& row : *columns) {
        if (row[5] == "0") continue;
        ++key_columns;
        integer_key =
            platform::equals_ignoring_case(row[1], column) && platform::equals_ignoring_case(row[2], "INTEGER");
    }
    if (key_columns == 1 && integer_key) return true;
    // seq, name, unique, ...
    const auto indexes = rows_of(db, "PRAGMA main.index_list(" + quoted + ")");
    if (!indexes) return std::nullopt;
    for (const auto& index : *indexes) {
        // seqno, cid, name
        const auto first = rows_of(db, "PRAGMA main.index_info(" + quote_identifier(index[1]) + ")");
        if (!first) return std::nullopt;
        if (!first->empty() && platform::equals_ignoring_case(first->front()[2], column)) return true;
    }
    return false;
}

}  // namespace qinghe::catalogue
