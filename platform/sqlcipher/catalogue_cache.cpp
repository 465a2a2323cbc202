#include "platform/sqlcipher/catalogue_cache.h"

#include "platform/base/diagnostics.h"
#include "platform/base/error.h"
#include "platform/base/text.h"
#include "platform/schema/tables.h"

// SQLCipher declares its codec functions only for codec builds.
#define SQLITE_HAS_CODEC 1
#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

namespace qinghe::platform::sqlcipher {

namespace {

namespace fs = std::filesystem;

// What marks a complete cache in the file itself: set only once every row
// and index is written. A cache of another layout fails the check and is
// written afresh.
constexpr std::int64_t cache_application_id = 0x51485456;  // "QHTV"
constexpr std::int64_t cache_layout = 1;
constexpr std::size_t kept_caches = 4;
constexpr std::string_view cache_prefix = "jet-";
constexpr std::string_view cache_suffix = ".sqlite";
constexpr std::string_view temp_marker = ".tmp-";
// A temporary file this old was left by a writer that stopped on the way.
constexpr std::time_t abandoned_after_seconds = 3600;

[[noreturn]] void fail_with_errno(const std::string& what) {
    throw PlatformError(what + ": " + std::generic_category().message(errno));
}

// FNV-1a, 64 bits: the same name for the same identity in every build.
std::uint64_t fnv1a(std::string_view text) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ULL;
    }
    return hash;
}

std::optional<fs::path> absolute_directory(const char* variable) {
    const char* value = std::getenv(variable);
    if (value == nullptr || *value == '\0') return std::nullopt;
    fs::path path(value);
    if (!path.is_absolute()) return std::nullopt;
    return path;
}

std::string key_of(const std::string* password) {
    return password != nullptr ? *password : std::string();
}

