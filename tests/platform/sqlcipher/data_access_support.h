#pragma once

// Catalogue files for the data-access tests, and a snapshot of a directory
// that shows whether opening or reading a file changed anything in it.

#include "catalogue/statements.h"
#include "platform/sqlcipher/sqlcipher_connection.h"
#include "support/temp_dir.h"
#include "tools/catalogue_files/catalogue_builder.h"
#include "tools/catalogue_files/catalogue_data.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace qinghe::test {

namespace cf = catalogue_files;
using platform::CursorType;
using platform::LockType;
using platform::Recordset;
using platform::sqlcipher::SqlcipherConnection;

// Table n with one column v holding 1..count.
inline void write_numbers(const std::filesystem::path& file, int count,
                          const std::string& password = catalogue::database_password) {
    cf::CatalogueData data;
    cf::Table& table = data.tables["n"];
    table.columns = {"v"};
    for (int i = 1; i <= count; ++i) table.rows.push_back({std::int64_t{i}});
    cf::write_catalogue(file, data, password);
}

// The connection string the program builds for a catalogue in `dir`.
inline std::string catalogue_string(const std::filesystem::path& dir) {
    return catalogue::connection_string(dir.string());
}

inline std::unique_ptr<Recordset> run(platform::Connection& connection, const std::string& sql) {
    return connection.open_recordset(sql, CursorType::keyset, LockType::read_only, platform::adCmdUnspecified);
}

// Every value of one column, from the current row to the end.
inline std::vector<std::string> rest_of_column(Recordset& rs, const std::string& column) {
    std::vector<std::string> values;
    while (!rs.eof()) {
        values.push_back(rs.field(column).text());
        rs.move_next();
    }
    return values;
}

inline std::vector<std::string> numbers(int from, int to) {
    std::vector<std::string> values;
    for (int i = from; i <= to; ++i) values.push_back(std::to_string(i));
    return values;
}

// Names, contents and modification times of the files in a directory.
struct DirSnapshot {
    struct Entry {
        std::string bytes;
        std::filesystem::file_time_type mtime;
        bool operator==(const Entry&) const = default;
    };
    std::map<std::string, Entry> files;
    bool operator==(const DirSnapshot&) const = default;

    static DirSnapshot of(const std::filesystem::path& dir) {
        DirSnapshot snapshot;
        for (const auto& entry : std::filesystem::directory_iterator(dir)) {
            std::string bytes = "<directory>";
            if (entry.is_regular_file()) {
                std::ifstream in(entry.path(), std::ios::binary);
                bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            }
            snapshot.files[entry.path().filename().string()] = {bytes, entry.last_write_time()};
        }
        return snapshot;
    }
};

inline void PrintTo(const DirSnapshot& snapshot, std::ostream* os) {
    for (const auto& [name, entry] : snapshot.files) *os << name << " (" << entry.bytes.size() << " bytes) ";
}

}  // namespace qinghe::test
