#pragma once

#include "platform/base/int16.h"
#include "platform/base/skip_on_error.h"
#include "platform/data_access.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qinghe::catalogue {

// Opens the catalogue connection on tavik.dll in the executable's directory:
// the connection string, empty user name and password, adConnectUnspecified.
void open_catalogue(platform::Connection& connection, const std::string& app_path);

// Each query opened on the catalogue connection with its fixed cursor type,
// lock type and options. The page queries are read-only, the others
// optimistic; all use a keyset cursor, which gives exact counts and paging.
std::unique_ptr<platform::Recordset> open_ad_query(platform::Connection& connection);
std::unique_ptr<platform::Recordset> open_category_query(platform::Connection& connection);
std::unique_ptr<platform::Recordset> open_first_page_query(platform::Connection& connection, platform::Int16 lb_id);
std::unique_ptr<platform::Recordset> open_later_page_query(platform::Connection& connection, platform::Int16 lb_id);
std::unique_ptr<platform::Recordset> open_programme_query(platform::Connection& connection, const std::string& id);
std::unique_ptr<platform::Recordset> open_play_query(platform::Connection& connection, const std::string& id);
std::unique_ptr<platform::Recordset> open_search_query(platform::Connection& connection,
                                                       const std::string& search_text);
// The same options for the narrowed search query and the search index's read.
std::unique_ptr<platform::Recordset> open_narrowed_search_query(platform::Connection& connection,
                                                                const std::string& search_text,
                                                                const std::vector<std::int64_t>& rowids);
std::unique_ptr<platform::Recordset> open_search_index_query(platform::Connection& connection);

// The last two steps of every query: close the recordset if it can be closed
// (a recordset already closed, or never opened, is let be) and release it.
void close_and_release(std::unique_ptr<platform::Recordset>& recordset) noexcept;

// Walks a handler's recordset from the row it stands on: visit(row, n) for
// rows n = 1, 2, ..., at most max_rows of them (all when max_rows < 0). A
// failed end-of-rows test ends the walk, and so does a failed move: the walk
// never stands still on one row. visit handles its own failures.
template <class Visit>
void walk_rows(const std::unique_ptr<platform::Recordset>& recordset, long max_rows, Visit&& visit) {
    for (long n = 1; max_rows < 0 || n <= max_rows; ++n) {
        bool at_end = true;
        if (!platform::try_step([&] { at_end = platform::opened(recordset).eof(); }) || at_end) return;
        visit(static_cast<const platform::Recordset&>(*recordset), n);
        if (!platform::try_step([&] { recordset->move_next(); })) return;
    }
}

// Runs close_and_release on a handler's recordset when the scope ends,
// however it ends.
class ReleaseOnExit {
public:
    explicit ReleaseOnExit(std::unique_ptr<platform::Recordset>& recordset) : recordset_(recordset) {}
    ReleaseOnExit(const ReleaseOnExit&) = delete;
    ReleaseOnExit& operator=(const ReleaseOnExit&) = delete;
    ~ReleaseOnExit() { close_and_release(recordset_); }

private:
    std::unique_ptr<platform::Recordset>& recordset_;
};

}  // namespace qinghe::catalogue
