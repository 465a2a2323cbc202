#include "platform/sqlcipher/jet_image.h"

#include "platform/schema/indexes.h"
#include "platform/schema/tables.h"
#include "platform/base/error.h"
#include "platform/base/owned_fd.h"
#include "platform/jet/jet_password.h"
#include "platform/jet/jet_tables.h"
#include "platform/sqlcipher/catalogue_cache.h"
#include "platform/sqlcipher/sqlite_database.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <map>
#include <mutex>
#include <system_error>
#include <utility>
#include <vector>

#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

namespace qinghe::platform::sqlcipher {

namespace {

[[noreturn]] void fail(const std::string& what) {
    throw PlatformError(what);
}

// The image's page size, the largest SQLite has.
constexpr int image_page_size = 65536;

// The tables read, the small ones first.
constexpr std::array<std::string_view, 3> loaded_tables{catalogue::category_table, catalogue::ad_table,
                                                        catalogue::programme_table};

// Rows go in batches of up to this many to one statement, each run doing
// far less work per row than a statement run for every row; within
// SQLite's 999 parameters a statement may bind.
constexpr std::size_t rows_per_insert = 64;
constexpr std::size_t most_parameters = 999;

void bind_row(Statement& statement, int first, const std::vector<jet::JetCell>& cells) {
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const int index = first + static_cast<int>(i);
        const jet::JetCell& cell = cells[i];
        if (const auto* n = std::get_if<std::int64_t>(&cell))
            statement.bind_integer(index, *n);
        else if (const auto* d = std::get_if<double>(&cell))
            statement.bind_real(index, *d);
        else if (const auto* s = std::get_if<std::string>(&cell))
            statement.bind_text(index, *s, Statement::Bytes::kept);
        else
            statement.bind_null(index);
    }
}

// Each table as it arrives: its columns untyped, as the catalogue writer
// makes them, so every value keeps the storage class it was read with; its
// indexes before its rows, which go in in the order read. Reaching t1
// commits what came before and tells the opener that the catalogue can be
// used.
class ImageSink final : public jet::TableSink {
public:
    ImageSink(Database& db, std::promise<void>& ready, const std::atomic<bool>& cancelled)
        : db_(db), ready_(ready), cancelled_(cancelled) {}

    void begin_table(const std::string& name, const std::vector<std::string>& columns) override {
        insert_rows_held();
        insert_one_ = Statement();
        insert_batch_ = Statement();
        std::string create = "CREATE TABLE " + catalogue::quote_identifier(name) + " (";
        std::string row = "(";
        for (std::size_t i = 0; i < columns.size(); ++i) {
            create += (i == 0 ? "" : ", ") + catalogue::quote_identifier(columns[i]);
            row += i == 0 ? "?" : ", ?";
        }
        row += ")";
        db_.exec(create + ")", "cannot hold table " + name);
        for (const std::string& index : catalogue::index_statements(name, columns))
            db_.exec(index, "cannot index table " + name);
        if (name == JetImage::deferred_table()) {
            db_.exec("COMMIT", "cannot hold the catalogue");
            ready();
            db_.exec("BEGIN", "cannot hold the catalogue");
        }
        const std::string insert = "INSERT INTO " + catalogue::quote_identifier(name) + " VALUES ";
        insert_one_ = db_.prepare(insert + row);
        held_.resize(std::clamp<std::size_t>(most_parameters / columns.size(), 1, rows_per_insert));
        std::string rows = row;
        for (std::size_t i = 1; i < held_.size(); ++i) rows += ", " + row;
        if (held_.size() > 1) insert_batch_ = db_.prepare(insert + rows);
    }

    void add_row(std::vector<jet::JetCell>& cells) override {
        if (cancelled_.load(std::memory_order_relaxed)) fail("loading stopped");
        // Taken by swap: the reader refills cells for its next row.
        held_[held_count_++].swap(cells);
        if (held_count_ < held_.size()) return;
        if (held_.size() == 1) {
            insert_rows_held();
            return;
        }
        int first = 1;
        for (const std::vector<jet::JetCell>& row : held_) {
            bind_row(insert_batch_, first, row);
            first += static_cast<int>(row.size());
        }
        insert_batch_.run();
        held_count_ = 0;
    }

