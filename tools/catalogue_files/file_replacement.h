#pragma once

// Writing a new catalogue beside its destination and moving it into place
// only when complete, for every writer of catalogue files.

#include <filesystem>

namespace qinghe::catalogue_files::detail {

// Reserves a fresh name beside the destination by creating an empty file
// exclusively, and returns it.
std::filesystem::path create_temp_file(const std::filesystem::path& destination);

// Flushes a file (or directory) to disk so that a rename never exposes a
// file whose contents are still only in the page cache; failures throw only
// when required.
void sync_path(const std::filesystem::path& path, bool required);

// Only a regular file, or nothing, may be replaced by a new catalogue; a
// symbolic link counts as what it points to. Anything else at the
// destination (a device, a FIFO, a directory) is refused and left as it is.
void check_replaceable(const std::filesystem::path& destination);

// Flushes the complete temporary file and renames it onto the destination,
// which is checked once more first; then flushes the directory.
void move_into_place(const std::filesystem::path& temp, const std::filesystem::path& destination);

}  // namespace qinghe::catalogue_files::detail
