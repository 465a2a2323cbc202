#include "platform/sqlcipher/sqlcipher_connection.h"

#include "platform/base/text.h"

#include "platform/base/error.h"
#include "platform/base/native_path.h"
#include "platform/sqlcipher/connection_string.h"
#include "platform/sqlcipher/like_match.h"
#include "platform/sqlcipher/listing_order.h"
#include "platform/sqlcipher/statement_rewrite.h"
#include "platform/base/text.h"

// SQLCipher declares sqlite3_key only for codec builds.
#define SQLITE_HAS_CODEC 1
#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <deque>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>
#include <system_error>
#include <unordered_map>
#include <utility>
#include <vector>

#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

namespace qinghe::platform::sqlcipher {

class SqlcipherRecordset;

// What stops a statement while it runs: a request from any thread, or the
// time limit of the call that runs it. The engine asks between its steps,
// and the LIKE comparison asks while it compares.
struct Interruption {
    using Clock = std::chrono::steady_clock;
    explicit Interruption(std::chrono::milliseconds statement_limit) : limit(statement_limit) {}

    // Starts the time limit of one call; only the thread using the
    // connection calls this. An interrupted connection fails every call.
    void arm() {
        if (requested.load(std::memory_order_relaxed)) throw PlatformError("interrupted");
        deadline = Clock::now() + limit;
    }
    bool due() const { return requested.load(std::memory_order_relaxed) || Clock::now() >= deadline; }

    const std::chrono::milliseconds limit;
    std::atomic<bool> requested{false};
    Clock::time_point deadline = Clock::time_point::max();
};

// What a connection shares with its recordsets: the database handle, the
// recordsets still open on it, which the connection closes when it closes,
// and the row counts already taken.
//
// Counting a large result walks all of it, and the same statement is counted
// again on every page turn of a category. A count is kept, by the counting
// statement's text, for as long as the file's data version is unchanged:
// the connection itself never writes, and the version moves whenever another
// connection commits to the file.
struct Session {
    sqlite3* db = nullptr;
    std::shared_ptr<Interruption> interruption;
    std::vector<SqlcipherRecordset*> recordsets;
    // "PRAGMA data_version"; null when it could not be prepared, and then
    // nothing is kept. The read-only authorizer lets this one pragma through
    // only while the connection itself prepares or runs it.
    sqlite3_stmt* data_version = nullptr;
    bool reading_version = false;
    std::optional<std::int64_t> counted_version;
    std::unordered_map<std::string, std::int64_t> counts;
};

namespace {

constexpr const char* jet_provider = "Microsoft.Jet.OLEDB.4.0";
constexpr long default_page_size = 10;
// More distinct counted statements than this start the kept counts afresh.
constexpr std::size_t max_kept_counts = 4096;

struct StatementFinalizer {
    void operator()(sqlite3_stmt* statement) const noexcept { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

[[noreturn]] void fail(const std::string& what) {
    throw PlatformError(what);
}

[[noreturn]] void fail(sqlite3* db, const std::string& what) {
    throw PlatformError(what + ": " + (db ? sqlite3_errmsg(db) : "out of memory"));
}

// Why a catalogue file fails to open, in the words a person reads in the
// program's warning.
constexpr const char* not_a_catalogue = "wrong password, or the file is not a catalogue";

// A wrong key reads as "file is not a database"; any other reason (a damaged
// file, say) is added to the words.
[[noreturn]] void fail_not_a_catalogue(sqlite3* db) {
    if (sqlite3_errcode(db) == SQLITE_NOTADB) fail(not_a_catalogue);
    fail(std::string(not_a_catalogue) + " (" + sqlite3_errmsg(db) + ")");
}

// Fails unless path names a regular file this process may read. Checked
// before the engine opens it, which reports every such case alike.
void require_readable_file(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (status.type() == fs::file_type::not_found) fail("the file does not exist");
    if (ec) fail("the file cannot be read: " + ec.message());
    if (status.type() == fs::file_type::directory) fail("the file cannot be read: it is a directory");
    if (status.type() != fs::file_type::regular) fail("the file cannot be read: it is not a regular file");
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) fail("the file cannot be read: " + std::generic_category().message(errno));
    ::close(descriptor);
}

bool blank_tail(const char* tail) {
    for (; *tail; ++tail)
        if (!(*tail == ' ' || *tail == '\t' || *tail == '\n' || *tail == '\r' || *tail == '\f' || *tail == '\v'))
            return false;
    return true;
}

Statement prepare(sqlite3* db, const std::string& sql) {
    sqlite3_stmt* raw = nullptr;
    const char* tail = nullptr;
    if (sql.size() >= static_cast<std::size_t>(INT_MAX)) fail("statement too long");
    const int rc = sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()) + 1, &raw, &tail);
    Statement statement(raw);
    if (rc != SQLITE_OK) fail(db, "statement rejected");
    if (!statement) fail("empty statement");
    if (tail && !blank_tail(tail)) fail("more than one statement");
    return statement;
}

Value column_value(sqlite3* db, sqlite3_stmt* statement, int column) {
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_INTEGER:
        return Value::of_integer(sqlite3_column_int64(statement, column));
    case SQLITE_FLOAT:
        return Value::of_real(sqlite3_column_double(statement, column));
    case SQLITE_TEXT: {
        const auto* text = sqlite3_column_text(statement, column);
        const int bytes = sqlite3_column_bytes(statement, column);
        if (!text) {
            if (sqlite3_errcode(db) == SQLITE_NOMEM) fail(db, "reading a text value");
            return Value::of_text({});
        }
        return Value::of_text(std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(bytes)));
    }
    case SQLITE_BLOB: {
        const void* blob = sqlite3_column_blob(statement, column);
        const int bytes = sqlite3_column_bytes(statement, column);
        if (!blob) {
            if (bytes > 0 || sqlite3_errcode(db) == SQLITE_NOMEM) fail(db, "reading a binary value");
            return Value::of_text({});
        }
        return Value::of_text(std::string(static_cast<const char*>(blob), static_cast<std::size_t>(bytes)));
    }
    default:
        return Value();
    }
}

