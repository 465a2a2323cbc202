#include "platform/sqlcipher/sqlcipher_connection.h"

#include "platform/base/error.h"
#include "platform/base/native_path.h"
#include "platform/base/text.h"
#include "platform/sqlcipher/catalogue_cache.h"
#include "platform/sqlcipher/connection_string.h"
#include "platform/sqlcipher/jet_image.h"
#include "platform/sqlcipher/like_match.h"
#include "platform/sqlcipher/listing_order.h"
#include "platform/sqlcipher/sqlite_database.h"
#include "platform/sqlcipher/statement_rewrite.h"

// SQLCipher declares sqlite3_key only for codec builds.
#define SQLITE_HAS_CODEC 1
#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
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
    // For a call that runs no statement: it fails when interrupted, as
    // every call does, and needs no time limit (reading the clock is a
    // large part of handing out a row already held).
    void check() const {
        if (requested.load(std::memory_order_relaxed)) throw PlatformError("interrupted");
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
    Database db;
    std::shared_ptr<Interruption> interruption;
    // For a Jet file: the image the database is, and whether the statement
    // being prepared reads the table that may still be loading.
    std::shared_ptr<const JetImage> image;
    bool reads_deferred_table = false;
    // For a Jet file, opened as its image or its cache: which file, in which
    // state, the rows come from. It stays as it was opened.
    std::string jet_version;
    std::vector<SqlcipherRecordset*> recordsets;
    // "PRAGMA data_version"; empty when it could not be prepared, and then
    // nothing is kept. The read-only authorizer lets this one pragma through
    // only while the connection itself prepares or runs it.
    Statement data_version;
    bool reading_version = false;
    std::optional<std::int64_t> counted_version;
    std::unordered_map<std::string, std::int64_t> counts;
};

