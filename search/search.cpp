#include "search/search.h"

#include "catalogue/queries.h"
#include "catalogue/statements.h"
#include "platform/base/int16.h"
#include "platform/base/skip_on_error.h"
#include "tree/category_paging.h"
#include "tree/node_keys.h"

#include <algorithm>
#include <memory>
#include <string_view>
#include <vector>

namespace qinghe::search {

using platform::try_step;
namespace keys = tree::keys;

namespace {

std::string root_text(long count) {
    return "搜索结果(" + platform::dec(count) + ")";
}

// The old results go in one change of the tree, however many there are.
void clear_search_root(platform::TreeView& tv1) {
    const std::string root(keys::search_root);
    int children = 0;
    if (try_step([&] { children = tv1.children(root); }) && children >= 1)
        try_step([&] { tv1.replace_children(root, {}); });
}

}  // namespace

SearchResult run_statement(const std::function<std::unique_ptr<platform::Recordset>()>& open, bool* ran) {
    // The count shown is the count listed: a search that cannot run lists
    // nothing and says 0 rather than keeping an earlier number.
    SearchResult result;
    std::unique_ptr<platform::Recordset> results;
    const catalogue::ReleaseOnExit release{results};
    long count = 0;
    const bool counted = try_step([&] {
        results = open();
        count = results->record_count();
    });
    result.count = count;
    result.rows.reserve(static_cast<std::size_t>(std::clamp(count, 0L, long{catalogue::max_search_results})));
    catalogue::walk_rows(results, catalogue::max_search_results, [&](const platform::Recordset& row, long) {
        SearchRow read;
        try_step([&] { read.id = row.field("id").text(); });
        try_step([&] { read.title = row.field("tit").text(); });
        result.rows.push_back(std::move(read));
    });
    if (ran) *ran = counted;
    return result;
}

SearchResult run_search(platform::Connection& connection, const std::string& search_text) {
    return run_statement([&] { return catalogue::open_search_query(connection, search_text); });
}

void show_search_result(platform::TreeView& tv1, const SearchResult& result) {
    const std::string root(keys::search_root);
    try_step([&] { tv1.set_text(root, root_text(result.count)); });
    // Every row joins the tree in one change, so the window lays out, paints
    // and tells a screen reader about the rows once, not once a row.
    std::vector<platform::TreeNode> nodes;
    nodes.reserve(result.rows.size());
    // The ids listed so far, in order: a programme's keys are made from its
    // id alone. Fifty ids are found faster by halving than by hashing.
    std::vector<std::string_view> listed;
    listed.reserve(result.rows.size());
    long n = 0;
    for (const SearchRow& row : result.rows) {
        ++n;
        // A row whose id or title could not be read gives no node, nor does
        // a programme listed already: its nodes' keys are taken.
        if (!row.id || !row.title) continue;
        const auto place = std::lower_bound(listed.begin(), listed.end(), std::string_view(*row.id));
        if (place != listed.end() && *place == *row.id) continue;
        listed.insert(place, *row.id);
        std::string text = platform::dec(n);
        text.reserve(text.size() + 1 + row.title->size());
        text += '.';
        text += *row.title;
        nodes.push_back({keys::search_programme(*row.id),
                         std::move(text),
                         {{keys::search_intro(*row.id), std::string(tree::intro_text), {}}}});
    }
    try_step([&] { tv1.replace_children(root, nodes); });
    try_step([&] { tv1.set_expanded(root, true); });
}

void search_click(platform::Connection& connection, platform::TreeView& tv1, const std::string& search_text) {
    clear_search_root(tv1);
    show_search_result(tv1, run_search(connection, search_text));
}

std::string open_current_catalogue(platform::Connection& connection, const std::string& app_path) {
    std::string version = connection.is_open() ? connection.file_version() : std::string();
    if (connection.is_open() && version.empty()) try_step([&] { connection.close(); });
    if (!connection.is_open()) {
        try_step([&] { catalogue::open_catalogue(connection, app_path); });
        version = connection.file_version();
    }
    return version;
}

void start_search_with(platform::BackgroundWork& worker, platform::TreeView& tv1,
                       std::function<SearchResult(platform::Connection&)> find, std::function<void()> after) {
    clear_search_root(tv1);
    auto result = std::make_shared<SearchResult>();
    worker.run([result, find = std::move(find)](platform::Connection& connection) { *result = find(connection); },
               [result, &tv1, after = std::move(after)] {
                   show_search_result(tv1, *result);
                   if (after) after();
               });
}

void start_search(platform::BackgroundWork& worker, platform::TreeView& tv1, const std::string& app_path,
                  const std::string& search_text) {
    start_search_with(
        worker, tv1,
        [app_path, search_text](platform::Connection& connection) {
            open_current_catalogue(connection, app_path);
            return run_search(connection, search_text);
        });
}

}  // namespace qinghe::search