// Only a directory of this user's that nobody else may write holds caches:
// a file someone else put there could otherwise stand in for the catalogue.
bool private_directory(const fs::path& directory) {
    struct stat state {};
    return ::lstat(directory.c_str(), &state) == 0 && S_ISDIR(state.st_mode) && state.st_uid == ::geteuid() &&
           (state.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// Creates the directory and any missing parents, each for this user alone.
void make_private_directory(const fs::path& directory) {
    fs::path made;
    for (const fs::path& part : directory) {
        made /= part;
        if (::mkdir(made.c_str(), 0700) != 0 && errno != EEXIST) fail_with_errno("cannot create " + made.string());
    }
    if (!private_directory(directory)) throw PlatformError(directory.string() + " is not this user's alone");
}

void discard(const fs::path& file) noexcept {
    ::unlink(file.c_str());
}

std::int64_t pragma_value(Database& db, const char* pragma) {
    const std::optional<TextRows> rows = db.text_rows(std::string("PRAGMA ") + pragma);
    if (!rows || rows->size() != 1 || rows->front().size() != 1) return -1;
    return std::strtoll(rows->front().front().c_str(), nullptr, 10);
}

// The database file attached to the image's connection as "cache", keyed,
// for as long as this lives.
class AttachedCache {
public:
    AttachedCache(Database& image, const fs::path& file, const std::string& key) : image_(image) {
        Statement attach = image_.prepare("ATTACH DATABASE ?1 AS cache KEY ?2");
        attach.bind_text(1, file.string());
        attach.bind_text(2, key);
        attach.step("cannot open the cache file");
    }
    // A copy that stopped half-way leaves its transaction open.
    ~AttachedCache() {
        try {
            if (sqlite3_get_autocommit(image_.handle()) == 0) image_.exec("ROLLBACK");
            image_.exec("DETACH DATABASE cache");
        } catch (const PlatformError&) {}
    }
    AttachedCache(const AttachedCache&) = delete;
    AttachedCache& operator=(const AttachedCache&) = delete;

private:
    Database& image_;
};

// Asks should_stop between the engine's steps while it lives.
class StopWhen {
public:
    StopWhen(Database& db, const std::function<bool()>& should_stop) : db_(db), should_stop_(should_stop) {
        if (should_stop_) sqlite3_progress_handler(db_.handle(), 1000, &StopWhen::ask, this);
    }
    ~StopWhen() { sqlite3_progress_handler(db_.handle(), 0, nullptr, nullptr); }
    StopWhen(const StopWhen&) = delete;
    StopWhen& operator=(const StopWhen&) = delete;

private:
    static int ask(void* self) { return static_cast<StopWhen*>(self)->should_stop_() ? 1 : 0; }
    Database& db_;
    const std::function<bool()>& should_stop_;
};

using RawStatement = std::unique_ptr<sqlite3_stmt, FinalizeStatement>;

RawStatement prepare_raw(Database& db, const std::string& sql) {
    sqlite3_stmt* raw = nullptr;
    const int rc = sqlite3_prepare_v2(db.handle(), sql.c_str(), -1, &raw, nullptr);
    RawStatement statement(raw);
    if (rc != SQLITE_OK || !statement) db.fail("cannot write the cache");
    return statement;
}

// Copies a table's rows in their order, one row a step: each step of a
// statement on the shared in-memory image keeps every other connection out
// of it, so one statement copying the whole table would hold up the
// catalogue's own statements for as long as it runs.
void copy_rows(Database& image, const std::string& table) {
    const RawStatement read = prepare_raw(image, "SELECT * FROM main." + table + " ORDER BY rowid");
    const int columns = sqlite3_column_count(read.get());
    std::string insert = "INSERT INTO cache." + table + " VALUES (";
    for (int i = 0; i < columns; ++i) insert += i == 0 ? "?" : ", ?";
    const RawStatement write = prepare_raw(image, insert + ")");
    int stepped = SQLITE_ROW;
    while ((stepped = sqlite3_step(read.get())) == SQLITE_ROW) {
        for (int i = 0; i < columns; ++i) sqlite3_bind_value(write.get(), i + 1, sqlite3_column_value(read.get(), i));
        if (sqlite3_step(write.get()) != SQLITE_DONE) image.fail("cannot write the cache");
        sqlite3_reset(write.get());
    }
    if (stepped != SQLITE_DONE) image.fail("cannot read the catalogue");
}

// Copies every table of the image into the attached cache, then its indexes.
void copy_into_cache(Database& image) {
    constexpr std::string_view create_table = "CREATE TABLE ";
    constexpr std::string_view create_index = "CREATE INDEX ";
    std::vector<std::pair<std::string, std::string>> tables;  // name, statement
    std::vector<std::string> indexes;
    Statement schema =
        image.prepare("SELECT type, name, sql FROM main.sqlite_master WHERE sql IS NOT NULL ORDER BY rowid");
    while (schema.step("cannot read the catalogue's tables")) {
        const std::string sql(schema.text(2));
        if (schema.text(0) == "table" && starts_with_ignoring_case(sql, create_table))
            tables.emplace_back(std::string(schema.text(1)), sql);
        else if (schema.text(0) == "index" && starts_with_ignoring_case(sql, create_index))
            indexes.push_back(sql);
        else
            throw PlatformError("cannot keep " + std::string(schema.text(1)) + " in the cache");
    }
    schema = Statement();
    image.exec("BEGIN", "cannot write the cache");
    for (const auto& [name, sql] : tables) {
        image.exec(std::string("CREATE TABLE cache.") + sql.substr(create_table.size()), "cannot write the cache");
        copy_rows(image, catalogue::quote_identifier(name));
    }
    for (const std::string& sql : indexes)
        image.exec(std::string("CREATE INDEX cache.") + sql.substr(create_index.size()), "cannot write the cache");
    image.exec("PRAGMA cache.application_id=" + std::to_string(cache_application_id) +
                   "; PRAGMA cache.user_version=" + std::to_string(cache_layout) + "; COMMIT",
               "cannot write the cache");
}

void sync_file(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) fail_with_errno("cannot open " + path.string());
    const int synced = ::fsync(fd);
    const int error = errno;
    ::close(fd);
    errno = error;
    if (synced != 0) fail_with_errno("cannot write " + path.string());
}

bool ends_with(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// Deletes the caches beyond the most recently used few, and temporary files
// that no writer finished.
void prune(const fs::path& directory) noexcept {
    try {
        struct Cache {
            fs::path path;
            struct timespec used;
        };
        std::vector<Cache> caches;
        std::error_code ec;
        const std::time_t now = std::time(nullptr);
        for (const fs::directory_entry& entry : fs::directory_iterator(directory, ec)) {
            const std::string name = entry.path().filename().string();
            struct stat state {};
            if (!starts_with(name, cache_prefix) || ::lstat(entry.path().c_str(), &state) != 0 ||
                !S_ISREG(state.st_mode))
                continue;
            if (name.find(temp_marker) != std::string::npos) {
                if (now - state.st_mtim.tv_sec > abandoned_after_seconds) discard(entry.path());
            } else if (ends_with(name, cache_suffix)) {
                caches.push_back({entry.path(), state.st_mtim});
            }
        }
        if (caches.size() <= kept_caches) return;
        std::sort(caches.begin(), caches.end(), [](const Cache& a, const Cache& b) {
            return std::pair(a.used.tv_sec, a.used.tv_nsec) > std::pair(b.used.tv_sec, b.used.tv_nsec);
        });
        for (std::size_t i = kept_caches; i < caches.size(); ++i) discard(caches[i].path);
    } catch (...) {
        // Pruning is tidying: what cannot be listed stays.
    }
}

std::atomic<unsigned> temp_files_made{0};

}  // namespace

std::optional<fs::path> cache_directory() {
    if (const char* own = std::getenv("QINGHE_CACHE_DIR"); own != nullptr) {
        if (*own == '\0') return std::nullopt;
        return absolute_directory("QINGHE_CACHE_DIR");
    }
    if (auto cache_home = absolute_directory("XDG_CACHE_HOME")) return *cache_home / program_name;
    if (auto home = absolute_directory("HOME")) return *home / ".cache" / program_name;
    return std::nullopt;
}

std::string cache_file_name(const struct stat& jet_file, const std::string* password) {
    const auto time = [](const struct timespec& t) { return std::to_string(t.tv_sec) + "." + std::to_string(t.tv_nsec); };
    std::string identity = std::to_string(jet_file.st_dev) + ":" + std::to_string(jet_file.st_ino) + ":" +
                           std::to_string(jet_file.st_size) + ":" + time(jet_file.st_mtim) + ":" +
                           time(jet_file.st_ctim) + "\n";
    identity += password != nullptr ? "key " + *password : std::string("no key");
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016" PRIx64, fnv1a(identity));
    return std::string(cache_prefix) + hash + std::string(cache_suffix);
}

std::optional<Database> open_cache(const fs::path& file, const std::string* password) {
    if (!private_directory(file.parent_path())) return std::nullopt;
    struct stat state {};
    if (::lstat(file.c_str(), &state) != 0) return std::nullopt;
    if (!S_ISREG(state.st_mode) || state.st_uid != ::geteuid()) {
        discard(file);
        return std::nullopt;
    }
    try {
        Database db(file.string(), Database::Access::read_only);
        db.key(key_of(password));
        // The first read proves the key and that the file is whole: a file
        // cut short reads as damaged.
        if (db.table_count() > 0 && pragma_value(db, "application_id") == cache_application_id &&
            pragma_value(db, "user_version") == cache_layout) {
            ::utimensat(AT_FDCWD, file.c_str(), nullptr, 0);
            return db;
        }
    } catch (const PlatformError&) {}
    discard(file);
    return std::nullopt;
}

void write_cache(Database& image, const fs::path& file, const std::string* password,
                 const std::function<bool()>& should_stop) noexcept {
    fs::path temp;
    try {
        const fs::path directory = file.parent_path();
        make_private_directory(directory);
        temp = file;
        temp += std::string(temp_marker) + std::to_string(::getpid()) + "-" + std::to_string(temp_files_made++);
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            temp.clear();
            fail_with_errno("cannot create a file in " + directory.string());
        }
        ::close(fd);
        {
            // Stopping ends with the writing, before the file is let go.
            const AttachedCache attached(image, temp, key_of(password));
            const StopWhen stop(image, should_stop);
            image.exec("PRAGMA cache.journal_mode=OFF; PRAGMA cache.synchronous=OFF", "cannot write the cache");
            copy_into_cache(image);
        }
        // Complete and on disk before it takes the name readers look for.
        sync_file(temp);
        if (::rename(temp.c_str(), file.c_str()) != 0) fail_with_errno("cannot rename into " + file.string());
        temp.clear();
        try {
            sync_file(directory);
        } catch (const PlatformError&) {
            // The file is whole either way; only its name may not last a crash.
        }
        prune(directory);
    } catch (const std::exception& e) {
        if (!temp.empty()) discard(temp);
        note(DiagnosticTopic::catalogue, std::string("catalogue cache not written: ") + e.what());
    }
}

}  // namespace qinghe::platform::sqlcipher
