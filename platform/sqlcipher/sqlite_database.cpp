#include "platform/sqlcipher/sqlite_database.h"

#include "platform/base/error.h"
#include "platform/base/text.h"

// SQLCipher declares sqlite3_key only for codec builds.
#define SQLITE_HAS_CODEC 1
#include <sqlite3.h>

#include <algorithm>
#include <climits>
#include <cmath>

namespace qinghe::platform::sqlcipher {

namespace {

[[noreturn]] void fail_on(sqlite3* db, std::string_view what) {
    const std::string message = db != nullptr ? sqlite3_errmsg(db) : "out of memory";
    throw PlatformError(what.empty() ? message : std::string(what) + ": " + message);
}

}  // namespace

void CloseDatabase::operator()(sqlite3* db) const noexcept {
    sqlite3_close_v2(db);
}

void FinalizeStatement::operator()(sqlite3_stmt* statement) const noexcept {
    sqlite3_finalize(statement);
}

namespace {

int open_flags(Database::Access access) {
    return access == Database::Access::read_only ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
}

}  // namespace

Database::Database(const std::string& path, int flags, std::string_view failing) {
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
    db_.reset(raw);
    if (rc != SQLITE_OK) fail(failing);
}

Database::Database(const std::string& path, Access access)
    : Database(path, SQLITE_OPEN_NOMUTEX | open_flags(access),
               access == Access::read_only ? "the file cannot be read" : "the file cannot be written") {}

Database Database::shared_memory(const std::string& name, Access access) {
    return Database("file:" + name + "?mode=memory&cache=shared",
                    SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_URI | SQLITE_OPEN_SHAREDCACHE | open_flags(access),
                    "cannot open the catalogue in memory");
}

void Database::fail(std::string_view what) const {
    fail_on(db_.get(), what);
}

void Database::key(std::string_view key) {
    if (key.empty()) return;
    if (key.size() > static_cast<std::size_t>(INT_MAX)) throw PlatformError("database password too long");
    if (sqlite3_key(db_.get(), key.data(), static_cast<int>(key.size())) != SQLITE_OK) fail("cannot key the catalogue");
}

void Database::exec(const std::string& sql, std::string_view failing) {
    if (sqlite3_exec(db_.get(), sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) fail(failing);
}

Statement Database::prepare(const std::string& sql) {
    if (sql.size() >= static_cast<std::size_t>(INT_MAX)) throw PlatformError("statement too long");
    sqlite3_stmt* raw = nullptr;
    const char* tail = nullptr;
    // The length counts the terminating NUL, which spares the engine a copy.
    const int rc = sqlite3_prepare_v2(db_.get(), sql.c_str(), static_cast<int>(sql.size()) + 1, &raw, &tail);
    Statement statement(raw);
    if (rc != SQLITE_OK) fail("statement rejected");
    if (!statement) throw PlatformError("empty statement");
    const std::string_view rest = tail != nullptr ? tail : "";
    if (!std::all_of(rest.begin(), rest.end(), is_blank)) throw PlatformError("more than one statement");
    return statement;
}

std::optional<TextRows> Database::text_rows(const std::string& sql) {
    try {
        Statement statement = prepare(sql);
        TextRows rows;
        while (statement.step()) {
            std::vector<std::string>& row = rows.emplace_back();
            for (int i = 0; i < statement.column_count(); ++i) row.emplace_back(statement.text(i));
        }
        return rows;
    } catch (const PlatformError&) {
        return std::nullopt;
    }
}

std::int64_t Database::table_count() {
    Statement count;
    try {
        count = prepare("select count(*) from sqlite_master where type='table'");
        if (count.step()) return count.integer(0);
    } catch (const PlatformError&) {
        // Told apart below, while the failed statement still holds the reason.
    }
    // A wrong key reads as "file is not a database"; any other reason (a
    // damaged file, say) is added to the words.
    if (sqlite3_errcode(db_.get()) == SQLITE_NOTADB) throw PlatformError(std::string(not_a_catalogue));
    throw PlatformError(std::string(not_a_catalogue) + " (" + sqlite3_errmsg(db_.get()) + ")");
}

void Database::close() {
    if (!db_) return;
    if (sqlite3_close(db_.get()) != SQLITE_OK) {
        const std::string message = sqlite3_errmsg(db_.get());
        db_.reset();
        throw PlatformError("cannot close the catalogue: " + message);
    }
    db_.release();
}

void Statement::fail(std::string_view what) const {
    fail_on(sqlite3_db_handle(stmt_.get()), what);
}

void Statement::bind_null(int index) {
    if (sqlite3_bind_null(stmt_.get(), index) != SQLITE_OK) fail("cannot bind a value");
}

void Statement::bind_integer(int index, std::int64_t value) {
    if (sqlite3_bind_int64(stmt_.get(), index, value) != SQLITE_OK) fail("cannot bind a value");
}

void Statement::bind_real(int index, double value) {
    if (std::isnan(value)) throw PlatformError("NaN cannot be stored");
    if (sqlite3_bind_double(stmt_.get(), index, value) != SQLITE_OK) fail("cannot bind a value");
}

void Statement::bind_text(int index, std::string_view text, Bytes bytes) {
    const auto lifetime = bytes == Bytes::kept ? SQLITE_STATIC : SQLITE_TRANSIENT;
    if (sqlite3_bind_text64(stmt_.get(), index, text.data(), text.size(), lifetime, SQLITE_UTF8) != SQLITE_OK)
        fail("cannot bind a value");
}

void Statement::bind_blob(int index, std::string_view blob, Bytes bytes) {
    const auto lifetime = bytes == Bytes::kept ? SQLITE_STATIC : SQLITE_TRANSIENT;
    if (sqlite3_bind_blob64(stmt_.get(), index, blob.data(), blob.size(), lifetime) != SQLITE_OK)
        fail("cannot bind a value");
}

bool Statement::step(std::string_view failing) {
    const int rc = sqlite3_step(stmt_.get());
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    fail(failing);
}

void Statement::run() {
    const int rc = sqlite3_step(stmt_.get());
    sqlite3_reset(stmt_.get());
    if (rc != SQLITE_DONE && rc != SQLITE_ROW) fail("statement failed");
}

void Statement::rewind() {
    sqlite3_reset(stmt_.get());
}

int Statement::column_count() const {
    return sqlite3_column_count(stmt_.get());
}

std::string Statement::column_name(int column) const {
    const char* name = sqlite3_column_name(stmt_.get(), column);
    if (name == nullptr) fail("reading the column names");
    return name;
}

bool Statement::read_only() const {
    return sqlite3_stmt_readonly(stmt_.get()) != 0;
}

Statement::Type Statement::type(int column) const {
    static_assert(SQLITE_INTEGER == 1 && SQLITE_FLOAT == 2 && SQLITE_TEXT == 3 && SQLITE_BLOB == 4 && SQLITE_NULL == 5);
    return static_cast<Type>(sqlite3_column_type(stmt_.get(), column));
}

std::int64_t Statement::integer(int column) const {
    return sqlite3_column_int64(stmt_.get(), column);
}

double Statement::real(int column) const {
    return sqlite3_column_double(stmt_.get(), column);
}

std::string_view Statement::text(int column) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_.get(), column));
    const int bytes = sqlite3_column_bytes(stmt_.get(), column);
    if (text == nullptr) {
        if (sqlite3_errcode(sqlite3_db_handle(stmt_.get())) == SQLITE_NOMEM) fail("reading a text value");
        return {};
    }
    return {text, static_cast<std::size_t>(bytes)};
}

std::string_view Statement::blob(int column) const {
    const void* blob = sqlite3_column_blob(stmt_.get(), column);
    const int bytes = sqlite3_column_bytes(stmt_.get(), column);
    if (blob == nullptr) {
        if (bytes > 0 || sqlite3_errcode(sqlite3_db_handle(stmt_.get())) == SQLITE_NOMEM)
            fail("reading a binary value");
        return {};
    }
    return {static_cast<const char*>(blob), static_cast<std::size_t>(bytes)};
}

}  // namespace qinghe::platform::sqlcipher
