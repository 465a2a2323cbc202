#pragma once

#include <filesystem>
#include <string>

// The catalogues the benchmarks read. Each lives in a directory of its own
// as tavik.dll, the way the program finds its catalogue beside the
// executable, so the system's path opens it with the real connection string.
// They are made once and kept: a run reuses every catalogue already there.
namespace qinghe::bench {

enum class CatalogueKind {
    large,                    // 200 categories, 1,000,000 generated programmes
    large_unindexed,          // the same file without any index, as a publisher may ship it
    paging,                   // one category of exactly 100,000 programmes, one small one
    play_list,                // one programme whose play list has 1,000 groups of 20 videos
    ads,                      // a small generated catalogue with 20 ads
    imported,                 // 200,000 playlist entries in 100 groups, imported
    generated_like_imported,  // 100 categories, 200,000 generated programmes
    jet_like_imported,        // the same written as Jet 4, as a genuine catalogue is
    small_generated,          // 100 categories, 20,000 generated programmes
    small_jet,                // the same written as Jet 4
    paging_jet,               // paging written as Jet 4
};

inline constexpr int large_categories = 200;
inline constexpr long large_programmes = 1'000'000;
inline constexpr int paging_lb_id = 1;
inline constexpr int paging_programmes = 100'000;
inline constexpr int play_list_groups = 1000;
inline constexpr int play_list_videos = 20;
inline constexpr int play_list_programme_id = 1;
inline constexpr int ticker_ads = 20;
inline constexpr int imported_groups = 100;
inline constexpr long imported_entries = 200'000;
inline constexpr long small_programmes = 20'000;

// The playlist the imported catalogue comes from: imported_entries entries
// in imported_groups groups, a third with player options, as providers write
// them. Made once beside the catalogues.
std::filesystem::path bench_playlist();

// Where the catalogues are kept; set once from the command line.
void set_catalogue_root(const std::filesystem::path& root);

// The directory holding the catalogue (as the program's app path) and the
// catalogue file itself.
std::filesystem::path catalogue_dir(CatalogueKind kind);
std::filesystem::path catalogue_file(CatalogueKind kind);

// Makes every catalogue that is not there yet, saying what it makes on
// stderr. Throws std::runtime_error.
void make_missing_catalogues();

}  // namespace qinghe::bench
