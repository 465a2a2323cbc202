#include "platform/schema/index_check.h"

#include "platform/base/text.h"
#include "platform/schema/tables.h"

namespace qinghe::catalogue {

std::optional<bool> is_indexed(const ReadRows& read_rows, std::string_view table, std::string_view column) {
    const std::string quoted = quote_identifier(table);
    // cid, name, type, notnull, dflt_value, pk
    const auto columns = read_rows("PRAGMA main.table_info(" + quoted + ")");
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
    const auto indexes = read_rows("PRAGMA main.index_list(" + quoted + ")");
    if (!indexes) return std::nullopt;
    for (const auto& index : *indexes) {
        // seqno, cid, name
        const auto first = read_rows("PRAGMA main.index_info(" + quote_identifier(index[1]) + ")");
        if (!first) return std::nullopt;
        if (!first->empty() && platform::equals_ignoring_case(first->front()[2], column)) return true;
    }
    return false;
}

}  // namespace qinghe::catalogue
