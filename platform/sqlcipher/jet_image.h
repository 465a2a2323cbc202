#pragma once

// A Jet catalogue file read into an in-memory SQLite database, so that its
// statements run through the same SQLite layer, with the same meanings, as
// on an SQLCipher file. The file is read once per process however many
// connections open it, in a child process (see platform/jet/jet_tables.h),
// and is never written or locked.
//
// Loading returns once the small tables (vlb, ad) and t1's columns and
// indexes are in; t1's rows follow on a thread of the image's own, and a
// statement that reads t1 waits for them (wait_for_rows).

#include <chrono>
#include <filesystem>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include <sys/stat.h>

namespace qinghe::platform::sqlcipher {

class Database;

class JetImage {
public:
    // Opens the image of the Jet file at path, loading it unless this
    // process holds it already (the same file, unchanged). Throws
    // PlatformError when the password is wrong (see jet::checked_header) or
    // the file cannot be read. With a cache directory, a loaded image is
    // written there once it holds every row (see catalogue_cache.h).
    static std::shared_ptr<JetImage> open(const std::string& path, const std::string* password,
                                          const std::optional<std::filesystem::path>& cache_directory = {});

    ~JetImage();
    JetImage(const JetImage&) = delete;
    JetImage& operator=(const JetImage&) = delete;

    // The name of the in-memory database (Database::shared_memory).
    const std::string& name() const { return name_; }
    // Which file, in which state, the image holds: the same text for every
    // connection on it, for as long as it lives.
    const std::string& version() const { return version_; }
    // The table whose rows may still be loading.
    static const char* deferred_table();
    // Waits up to the time given for every row to be in: true when they
    // are; throws PlatformError when loading them failed.
    bool wait_for_rows(std::chrono::milliseconds time) const;
    // How long loading the rows may take before it fails: the Jet reader's
    // limit for the file's size (jet::read_time_limit).
    std::chrono::milliseconds load_limit() const;
    // Whether t1's rows are still loading, without waiting: false once they
    // are in or loading them failed.
    bool rows_loading() const noexcept;

private:
    struct Loader;
    JetImage(std::string name, std::string version);

    std::string name_;
    std::string version_;
    std::unique_ptr<Loader> loader_;
    std::shared_future<void> rows_;
    std::thread thread_;
};

// The state of the Jet file at path once its header and password are
// checked as JetImage::open checks them (and with the same failures).
struct stat checked_jet_file(const std::string& path, const std::string* password);

// Which file, in which state, a Jet catalogue answers from: the image's
// version() for a file in that state.
std::string jet_version(const struct stat& jet_file);

// Whether the file at path starts as a Jet database does; false for one
// that cannot be read or is too short to say.
bool is_jet_file(const std::string& path);

// The whole Jet file, every row loaded, as a read-only database of its own
// (which keeps the memory it is in), for qinghe-catalogue. Throws
// PlatformError as JetImage::open does, and when its rows fail to load.
Database open_jet_database(const std::string& path, const std::string* password);

}  // namespace qinghe::platform::sqlcipher
