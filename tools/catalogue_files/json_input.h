#pragma once

#include "tools/catalogue_files/catalogue_data.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace qinghe::catalogue_files {

// The largest JSON description create reads: far above any real catalogue,
// and a bound on what a file of any size (or /dev/zero) can cost.
inline constexpr std::size_t max_json_bytes = std::size_t{256} * 1024 * 1024;

// How deep arrays and objects may nest in a catalogue's JSON. A catalogue
// needs three levels (tables, rows, values); the limit keeps a file of
// deeply nested arrays from exhausting the stack.
inline constexpr std::size_t max_json_depth = 16;

// A catalogue from its JSON text. Throws std::runtime_error for text that is
// not JSON, that nests deeper than max_json_depth (naming the depth and where),
// or that does not describe a catalogue.
CatalogueData parse_catalogue_json(std::string_view text);

// The whole content of a file, device or pipe, up to max_bytes. Throws
// std::runtime_error naming the file when it cannot be read or holds more.
std::string read_input(const std::string& path, std::size_t max_bytes = max_json_bytes);

}  // namespace qinghe::catalogue_files
