#include "catalogue/catalogue_opening.h"

#include "catalogue/queries.h"
#include "platform/base/diagnostics.h"
#include "platform/base/error.h"
#include "platform/schema/catalogue_file.h"
#include "platform/schema/tables.h"

namespace qinghe::catalogue {

namespace {

using platform::Connection;

// Whether a statement compiles on the catalogue. Recordsets are stepped
// lazily, so opening one reads no rows.
bool compiles(Connection& connection, const std::string& statement) {
    try {
        std::unique_ptr<platform::Recordset> recordset = connection.open_recordset(
            statement, platform::CursorType::keyset, platform::LockType::read_only, platform::adCmdUnspecified);
        close_and_release(recordset);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace

std::string catalogue_file(const std::string& app_path) {
    return app_path + "/" + catalogue_file_name;
}

std::vector<std::string> missing_catalogue_parts(Connection& connection) {
    std::vector<std::string> missing;
    for (const TableColumns& table : catalogue_tables) {
        const std::string name(table.table);
        const std::string from = " from " + name;
        if (!compiles(connection, "select *" + from)) {
            missing.push_back("table " + name + " is missing");
            continue;
        }
        for (const std::string_view column : table.columns)
            if (!compiles(connection, "select " + std::string(column) + from))
                missing.push_back("column " + name + "." + std::string(column) + " is missing");
    }
    return missing;
}

void open_and_check_catalogue(Connection& connection, const std::string& app_path) {
    try {
        open_catalogue(connection, app_path);
    } catch (const std::exception& error) {
        platform::warn(platform::DiagnosticTopic::catalogue,
                       "cannot open the catalogue " + catalogue_file(app_path) + ": " + error.what());
        throw;
    }
    const std::vector<std::string> missing = missing_catalogue_parts(connection);
    if (missing.empty()) return;
    std::string reasons;
    for (const std::string& part : missing) reasons += (reasons.empty() ? "" : "; ") + part;
    platform::warn(platform::DiagnosticTopic::catalogue,
                   "the catalogue " + catalogue_file(app_path) + " is incomplete: " + reasons);
}

}  // namespace qinghe::catalogue
