// Page turns on a category of 100,000 programmes: the listing replaced by
// page 2, a middle page and the last page.
#include "bench/bench_catalogues.h"
#include "bench/bench_support.h"
#include "bench/raw_catalogue.h"

#include "catalogue/queries.h"
#include "catalogue/statements.h"
#include "platform/qt/qt_tree_view.h"
#include "platform/sqlcipher/sqlcipher_connection.h"
#include "tree/category_paging.h"
#include "tree/node_keys.h"

#include <QTreeWidget>

#include <memory>

namespace qinghe::bench {
namespace {

constexpr platform::Int16 lb_id = paging_lb_id;

void page_turn_system(benchmark::State& state) {
    guarded(
        state,
        [&] {
            const auto pg = static_cast<platform::Int16>(state.range(0));
            platform::sqlcipher::SqlcipherConnection connection;
            catalogue::open_catalogue(connection, catalogue_dir(CatalogueKind::paging).string());
            platform::qt::QtTreeView tv1;
            const std::string category = tree::keys::category(lb_id);
            tv1.add_root(category, "连续剧(100000)");
            tree::set_child(connection, tv1, lb_id, 1);
            for (auto _ : state) {
                tree::delete_child(tv1, category);
                tree::set_child(connection, tv1, lb_id, pg);
            }
            benchmark::DoNotOptimize(tv1.children(category));
        });
}

// The first page turn in a category on a connection: the category's row
// count is not known yet and is taken by walking the category once.
void page_turn_first_system(benchmark::State& state) {
    guarded(
        state,
        [&] {
            const auto pg = static_cast<platform::Int16>(state.range(0));
            const std::string app_path = catalogue_dir(CatalogueKind::paging).string();
            platform::qt::QtTreeView tv1;
            const std::string category = tree::keys::category(lb_id);
            tv1.add_root(category, "连续剧(100000)");
            for (auto _ : state) {
                state.PauseTiming();
                auto connection = std::make_unique<platform::sqlcipher::SqlcipherConnection>();
                catalogue::open_catalogue(*connection, app_path);
                if (tv1.children(category) == 0) tree::set_child(*connection, tv1, lb_id, 1);
                state.ResumeTiming();

                tree::delete_child(tv1, category);
                tree::set_child(*connection, tv1, lb_id, pg);

                state.PauseTiming();
                connection.reset();
                state.ResumeTiming();
            }
            benchmark::DoNotOptimize(tv1.children(category));
        });
}

// The raw page turn: the page's rows by LIMIT/OFFSET, built off the tree and
// joined to the category at once. count_first: a first turn, which also
// counts the category's rows, as nothing knows the count yet.
void raw_page_turn(benchmark::State& state, bool count_first) {
    guarded(
        state,
        [&] {
            const auto pg = static_cast<long>(state.range(0));
            constexpr long last_page = (paging_programmes + tree::page_size - 1) / tree::page_size;
            Database db = open_raw_catalogue(catalogue_file(CatalogueKind::paging));
            const std::string page_sql = catalogue::later_page_query(lb_id) + " limit " +
                                         std::to_string(tree::page_size) + " offset " +
                                         std::to_string((pg - 1) * tree::page_size);
            const QString intro = qstr(tree::intro_text);
            const QString previous = qstr(tree::previous_page_text);
            const QString next = qstr(tree::next_page_text);

            QTreeWidget tv1;
            tv1.setColumnCount(1);
            auto* category = new QTreeWidgetItem(QStringList{QStringLiteral("连续剧(100000)")});
            tv1.addTopLevelItem(category);
            for (int i = 0; i < 2 * tree::page_size + 1; ++i) new QTreeWidgetItem(category, QStringList{intro});

            const std::string count_sql = "select count(*) from (" + catalogue::later_page_query(lb_id) + ")";
            for (auto _ : state) {
                delete_children(category);
                if (count_first) {
                    Statement count = db.prepare(count_sql);
                    count.step();
                    benchmark::DoNotOptimize(count.integer(0));
                }
                Statement page = db.prepare(page_sql);
                // The whole page is built first and joins the category at once.
                QList<QTreeWidgetItem*> children;
                if (pg > 1) children.append(new QTreeWidgetItem(QStringList{previous}));
                long number = (pg - 1) * tree::page_size;
                while (page.step())
                    children.append(programme_item(QString::number(++number) + '.' + qtext(page, 1), intro));
                if (pg < last_page) children.append(new QTreeWidgetItem(QStringList{next}));
                category->addChildren(children);
            }
            benchmark::DoNotOptimize(category->childCount());
        });
}

void page_turn_baseline(benchmark::State& state) {
    raw_page_turn(state, false);
}
void page_turn_first_baseline(benchmark::State& state) {
    raw_page_turn(state, true);
}

BENCHMARK(page_turn_system)
    ->Name("page_turn/system")
    ->Arg(2)
    ->Arg(1000)
    ->Arg(2000)
    ->MinTime(1.0)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(page_turn_first_system)
    ->Name("page_turn/first_system")
    ->Arg(2)
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(page_turn_first_baseline)
    ->Name("page_turn/first_baseline")
    ->Arg(2)
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(page_turn_baseline)
    ->Name("page_turn/baseline")
    ->Arg(2)
    ->Arg(1000)
    ->Arg(2000)
    ->MinTime(1.0)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qinghe::bench
