#pragma once

#include "platform/data_access.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

namespace qinghe::platform::sqlcipher {

struct Interruption;
struct Session;

inline constexpr std::chrono::milliseconds default_statement_limit{30000};

// The catalogue connection over an SQLCipher file.
//
// The connection string is an OLE DB string naming the Jet provider; its
// Data Source is the catalogue file (written with "\" separators after the
// program's directory, which is taken as it is) and its
// "Jet OLEDB:Database Password" the key the file is encrypted with. The file
// is opened read-only and never created or changed; a missing, empty,
// foreign or wrongly keyed file fails to open.
//
// Recordsets read through a keyset-like cursor: rows are stepped lazily, the
// row count is computed only when asked for, and page positioning re-runs the
// statement from the page's first row. Closing the connection closes the
// recordsets still open on it.
//
// No call runs a statement for longer than the statement limit: past it the
// statement stops and the call fails like any failed statement. interrupt()
// stops the same way, from any thread, whatever runs on the connection.
class SqlcipherConnection final : public Connection {
public:
    // program_directory: the executable's directory as the system writes it
    // into the data source; empty when the source names no such directory.
    // order_unindexed_listing: on a file without an index for the category
    // listing, order the listing in memory when opening (see
    // listing_order.h); a connection that only searches does without.
    // catalogue_file: when not empty, the file opened wherever the data
    // source names tavik.dll in the program's directory (the program's
    // --catalogue); a failure to open it names it.
    explicit SqlcipherConnection(std::string program_directory = {},
                                 std::chrono::milliseconds statement_limit = default_statement_limit,
                                 bool order_unindexed_listing = true, std::string catalogue_file = {});
    ~SqlcipherConnection() override;
    SqlcipherConnection(const SqlcipherConnection&) = delete;
    SqlcipherConnection& operator=(const SqlcipherConnection&) = delete;

    // The user name, password and options arguments play no part: the
    // catalogue's only protection is the database password in the string.
    void open(const std::string& connection_string, const std::string& user_name, const std::string& password,
              int options) override;
    void close() override;
    bool is_open() const override;
    // Cursor type, lock type and options play no part either: every
    // recordset is read-only with exact counts and paging.
    std::unique_ptr<Recordset> open_recordset(const std::string& source, CursorType cursor, LockType lock,
                                              int options) override;
    void interrupt() noexcept override;
    void resume() noexcept override;
    std::string file_version() const override;
    bool catalogue_loading() const override;

private:
    void open_file(std::string path, const std::string* key);

    std::string program_directory_;
    std::string catalogue_file_;
    std::shared_ptr<Interruption> interruption_;
    bool order_unindexed_listing_;
    std::shared_ptr<Session> session_;
    // The file as opened: its path and which file it was.
    std::string path_;
    std::uint64_t device_ = 0;
    std::uint64_t inode_ = 0;
};

}  // namespace qinghe::platform::sqlcipher
