#include "tools/catalogue_files/catalogue_database.h"

#include "platform/sqlcipher/jet_image.h"

#include <stdexcept>

namespace qinghe::catalogue_files::detail {

Database open_catalogue(const std::filesystem::path& file, Database::Access access, const std::string& password) {
    // A Jet file is read as the program reads it; it is never written.
    if (access == Database::Access::read_only && platform::sqlcipher::is_jet_file(file.string()))
        return platform::sqlcipher::open_jet_database(file.string(), &password);
    Database db(file.string(), access);
    db.key(password);
    db.table_count();
    return db;
}

void bind_cell(Statement& statement, int index, const Cell& cell) {
    if (std::holds_alternative<std::monostate>(cell))
        statement.bind_null(index);
    else if (const auto* i = std::get_if<std::int64_t>(&cell))
        statement.bind_integer(index, *i);
    else if (const auto* d = std::get_if<double>(&cell))
        statement.bind_real(index, *d);
    else
        statement.bind_text(index, std::get<std::string>(cell));
}

Cell cell_at(const Statement& statement, int column) {
    switch (statement.type(column)) {
    case Statement::Type::null:
        return std::monostate{};
    case Statement::Type::integer:
        return statement.integer(column);
    case Statement::Type::real:
        return statement.real(column);
    case Statement::Type::text:
        return std::string(statement.text(column));
    case Statement::Type::blob:
        break;
    }
    throw std::runtime_error("column " + statement.column_name(column) + " holds a binary value");
}

}  // namespace qinghe::catalogue_files::detail
