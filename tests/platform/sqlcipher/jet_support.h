#pragma once

// Jet catalogue files for the data-access tests: the same data written as
// SQLCipher or as Jet (as qinghe-catalogue create --format jet writes it).

#include "data_access_support.h"

#include "catalogue/statements.h"
#include "platform/base/error.h"
#include "tools/catalogue_files/jet_writer.h"

#include <optional>
#include <string>

namespace qinghe::test {

enum class FileFormat { sqlcipher, jet4, jet4_encoded, jet3_encoded };

inline const char* format_name(FileFormat format) {
    switch (format) {
    case FileFormat::sqlcipher:
        return "SQLCipher";
    case FileFormat::jet4:
        return "Jet 4";
    case FileFormat::jet4_encoded:
        return "Jet 4, encoded";
    default:
        return "Jet 3, encoded";
    }
}

inline void write_as(FileFormat format, const std::filesystem::path& file, const cf::CatalogueData& data,
                     const std::string& password = catalogue::database_password) {
    if (format == FileFormat::sqlcipher) return cf::write_catalogue(file, data, password);
    cf::JetOptions options;
    options.password = password;
    options.encode = format != FileFormat::jet4;
    if (format == FileFormat::jet3_encoded) options.version = jet::JetVersion::jet3;
    cf::write_jet_catalogue(file, data, options);
}

struct Query {
    std::string sql;
    std::vector<std::string> columns;
    std::optional<long> page;  // read as a later page: PageSize 50, AbsolutePage
};

// What a statement gives: whether it opened, its count, its rows (each
// value's text, Null apart), and for a page whether it could be reached.
struct Answer {
    bool opened = false;
    long count = -1;
    long page_count = -1;
    bool page_reached = false;
    bool failed_reading = false;  // after opening (a page beyond the last, say)
    std::vector<std::vector<std::string>> rows;
    bool operator==(const Answer&) const = default;
};

inline void PrintTo(const Answer& a, std::ostream* os) {
    *os << (a.opened ? "opened" : "failed") << " count " << a.count << " pages " << a.page_count << " reached "
        << a.page_reached << (a.failed_reading ? " failed reading" : "") << " rows:";
    for (const auto& row : a.rows) {
        *os << " [";
        for (const auto& v : row) *os << v << "|";
        *os << "]";
    }
}

inline Answer answer(platform::Connection& connection, const Query& query) {
    Answer a;
    std::unique_ptr<Recordset> rs;
    try {
        rs = run(connection, query.sql);
    } catch (const platform::PlatformError&) {
        return a;
    }
    a.opened = true;
    try {
        a.count = rs->record_count();
        if (query.page) {
            rs->set_page_size(catalogue::page_size);
            a.page_count = rs->page_count();
            rs->set_absolute_page(*query.page);
            a.page_reached = true;
        }
        for (long read = 0; !rs->eof() && (!query.page || read < catalogue::page_size); ++read, rs->move_next()) {
            std::vector<std::string>& row = a.rows.emplace_back();
            for (const std::string& column : query.columns) {
                const platform::Value value = rs->field(column);
                row.push_back(value.is_null() ? "<Null>" : value.text());
            }
        }
    } catch (const platform::PlatformError&) {
        a.failed_reading = true;
    }
    return a;
}

// Every statement the program issues on this data, with the edges of each.
inline std::vector<Query> queries_for(const cf::CatalogueData& data) {
    const std::vector<std::string> listing{"id", "tit"};
    std::vector<Query> queries{
        {catalogue::ad_query(), {"ad"}, {}},
        {catalogue::category_query(), {"lb_id", "lb", "c_id", "px"}, {}},
    };
    std::vector<std::int16_t> categories{999};
    if (const auto vlb = data.tables.find("vlb"); vlb != data.tables.end())
        for (const auto& row : vlb->second.rows)
            categories.push_back(static_cast<std::int16_t>(std::get<std::int64_t>(row[0])));
    for (const std::int16_t lb_id : categories) {
        queries.push_back({catalogue::first_page_query(lb_id), listing, {}});
        for (const long page : {0L, 1L, 2L, 3L, 4L})
            queries.push_back({catalogue::later_page_query(lb_id), listing, page});
    }
    for (const char* id : {"1", "2", "3", "50", "51", "101", "4000"}) {
        queries.push_back({catalogue::programme_query(id), {"id", "tit", "player", "lb_id", "up_dt", "adds"}, {}});
        queries.push_back({catalogue::play_query(id), {"tit", "adds"}, {}});
    }
    for (const char* text : {"", "'", "%", "_", "50%", "a_c", "abc", "ABC", "é", "节目", "x'y", "播放", "--"})
        queries.push_back({catalogue::search_query(text), listing, {}});
    // The search index's own reads, by row id.
    queries.push_back({catalogue::search_index_query(), {"rowid", "tit", "player"}, {}});
    queries.push_back({catalogue::narrowed_search_query("", {1, 2, 150, 205, 4003}), listing, {}});
    return queries;
}

inline cf::CatalogueData edges() {
    cf::CatalogueBuilder b;
    b.category(std::int64_t{1}, "一百零一", std::int64_t{101}, std::int64_t{2})
        .category(std::int64_t{2}, "正好一页", std::int64_t{50}, std::int64_t{1})
        .category(std::int64_t{3}, "多一个", std::int64_t{51}, std::int64_t{3})
        .category(std::int64_t{4}, "空", std::int64_t{0}, std::int64_t{4})
        .programmes(1, 101, 1)
        .programmes(2, 50, 200)
        .programmes(3, 51, 300)
        .ad("甲@#a.example.cn@#乙@#b.example.cn");
    // Titles that the search's wildcards, case rules and quotes meet, Null
    // titles and players, and up_dt ties broken by id.
    const std::vector<std::pair<cf::Cell, cf::Cell>> odd{
        {"abc", "x'y"},     {"ABC", std::monostate{}},
        {"a_c 50%", "Abc"}, {std::monostate{}, "播放"},
        {"école é", "_"},   {"", "%"},
        {"aXc", "--"},      {"节目'", std::monostate{}},
    };
    std::int64_t id = 4000;
    for (const auto& [tit, player] : odd)
        b.programme(id++, tit, std::int64_t{4}, "$$土豆|a|第1集", std::int64_t{7}, player);
    return b.data();
}

}  // namespace qinghe::test
