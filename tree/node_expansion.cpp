#include "tree/node_expansion.h"

#include "catalogue/queries.h"
#include "platform/base/int16.h"
#include "platform/base/skip_on_error.h"
#include "platform/base/text.h"
#include "platform/schema/play_list.h"
#include "tree/node_keys.h"

#include <memory>
#include <string_view>
#include <vector>

namespace qinghe::tree {

using platform::Int16;
using platform::try_step;

namespace {

// fields: room for the group's fields, reused from group to group.
void add_group(platform::TreeView& tv1, const std::string& programme_key, bool under_search, Int16 group,
               const std::string& id, std::string_view piece, std::vector<std::string_view>& fields) {
    catalogue::play_list::group_field_views(piece, fields);
    // An empty piece has no label: its node, and so its leaves, are skipped.
    // A play list of nothing but "$$" is all such pieces.
    if (fields.empty()) return;
    const std::string group_key = under_search ? keys::search_play_group(group, id) : keys::play_group(group, id);
    try_step([&] { tv1.add_child(programme_key, group_key, std::string(fields[0])); });
    const int leaves = catalogue::play_list::leaf_count(fields.size());
    for (int j = 1; j <= leaves; ++j) {
        const Int16 leaf = static_cast<Int16>(j);
        try_step([&] {
            tv1.add_child(group_key,
                          under_search ? keys::search_play_leaf(group, leaf, id) : keys::play_leaf(group, leaf, id),
                          std::string(fields[static_cast<std::size_t>(platform::mul16(2, leaf))]));
        });
    }
}

}  // namespace

void expand_programme(platform::Connection& connection, platform::TreeView& tv1, const std::string& key) {
    const bool in_category = keys::is_programme(key);
    const bool under_search = keys::is_search_programme(key);
    if (!in_category && !under_search) return;

    std::string id;
    try_step([&] { id = platform::element(keys::fields(key), 2); });
    // Filled already, or not as the listing made it: a fresh programme node
    // has exactly its intro node.
    int children = 0;
    if (!try_step([&] { children = tv1.children(key); }) || children != 1) return;

    std::unique_ptr<platform::Recordset> programme;
    // The play list is read once; its groups and fields are views into it.
    std::string adds;
    std::vector<std::string_view> groups;
    try_step([&] {
        programme = catalogue::open_programme_query(connection, id);
        adds = programme->field("adds").require_text();
        catalogue::play_list::group_views(adds, groups);
    });
    const int last = catalogue::play_list::last_group(groups.size());
    std::vector<std::string_view> fields;
    for (int i = 1; i <= last; ++i)
        add_group(tv1, key, under_search, static_cast<Int16>(i), id, groups[static_cast<std::size_t>(i)], fields);
    catalogue::close_and_release(programme);
}

}  // namespace qinghe::tree