namespace {

constexpr const char* jet_provider = "Microsoft.Jet.OLEDB.4.0";
constexpr long default_page_size = 10;
// More distinct counted statements than this start the kept counts afresh.
constexpr std::size_t max_kept_counts = 4096;

[[noreturn]] void fail(const std::string& what) {
    throw PlatformError(what);
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

Value column_value(const Statement& statement, int column) {
    switch (statement.type(column)) {
    case Statement::Type::integer:
        return Value::of_integer(statement.integer(column));
    case Statement::Type::real:
        return Value::of_real(statement.real(column));
    case Statement::Type::text:
        return Value::of_text(std::string(statement.text(column)));
    case Statement::Type::blob:
        return Value::of_text(std::string(statement.blob(column)));
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
    case SQLITE_READ: {
        auto* session = static_cast<Session*>(data);
        if (session != nullptr && session->image && name != nullptr &&
            equals_ignoring_case(name, JetImage::deferred_table()))
            session->reads_deferred_table = true;
        return SQLITE_OK;
    }
    case SQLITE_SELECT:
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

// Nothing can be attached beside the catalogue, no statement writes, and
// every statement stops when interrupted or past its time limit.
void guard(Session& session) {
    Database& db = session.db;
    sqlite3_limit(db.handle(), SQLITE_LIMIT_ATTACHED, 0);
    db.exec("PRAGMA query_only=1", "cannot open the catalogue read-only");
    if (sqlite3_set_authorizer(db.handle(), read_only_authorizer, &session) != SQLITE_OK)
        db.fail("cannot open the catalogue read-only");
    if (!install_like(db.handle(), session.interruption.get())) db.fail("cannot set up the search comparison");
    sqlite3_progress_handler(db.handle(), progress_interval, stop_when_due, session.interruption.get());
}

// Without the data version the connection works the same, only without
// keeping row counts.
void prepare_data_version(Session& session) {
    session.reading_version = true;
    try {
        session.data_version = session.db.prepare("PRAGMA data_version");
    } catch (const PlatformError&) {}
    session.reading_version = false;
}

// A statement that reads the table a Jet image may still be loading waits
// for its rows, stopping as any statement stops.
void wait_for_deferred_rows(const Session& session) {
    constexpr std::chrono::milliseconds step{20};
    while (!session.image->wait_for_rows(step))
        if (session.interruption->due()) fail("interrupted while the catalogue was loading");
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
        : session_(std::move(session)),
          statement_(std::move(statement)),
          live_(std::move(prepared)),
          awaits_rows_(session_->reads_deferred_table) {
        const int columns = live_.column_count();
        names_.reserve(static_cast<std::size_t>(columns));
        for (int i = 0; i < columns; ++i) names_.push_back(live_.column_name(i));
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
        begin_call(!started_);
        start();
        return !on_row_;
    }

    void move_next() override {
        begin_call(!started_ || !buffered_);
        start();
        if (!on_row_) fail("no current row: the recordset is past its last row");
        ++pos_;
        if (buffered_) {
            ++held_front_;
            on_row_ = held_rows() != 0;
            if (!on_row_) count_ = pos_;
        } else {
            step();
        }
    }

    Value field(const std::string& name) const override {
        begin_call(!started_);
        const int column = column_index(name);
        start();
        if (!on_row_) fail("no current row: the recordset is past its last row");
        if (buffered_) return buffer_[held_front_ * names_.size() + static_cast<std::size_t>(column)];
        return column_value(live_, column);
    }

    long record_count() const override {
        require_usable();
        session_->interruption->arm();
        await_rows();
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
        await_rows();
        const std::int64_t size = page_size_;
        if (page - 1 > std::numeric_limits<std::int64_t>::max() / size) fail("page beyond the last");
        const std::int64_t offset = (page - 1) * size;
        if ((count_ && offset >= *count_) || (statement_.top && offset >= *statement_.top))
            fail("page beyond the last");

        // Run the statement again from the page's first row, and take the new
        // position only once that row is there: a failed call leaves the
        // recordset where it was.
        Statement fresh = positioned_at(offset);
        if (!fresh.step("positioning on a page")) fail("page beyond the last");
        live_ = std::move(fresh);
        drop_held_rows();
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

    // A call that may step the statement starts the time limit; one that
    // reads the current row or the rows held only checks for interruption.
    void begin_call(bool steps) const {
        require_usable();
        if (steps)
            session_->interruption->arm();
        else
            session_->interruption->check();
    }

    void release() noexcept {
        live_ = Statement();
        drop_held_rows();
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

    // Opening only prepares, so a statement on a Jet table still loading
    // waits for its rows when it first reads.
    void await_rows() const {
        if (!awaits_rows_) return;
        wait_for_deferred_rows(*session_);
        awaits_rows_ = false;
    }

    // The first row is fetched on first use rather than on opening, so
    // positioning on a page right after opening runs the statement once.
    void start() const {
        if (started_) return;
        await_rows();
        started_ = true;
        step();
    }

    void step() const {
        try {
            on_row_ = live_.step("reading a row");
        } catch (const PlatformError&) {
            live_ = Statement();
            on_row_ = false;
            broken_ = true;
            throw;
        }
        if (!on_row_) {
            live_ = Statement();
            count_ = pos_;
        }
    }

    // Moves the current row and every row after it into the buffer, one
    // row's values after another's.
    void buffer_rest() const {
        start();
        if (!buffered_) {
            std::vector<Value> values;
            // A top N gives at most N rows; a large N is not taken on trust.
            constexpr std::int64_t reserved_rows = 64;
            if (statement_.top)
                values.reserve(static_cast<std::size_t>(std::min(*statement_.top, reserved_rows)) * names_.size());
            std::size_t rows = 0;
            while (on_row_) {
                for (std::size_t i = 0; i < names_.size(); ++i)
                    values.push_back(column_value(live_, static_cast<int>(i)));
                ++rows;
                step();
            }
            buffer_ = std::move(values);
            held_total_ = rows;
            held_front_ = 0;
            buffered_ = true;
            on_row_ = held_rows() != 0;
        }
        count_ = pos_ + static_cast<std::int64_t>(held_rows());
    }

    // The rows held from the current one on.
    std::size_t held_rows() const {
        return held_total_ - held_front_;
    }

    void drop_held_rows() const noexcept {
        buffer_.clear();
        held_total_ = 0;
        held_front_ = 0;
    }

    std::int64_t count_rows() const {
        Database& db = session_->db;
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
            counter = db.prepare(sql);
        } catch (const PlatformError&) {}
        if (counter) {
            if (!counter.step("counting the rows")) db.fail("counting the rows");
            const std::int64_t count = counter.integer(0);
            keep_count(version, sql, count);
            return count;
        }
        Statement run = db.prepare(run_sql(statement_));
        std::int64_t rows = 0;
        while (run.step("counting the rows")) ++rows;
        return rows;
    }

    // The file's data version as this connection sees it now, or nullopt
    // when it cannot be read (then no count is kept or reused).
    std::optional<std::int64_t> data_version() const {
        Session& session = *session_;
        Statement& query = session.data_version;
        if (!query) return std::nullopt;
        std::optional<std::int64_t> version;
        session.reading_version = true;
        try {
            if (query.step()) version = query.integer(0);
        } catch (const PlatformError&) {}
        query.rewind();
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
        Database& db = session_->db;
        try {
            return db.prepare(page_sql(statement_, offset));
        } catch (const PlatformError&) {
            // A statement that takes no limit of its own: step past the rows.
        }
        Statement run = db.prepare(run_sql(statement_));
        for (std::int64_t skipped = 0; skipped < offset; ++skipped)
            if (!run.step("positioning on a page")) fail("page beyond the last");
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
    // The rows held, flat, and the place of the current one among them.
    mutable std::vector<Value> buffer_;
    mutable std::size_t held_total_ = 0;
    mutable std::size_t held_front_ = 0;
    mutable bool buffered_ = false;
    mutable bool started_ = false;
    mutable bool on_row_ = false;
    mutable bool broken_ = false;
    mutable std::int64_t pos_ = 0;
    mutable std::optional<std::int64_t> count_;
    mutable bool awaits_rows_;
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

    auto session = std::make_shared<Session>();
    session->interruption = interruption_;
    Database& db = session->db;
    std::optional<Database> cached;
    if (is_jet_file(path)) {
        // The password is checked on the Jet file itself, before any cache.
        // A Jet file kept in the cache opens as the SQLCipher file it is
        // there; otherwise it is read into memory once, with the indexes the
        // statements use, and then answers them as an SQLCipher file does.
        const struct stat jet_file = checked_jet_file(path, key);
        const std::optional<std::filesystem::path> cache = cache_directory();
        if (cache) cached = open_cache(*cache / cache_file_name(jet_file, key), key);
        if (cached) {
            session->jet_version = jet_version(jet_file);
        } else {
            session->image = JetImage::open(path, key, cache);
            session->jet_version = session->image->version();
            db = Database::shared_memory(session->image->name(), Database::Access::read_only);
        }
    }
    if (!session->image) {
        if (cached) {
            db = std::move(*cached);
        } else {
            db = Database(path, Database::Access::read_only);
            if (key) db.key(*key);
        }
        // A file without the listing index gets its listing ordered in memory.
        if (order_unindexed_listing_) order_listing_in_memory(db);
    }
    guard(*session);
    interruption_->arm();
    // The key is only tried when a page is read: read the schema. A wrong key
    // or a file that is no database fails here; a database without a single
    // table (an empty file among them) is no catalogue.
    if (db.table_count() == 0) fail(std::string(not_a_catalogue) + " (it holds no tables)");
    // (An image in memory is shared with the connection that loads it, so
    // only query_only and the authorizer keep this one from writing.)
    if (!session->image && sqlite3_db_readonly(db.handle(), "main") != 1) fail("catalogue not opened read-only");
    prepare_data_version(*session);

    // Which file was opened, so that one put in its place is told apart.
    struct stat opened {};
    if (::stat(path.c_str(), &opened) != 0) fail("the file cannot be read: " + std::generic_category().message(errno));
    path_ = path;
    device_ = opened.st_dev;
    inode_ = opened.st_ino;
    session_ = std::move(session);
}

bool SqlcipherConnection::catalogue_loading() const {
    // Only a Jet file opened as its image reads rows after opening.
    return is_open() && session_->image && session_->image->rows_loading();
}

std::string SqlcipherConnection::file_version() const {
    if (!is_open()) return {};
    // What a Jet connection answers from (its image or its cache) never
    // changes while it is open.
    if (!session_->jet_version.empty()) return session_->jet_version;
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
    session_->data_version = Statement();
    session_->counts.clear();
    session_->db = Database();
    session_.reset();
}

std::unique_ptr<Recordset> SqlcipherConnection::open_recordset(const std::string& source, CursorType /*cursor*/,
                                                               LockType /*lock*/, int /*options*/) {
    if (!is_open()) fail("connection is not open");
    interruption_->arm();
    if (source.find('\0') != std::string::npos) fail("statement holds a NUL character");
    std::optional<SqlStatement> statement = rewrite_statement(source);
    if (!statement) fail("not a single statement: " + source);
    session_->reads_deferred_table = false;
    Statement prepared = session_->db.prepare(run_sql(*statement));
    if (prepared.column_count() == 0) fail("statement returns no rows: " + source);
    if (!prepared.read_only()) fail("statement would change the catalogue: " + source);
    return std::make_unique<SqlcipherRecordset>(session_, std::move(*statement), std::move(prepared));
}

}  // namespace qinghe::platform::sqlcipher
