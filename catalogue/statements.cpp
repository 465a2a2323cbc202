#include "catalogue/statements.h"

namespace qinghe::catalogue {

std::string connection_string(const std::string& app_path) {
    return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + app_path +
           "\\tavik.dll;Persist Security Info=False;Jet OLEDB:Database Password=" + database_password;
}

std::string ad_query() { return "select * from ad"; }

std::string category_query() { return "select * from vlb order by px"; }

std::string first_page_query(platform::Int16 lb_id) {
    return "select top 51 id,tit from t1 where lb_id=" + platform::dec(lb_id) + " order by up_dt desc,id desc";
}

std::string later_page_query(platform::Int16 lb_id) {
    return "select id,tit from t1 where lb_id=" + platform::dec(lb_id) + " order by up_dt desc,id desc";
}

std::string programme_query(const std::string& id) { return "select * from t1 where id=" + id; }

std::string play_query(const std::string& id) { return "select tit,adds from t1 where id=" + id; }

std::string quoted_literal_text(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        out += c;
        if (c == '\'') out += '\'';
    }
    return out;
}

std::string search_query(const std::string& search_text) {
    const std::string pattern = quoted_literal_text(search_text);
    return "select top 50 id,tit from t1 where tit like '%" + pattern + "%' or  player like '%" + pattern +
           "%' order by id desc";
}

}  // namespace qinghe::catalogue