// Statements run through a recordset may only read. SQLCipher carries out
// its key and cipher pragmas while a statement is being prepared, so a
// rejected "pragma key=..." would still have rekeyed the open connection:
// everything but reading is refused before it is compiled.
int read_only_authorizer(void* data, int action, const char* name, const char* value, const char*, const char*) {
    switch (action) {
    case SQLITE_SELECT:
    case SQLITE_READ:
    case SQLITE_FUNCTION:
    case SQLITE_RECURSIVE:
        return SQLITE_OK;
    case SQLITE_PRAGMA: {
        const auto* session = static_cast<const Session*>(data);
        const bool own_version_read = session != nullptr && session->reading_version && name != nullptr &&
                                      value == nullptr && equals_ignoring_case(name, "data_version");
        return own_version_read ? SQLITE_OK : SQLITE_DENY;
    }
    default:
        return SQLITE_DENY;
    }
}

// Instructions the engine runs between two questions whether to stop.
constexpr int progress_interval = 1000;

int stop_when_due(void* interruption) {
    return static_cast<const Interruption*>(interruption)->due() ? 1 : 0;
}

// "x like y" and "x like y escape z": the engine's comparison, made to stop
// when the statement is interrupted or runs past its time limit.
void like_function(sqlite3_context* context, int argc, sqlite3_value** argv) {
    const auto* interruption = static_cast<const Interruption*>(sqlite3_user_data(context));
    sqlite3* db = sqlite3_context_db_handle(context);
    if (sqlite3_value_bytes(argv[0]) > sqlite3_limit(db, SQLITE_LIMIT_LIKE_PATTERN_LENGTH, -1)) {
        sqlite3_result_error(context, "LIKE or GLOB pattern too complex", -1);
        return;
    }
    std::uint32_t escape = 0;
    if (argc == 3) {
        const unsigned char* text = sqlite3_value_text(argv[2]);
        if (text == nullptr) return;
        const unsigned char* after = text;
        escape = read_utf8(after);
        if (escape == 0 || *after != 0) {
            sqlite3_result_error(context, "ESCAPE expression must be a single character", -1);
            return;
        }
    }
    const unsigned char* pattern = sqlite3_value_text(argv[0]);
    const unsigned char* text = sqlite3_value_text(argv[1]);
    if (pattern == nullptr || text == nullptr) return;  // Null
    const std::function<bool()> should_stop = [interruption] { return interruption->due(); };
    switch (like_match(pattern, text, escape, should_stop)) {
    case LikeResult::match:
        sqlite3_result_int(context, 1);
        break;
    case LikeResult::no_match:
        sqlite3_result_int(context, 0);
        break;
    case LikeResult::stopped:
        sqlite3_result_error_code(context, SQLITE_INTERRUPT);
        break;
    }
}

