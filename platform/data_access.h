#pragma once

#include "platform/base/error.h"
#include "platform/base/value.h"

#include <memory>
#include <string>

namespace qinghe::platform {

// Open arguments, with the numeric values of the data-access library.
enum class CursorType : int { forward_only = 0, keyset = 1, dynamic = 2, static_cursor = 3 };
enum class LockType : int { read_only = 1, pessimistic = 2, optimistic = 3, batch_optimistic = 4 };
inline constexpr int adCmdUnspecified = -1;
inline constexpr int adConnectUnspecified = -1;

// The result of one statement, positioned on its first row after opening.
// Every failing call throws PlatformError.
class Recordset {
public:
    virtual ~Recordset() = default;
    virtual bool eof() const = 0;
    virtual void move_next() = 0;
    // Column of the current row by name (case-insensitive). Fails past the
    // last row, on an unknown column and on a closed recordset.
    virtual Value field(const std::string& name) const = 0;
    // Exact number of rows in the whole result.
    virtual long record_count() const = 0;
    virtual void set_page_size(long rows) = 0;
    virtual long page_size() const = 0;
    // Positions on the first row of a page (from 1); a page beyond the last,
    // or below 1, fails.
    virtual void set_absolute_page(long page) = 0;
    // Number of page_size() pages in the whole result, the last one short.
    virtual long page_count() const = 0;
    virtual void close() = 0;
};

// The catalogue connection.
class Connection {
public:
    virtual ~Connection() = default;
    // Fails, leaving the connection closed, when the file is missing, the
    // password is wrong or the file is no catalogue. Never creates or
    // changes a file.
    virtual void open(const std::string& connection_string, const std::string& user_name, const std::string& password,
                      int options) = 0;
    // Fails when the connection is not open.
    virtual void close() = 0;
    virtual bool is_open() const = 0;
    // Runs a statement. Fails when the connection is closed or the statement
    // is rejected.
    virtual std::unique_ptr<Recordset> open_recordset(const std::string& source, CursorType cursor, LockType lock,
                                                      int options) = 0;
    // Safe from any thread: the statement running on the connection stops
    // and its call fails, and so does every one after it until resume().
    virtual void interrupt() noexcept = 0;
    virtual void resume() noexcept = 0;
    // The state of the file the connection reads, for telling whether what
    // was derived from it is still current: the same text, from any
    // connection, means the same file, unchanged (every writer changes the
    // size or modification time of the file or of its write-ahead log).
    // Empty when the connection is not open, when the file at its path is
    // no longer the one it has open (gone or replaced), or when that cannot
    // be told.
    virtual std::string file_version() const { return {}; }
    // Whether the catalogue's rows are still being read in, so that a
    // statement on them would wait; answered at once. False once they are
    // in, and when reading them failed (statements then fail instead).
    virtual bool catalogue_loading() const { return false; }
};

// The recordset a handler holds, failing like any platform call when the
// query never opened (the handler goes on without it).
inline Recordset& opened(const std::unique_ptr<Recordset>& recordset) {
    if (!recordset) throw PlatformError("recordset not open");
    return *recordset;
}

}  // namespace qinghe::platform
