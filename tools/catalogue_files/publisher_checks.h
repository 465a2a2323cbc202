#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace qinghe::catalogue_files {

// What a publisher should fix in a catalogue file, one sentence each, in a
// fixed order: missing indexes, category counts that differ from the
// programmes listed, play lists the tree cannot split, titles that are
// Null. Empty for a sound file. Throws std::runtime_error when the file
// cannot be read as a catalogue.
std::vector<std::string> check_catalogue(const std::filesystem::path& file);

// Removes every index from a catalogue file, as a publisher's file may come
// without any (for testing and measuring the program on such files).
void drop_indexes(const std::filesystem::path& file);

}  // namespace qinghe::catalogue_files
