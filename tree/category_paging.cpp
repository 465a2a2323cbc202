#include "tree/category_paging.h"

#include "catalogue/queries.h"
#include "tree/node_keys.h"

#include <memory>

namespace qinghe::tree {

using platform::Int16;
using platform::Recordset;

namespace {

// One programme node, numbered in the listing, with its intro node.
void add_programme(platform::TreeView& tv1, const std::string& category_key, const Recordset& row,
                   long listing_number) {
    const std::string id = row.field("id").text();
    const std::string programme_key = keys::programme(id);
    tv1.add_child(category_key, programme_key, platform::dec(listing_number) + "." + row.field("tit").text());
    tv1.add_child(programme_key, keys::intro(id), std::string(intro_text));
}

void list_rows(platform::TreeView& tv1, const std::string& category_key, Recordset& rows, Int16 pg, long rows_on_page) {
    const long first_number = (static_cast<long>(pg) - 1) * page_size;
    for (long row = 1; row <= rows_on_page; ++row) {
        if (rows.eof()) break;
        add_programme(tv1, category_key, rows, first_number + row);
        rows.move_next();
    }
}

}  // namespace

void set_child(platform::Connection& connection, platform::TreeView& tv1, Int16 lb_id, Int16 pg) {
    const std::string category_key = keys::category(lb_id);
    std::unique_ptr<Recordset> recordset;
    const catalogue::ReleaseOnExit release{recordset};

    if (pg == 1) {
        // The first page reads one row more than it shows: the 51st row only
        // tells that a second page exists.
        recordset = catalogue::open_first_page_query(connection, lb_id);
        list_rows(tv1, category_key, *recordset, pg, page_size);
        if (recordset->record_count() > page_size)
            tv1.add_child(category_key, keys::next_page(2, lb_id), std::string(next_page_text));
        return;
    }

    recordset = catalogue::open_later_page_query(connection, lb_id);
    recordset->set_page_size(page_size);
    // Only pages from 2 on get here: positioning refuses a page below 1.
    recordset->set_absolute_page(pg);
    tv1.add_child(category_key, keys::previous_page(platform::sub16(pg, 1), lb_id), std::string(previous_page_text));
    list_rows(tv1, category_key, *recordset, pg, recordset->page_size());
    if (pg < recordset->page_count())
        tv1.add_child(category_key, keys::next_page(platform::add16(pg, 1), lb_id), std::string(next_page_text));
}

void delete_child(platform::TreeView& tv1, const std::string& tv1_key) {
    // The children are counted as the 16-bit count they always were: a node
    // with more than that keeps them all. The rest go in one change of the
    // tree rather than one each.
    tv1.child(tv1_key);
    platform::to_int16(tv1.children(tv1_key));
    tv1.replace_children(tv1_key, {});
}

}  // namespace qinghe::tree
