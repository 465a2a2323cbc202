// Start-up fill: the category roots of the 1,000,000-programme catalogue,
// each with its first page, into a fresh tree over a fresh connection.
#include "bench/bench_catalogues.h"
#include "bench/bench_support.h"
#include "bench/raw_catalogue.h"

#include "catalogue/statements.h"
#include "platform/qt/qt_timer.h"
#include "platform/qt/qt_tree_view.h"
#include "platform/sqlcipher/sqlcipher_connection.h"
#include "tree/category_paging.h"
#include "tree/category_roots.h"
#include "tree/node_keys.h"

#include <QTreeWidget>

#include <memory>

namespace qinghe::bench {
namespace {

void startup_fill_system(benchmark::State& state, CatalogueKind kind) {
    guarded(
        state,
        [&] {
            const std::string app_path = catalogue_dir(kind).string();
            const std::string connection_string = catalogue::connection_string(app_path);
            platform::qt::QtTimer timer1(
                10, true, [] {});
            for (auto _ : state) {
                state.PauseTiming();
                auto tv1 = std::make_unique<platform::qt::QtTreeView>();
                auto connection = std::make_unique<platform::sqlcipher::SqlcipherConnection>();
                state.ResumeTiming();

                connection->open(connection_string, "", "", platform::adConnectUnspecified);
                tree::fill_category_roots(*connection, *tv1, timer1);

                state.PauseTiming();
                benchmark::DoNotOptimize(tv1->children(std::string(tree::keys::search_root)));
                connection.reset();
                tv1.reset();
                state.ResumeTiming();
            }
        });
}

void startup_fill_baseline(benchmark::State& state) {
    guarded(
        state,
        [&] {
            const auto file = catalogue_file(CatalogueKind::large);
            const QString intro = qstr(tree::intro_text);
            const QString next = qstr(tree::next_page_text);
            const QString search_root = qstr(tree::search_root_text);
            for (auto _ : state) {
                state.PauseTiming();
                auto tv1 = std::make_unique<QTreeWidget>();
                tv1->setColumnCount(1);
                state.ResumeTiming();

                Database db = open_raw_catalogue(file);
                // Each category is built whole, its page below it, and every top
                // level node joins the tree in one insertion.
                QList<QTreeWidgetItem*> roots{new QTreeWidgetItem(QStringList{search_root})};
                Statement categories = db.prepare(catalogue::category_query());
                const int lb_id_column = column_index(categories, "lb_id");
                const int lb_column = column_index(categories, "lb");
                const int c_id_column = column_index(categories, "c_id");
                while (categories.step()) {
                    auto* root = new QTreeWidgetItem(
                        QStringList{qtext(categories, lb_column) + '(' + qtext(categories, c_id_column) + ')'});
                    roots.append(root);
                    const auto lb_id = static_cast<platform::Int16>(categories.integer(lb_id_column));
                    Statement page = db.prepare(with_limit_for_top(catalogue::first_page_query(lb_id)));
                    QList<QTreeWidgetItem*> children;
                    while (page.step()) {
                        if (children.size() == tree::page_size) {
                            children.append(new QTreeWidgetItem(QStringList{next}));
                            break;
                        }
                        children.append(
                            programme_item(QString::number(children.size() + 1) + '.' + qtext(page, 1), intro));
                    }
                    root->addChildren(children);
                }
                tv1->addTopLevelItems(roots);

                state.PauseTiming();
                benchmark::DoNotOptimize(tv1->topLevelItemCount());
                tv1.reset();
                state.ResumeTiming();
            }
        });
}

BENCHMARK_CAPTURE(startup_fill_system, indexed, CatalogueKind::large)
    ->Name("startup_fill/system")
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);
// A publisher's file without indexes: opening orders the listing once.
BENCHMARK_CAPTURE(startup_fill_system, unindexed, CatalogueKind::large_unindexed)
    ->Name("startup_fill/system_unindexed")
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
// A catalogue imported from a playlist opens as fast as a generated one of
// the same size.
BENCHMARK_CAPTURE(startup_fill_system, imported, CatalogueKind::imported)
    ->Name("startup_fill/system_imported_200k")
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(startup_fill_system, generated, CatalogueKind::generated_like_imported)
    ->Name("startup_fill/system_generated_200k")
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(startup_fill_baseline)->Name("startup_fill/baseline")->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qinghe::bench
