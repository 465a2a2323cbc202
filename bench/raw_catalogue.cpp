#include "bench/raw_catalogue.h"

#include "catalogue/statements.h"

#include <sqlite3.h>

#include <stdexcept>

namespace qinghe::bench {

namespace {
[[noreturn]] void fail(sqlite3* db, const std::string& what) {
    throw std::runtime_error(what + ": " + (db ? sqlite3_errmsg(db) : "out of memory"));
}
}  // namespace

RawCatalogue::RawCatalogue(const std::filesystem::path& file) {
    if (sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        const std::string message = db_ ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        throw std::runtime_error("cannot open " + file.string() + ": " + message);
    }
    const std::string key = std::string("PRAGMA key='") + catalogue::database_password + "'";
    if (sqlite3_exec(db_, key.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
        const std::string message = sqlite3_errmsg(db_);
        sqlite3_close(db_);
        throw std::runtime_error("cannot key " + file.string() + ": " + message);
    }
}

RawCatalogue::~RawCatalogue() {
    sqlite3_close(db_);
}

RawQuery::RawQuery(const RawCatalogue& catalogue, const std::string& sql) : db_(catalogue.handle()) {
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement_, nullptr) != SQLITE_OK) fail(db_, sql);
}

RawQuery::~RawQuery() {
    sqlite3_finalize(statement_);
}

bool RawQuery::step() {
    const int rc = sqlite3_step(statement_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    fail(db_, "step");
}

std::int64_t RawQuery::integer(int column) const {
    return sqlite3_column_int64(statement_, column);
}

std::string_view RawQuery::text(int column) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    const int bytes = sqlite3_column_bytes(statement_, column);
    if (text == nullptr) return {};
    return {text, static_cast<std::size_t>(bytes)};
}

QString RawQuery::qtext(int column) const {
    const std::string_view t = text(column);
    return QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size()));
}

int RawQuery::column(std::string_view name) const {
    const int count = sqlite3_column_count(statement_);
    for (int i = 0; i < count; ++i)
        if (name == sqlite3_column_name(statement_, i)) return i;
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