    void finish() {
        insert_rows_held();
        insert_one_ = Statement();
        insert_batch_ = Statement();
        db_.exec("COMMIT", "cannot hold the catalogue");
        ready();
    }

    bool was_ready() const { return ready_told_; }

private:
    // The rows held for a batch not yet full, one at a time.
    void insert_rows_held() {
        for (std::size_t i = 0; i < held_count_; ++i) {
            bind_row(insert_one_, 1, held_[i]);
            insert_one_.run();
        }
        held_count_ = 0;
    }

    void ready() {
        if (ready_told_) return;
        ready_told_ = true;
        ready_.set_value();
    }

    Database& db_;
    std::promise<void>& ready_;
    const std::atomic<bool>& cancelled_;
    Statement insert_one_;
    Statement insert_batch_;
    std::vector<std::vector<jet::JetCell>> held_;
    std::size_t held_count_ = 0;
    bool ready_told_ = false;
};

// A Jet file open for reading, its header and password checked.
struct CheckedFile {
    OwnedFd file;
    struct stat state {};
    std::vector<unsigned char> page0;
};

CheckedFile open_checked(const std::string& path, const std::string* password) {
    CheckedFile checked;
    checked.file.reset(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!checked.file.is_open()) fail("the file cannot be read: " + std::generic_category().message(errno));
    if (::fstat(checked.file.get(), &checked.state) != 0)
        fail("the file cannot be read: " + std::generic_category().message(errno));
    checked.page0.resize(jet::jet4_page_size);
    const ssize_t got = ::pread(checked.file.get(), checked.page0.data(), checked.page0.size(), 0);
    if (got < 0) fail("the file cannot be read: " + std::generic_category().message(errno));
    checked.page0.resize(static_cast<std::size_t>(got));
    jet::checked_header(checked.page0, password);
    return checked;
}

bool same_identity(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
           a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

std::mutex registry_mutex;
// Images by file and state; each lives as long as a connection holds it.
std::map<std::string, std::weak_ptr<JetImage>> registry;
std::atomic<unsigned> images_made{0};

}  // namespace

struct JetImage::Loader {
    Database db;
    OwnedFd file;
    std::vector<unsigned char> page0;
    std::promise<void> ready;
    std::promise<void> rows;
    std::atomic<bool> cancelled{false};
    // Where the image is kept once loaded, for the file in the state it
    // was opened in; none for no cache.
    std::optional<std::filesystem::path> cache_file;
    std::optional<std::string> key;
    struct stat opened {};

    std::chrono::milliseconds load_limit() const { return jet::read_time_limit(opened.st_size); }

    void run() {
        ImageSink sink(db, ready, cancelled);
        try {
            // Nothing is rolled back: a failed load fails every statement on
            // the table it was loading.
            // Large pages make t1's rows and index entries about twice as
            // cheap to insert as the default 4 KB ones: fewer splits and a
            // shallower tree. Set before the first table is made.
            db.exec("PRAGMA page_size=" + std::to_string(image_page_size), "cannot hold the catalogue");
            db.exec("PRAGMA journal_mode=OFF", "cannot hold the catalogue");
            db.exec("BEGIN", "cannot hold the catalogue");
            jet::read_tables_isolated(file.get(), page0, loaded_tables, sink, load_limit(),
                                      [this] { return cancelled.load(std::memory_order_relaxed); });
            sink.finish();
            rows.set_value();
        } catch (...) {
            if (!sink.was_ready()) ready.set_exception(std::current_exception());
            rows.set_exception(std::current_exception());
            cache_file.reset();
        }
        // A file that changed while it was read may have given rows of
        // either state: such an image is not kept.
        struct stat now {};
        if (cache_file && (::fstat(file.get(), &now) != 0 || !same_identity(now, opened))) cache_file.reset();
        // The file is read: nothing of it stays open.
        file.reset();
        if (cache_file) keep_in_cache();
    }

