#include "platform/schema/indexes.h"

#include "platform/schema/tables.h"

#include <algorithm>
#include <array>
#include <initializer_list>

namespace qinghe::catalogue {

namespace {

struct IndexDefinition {
    std::string_view name;
    std::string_view table;
    std::initializer_list<std::string_view> key;
};

const std::array<IndexDefinition, 3> catalogue_indexes{{
    {"qinghe_t1_page", programme_table, {listing_key_columns[0], listing_key_columns[1], listing_key_columns[2]}},
    {"qinghe_t1_id", programme_table, {"id"}},
    {"qinghe_vlb_px", category_table, {"px"}},
}};

}  // namespace

std::vector<std::string> index_statements(std::string_view table, const std::vector<std::string>& columns) {
    std::vector<std::string> statements;
    for (const IndexDefinition& index : catalogue_indexes) {
        if (index.table != table) continue;
        const bool has_key = std::all_of(index.key.begin(), index.key.end(), [&](std::string_view column) {
            return std::find(columns.begin(), columns.end(), column) != columns.end();
        });
        if (!has_key) continue;
        std::string key;
        for (const std::string_view column : index.key) key += (key.empty() ? "" : ", ") + std::string(column);
        statements.push_back("CREATE INDEX " + std::string(index.name) + " ON " + std::string(table) + " (" + key +
                             ")");
    }
    return statements;
}

}  // namespace qinghe::catalogue
