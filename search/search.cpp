#include "search/search.h"

#include "catalogue/queries.h"
#include "catalogue/statements.h"
#include "platform/base/int16.h"
#include "platform/base/skip_on_error.h"
#include "tree/category_paging.h"
#include "tree/node_keys.h"

#include <memory>

namespace qinghe::search {

using platform::try_step;
namespace keys = tree::keys;

namespace {

std::string root_text(long count) {
    return "搜索结果(" + platform::dec(count) + ")";
}

void clear_search_root(platform::TreeView& tv1) {
    const std::string root(keys::search_root);
    int children = 0;
    if (try_step([&] { children = tv1.children(root); }) && children >= 1)
        try_step([&] { tree::delete_child(tv1, root); });
}

}  // namespace

SearchResult run_search(platform::Connection& connection, const std::string& search_text) {
    // The count shown is the count listed: a search that cannot run lists
    // nothing and says 0 rather than keeping an earlier number.
    SearchResult result;
    std::unique_ptr<platform::Recordset> results;
    const catalogue::ReleaseOnExit release{results};
    long count = 0;
    try_step([&] {
        results = catalogue::open_search_query(connection, search_text);
        count = results->record_count();
    });
    result.count = count;
    catalogue::walk_rows(results, catalogue::max_search_results, [&](const platform::Recordset& row, long) {
        SearchRow read;
        try_step([&] { read.id = row.field("id").text(); });
        try_step([&] { read.title = row.field("tit").text(); });
        result.rows.push_back(std::move(read));
    });
    return result;
}

void show_search_result(platform::TreeView& tv1, const SearchResult& result) {
    const std::string root(keys::search_root);
    try_step([&] { tv1.set_text(root, root_text(result.count)); });
    long n = 0;
    for (const SearchRow& row : result.rows) {
        ++n;
        // A row whose id or title could not be read gives no node, and its
        // intro node then has no parent.
        if (!row.id || !row.title) continue;
        const std::string programme_key = keys::search_programme(*row.id);
        try_step([&] { tv1.add_child(root, programme_key, platform::dec(n) + "." + *row.title); });
        try_step([&] { tv1.add_child(programme_key, keys::search_intro(*row.id), std::string(tree::intro_text)); });
    }
    try_step([&] { tv1.set_expanded(root, true); });
}

void search_click(platform::Connection& connection, platform::TreeView& tv1, const std::string& search_text) {
    clear_search_root(tv1);
    show_search_result(tv1, run_search(connection, search_text));
}

void start_search(platform::BackgroundWork& worker, platform::TreeView& tv1, const std::string& app_path,
                  const std::string& search_text) {
    clear_search_root(tv1);
    auto result = std::make_shared<SearchResult>();
    worker.run(
        [result, app_path, search_text](platform::Connection& connection) {
            if (!connection.is_open()) try_step([&] { catalogue::open_catalogue(connection, app_path); });
            *result = run_search(connection, search_text);
        },
        [result, &tv1] { show_search_result(tv1, *result); });
}

}  // namespace qinghe::search
