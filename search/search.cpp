#include "search/search.h"

#include "catalogue/queries.h"
#include "platform/int16.h"
#include "platform/skip_on_error.h"
#include "tree/category_paging.h"
#include "tree/node_keys.h"

#include <memory>

namespace qinghe::search {

using platform::opened;
using platform::try_step;
namespace keys = tree::keys;

namespace {

std::string root_text(long count) { return "搜索结果(" + platform::dec(count) + ")"; }

}  // namespace

void search_click(platform::Connection& connection, platform::TreeView& tv1, const std::string& search_text) {
    const std::string root(keys::search_root);
    int children = 0;
    if (try_step([&] { children = tv1.children(root); }) && children >= 1)
        try_step([&] { tree::delete_child(tv1, root); });

    // The count shown is the count listed: a search that cannot run lists
    // nothing and says 0 rather than keeping an earlier number.
    std::unique_ptr<platform::Recordset> results;
    long count = 0;
    try_step([&] {
        results = catalogue::open_search_query(connection, search_text);
        count = results->record_count();
    });
    try_step([&] { tv1.set_text(root, root_text(count)); });

    for (int n = 1; n <= max_results; ++n) {
        bool at_end = true;
        if (!try_step([&] { at_end = opened(results).eof(); }) || at_end) break;
        try_step([&] {
            tv1.add_child(root, keys::search_programme(results->field("id").text()),
                          platform::dec(n) + "." + results->field("tit").text());
        });
        try_step([&] {
            const std::string id = results->field("id").text();
            tv1.add_child(keys::search_programme(id), keys::search_intro(id), std::string(tree::intro_text));
        });
        if (!try_step([&] { results->move_next(); })) break;
    }
    catalogue::close_and_release(results);
    try_step([&] { tv1.set_expanded(root, true); });
}

}  // namespace qinghe::search
