#include "tools/catalogue_files/catalogue_data.h"

#include "platform/schema/tables.h"
#include "tools/catalogue_files/catalogue_database.h"
#include "tools/catalogue_files/catalogue_writer.h"

#include <stdexcept>
#include <system_error>

namespace qinghe::catalogue_files {

void write_catalogue(const std::filesystem::path& file, const CatalogueData& data, const std::string& password) {
    try {
        detail::CatalogueWriter writer(file, password);
        for (const auto& [name, table] : data.tables) {
            writer.begin_table(name, table.columns);
            for (const auto& row : table.rows) writer.add_row(row);
        }
        writer.finish();
    } catch (const std::runtime_error& e) {
        throw std::runtime_error("cannot write catalogue " + file.string() + ": " + e.what());
    }
}

CatalogueData read_catalogue(const std::filesystem::path& file, const std::string& password) {
    const std::string context = "cannot read catalogue " + file.string() + ": ";
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec))
        throw std::runtime_error(context + (std::filesystem::exists(file, ec) ? "not a file" : "no such file"));
    try {
        detail::Database db = detail::open_catalogue(file, detail::Database::Access::read_only, password);
        std::vector<std::string> names;
        {
            auto tables = db.prepare(
                "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' "
                "ORDER BY name");
            while (tables.step()) names.emplace_back(tables.text(0));
        }
        CatalogueData data;
        for (const auto& name : names) {
            auto rows = db.prepare("SELECT * FROM " + catalogue::quote_identifier(name));
            Table& table = data.tables[name];
            for (int i = 0; i < rows.column_count(); ++i) table.columns.push_back(rows.column_name(i));
            while (rows.step()) {
                std::vector<Cell> row;
                row.reserve(table.columns.size());
                for (int i = 0; i < rows.column_count(); ++i) {
                    try {
                        row.push_back(detail::cell_at(rows, i));
                    } catch (const std::runtime_error& e) {
                        throw std::runtime_error("table " + name + " row " + std::to_string(table.rows.size() + 1) +
                                                 ": " + e.what());
                    }
                }
                table.rows.push_back(std::move(row));
            }
        }
        db.close();
        return data;
    } catch (const std::runtime_error& e) {
        throw std::runtime_error(context + e.what());
    }
}

}  // namespace qinghe::catalogue_files
