#pragma once

// The one RAII layer over the SQLCipher C API, used by the catalogue
// connection and by qinghe-catalogue. Every failure throws PlatformError:
// the words the caller gives for what failed, then SQLite's own message.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace qinghe::platform::sqlcipher {

class Statement;

struct CloseDatabase {
    void operator()(sqlite3* db) const noexcept;
};
struct FinalizeStatement {
    void operator()(sqlite3_stmt* statement) const noexcept;
};

// Why a file fails its first read, in the words a person reads.
inline constexpr std::string_view not_a_catalogue = "wrong password, or the file is not a catalogue";

// Rows of a statement with every value as text, Null as "".
using TextRows = std::vector<std::vector<std::string>>;

class Database {
public:
    enum class Access { read_only, read_write_create };

    Database() = default;  // no file open
    // Opens the file; a connection is used by one thread at a time.
    Database(const std::string& path, Access access);
    // Opens the in-memory database of that name that every connection in the
    // process opening the same name shares; it lives while one of them is
    // open. Statements on different connections run in parallel.
    static Database shared_memory(const std::string& name, Access access);

    // Gives the key the file is encrypted with; an empty key gives none.
    // Keying alone does not prove the key: the first read does (table_count).
    void key(std::string_view key);
    // Runs statements that return no rows.
    void exec(const std::string& sql, std::string_view failing = {});
    // Prepares exactly one statement: text after it other than blanks fails.
    Statement prepare(const std::string& sql);
    // The rows of one statement as text, or nullopt when it fails.
    std::optional<TextRows> text_rows(const std::string& sql);
    // The number of tables: the first read of the schema, where a wrong key
    // or a file that is no database shows as "wrong password, or the file is
    // not a catalogue".
    std::int64_t table_count();
    // Closes the file, reporting a failure to; the destructor closes silently.
    void close();

    explicit operator bool() const { return db_ != nullptr; }
    sqlite3* handle() const { return db_.get(); }
    // Throws "<what>: <SQLite's message for the last failure>", or the
    // message alone when what is empty.
    [[noreturn]] void fail(std::string_view what) const;

private:
    Database(const std::string& path, int flags, std::string_view failing);

    std::unique_ptr<sqlite3, CloseDatabase> db_;
};

// A prepared statement; empty once moved from or default-made.
class Statement {
public:
    // The storage class of a column's value in the current row, numbered as
    // SQLite numbers them.
    enum class Type : std::uint8_t { integer = 1, real, text, blob, null };
    // Whether bound text or bytes are copied, or kept unchanged by the caller
    // until the parameter is bound again or the statement is finalized.
    enum class Bytes { copied, kept };

    Statement() = default;

    explicit operator bool() const { return stmt_ != nullptr; }

    // Parameters count from 1.
    void bind_null(int index);
    void bind_integer(int index, std::int64_t value);
    // NaN is refused: SQLite would store it as Null.
    void bind_real(int index, double value);
    void bind_text(int index, std::string_view text, Bytes bytes = Bytes::copied);
    void bind_blob(int index, std::string_view blob, Bytes bytes = Bytes::copied);

    // Steps once: true while a row is there, false at the end.
    bool step(std::string_view failing = "statement failed");
    // Runs a statement without rows and rewinds it for the next binding.
    void run();
    void rewind();

    int column_count() const;
    std::string column_name(int column) const;
    bool read_only() const;
    // Columns of the current row, counted from 0. A text or bytes view lives
    // until the next step; out of memory fails rather than reading as "".
    Type type(int column) const;
    std::int64_t integer(int column) const;
    double real(int column) const;
    std::string_view text(int column) const;
    std::string_view blob(int column) const;

private:
    friend class Database;
    explicit Statement(sqlite3_stmt* statement) : stmt_(statement) {}
    [[noreturn]] void fail(std::string_view what) const;

    std::unique_ptr<sqlite3_stmt, FinalizeStatement> stmt_;
};

}  // namespace qinghe::platform::sqlcipher
