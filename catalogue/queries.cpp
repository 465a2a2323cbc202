#include "catalogue/queries.h"

#include "catalogue/statements.h"

namespace qinghe::catalogue {

using platform::adCmdUnspecified;
using platform::adConnectUnspecified;
using platform::Connection;
using platform::CursorType;
using platform::LockType;
using platform::Recordset;

namespace {

std::unique_ptr<Recordset> open_optimistic(Connection& connection, const std::string& statement) {
    return connection.open_recordset(statement, CursorType::keyset, LockType::optimistic, adCmdUnspecified);
}

std::unique_ptr<Recordset> open_read_only(Connection& connection, const std::string& statement) {
    return connection.open_recordset(statement, CursorType::keyset, LockType::read_only, adCmdUnspecified);
}

}  // namespace

void open_catalogue(Connection& connection, const std::string& app_path) {
    connection.open(connection_string(app_path), "", "", adConnectUnspecified);
}

std::unique_ptr<Recordset> open_ad_query(Connection& connection) {
    return open_optimistic(connection, ad_query());
}

std::unique_ptr<Recordset> open_category_query(Connection& connection) {
    return open_optimistic(connection, category_query());
}

std::unique_ptr<Recordset> open_first_page_query(Connection& connection, platform::Int16 lb_id) {
    return open_read_only(connection, first_page_query(lb_id));
}

std::unique_ptr<Recordset> open_later_page_query(Connection& connection, platform::Int16 lb_id) {
    return open_read_only(connection, later_page_query(lb_id));
}

std::unique_ptr<Recordset> open_programme_query(Connection& connection, const std::string& id) {
    return open_optimistic(connection, programme_query(id));
}

std::unique_ptr<Recordset> open_play_query(Connection& connection, const std::string& id) {
    return open_optimistic(connection, play_query(id));
}

std::unique_ptr<Recordset> open_search_query(Connection& connection, const std::string& search_text) {
    return open_optimistic(connection, search_query(search_text));
}

std::unique_ptr<Recordset> open_narrowed_search_query(Connection& connection, const std::string& search_text,
                                                      const std::vector<std::int64_t>& rowids) {
    return open_optimistic(connection, narrowed_search_query(search_text, rowids));
}

std::unique_ptr<Recordset> open_search_index_query(Connection& connection) {
    return open_optimistic(connection, search_index_query());
}

void close_and_release(std::unique_ptr<Recordset>& recordset) noexcept {
    if (recordset) {
        try {
            recordset->close();
        } catch (...) {
            // Already closed: nothing left to close.
        }
    }
    recordset.reset();
}

}  // namespace qinghe::catalogue
