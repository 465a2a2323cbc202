#pragma once

// Reading the tables of a Jet 3/4 file with libmdb. libmdb trusts the pages
// it reads, so a damaged file can make it read out of bounds or crash:
// read_tables runs it in this process (the Jet reader program's),
// read_tables_isolated in that program, whose failure is only a failed read.

#include <chrono>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include <sys/types.h>

namespace qinghe::jet {

// One stored value: Null, a whole number, a real number or a text (UTF-8).
// Dates read as "YYYY-MM-DD HH:MM:SS" text.
using JetCell = std::variant<std::monostate, std::int64_t, double, std::string>;

// Where the rows go: each table's columns first, then its rows in the order
// the file holds them. A throw from here ends the read.
class TableSink {
public:
    virtual ~TableSink() = default;
    virtual void begin_table(const std::string& name, const std::vector<std::string>& columns) = 0;
    virtual void add_row(std::vector<JetCell>& cells) = 0;
};

// The longest value read; a longer one fails the read rather than being cut.
inline constexpr std::size_t max_value_bytes = 1 << 20;

// Reads the user tables named (any ASCII case) that the file holds, in the
// order named, with every column. Throws PlatformError when the file cannot
// be read.
// libmdb reads the file's pages as it needs them.
void read_tables(const std::string& path, std::span<const std::string_view> tables, TableSink& sink);

// The same for the file open (for reading) at fd, in the Jet reader program
// (reader_program.h) started for this read. The reader's own failure, its
// death, what it sends that does not decode and the time limit all fail the
// read here; so does a reader that cannot be started, a file whose start
// differs from first_page (the bytes the caller checked) or one that changes
// while it is read. The time limit is time_limit or, when shorter,
// read_time_limit of the file's size. should_stop, asked while waiting for the
// reader, ends the read early.
void read_tables_isolated(int fd, std::span<const unsigned char> first_page, std::span<const std::string_view> tables,
                          TableSink& sink, std::chrono::milliseconds time_limit,
                          const std::function<bool()>& should_stop = {});

// How long reading a file of this many bytes may take before it is given up
// as stuck: 10 s, plus 100 ms per MB.
std::chrono::milliseconds read_time_limit(off_t bytes);

}  // namespace qinghe::jet
