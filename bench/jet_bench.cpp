// Jet catalogues beside SQLCipher files of the same data: the start-up fill
// (open, then every category with its first page), what runs before the
// window shows (open and the ad query), a page turn and a search. Loading a
// Jet file runs on other threads and a child process, so these cases time
// the wall clock and report the median as median_ms, each in one
// repetition of its own (the median of its iterations).
//
// Every Jet case but the first opens runs as the user's every start does,
// with the file already in the catalogue cache (qinghe_bench keeps it in a
// directory of its own); the first opens empty the cache before each
// iteration.
#include "bench/bench_catalogues.h"
#include "bench/bench_support.h"

#include "catalogue/queries.h"
#include "catalogue/statements.h"
#include "platform/qt/qt_timer.h"
#include "platform/schema/catalogue_file.h"
#include "platform/qt/qt_tree_view.h"
#include "platform/sqlcipher/catalogue_cache.h"
#include "platform/sqlcipher/sqlcipher_connection.h"
#include "search/search.h"
#include "tree/category_paging.h"
#include "tree/category_roots.h"
#include "tree/node_keys.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <thread>
#include <vector>

#include <sys/stat.h>

namespace qinghe::bench {
namespace {

using Clock = std::chrono::steady_clock;
using Connection = platform::sqlcipher::SqlcipherConnection;

// Runs step once per iteration on the wall clock, with prepare and finish
// outside the timing; reports the median.
template <typename Prepare, typename Step, typename Finish>
void timed(benchmark::State& state, Prepare&& prepare, Step&& step, Finish&& finish) {
    std::vector<double> times;
    for (auto _ : state) {
        state.PauseTiming();
        prepare();
        const auto start = Clock::now();
        step();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        finish();
        state.ResumeTiming();
    }
    std::sort(times.begin(), times.end());
    if (!times.empty()) state.counters["median_ms"] = times[times.size() / 2];
}

bool is_jet(CatalogueKind kind) {
    return kind == CatalogueKind::jet_like_imported || kind == CatalogueKind::small_jet ||
           kind == CatalogueKind::paging_jet;
}

// The cache file of a Jet catalogue; none for an SQLCipher one.
std::optional<std::filesystem::path> cache_file(CatalogueKind kind) {
    const std::optional<std::filesystem::path> directory = platform::sqlcipher::cache_directory();
    if (!is_jet(kind) || !directory) return std::nullopt;
    struct stat state {};
    if (::stat(catalogue_file(kind).c_str(), &state) != 0) throw std::runtime_error("no catalogue to cache");
    const std::string password = catalogue::database_password;
    return *directory / platform::sqlcipher::cache_file_name(state, &password);
}

// Opens a Jet catalogue once, every row read, and keeps it open until its
// cache is written.
void make_cache(CatalogueKind kind) {
    const std::optional<std::filesystem::path> cache = cache_file(kind);
    if (!cache || std::filesystem::exists(*cache)) return;
    Connection connection;
    catalogue::open_catalogue(connection, catalogue_dir(kind).string());
    catalogue::open_first_page_query(connection, paging_lb_id)->record_count();
    for (int waited = 0; waited < 6000 && !std::filesystem::exists(*cache); ++waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!std::filesystem::exists(*cache)) throw std::runtime_error("the catalogue cache was not written");
}

// The start the user has every day, or with first_open the first start
// after a catalogue is installed or changed.
void startup_fill(benchmark::State& state, CatalogueKind kind, bool first_open = false) {
    guarded(
        state,
        [&] {
            const std::string connection_string = catalogue::connection_string(catalogue_dir(kind).string());
            const std::optional<std::filesystem::path> cache = cache_file(kind);
            if (!first_open) make_cache(kind);
            platform::qt::QtTimer timer1(
                10, true, [] {});
            std::unique_ptr<platform::qt::QtTreeView> tv1;
            std::unique_ptr<Connection> connection;
            timed(
                state,
                [&] {
                    if (first_open && cache) std::filesystem::remove(*cache);
                    tv1 = std::make_unique<platform::qt::QtTreeView>();
                    connection = std::make_unique<Connection>();
                },
                [&] {
                    connection->open(connection_string, "", "", platform::adConnectUnspecified);
                    tree::fill_category_roots(*connection, *tv1, timer1);
                },
                [&] {
                    benchmark::DoNotOptimize(tv1->children(std::string(tree::keys::search_root)));
                    connection.reset();
                    tv1.reset();
                });
        });
}

// Start-up up to the window's showing: the open and the ad query.
void window_open(benchmark::State& state, CatalogueKind kind) {
    guarded(
        state,
        [&] {
            const std::string connection_string = catalogue::connection_string(catalogue_dir(kind).string());
            make_cache(kind);
            std::unique_ptr<Connection> connection;
            timed(
                state, [&] { connection = std::make_unique<Connection>(); },
                [&] {
                    connection->open(connection_string, "", "", platform::adConnectUnspecified);
                    benchmark::DoNotOptimize(catalogue::open_ad_query(*connection)->field("ad").text());
                },
                [&] { connection.reset(); });
        });
}

void page_turn(benchmark::State& state, CatalogueKind kind) {
    guarded(
        state,
        [&] {
            const auto pg = static_cast<platform::Int16>(state.range(0));
            const platform::Int16 lb_id = paging_lb_id;
            make_cache(kind);
            Connection connection;
            catalogue::open_catalogue(connection, catalogue_dir(kind).string());
            platform::qt::QtTreeView tv1;
            const std::string category = tree::keys::category(lb_id);
            tv1.add_root(category, "连续剧(100000)");
            tree::set_child(connection, tv1, lb_id, 1);
            timed(
                state, [&] { tree::delete_child(tv1, category); }, [&] { tree::set_child(connection, tv1, lb_id, pg); },
                [] {});
        });
}

void search(benchmark::State& state, CatalogueKind kind) {
    guarded(
        state,
        [&] {
            make_cache(kind);
            Connection connection;
            catalogue::open_catalogue(connection, catalogue_dir(kind).string());
            platform::qt::QtTreeView tv1;
            const std::string root(tree::keys::search_root);
            tv1.add_root(root, std::string(tree::search_root_text));
            search::search_click(connection, tv1, "故事");  // the Jet file's rows are in
            timed(
                state, [] {}, [&] { search::search_click(connection, tv1, "故事"); }, [] {});
            state.SetLabel(tv1.text(root));
        });
}

BENCHMARK_CAPTURE(startup_fill, jet_20k, CatalogueKind::small_jet)
    ->Name("jet/startup_fill/jet_20k")
    ->Iterations(5)
    ->Repetitions(1);
BENCHMARK_CAPTURE(startup_fill, jet_20k_first, CatalogueKind::small_jet, true)
    ->Name("jet/startup_fill/jet_20k_first")
    ->Iterations(5)
    ->Repetitions(1);
BENCHMARK_CAPTURE(startup_fill, sqlcipher_20k, CatalogueKind::small_generated)
    ->Name("jet/startup_fill/sqlcipher_20k")
    ->Iterations(5)
    ->Repetitions(1);
BENCHMARK_CAPTURE(startup_fill, jet_200k, CatalogueKind::jet_like_imported)
    ->Name("jet/startup_fill/jet_200k")
    ->Iterations(5)
    ->Repetitions(1);
BENCHMARK_CAPTURE(startup_fill, jet_200k_first, CatalogueKind::jet_like_imported, true)
    ->Name("jet/startup_fill/jet_200k_first")
    ->Iterations(5)
    ->Repetitions(1);
BENCHMARK_CAPTURE(startup_fill, sqlcipher_200k, CatalogueKind::generated_like_imported)
    ->Name("jet/startup_fill/sqlcipher_200k")
    ->Iterations(5)
    ->Repetitions(1);
BENCHMARK_CAPTURE(window_open, jet_200k, CatalogueKind::jet_like_imported)
    ->Name("jet/window_open/jet_200k")
    ->Iterations(5)
    ->Repetitions(1);
BENCHMARK_CAPTURE(window_open, sqlcipher_200k, CatalogueKind::generated_like_imported)
    ->Name("jet/window_open/sqlcipher_200k")
    ->Iterations(5)
    ->Repetitions(1);
BENCHMARK_CAPTURE(page_turn, jet, CatalogueKind::paging_jet)
    ->Name("jet/page_turn/jet")
    ->Arg(2)
    ->Arg(1000)
    ->Iterations(20)
    ->Repetitions(1);
BENCHMARK_CAPTURE(page_turn, sqlcipher, CatalogueKind::paging)
    ->Name("jet/page_turn/sqlcipher")
    ->Arg(2)
    ->Arg(1000)
    ->Iterations(20)
    ->Repetitions(1);
BENCHMARK_CAPTURE(search, jet, CatalogueKind::jet_like_imported)
    ->Name("jet/search/jet")
    ->Iterations(10)
    ->Repetitions(1);
BENCHMARK_CAPTURE(search, sqlcipher, CatalogueKind::generated_like_imported)
    ->Name("jet/search/sqlcipher")
    ->Iterations(10)
    ->Repetitions(1);

}  // namespace
}  // namespace qinghe::bench
