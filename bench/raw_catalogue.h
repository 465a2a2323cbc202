#pragma once

#include <QString>

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

// The baselines' direct route to a catalogue: the SQLCipher C API with
// nothing in between, the cheapest way the same rows can be read.
namespace qinghe::bench {

class RawCatalogue {
public:
    // Opens the file read-only and gives the catalogue key. Throws
    // std::runtime_error.
    explicit RawCatalogue(const std::filesystem::path& file);
    ~RawCatalogue();
    RawCatalogue(const RawCatalogue&) = delete;
    RawCatalogue& operator=(const RawCatalogue&) = delete;

    sqlite3* handle() const { return db_; }

private:
    sqlite3* db_ = nullptr;
};

// One prepared statement, stepped row by row.
class RawQuery {
public:
    RawQuery(const RawCatalogue& catalogue, const std::string& sql);
    ~RawQuery();
    RawQuery(const RawQuery&) = delete;
    RawQuery& operator=(const RawQuery&) = delete;

    // Moves to the next row; false at the end. Throws on a failed step.
    bool step();
    std::int64_t integer(int column) const;
    std::string_view text(int column) const;
    QString qtext(int column) const;
    // The column's index by name; throws when there is none.
    int column(std::string_view name) const;

private:
    sqlite3* db_;
    sqlite3_stmt* statement_ = nullptr;
};

// A "select top N ..." statement as SQLite takes it: "select ... limit N".
std::string with_limit_for_top(const std::string& statement);

}  // namespace qinghe::bench