bool install_like(sqlite3* db, Interruption* interruption) {
    for (const int args : {2, 3})
        if (sqlite3_create_function(db, "like", args, SQLITE_UTF8 | SQLITE_DETERMINISTIC, interruption, like_function,
                                    nullptr, nullptr) != SQLITE_OK)
            return false;
    return true;
}

}  // namespace

// One statement's result, read like a keyset cursor.
//
// The statement is prepared when the recordset opens and stepped on demand,
// so opening is no dearer than preparing and no large result is ever held in
// memory. `pos_` is the index of the current row in the whole result; at the
// end of the rows it is the number of rows, which is then the count.
// Reading, counting and positioning are const in the interface but advance
// the underlying statement, hence the mutable state.
class SqlcipherRecordset final : public Recordset {
public:
    SqlcipherRecordset(std::shared_ptr<Session> session, SqlStatement statement, Statement prepared)
        : session_(std::move(session)), statement_(std::move(statement)), live_(std::move(prepared)) {
        const int columns = sqlite3_column_count(live_.get());
        names_.reserve(static_cast<std::size_t>(columns));
        for (int i = 0; i < columns; ++i) {
            const char* name = sqlite3_column_name(live_.get(), i);
            if (!name) fail(session_->db, "reading the column names");
            names_.emplace_back(name);
        }
        session_->recordsets.push_back(this);
    }

    ~SqlcipherRecordset() override {
        if (!closed_) {
            release();
            unregister();
        }
    }

    SqlcipherRecordset(const SqlcipherRecordset&) = delete;
    SqlcipherRecordset& operator=(const SqlcipherRecordset&) = delete;

    bool eof() const override {
        require_usable();
        session_->interruption->arm();
        start();
        return !on_row_;
    }

    void move_next() override {
        require_usable();
        session_->interruption->arm();
        start();
        if (!on_row_) fail("no current row: the recordset is past its last row");
        ++pos_;
        if (buffered_) {
            buffer_.pop_front();
            on_row_ = !buffer_.empty();
            if (!on_row_) count_ = pos_;
        } else {
            step();
        }
    }

    Value field(const std::string& name) const override {
        require_usable();
        session_->interruption->arm();
        const int column = column_index(name);
        start();
        if (!on_row_) fail("no current row: the recordset is past its last row");
        if (buffered_) return buffer_.front()[static_cast<std::size_t>(column)];
        return column_value(session_->db, live_.get(), column);
    }

    long record_count() const override {
        require_usable();
        session_->interruption->arm();
        if (!count_) {
            if (statement_.top) {
                // At most N rows: holding the rest of them costs no more than
                // reading them, which the caller is about to do anyway.
                buffer_rest();
            } else {
                count_ = count_rows();
            }
        }
        return to_long(*count_);
    }

    void set_page_size(long rows) override {
        if (rows < 1) fail("page size must be at least 1");
        page_size_ = rows;
    }

    long page_size() const override { return page_size_; }

    void set_absolute_page(long page) override {
        require_usable();
        session_->interruption->arm();
        if (page < 1) fail("page number must be at least 1");
        const std::int64_t size = page_size_;
        if (page - 1 > std::numeric_limits<std::int64_t>::max() / size) fail("page beyond the last");
        const std::int64_t offset = (page - 1) * size;
        if ((count_ && offset >= *count_) || (statement_.top && offset >= *statement_.top))
            fail("page beyond the last");

        // Run the statement again from the page's first row, and take the new
        // position only once that row is there: a failed call leaves the
        // recordset where it was.
        Statement fresh = positioned_at(offset);
        const int rc = sqlite3_step(fresh.get());
        if (rc == SQLITE_DONE) fail("page beyond the last");
        if (rc != SQLITE_ROW) fail(session_->db, "positioning on a page");
        live_ = std::move(fresh);
        buffer_.clear();
        buffered_ = false;
        started_ = true;
        on_row_ = true;
        pos_ = offset;
    }

    long page_count() const override {
        const long count = record_count();
        return count / page_size_ + (count % page_size_ != 0 ? 1 : 0);
    }

