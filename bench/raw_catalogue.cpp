#include "bench/raw_catalogue.h"

#include "platform/schema/catalogue_file.h"

#include <stdexcept>

namespace qinghe::bench {

Database open_raw_catalogue(const std::filesystem::path& file) {
    Database db(file.string(), Database::Access::read_only);
    db.key(catalogue::database_password);
    // The first read derives the key from the password, as the system's
    // opening does: no case pays for it in its first timed run.
    if (db.table_count() == 0) throw std::runtime_error("no tables in " + file.string());
    return db;
}

QString qtext(const Statement& statement, int column) {
    const std::string_view text = statement.text(column);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

int column_index(const Statement& statement, std::string_view name) {
    for (int i = 0; i < statement.column_count(); ++i)
        if (name == statement.column_name(i)) return i;
    throw std::runtime_error("no column " + std::string(name));
}

std::string with_limit_for_top(const std::string& statement) {
    constexpr std::string_view select_top = "select top ";
    if (statement.rfind(select_top, 0) != 0) return statement;
    const std::size_t number_end = statement.find(' ', select_top.size());
    if (number_end == std::string::npos) throw std::runtime_error("malformed top clause: " + statement);
    const std::string n = statement.substr(select_top.size(), number_end - select_top.size());
    return "select" + statement.substr(number_end) + " limit " + n;
}

}  // namespace qinghe::bench
