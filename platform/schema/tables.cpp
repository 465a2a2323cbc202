#include "platform/schema/tables.h"

namespace qinghe::catalogue {

std::vector<std::string> usual_columns(std::string_view table) {
    for (const TableColumns& known : catalogue_tables)
        if (known.table == table) return {known.columns.begin(), known.columns.end()};
    return {};
}

std::string quote_identifier(std::string_view name) {
    std::string quoted = "\"";
    for (const char c : name) {
        quoted += c;
        if (c == '"') quoted += '"';
    }
    return quoted + "\"";
}

}  // namespace qinghe::catalogue
