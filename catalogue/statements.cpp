#include "catalogue/statements.h"

#include "platform/base/text.h"

namespace qinghe::catalogue {

namespace {

// A value as a connection string carries it: as it is when it reads back
// whole (no ";", no blank or quote to start with, no blank to end with),
// otherwise in double quotes with every double quote doubled.
std::string connection_value(const std::string& value) {
    const bool reads_back = value.find(';') == std::string::npos &&
                            (value.empty() || (!platform::is_blank(value.front()) && value.front() != '"' &&
                                               value.front() != '\'' && !platform::is_blank(value.back())));
    if (reads_back) return value;
    std::string quoted = "\"";
    for (char c : value) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

}  // namespace

std::string connection_string(const std::string& app_path) {
    return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + connection_value(app_path + "\\" + catalogue_file_name) +
           ";Persist Security Info=False;Jet OLEDB:Database Password=" + database_password;
}

std::string ad_query() {
    return "select * from ad";
}

std::string category_query() {
    return "select * from vlb order by px";
}

std::string first_page_query(platform::Int16 lb_id) {
    return "select top " + std::to_string(page_size + 1) + " id,tit from t1 where lb_id=" + platform::dec(lb_id) +
           " order by up_dt desc,id desc";
}

std::string later_page_query(platform::Int16 lb_id) {
    return "select id,tit from t1 where lb_id=" + platform::dec(lb_id) + " order by up_dt desc,id desc";
}

std::string programme_query(const std::string& id) {
    return "select * from t1 where id=" + id;
}

std::string play_query(const std::string& id) {
    return "select tit,adds from t1 where id=" + id;
}

namespace {

// The search text as the inside of a '...' literal.
std::string quoted_literal_text(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        out += c;
        if (c == '\'') out += '\'';
    }
    return out;
}

std::string search_condition(const std::string& search_text) {
    const std::string pattern = quoted_literal_text(search_text);
    return "tit like '%" + pattern + "%' or  player like '%" + pattern + "%'";
}

const std::string search_head = "select top " + std::to_string(max_search_results) + " id,tit from t1 where ";
constexpr const char* search_order = " order by id desc";

}  // namespace

std::string search_query(const std::string& search_text) {
    return search_head + search_condition(search_text) + search_order;
}

std::string narrowed_search_query(const std::string& search_text, const std::vector<std::int64_t>& rowids) {
    std::string rows;
    for (const std::int64_t rowid : rowids) rows += (rows.empty() ? "" : ",") + std::to_string(rowid);
    return search_head + ("(" + search_condition(search_text) + ") and rowid in (" + rows + ")") + search_order;
}

std::string search_index_query() {
    return std::string("select rowid,cast(tit as text) as tit,cast(player as text) as player from t1") + search_order;
}

}  // namespace qinghe::catalogue
