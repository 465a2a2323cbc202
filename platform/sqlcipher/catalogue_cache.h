#pragma once

// The cache of read Jet catalogues: once a Jet file's image holds every row,
// it is kept as an SQLCipher catalogue file (rows and indexes) keyed with
// the database password it was opened with, so that the next start opens
// that file instead of reading the Jet file again.
//
// The cache lives in $QINGHE_CACHE_DIR when that is set (empty: no cache),
// else in $XDG_CACHE_HOME/qinghe-tv, else in ~/.cache/qinghe-tv. A cache
// file is named after the Jet file's identity (device, inode, size, mtime,
// ctime) and the password, so a changed file or another password never
// meets an old cache. The few most recently used files are kept.

#include "platform/sqlcipher/sqlite_database.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

struct stat;

namespace qinghe::platform::sqlcipher {

// The cache directory as the environment names it; nullopt when the cache
// is off or no directory can be named.
std::optional<std::filesystem::path> cache_directory();

// The cache file's name for the Jet file in that state, opened with that
// password.
std::string cache_file_name(const struct stat& jet_file, const std::string* password);

// The cache file opened read-only and keyed, when it is a complete cache
// this user wrote. A file there that is not (damaged, cut short, keyed
// otherwise, foreign) is deleted, and nullopt returned. Opening one marks
// it as the most recently used.
std::optional<Database> open_cache(const std::filesystem::path& file, const std::string* password);

// Writes what the image database holds as the cache file, atomically, and
// deletes the least recently used caches beyond the few kept. A failure (an
// unwritable directory, a full disk, should_stop answering true) leaves no
// file behind and is only a debug line.
void write_cache(Database& image, const std::filesystem::path& file, const std::string* password,
                 const std::function<bool()>& should_stop) noexcept;

}  // namespace qinghe::platform::sqlcipher