    void close() override {
        if (closed_) fail("recordset already closed");
        release();
        unregister();
    }

    // The connection is closing: the recordset closes with it.
    void detach() noexcept { release(); }

private:
    void require_usable() const {
        if (closed_) fail("recordset is closed");
        if (broken_) fail("recordset failed while reading its rows");
    }

    void release() noexcept {
        live_.reset();
        buffer_.clear();
        closed_ = true;
    }

    void unregister() noexcept {
        auto& open = session_->recordsets;
        open.erase(std::remove(open.begin(), open.end(), this), open.end());
    }

    int column_index(const std::string& name) const {
        for (std::size_t i = 0; i < names_.size(); ++i)
            if (equals_ignoring_case(names_[i], name)) return static_cast<int>(i);
        fail("no column named " + name);
    }

    // The first row is fetched on first use rather than on opening, so
    // positioning on a page right after opening runs the statement once.
    void start() const {
        if (started_) return;
        started_ = true;
        step();
    }

    void step() const {
        const int rc = sqlite3_step(live_.get());
        if (rc == SQLITE_ROW) {
            on_row_ = true;
            return;
        }
        on_row_ = false;
        if (rc == SQLITE_DONE) {
            live_.reset();
            count_ = pos_;
            return;
        }
        const std::string message = sqlite3_errmsg(session_->db);
        live_.reset();
        broken_ = true;
        fail("reading a row: " + message);
    }

    std::vector<Value> current_row() const {
        std::vector<Value> row;
        row.reserve(names_.size());
        for (std::size_t i = 0; i < names_.size(); ++i)
            row.push_back(column_value(session_->db, live_.get(), static_cast<int>(i)));
        return row;
    }

    // Moves the current row and every row after it into the buffer.
    void buffer_rest() const {
        start();
        if (!buffered_) {
            std::deque<std::vector<Value>> rows;
            while (on_row_) {
                rows.push_back(current_row());
                const int rc = sqlite3_step(live_.get());
                if (rc == SQLITE_ROW) continue;
                if (rc != SQLITE_DONE) {
                    const std::string message = sqlite3_errmsg(session_->db);
                    live_.reset();
                    on_row_ = false;
                    broken_ = true;
                    fail("reading a row: " + message);
                }
                break;
            }
            live_.reset();
            buffer_ = std::move(rows);
            buffered_ = true;
            on_row_ = !buffer_.empty();
        }
        count_ = pos_ + static_cast<std::int64_t>(buffer_.size());
    }

    std::int64_t count_rows() const {
        sqlite3* db = session_->db;
        // Counting by SQLite itself; a statement it cannot nest in a count
        // (a pragma, say) is counted by stepping a second run of it.
        const std::string sql = count_sql(statement_);
        const std::optional<std::int64_t> version = data_version();
        if (version && version == session_->counted_version) {
            const auto kept = session_->counts.find(sql);
            if (kept != session_->counts.end()) return kept->second;
        }
        Statement counter;
        try {
            counter = prepare(db, sql);
        } catch (const PlatformError&) {
            counter.reset();
        }
        if (counter) {
            const int rc = sqlite3_step(counter.get());
            if (rc != SQLITE_ROW) fail(db, "counting the rows");
            const std::int64_t count = sqlite3_column_int64(counter.get(), 0);
            keep_count(version, sql, count);
            return count;
        }
        Statement run = prepare(db, run_sql(statement_));
        std::int64_t rows = 0;
        for (;;) {
            const int rc = sqlite3_step(run.get());
            if (rc == SQLITE_DONE) return rows;
            if (rc != SQLITE_ROW) fail(db, "counting the rows");
            ++rows;
        }
    }

    // The file's data version as this connection sees it now, or nullopt
    // when it cannot be read (then no count is kept or reused).
    std::optional<std::int64_t> data_version() const {
        Session& session = *session_;
        sqlite3_stmt* query = session.data_version;
        if (query == nullptr) return std::nullopt;
        std::optional<std::int64_t> version;
        session.reading_version = true;
        if (sqlite3_step(query) == SQLITE_ROW) version = sqlite3_column_int64(query, 0);
        sqlite3_reset(query);
        session.reading_version = false;
        return version;
    }

    void keep_count(std::optional<std::int64_t> version, const std::string& sql, std::int64_t count) const {
        if (!version) return;
        Session& session = *session_;
        if (session.counted_version != version || session.counts.size() >= max_kept_counts) {
            session.counts.clear();
            session.counted_version = version;
        }
        session.counts[sql] = count;
    }

