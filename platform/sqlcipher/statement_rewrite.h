#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qinghe::platform::sqlcipher {

// One statement as the system writes it, made ready for SQLite.
//
// The system's statements use one construct SQLite lacks, a leading
// "select top N ...". It is taken out of the text and kept as the row
// limit, so the statement runs as "select ... limit N" and page positioning
// and counting can put their own limit and offset on the same body.
struct SqlStatement {
    // The statement without the top clause, without leading and trailing
    // blanks, comments and ";".
    std::string body;
    // N of a leading "select top N" (any case, any blanks between the words).
    std::optional<std::int64_t> top;
};

// The single statement in a source text. nullopt when the text holds no
// statement, or more than one (anything but blanks, comments and ";" after
// the first ";"). Any text is accepted; nothing here throws but bad_alloc.
std::optional<SqlStatement> rewrite_statement(std::string_view source);

// The text SQLite runs for the whole result: the body, limited to N rows for
// a top clause.
std::string run_sql(const SqlStatement& statement);

// The text for the rows from offset on (offset >= 0): the body with
// "limit -1 offset K", or for a top clause "limit N-K offset K", so a page of
// a large result is reached without stepping through the rows before it.
std::string page_sql(const SqlStatement& statement, std::int64_t offset);

// The text counting the rows of the whole result. A final ORDER BY clause of
// the body is left out, since it changes no count and would keep SQLite from
// counting straight from an index.
std::string count_sql(const SqlStatement& statement);

}  // namespace qinghe::platform::sqlcipher
