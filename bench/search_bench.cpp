// The search button over the 1,000,000-programme catalogue: a word in many
// titles, a word in none, and the empty text (every programme matches); and
// with the search index, from the click to the rows shown, for words found
// nowhere, in about ten rows, in many rows, a single character and a text
// with "%" inside; and the index's build.
#include "bench/bench_catalogues.h"
#include "bench/bench_support.h"
#include "bench/raw_catalogue.h"
#include "bench/search_support.h"

#include "catalogue/queries.h"
#include "catalogue/statements.h"
#include "platform/qt/qt_background_work.h"
#include "platform/qt/qt_tree_view.h"
#include "platform/sqlcipher/sqlcipher_connection.h"
#include "search/search.h"
#include "search/searcher.h"
#include "tree/category_paging.h"
#include "tree/category_roots.h"
#include "tree/node_keys.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTreeWidget>

#include <algorithm>
#include <vector>

namespace qinghe::bench {
namespace {

void search_system(benchmark::State& state, std::size_t word) {
    guarded(
        state,
        [&] {
            const std::string& text = search_texts[word];
            platform::sqlcipher::SqlcipherConnection connection;
            catalogue::open_catalogue(connection, catalogue_dir(CatalogueKind::large).string());
            platform::qt::QtTreeView tv1;
            const std::string root(tree::keys::search_root);
            tv1.add_root(root, std::string(tree::search_root_text));
            for (auto _ : state) search::search_click(connection, tv1, text);
            benchmark::DoNotOptimize(tv1.children(root));
            state.SetLabel(tv1.text(root));
        });
}

void search_baseline(benchmark::State& state, std::size_t word) {
    guarded(
        state,
        [&] {
            const std::string& text = search_texts[word];
            Database db = open_raw_catalogue(catalogue_file(CatalogueKind::large));
            const std::string sql = with_limit_for_top(catalogue::search_query(text));
            const QString intro = qstr(tree::intro_text);
            QTreeWidget tv1;
            tv1.setColumnCount(1);
            auto* root = new QTreeWidgetItem(QStringList{qstr(tree::search_root_text)});
            tv1.addTopLevelItem(root);
            for (auto _ : state) {
                delete_children(root);
                Statement results = db.prepare(sql);
                // Every result is built first and joins the root at once.
                QList<QTreeWidgetItem*> children;
                while (results.step()) {
                    benchmark::DoNotOptimize(results.integer(0));
                    children.append(
                        programme_item(QString::number(children.size() + 1) + '.' + qtext(results, 1), intro));
                }
                root->addChildren(children);
                root->setText(0, QStringLiteral("搜索结果(%1)").arg(children.size()));
                root->setExpanded(true);
            }
            state.SetLabel(root->text(0).toStdString());
        });
}

// From the click to the rows listed, with the index built beforehand: the
// search runs on its worker as in the window, so the time is wall-clock.
void search_indexed(benchmark::State& state, std::size_t word) {
    guarded(
        state,
        [&] {
            const std::string app_path = catalogue_dir(CatalogueKind::large).string();
            const auto search_worker = make_search_worker();
            const auto index_worker = make_search_worker();
            search::Searcher searcher(*search_worker, index_worker.get());
            searcher.build_index(app_path);
            wait_for([&] { return searcher.index_ready(); });
            platform::qt::QtTreeView tv1;
            const std::string root(tree::keys::search_root);
            tv1.add_root(root, std::string(tree::search_root_text));
            std::vector<double> times;
            for (auto _ : state) {
                tv1.set_expanded(root, false);
                QElapsedTimer clock;
                clock.start();
                searcher.start_search(tv1, app_path, search_texts[word]);
                wait_for([&] { return tv1.expanded(root); });
                times.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
            }
            searcher.stop();
            std::sort(times.begin(), times.end());
            state.counters["median_ms"] = times[times.size() / 2];
            state.SetLabel(tv1.text(root));
        });
}

// The index's build on its own thread, here the benchmark's: CPU time, with
// the memory it keeps as a counter.
void search_index_build(benchmark::State& state) {
    guarded(
        state,
        [&] {
            platform::sqlcipher::SqlcipherConnection connection(std::string(),
                                                                platform::sqlcipher::default_statement_limit, false);
            catalogue::open_catalogue(connection, catalogue_dir(CatalogueKind::large).string());
            std::shared_ptr<const search::SearchIndex> index;
            for (auto _ : state) index = search::build_search_index(connection);
            if (!index) throw std::runtime_error("no index built");
            state.counters["index_mb"] =
                static_cast<double>(index->text.bytes() + index->rowids.capacity() * sizeof(std::uint32_t)) / 1e6;
        });
}

BENCHMARK(search_index_build)->Name("search_index/build")->Iterations(1)->Unit(benchmark::kMillisecond);

// Each indexed case beside the scan it replaces.
struct IndexedCase {
    const char* name;
    std::size_t word;
};
constexpr IndexedCase indexed_cases[] = {
    {"nowhere", 1}, {"ten_rows", 3}, {"common", 0}, {"one_character", 4}, {"percent_inside", 5}};

[[maybe_unused]] const bool indexed_registered = [] {
    for (const IndexedCase& c : indexed_cases) {
        benchmark::RegisterBenchmark((std::string("search/indexed/") + c.name).c_str(), search_indexed, c.word)
            ->Repetitions(1)
            ->Iterations(5)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
        // The common word's scan is registered below with the other scans.
        if (c.word >= 3)
            benchmark::RegisterBenchmark((std::string("search/baseline/") + c.name).c_str(), search_baseline, c.word)
                ->Iterations(2)
                ->Unit(benchmark::kMillisecond);
    }
    return true;
}();

// The common word and the empty text stop after fifty rows; the missing
// word reads the whole catalogue, so it runs a few times only.
BENCHMARK_CAPTURE(search_system, common, std::size_t{0})
    ->Name("search/system/common")
    ->MinTime(1.0)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(search_baseline, common, std::size_t{0})
    ->Name("search/baseline/common")
    ->MinTime(1.0)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(search_system, nowhere, std::size_t{1})
    ->Name("search/system/nowhere")
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(search_baseline, nowhere, std::size_t{1})
    ->Name("search/baseline/nowhere")
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(search_system, empty, std::size_t{2})
    ->Name("search/system/empty")
    ->MinTime(1.0)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(search_baseline, empty, std::size_t{2})
    ->Name("search/baseline/empty")
    ->MinTime(1.0)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qinghe::bench