    // A fresh run of the statement positioned before the row at `offset`.
    Statement positioned_at(std::int64_t offset) const {
        sqlite3* db = session_->db;
        try {
            return prepare(db, page_sql(statement_, offset));
        } catch (const PlatformError&) {
            // A statement that takes no limit of its own: step past the rows.
        }
        Statement run = prepare(db, run_sql(statement_));
        for (std::int64_t skipped = 0; skipped < offset; ++skipped) {
            const int rc = sqlite3_step(run.get());
            if (rc == SQLITE_DONE) fail("page beyond the last");
            if (rc != SQLITE_ROW) fail(db, "positioning on a page");
        }
        return run;
    }

    static long to_long(std::int64_t v) {
        if (v > std::numeric_limits<long>::max()) fail("row count too large");
        return static_cast<long>(v);
    }

    std::shared_ptr<Session> session_;
    SqlStatement statement_;
    std::vector<std::string> names_;
    long page_size_ = default_page_size;
    bool closed_ = false;

    mutable Statement live_;
    mutable std::deque<std::vector<Value>> buffer_;
    mutable bool buffered_ = false;
    mutable bool started_ = false;
    mutable bool on_row_ = false;
    mutable bool broken_ = false;
    mutable std::int64_t pos_ = 0;
    mutable std::optional<std::int64_t> count_;
};

SqlcipherConnection::SqlcipherConnection(std::string program_directory, std::chrono::milliseconds statement_limit,
                                         bool order_unindexed_listing, std::string catalogue_file)
    : program_directory_(std::move(program_directory)),
      catalogue_file_(std::move(catalogue_file)),
      interruption_(std::make_shared<Interruption>(statement_limit)),
      order_unindexed_listing_(order_unindexed_listing) {}

void SqlcipherConnection::interrupt() noexcept {
    interruption_->requested.store(true);
}

void SqlcipherConnection::resume() noexcept {
    interruption_->requested.store(false);
}

SqlcipherConnection::~SqlcipherConnection() {
    if (is_open()) {
        try {
            close();
        } catch (...) {}
    }
}

bool SqlcipherConnection::is_open() const {
    return session_ && session_->db;
}

void SqlcipherConnection::open(const std::string& connection_string, const std::string& /*user_name*/,
                               const std::string& /*password*/, int /*options*/) {
    if (is_open()) fail("connection already open");

    const ConnectionProperties properties = parse_connection_string(connection_string);
    const std::string* provider = find_property(properties, "Provider");
    if (!provider) fail("connection string names no provider");
    if (!equals_ignoring_case(*provider, jet_provider)) fail("provider not supported: " + *provider);
    const std::string* source = find_property(properties, "Data Source");
    if (!source || source->empty()) fail("connection string names no data source");
    const std::string* key = find_property(properties, "Jet OLEDB:Database Password");

    std::string path = native_path(*source, program_directory_);
    if (catalogue_file_.empty() || program_directory_.empty() ||
        path != native_path(program_directory_ + "\\tavik.dll", program_directory_)) {
        open_file(std::move(path), key);
        return;
    }
    try {
        open_file(catalogue_file_, key);
    } catch (const PlatformError& e) {
        throw PlatformError("in its place, --catalogue " + catalogue_file_ + ": " + e.what());
    }
}

