// The window while a search for a word found nowhere runs on the worker over
// the 1,000,000-programme catalogue: the event loop keeps turning, and the
// longest time it was held (counter longest_stall_ms) is what a user would
// feel as a freeze (each turn includes a 1 ms pause between looks).
#include "bench/bench_catalogues.h"
#include "bench/bench_support.h"

#include "platform/qt/qt_background_work.h"
#include "platform/qt/qt_tree_view.h"
#include "platform/sqlcipher/sqlcipher_connection.h"
#include "search/search.h"
#include "tree/category_roots.h"
#include "tree/node_keys.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <chrono>
#include <thread>

namespace qinghe::bench {
namespace {

void search_stall_worker(benchmark::State& state) {
    guarded(
        state,
        [&] {
            const std::string app_path = catalogue_dir(CatalogueKind::large).string();
            platform::qt::QtBackgroundWork worker([] {
                return std::make_unique<platform::sqlcipher::SqlcipherConnection>(
                    std::string(), platform::sqlcipher::default_statement_limit, false);
            });
            platform::qt::QtTreeView tv1;
            const std::string root(tree::keys::search_root);
            tv1.add_root(root, std::string(tree::search_root_text));
            qint64 longest = 0;
            for (auto _ : state) {
                tv1.set_expanded(root, false);
                QElapsedTimer clock;
                clock.start();
                search::start_search(worker, tv1, app_path, "zqxjvw");
                qint64 last = clock.elapsed();
                longest = std::max(longest, last);
                while (!tv1.expanded(root)) {
                    QCoreApplication::processEvents();
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                    const qint64 now = clock.elapsed();
                    longest = std::max(longest, now - last);
                    last = now;
                }
            }
            state.counters["longest_stall_ms"] = static_cast<double>(longest);
            state.SetLabel(tv1.text(root));
        });
}

BENCHMARK(search_stall_worker)
    ->Name("search_stall/worker/nowhere")
    ->Iterations(2)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qinghe::bench
