// Expanding a programme whose play list has 1,000 groups of 20 videos.
#include "bench/bench_catalogues.h"
#include "bench/bench_support.h"
#include "bench/raw_catalogue.h"

#include "catalogue/queries.h"
#include "catalogue/statements.h"
#include "platform/qt/qt_tree_view.h"
#include "platform/sqlcipher/sqlcipher_connection.h"
#include "tree/category_paging.h"
#include "tree/node_expansion.h"
#include "tree/node_keys.h"

#include <QTreeWidget>

#include <string_view>

namespace qinghe::bench {
namespace {

const std::string programme_id = std::to_string(play_list_programme_id);

// The programme node as the listing leaves it: its text and its intro node.
void add_fresh_programme(platform::TreeView& tv1, const std::string& category, const std::string& programme) {
    tv1.add_child(category, programme, "1.长篇连续剧");
    tv1.add_child(programme, tree::keys::intro(programme_id), std::string(tree::intro_text));
}

void expansion_system(benchmark::State& state) {
    guarded(
        state,
        [&] {
            platform::sqlcipher::SqlcipherConnection connection;
            catalogue::open_catalogue(connection, catalogue_dir(CatalogueKind::play_list).string());
            platform::qt::QtTreeView tv1;
            const std::string category = tree::keys::category(1);
            const std::string programme = tree::keys::programme(programme_id);
            tv1.add_root(category, "电视剧(1)");
            add_fresh_programme(tv1, category, programme);
            for (auto _ : state) {
                state.PauseTiming();
                if (tv1.children(programme) != 1) {
                    tv1.remove(programme);
                    add_fresh_programme(tv1, category, programme);
                }
                state.ResumeTiming();
                tree::expand_programme(connection, tv1, programme);
                // The new nodes join the widget, as they do once the window's
                // event loop runs again: the baseline's insertion is timed too.
                benchmark::DoNotOptimize(tv1.widget());
            }
            benchmark::DoNotOptimize(tv1.children(programme));
            if (tv1.children(programme) != 1 + play_list_groups) state.SkipWithError("play groups missing");
        });
}

// Splits text on a separator, the way the play list is cut.
template <typename Each>
void for_each_piece(std::string_view text, std::string_view separator, Each&& each) {
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = text.find(separator, start);
        if (at == std::string_view::npos) {
            each(text.substr(start));
            return;
        }
        each(text.substr(start, at - start));
        start = at + separator.size();
    }
}

void expansion_baseline(benchmark::State& state) {
    guarded(
        state,
        [&] {
            Database db = open_raw_catalogue(catalogue_file(CatalogueKind::play_list));
            const QString intro = qstr(tree::intro_text);
            QTreeWidget tv1;
            tv1.setColumnCount(1);
            auto* category = new QTreeWidgetItem(QStringList{QStringLiteral("电视剧(1)")});
            tv1.addTopLevelItem(category);
            QTreeWidgetItem* programme = nullptr;
            for (auto _ : state) {
                state.PauseTiming();
                delete programme;
                programme = new QTreeWidgetItem(category, QStringList{QStringLiteral("1.长篇连续剧")});
                new QTreeWidgetItem(programme, QStringList{intro});
                state.ResumeTiming();

                Statement row = db.prepare(catalogue::programme_query(programme_id));
                if (!row.step()) throw std::runtime_error("programme missing");
                // Each group is built with its videos, and the groups join the
                // programme at once.
                QList<QTreeWidgetItem*> groups;
                bool first = true;
                for_each_piece(
                    row.text(column_index(row, "adds")), "$$",
                    [&](std::string_view group) {
                        if (first) {  // piece 0 precedes the first group
                            first = false;
                            return;
                        }
                        int field = 0;
                        for_each_piece(
                            group, "|",
                            [&](std::string_view text) {
                                if (field == 0)
                                    groups.append(new QTreeWidgetItem(QStringList{qstr(text)}));
                                else if (field % 2 == 0)
                                    groups.back()->addChild(new QTreeWidgetItem(QStringList{qstr(text)}));
                                ++field;
                            });
                    });
                programme->addChildren(groups);
            }
            benchmark::DoNotOptimize(programme->childCount());
            if (programme->childCount() != 1 + play_list_groups) state.SkipWithError("play groups missing");
        });
}

BENCHMARK(expansion_system)->Name("expansion/system")->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(expansion_baseline)->Name("expansion/baseline")->Iterations(10)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qinghe::bench
