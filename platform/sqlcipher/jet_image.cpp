#include "platform/sqlcipher/jet_image.h"

#include "platform/schema/indexes.h"
#include "platform/schema/tables.h"
#include "platform/base/error.h"
#include "platform/jet/jet_password.h"
#include "platform/jet/jet_tables.h"
#include "platform/sqlcipher/sqlite_database.h"

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

// A load that takes longer has met a file it cannot finish.
constexpr std::chrono::minutes load_limit{5};

// The tables read, the small ones first.
constexpr std::array<std::string_view, 3> loaded_tables{catalogue::category_table, catalogue::ad_table,
                                                        catalogue::programme_table};

// Each table as it arrives: its columns untyped, as the catalogue writer
// makes them, so every value keeps the storage class it was read with; its
// indexes before its rows. Reaching t1 commits what came before and tells
// the opener that the catalogue can be used.
class ImageSink final : public jet::TableSink {
public:
    ImageSink(Database& db, std::promise<void>& ready, const std::atomic<bool>& cancelled)
        : db_(db), ready_(ready), cancelled_(cancelled) {}

    void begin_table(const std::string& name, const std::vector<std::string>& columns) override {
        insert_ = Statement();
        std::string create = "CREATE TABLE " + catalogue::quote_identifier(name) + " (";
        std::string insert = "INSERT INTO " + catalogue::quote_identifier(name) + " VALUES (";
        for (std::size_t i = 0; i < columns.size(); ++i) {
            create += (i == 0 ? "" : ", ") + catalogue::quote_identifier(columns[i]);
            insert += i == 0 ? "?" : ", ?";
        }
        db_.exec(create + ")", "cannot hold table " + name);
        for (const std::string& index : catalogue::index_statements(name, columns))
            db_.exec(index, "cannot index table " + name);
        if (name == JetImage::deferred_table()) {
            db_.exec("COMMIT", "cannot hold the catalogue");
            ready();
            db_.exec("BEGIN", "cannot hold the catalogue");
        }
        insert_ = db_.prepare(insert + ")");
    }

    void add_row(std::vector<jet::JetCell>& cells) override {
        if (cancelled_.load(std::memory_order_relaxed)) fail("loading stopped");
        for (std::size_t i = 0; i < cells.size(); ++i) {
            const int index = static_cast<int>(i + 1);
            const jet::JetCell& cell = cells[i];
            if (const auto* n = std::get_if<std::int64_t>(&cell))
                insert_.bind_integer(index, *n);
            else if (const auto* d = std::get_if<double>(&cell))
                insert_.bind_real(index, *d);
            else if (const auto* s = std::get_if<std::string>(&cell))
                insert_.bind_text(index, *s, Statement::Bytes::kept);
            else
                insert_.bind_null(index);
        }
        insert_.run();
    }

    void finish() {
        insert_ = Statement();
        db_.exec("COMMIT", "cannot hold the catalogue");
        ready();
    }

    bool was_ready() const { return ready_told_; }

private:
    void ready() {
        if (ready_told_) return;
        ready_told_ = true;
        ready_.set_value();
    }

    Database& db_;
    std::promise<void>& ready_;
    const std::atomic<bool>& cancelled_;
    Statement insert_;
    bool ready_told_ = false;
};

struct FileDescriptor {
    int fd = -1;
    FileDescriptor() = default;
    FileDescriptor(FileDescriptor&& other) noexcept : fd(std::exchange(other.fd, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        std::swap(fd, other.fd);
        return *this;
    }
    ~FileDescriptor() {
        if (fd >= 0) ::close(fd);
    }
};

std::mutex registry_mutex;
// Images by file and state; each lives as long as a connection holds it.
std::map<std::string, std::weak_ptr<JetImage>> registry;
std::atomic<unsigned> images_made{0};

}  // namespace

struct JetImage::Loader {
    Database db;
    FileDescriptor file;
    std::vector<unsigned char> page0;
    std::promise<void> ready;
    std::promise<void> rows;
    std::atomic<bool> cancelled{false};

    void run() {
        ImageSink sink(db, ready, cancelled);
        try {
            // Nothing is rolled back: a failed load fails every statement on
            // the table it was loading.
            db.exec("PRAGMA journal_mode=OFF", "cannot hold the catalogue");
            db.exec("BEGIN", "cannot hold the catalogue");
            jet::read_tables_isolated(file.fd, page0, loaded_tables, sink, load_limit,
                                      [this] { return cancelled.load(std::memory_order_relaxed); });
            sink.finish();
            rows.set_value();
        } catch (...) {
            if (!sink.was_ready()) ready.set_exception(std::current_exception());
            rows.set_exception(std::current_exception());
        }
        // The file is read: nothing of it stays open.
        ::close(std::exchange(file.fd, -1));
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

std::shared_ptr<JetImage> JetImage::open(const std::string& path, const std::string* password) {
    FileDescriptor file;
    file.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file.fd < 0) fail("the file cannot be read: " + std::generic_category().message(errno));
    struct stat state {};
    if (::fstat(file.fd, &state) != 0) fail("the file cannot be read: " + std::generic_category().message(errno));
    std::vector<unsigned char> page0(jet::jet4_page_size);
    const ssize_t got = ::pread(file.fd, page0.data(), page0.size(), 0);
    if (got < 0) fail("the file cannot be read: " + std::generic_category().message(errno));
    page0.resize(static_cast<std::size_t>(got));
    jet::checked_header(page0, password);

    const std::string version = "jet:" + std::to_string(state.st_dev) + ":" + std::to_string(state.st_ino) + ":" +
                                std::to_string(state.st_size) + ":" + std::to_string(state.st_mtim.tv_sec) + "." +
                                std::to_string(state.st_mtim.tv_nsec);
    const std::lock_guard lock(registry_mutex);
    std::erase_if(registry, [](const auto& entry) { return entry.second.expired(); });
    if (const auto held = registry.find(version); held != registry.end())
        if (std::shared_ptr<JetImage> image = held->second.lock()) return image;

    const std::string name =
        "qinghe-jet-" + std::to_string(::getpid()) + "-" + std::to_string(images_made.fetch_add(1));
    std::shared_ptr<JetImage> image(new JetImage(name, version));
    Loader& loader = *image->loader_;
    loader.db = Database::shared_memory(name, Database::Access::read_write_create);
    loader.file = std::move(file);
    loader.page0 = std::move(page0);
    std::future<void> ready = loader.ready.get_future();
    image->rows_ = loader.rows.get_future().share();
    image->thread_ = std::thread([&loader] { loader.run(); });
    ready.get();
    registry[version] = image;
    return image;
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
    while (!image->wait_for_rows(load_limit)) {}
    return Database::shared_memory(image->name(), Database::Access::read_only);
}

}  // namespace qinghe::platform::sqlcipher
