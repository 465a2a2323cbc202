#include "tree/category_roots.h"

#include "catalogue/queries.h"
#include "platform/base/skip_on_error.h"
#include "tree/category_paging.h"
#include "tree/node_keys.h"

#include <memory>
#include <string>

namespace qinghe::tree {

using platform::try_step;

void fill_category_roots(platform::Connection& connection, platform::TreeView& tv1, platform::Timer& timer1) {
    try_step([&] { tv1.set_indentation(10); });
    try_step([&] { tv1.set_line_style(1); });
    try_step([&] { tv1.set_label_edit(1); });
    try_step([&] { tv1.add_root(std::string(keys::search_root), std::string(search_root_text)); });

    std::unique_ptr<platform::Recordset> categories;
    try_step([&] { categories = catalogue::open_category_query(connection); });
    catalogue::walk_rows(categories, -1, [&](const platform::Recordset& row, long) {
        try_step([&] {
            tv1.add_root(keys::category(row.field("lb_id").text()),
                         row.field("lb").text() + "(" + row.field("c_id").text() + ")");
        });
        try_step([&] { set_child(connection, tv1, row.field("lb_id").to_int16(), 1); });
    });
    catalogue::close_and_release(categories);
    try_step([&] { timer1.set_enabled(false); });
}

}  // namespace qinghe::tree
