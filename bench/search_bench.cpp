// The search button over the 1,000,000-programme catalogue: a word in many
// titles, a word in none, and the empty text (every programme matches).
#include "bench/bench_catalogues.h"
#include "bench/bench_support.h"
#include "bench/raw_catalogue.h"

#include "catalogue/queries.h"
#include "catalogue/statements.h"
#include "platform/qt/qt_tree_view.h"
#include "platform/sqlcipher/sqlcipher_connection.h"
#include "search/search.h"
#include "tree/category_paging.h"
#include "tree/category_roots.h"
#include "tree/node_keys.h"

#include <QTreeWidget>

namespace qinghe::bench {
namespace {

// "故事" ends one title in forty of the generated ones.
const std::string search_texts[] = {"故事", "zqxjvw", ""};

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
            RawCatalogue db(catalogue_file(CatalogueKind::large));
            const std::string sql = with_limit_for_top(catalogue::search_query(text));
            const QString intro = qstr(tree::intro_text);
            QTreeWidget tv1;
            tv1.setColumnCount(1);
            auto* root = new QTreeWidgetItem(QStringList{qstr(tree::search_root_text)});
            tv1.addTopLevelItem(root);
            for (auto _ : state) {
                delete_children(root);
                RawQuery results(db, sql);
                // Every result is built first and joins the root at once.
                QList<QTreeWidgetItem*> children;
                while (results.step()) {
                    benchmark::DoNotOptimize(results.integer(0));
                    children.append(
                        programme_item(QString::number(children.size() + 1) + '.' + results.qtext(1), intro));
                }
                root->addChildren(children);
                root->setText(0, QStringLiteral("搜索结果(%1)").arg(children.size()));
                root->setExpanded(true);
            }
            state.SetLabel(root->text(0).toStdString());
        });
}

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
