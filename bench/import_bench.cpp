// Importing a 200,000-entry playlist beside generating a catalogue of the
// same size: both write through the same catalogue writer, so the ratio is
// what reading the playlist adds.
#include "bench/bench_catalogues.h"
#include "bench/bench_support.h"

#include "tools/catalogue_files/catalogue_generator.h"
#include "tools/playlist_import/playlist_import.h"

#include <filesystem>
#include <sstream>

namespace qinghe::bench {
namespace {

std::filesystem::path scratch_file() {
    return catalogue_dir(CatalogueKind::imported).parent_path() / "import-bench.dll";
}

void import_system(benchmark::State& state) {
    guarded(
        state,
        [&] {
            const std::string playlist = bench_playlist().string();
            for (auto _ : state) {
                std::ostringstream notes;
                benchmark::DoNotOptimize(
                    playlist_import::import_playlists({{playlist}, std::nullopt, scratch_file()}, notes));
            }
            std::filesystem::remove(scratch_file());
        });
}

void import_baseline(benchmark::State& state) {
    guarded(
        state,
        [&] {
            for (auto _ : state)
                catalogue_files::generate_catalogue(scratch_file(), {imported_groups, imported_entries, 1, 0});
            std::filesystem::remove(scratch_file());
        });
}

BENCHMARK(import_system)->Name("import_200k/system")->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(import_baseline)->Name("import_200k/baseline")->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qinghe::bench
