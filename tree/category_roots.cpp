#include "tree/category_roots.h"

#include "catalogue/queries.h"
#include "platform/base/skip_on_error.h"
#include "tree/category_paging.h"
#include "tree/node_keys.h"

#include <memory>
#include <string>

namespace qinghe::tree {

using platform::try_step;

CategoryFill::CategoryFill(platform::Connection& connection, platform::TreeView& tv1) {
    try_step([&] { tv1.set_indentation(10); });
    try_step([&] { tv1.set_line_style(1); });
    try_step([&] { tv1.set_label_edit(1); });
    try_step([&] { tv1.add_root(std::string(keys::search_root), std::string(search_root_text)); });
    try_step([&] { categories_ = catalogue::open_category_query(connection); });
}

CategoryFill::~CategoryFill() {
    catalogue::close_and_release(categories_);
}

bool CategoryFill::add(platform::Connection& connection, platform::TreeView& tv1, platform::Timer& timer1,
                       long categories) {
    if (done_) return true;
    long added = 0;
    catalogue::walk_rows(categories_, categories, [&](const platform::Recordset& row, long) {
        ++added;
        try_step([&] {
            tv1.add_root(keys::category(row.field("lb_id").text()),
                         row.field("lb").text() + "(" + row.field("c_id").text() + ")");
        });
        try_step([&] { set_child(connection, tv1, row.field("lb_id").to_int16(), 1); });
    });
    // Fewer rows than asked for: the walk met the last one, or a failure.
    bool at_end = true;
    if (categories >= 0 && added == categories)
        try_step([&] { at_end = platform::opened(categories_).eof(); });
    if (!at_end) return false;
    done_ = true;
    catalogue::close_and_release(categories_);
    try_step([&] { timer1.set_enabled(false); });
    return true;
}

void fill_category_roots(platform::Connection& connection, platform::TreeView& tv1, platform::Timer& timer1) {
    CategoryFill fill(connection, tv1);
    fill.add(connection, tv1, timer1, -1);
}

}  // namespace qinghe::tree
