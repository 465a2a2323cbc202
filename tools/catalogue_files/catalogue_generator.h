#pragma once

#include <cstdint>
#include <filesystem>

#include "tools/catalogue_files/jet_writer.h"

namespace qinghe::catalogue_files {

struct GenerateOptions {
    int categories = 12;
    std::int64_t programmes = 300;
    std::uint32_t seed = 1;
    int ads = 5;
};

// Writes a deterministic synthetic catalogue: categories with Chinese
// names, programmes spread over them with realistic Chinese titles and
// player texts, play lists of one to three groups across 土豆, 优酷 and SINA,
// and an ad text. The same options always give the same file contents.
// Fast enough for a million programmes. Throws std::runtime_error.
void generate_catalogue(const std::filesystem::path& file, const GenerateOptions& options);

// The same rows as a Jet file, streamed page by page.
void generate_jet_catalogue(const std::filesystem::path& file, const GenerateOptions& options,
                            const JetOptions& jet_options);

}  // namespace qinghe::catalogue_files
