#pragma once

// Small RAII layer over the SQLCipher C API, used only inside the catalogue
// file code. Every failure throws std::runtime_error with SQLite's message.

#include "tools/catalogue_files/catalogue_data.h"

#include <filesystem>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

namespace qinghe::catalogue_files::detail {

class Statement;

class Database {
public:
    enum class Mode { read_only, read_write_create };

    // Opens the file and applies the key. Opening alone does not prove the
    // key is right; the first statement that reads the schema does.
    Database(const std::filesystem::path& file, Mode mode, const std::string& password);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    void exec(const std::string& sql);
    Statement prepare(const std::string& sql);
    // Closes the connection, reporting a failure to do so.
    void close();

    sqlite3* handle() { return db_; }
    [[noreturn]] void fail(const std::string& what) const;

private:
    sqlite3* db_ = nullptr;
};

class Statement {
public:
    Statement(Database& db, const std::string& sql);
    ~Statement();
    Statement(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    Statement& operator=(Statement&&) = delete;

    void bind(int index, const Cell& cell);  // index from 1
    void bind_int(int index, std::int64_t value);
    void bind_text(int index, std::string_view text);
    // Steps once; true while a row is available.
    bool step();
    // Runs an insert (or any statement without rows) and resets it for reuse.
    void run();

    int column_count() const;
    std::string column_name(int index) const;
    // The value of a column of the current row; a binary value is refused
    // because catalogues hold none and a cell cannot represent one.
    Cell column(int index) const;

private:
    Database* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

}  // namespace qinghe::catalogue_files::detail
