#define SQLITE_HAS_CODEC 1
#include <sqlite3.h>

#include "tools/catalogue_files/sqlite_db.h"

#include <cmath>
#include <stdexcept>
#include <utility>

namespace qinghe::catalogue_files::detail {

Database::Database(const std::filesystem::path& file, Mode mode, const std::string& password) {
    const int flags = mode == Mode::read_only ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    const int rc = sqlite3_open_v2(file.c_str(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        const std::string message = db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
        sqlite3_close(db_);
        db_ = nullptr;
        throw std::runtime_error("cannot open " + file.string() + ": " + message);
    }
    if (!password.empty() && sqlite3_key(db_, password.data(), static_cast<int>(password.size())) != SQLITE_OK) {
        const std::string message = sqlite3_errmsg(db_);
        sqlite3_close(db_);
        db_ = nullptr;
        throw std::runtime_error("cannot key " + file.string() + ": " + message);
    }
}

Database::~Database() {
    if (db_ != nullptr) sqlite3_close_v2(db_);
}

void Database::fail(const std::string& what) const {
    throw std::runtime_error(what + ": " + (db_ != nullptr ? sqlite3_errmsg(db_) : "not open"));
}

void Database::exec(const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = error != nullptr ? error : sqlite3_errmsg(db_);
        sqlite3_free(error);
        throw std::runtime_error(message);
    }
}

Statement Database::prepare(const std::string& sql) {
    return Statement(*this, sql);
}

void Database::close() {
    if (db_ == nullptr) return;
    if (sqlite3_close(db_) != SQLITE_OK) {
        const std::string message = sqlite3_errmsg(db_);
        sqlite3_close_v2(db_);
        db_ = nullptr;
        throw std::runtime_error("cannot close the catalogue: " + message);
    }
    db_ = nullptr;
}

Statement::Statement(Database& db, const std::string& sql) : db_(&db) {
    if (sqlite3_prepare_v2(db.handle(), sql.c_str(), static_cast<int>(sql.size()), &stmt_, nullptr) != SQLITE_OK)
        db.fail("cannot prepare \"" + sql + "\"");
}

Statement::~Statement() {
    sqlite3_finalize(stmt_);
}

Statement::Statement(Statement&& other) noexcept : db_(other.db_), stmt_(std::exchange(other.stmt_, nullptr)) {}

void Statement::bind(int index, const Cell& cell) {
    int rc = SQLITE_OK;
    if (std::holds_alternative<std::monostate>(cell)) {
        rc = sqlite3_bind_null(stmt_, index);
    } else if (const auto* i = std::get_if<std::int64_t>(&cell)) {
        rc = sqlite3_bind_int64(stmt_, index, *i);
    } else if (const auto* d = std::get_if<double>(&cell)) {
        // SQLite stores NaN as Null, which would silently change the value.
        if (std::isnan(*d)) throw std::runtime_error("NaN cannot be stored");
        rc = sqlite3_bind_double(stmt_, index, *d);
    } else {
        bind_text(index, std::get<std::string>(cell));
        return;
    }
    if (rc != SQLITE_OK) db_->fail("cannot bind a value");
}

void Statement::bind_int(int index, std::int64_t value) {
    if (sqlite3_bind_int64(stmt_, index, value) != SQLITE_OK) db_->fail("cannot bind a value");
}

void Statement::bind_text(int index, std::string_view text) {
    if (sqlite3_bind_text64(stmt_, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8) != SQLITE_OK)
        db_->fail("cannot bind a value");
}

bool Statement::step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    db_->fail("statement failed");
}

void Statement::run() {
    const int rc = sqlite3_step(stmt_);
    sqlite3_reset(stmt_);
    if (rc != SQLITE_DONE && rc != SQLITE_ROW) db_->fail("statement failed");
}

int Statement::column_count() const {
    return sqlite3_column_count(stmt_);
}

std::string Statement::column_name(int index) const {
    const char* name = sqlite3_column_name(stmt_, index);
    return name != nullptr ? name : "";
}

Cell Statement::column(int index) const {
    switch (sqlite3_column_type(stmt_, index)) {
    case SQLITE_NULL:
        return std::monostate{};
    case SQLITE_INTEGER:
        return static_cast<std::int64_t>(sqlite3_column_int64(stmt_, index));
    case SQLITE_FLOAT:
        return sqlite3_column_double(stmt_, index);
    case SQLITE_TEXT: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, index));
        const int size = sqlite3_column_bytes(stmt_, index);
        return text != nullptr ? std::string(text, static_cast<std::size_t>(size)) : std::string();
    }
    default:
        throw std::runtime_error("column " + column_name(index) + " holds a binary value");
    }
}

}  // namespace qinghe::catalogue_files::detail
