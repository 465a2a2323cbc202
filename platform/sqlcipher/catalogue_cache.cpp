#include "platform/sqlcipher/catalogue_cache.h"

#include "platform/base/diagnostics.h"
#include "platform/base/error.h"

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
    ~AttachedCache() {
        try {
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

void sync_file(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) fail_with_errno("cannot open " + path.string());
    const int synced = ::fsync(fd);
    const int error = errno;
    ::close(fd);
    errno = error;
    if (synced != 0) fail_with_errno("cannot write " + path.string());
}

bool starts_with(std::string_view text, std::string_view start) {
    return text.substr(0, start.size()) == start;
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
            image.exec("SELECT sqlcipher_export('cache')", "cannot write the cache");
            image.exec("PRAGMA cache.application_id=" + std::to_string(cache_application_id) +
                           "; PRAGMA cache.user_version=" + std::to_string(cache_layout),
                       "cannot write the cache");
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