void SqlcipherConnection::open_file(std::string path, const std::string* key) {
    if (path.find('\0') != std::string::npos) fail("the file name holds a NUL character");
    // A name starting with "file:" must stay a plain file name.
    if (path.rfind("file:", 0) == 0) path = "./" + path;
    require_readable_file(path);

    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
    std::unique_ptr<sqlite3, int (*)(sqlite3*)> db(raw, sqlite3_close_v2);
    if (rc != SQLITE_OK) fail(raw, "the file cannot be read");

    if (key && !key->empty()) {
        if (key->size() > static_cast<std::size_t>(INT_MAX)) fail("database password too long");
        if (sqlite3_key(db.get(), key->data(), static_cast<int>(key->size())) != SQLITE_OK)
            fail(db.get(), "cannot key the catalogue");
    }
    // A file without the listing index gets its listing ordered in memory.
    if (order_unindexed_listing_) order_listing_in_memory(db.get());
    // Nothing can be attached beside the catalogue, and no statement writes.
    sqlite3_limit(db.get(), SQLITE_LIMIT_ATTACHED, 0);
    if (sqlite3_exec(db.get(), "PRAGMA query_only=1", nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(db.get(), "cannot open the catalogue read-only");

    auto session = std::make_shared<Session>();
    session->interruption = interruption_;
    if (sqlite3_set_authorizer(db.get(), read_only_authorizer, session.get()) != SQLITE_OK)
        fail(db.get(), "cannot open the catalogue read-only");
    if (!install_like(db.get(), interruption_.get())) fail(db.get(), "cannot set up the search comparison");
    sqlite3_progress_handler(db.get(), progress_interval, stop_when_due, interruption_.get());
    interruption_->arm();

    // The key is only tried when a page is read: read the schema. A wrong key
    // or a file that is no database fails here; a database without a single
    // table (an empty file among them) is no catalogue.
    {
        sqlite3_stmt* raw_check = nullptr;
        if (sqlite3_prepare_v2(db.get(), "select count(*) from sqlite_master where type='table'", -1, &raw_check,
                               nullptr) != SQLITE_OK)
            fail_not_a_catalogue(db.get());
        Statement check(raw_check);
        if (sqlite3_step(check.get()) != SQLITE_ROW) fail_not_a_catalogue(db.get());
        if (sqlite3_column_int64(check.get(), 0) == 0) fail(std::string(not_a_catalogue) + " (it holds no tables)");
    }
    if (sqlite3_db_readonly(db.get(), "main") != 1) fail("catalogue not opened read-only");

    // Without the data version the connection works the same, only without
    // keeping row counts.
    session->reading_version = true;
    if (sqlite3_prepare_v2(db.get(), "PRAGMA data_version", -1, &session->data_version, nullptr) != SQLITE_OK) {
        sqlite3_finalize(session->data_version);
        session->data_version = nullptr;
    }
    session->reading_version = false;
    // Which file was opened, so that one put in its place is told apart.
    struct stat opened {};
    if (::stat(path.c_str(), &opened) != 0) fail("the file cannot be read: " + std::generic_category().message(errno));
    path_ = path;
    device_ = opened.st_dev;
    inode_ = opened.st_ino;
    session->db = db.release();
    session_ = std::move(session);
}

std::string SqlcipherConnection::file_version() const {
    if (!is_open()) return {};
    struct stat now {};
    if (::stat(path_.c_str(), &now) != 0 || now.st_dev != device_ || now.st_ino != inode_) return {};
    const auto state = [](const struct stat& s) {
        return std::to_string(s.st_size) + ":" + std::to_string(s.st_mtim.tv_sec) + "." +
               std::to_string(s.st_mtim.tv_nsec);
    };
    std::string version = std::to_string(device_) + ":" + std::to_string(inode_) + ":" + state(now);
    struct stat log {};
    if (::stat((path_ + "-wal").c_str(), &log) == 0) version += ":" + state(log);
    return version;
}

void SqlcipherConnection::close() {
    if (!is_open()) fail("connection is not open");
    for (SqlcipherRecordset* recordset : session_->recordsets) recordset->detach();
    session_->recordsets.clear();
    sqlite3_finalize(session_->data_version);
    session_->data_version = nullptr;
    session_->counts.clear();
    sqlite3_close_v2(session_->db);
    session_->db = nullptr;
    session_.reset();
}

std::unique_ptr<Recordset> SqlcipherConnection::open_recordset(const std::string& source, CursorType /*cursor*/,
                                                               LockType /*lock*/, int /*options*/) {
    if (!is_open()) fail("connection is not open");
    interruption_->arm();
    if (source.find('\0') != std::string::npos) fail("statement holds a NUL character");
    std::optional<SqlStatement> statement = rewrite_statement(source);
    if (!statement) fail("not a single statement: " + source);
    sqlite3* db = session_->db;
    Statement prepared = prepare(db, run_sql(*statement));
    if (sqlite3_column_count(prepared.get()) == 0) fail("statement returns no rows: " + source);
    if (!sqlite3_stmt_readonly(prepared.get())) fail("statement would change the catalogue: " + source);
    return std::make_unique<SqlcipherRecordset>(session_, std::move(*statement), std::move(prepared));
}

}  // namespace qinghe::platform::sqlcipher