    // An image without tables is no catalogue, and is not kept either.
    void keep_in_cache() {
        try {
            if (db.table_count() == 0) return;
        } catch (const PlatformError&) {
            return;
        }
        write_cache(db, *cache_file, key ? &*key : nullptr, [this] { return cancelled.load(std::memory_order_relaxed); });
    }
};

const char* JetImage::deferred_table() {
    return catalogue::programme_table;
}

JetImage::JetImage(std::string name, std::string version)
    : name_(std::move(name)), version_(std::move(version)), loader_(std::make_unique<Loader>()) {}

JetImage::~JetImage() {
    loader_->cancelled.store(true);
    if (thread_.joinable()) thread_.join();
}

bool JetImage::wait_for_rows(std::chrono::milliseconds time) const {
    if (rows_.wait_for(time) != std::future_status::ready) return false;
    rows_.get();
    return true;
}

std::chrono::milliseconds JetImage::load_limit() const {
    return loader_->load_limit();
}

bool JetImage::rows_loading() const noexcept {
    return rows_.wait_for(std::chrono::milliseconds(0)) == std::future_status::timeout;
}

std::shared_ptr<JetImage> JetImage::open(const std::string& path, const std::string* password,
                                         const std::optional<std::filesystem::path>& cache_directory) {
    CheckedFile checked = open_checked(path, password);
    const std::string version = jet_version(checked.state);
    const std::lock_guard lock(registry_mutex);
    std::erase_if(registry, [](const auto& entry) { return entry.second.expired(); });
    if (const auto held = registry.find(version); held != registry.end())
        if (std::shared_ptr<JetImage> image = held->second.lock()) return image;

    const std::string name =
        "qinghe-jet-" + std::to_string(::getpid()) + "-" + std::to_string(images_made.fetch_add(1));
    std::shared_ptr<JetImage> image(new JetImage(name, version));
    Loader& loader = *image->loader_;
    loader.db = Database::shared_memory(name, Database::Access::read_write_create);
    loader.file = std::move(checked.file);
    loader.page0 = std::move(checked.page0);
    loader.opened = checked.state;
    if (cache_directory) {
        loader.cache_file = *cache_directory / cache_file_name(checked.state, password);
        if (password != nullptr) loader.key = *password;
    }
    std::future<void> ready = loader.ready.get_future();
    image->rows_ = loader.rows.get_future().share();
    image->thread_ = std::thread([&loader] { loader.run(); });
    ready.get();
    registry[version] = image;
    return image;
}

struct stat checked_jet_file(const std::string& path, const std::string* password) {
    return open_checked(path, password).state;
}

std::string jet_version(const struct stat& jet_file) {
    return "jet:" + std::to_string(jet_file.st_dev) + ":" + std::to_string(jet_file.st_ino) + ":" +
           std::to_string(jet_file.st_size) + ":" + std::to_string(jet_file.st_mtim.tv_sec) + "." +
           std::to_string(jet_file.st_mtim.tv_nsec);
}

bool is_jet_file(const std::string& path) {
    unsigned char start[32] = {};
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) return false;
    const ssize_t got = ::pread(descriptor, start, sizeof start, 0);
    ::close(descriptor);
    return got > 0 && jet::has_jet_signature(std::span<const unsigned char>(start, static_cast<std::size_t>(got)));
}

Database open_jet_database(const std::string& path, const std::string* password) {
    const std::shared_ptr<JetImage> image = JetImage::open(path, password);
    // The load gives up by itself within its limit, which began before this
    // wait: rows still missing after it mean a load that cannot end.
    if (!image->wait_for_rows(image->load_limit())) fail("reading the file took too long");
    return Database::shared_memory(image->name(), Database::Access::read_only);
}

}  // namespace qinghe::platform::sqlcipher
