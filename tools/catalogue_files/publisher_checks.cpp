#include "tools/catalogue_files/publisher_checks.h"

#include "platform/schema/index_check.h"
#include "platform/schema/play_list.h"
#include "platform/schema/tables.h"
#include "tools/catalogue_files/catalogue_database.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string_view>

namespace qinghe::catalogue_files {

namespace {

using detail::cell_at;
using detail::Database;
using detail::open_catalogue;
using detail::Statement;

using catalogue::play_list::field_separator;
using catalogue::play_list::group_separator;
using catalogue::play_list::max_group;
using catalogue::play_list::max_leaf;
// Ids named in one report line at most.
constexpr std::size_t max_named = 5;

std::string text_of(const Cell& cell) {
    if (const auto* i = std::get_if<std::int64_t>(&cell)) return std::to_string(*i);
    if (const auto* d = std::get_if<double>(&cell)) return std::to_string(*d);
    if (const auto* s = std::get_if<std::string>(&cell)) return *s;
    return "Null";
}

// Whether rows can be found by the column without reading the whole table.
bool indexed_on(Database& db, const std::string& table, const std::string& column) {
    const std::optional<bool> indexed =
        catalogue::is_indexed(std::bind_front(&Database::text_rows, &db), table, column);
    if (!indexed) db.fail("cannot read the indexes of table " + table);
    return *indexed;
}

// Why the tree cannot split a play list, or nullopt when it can.
std::optional<std::string> unsplittable(const Cell& adds) {
    if (std::holds_alternative<std::monostate>(adds)) return "its play list is Null";
    const std::string text = text_of(adds);
    std::int64_t groups = 0;
    const std::size_t after = group_separator.size();
    std::size_t at = text.find(group_separator);
    while (at != std::string::npos) {
        ++groups;
        std::size_t end = text.find(group_separator, at + after);
        const std::string_view group(text.data() + at + after,
                                     (end == std::string::npos ? text.size() : end) - at - after);
        std::int64_t fields = 1;
        for (const char c : group) fields += c == field_separator.front() ? 1 : 0;
        if ((fields - 1) / 2 > max_leaf)
            return "play group " + std::to_string(groups) + " has more than " + std::to_string(max_leaf) + " videos";
        at = end;
    }
    if (groups > max_group) return "it has more than " + std::to_string(max_group) + " play groups";
    return std::nullopt;
}

void add_named(std::vector<std::string>& report, const std::string& what, const std::vector<std::string>& ids,
               std::size_t count) {
    if (count == 0) return;
    std::string line = std::to_string(count) + " programme" + (count == 1 ? "" : "s") + " " + what + " (id ";
    for (std::size_t i = 0; i < ids.size(); ++i) line += (i == 0 ? "" : ", ") + ids[i];
    line += count > ids.size() ? ", ...)" : ")";
    report.push_back(line);
}

// Categories whose c_id differs from the programmes t1 lists in them.
void check_counts(Database& db, std::vector<std::string>& report) {
    std::map<std::string, std::int64_t> listed;
    auto counts = db.prepare("select lb_id, count(*) from t1 group by lb_id");
    while (counts.step()) listed[text_of(cell_at(counts, 0))] = counts.integer(1);
    auto categories = db.prepare("select lb_id, lb, c_id from vlb order by px");
    while (categories.step()) {
        const std::string lb_id = text_of(cell_at(categories, 0));
        const auto found = listed.find(lb_id);
        const std::int64_t real = found == listed.end() ? 0 : found->second;
        if (text_of(cell_at(categories, 2)) != std::to_string(real))
            report.push_back("category " + lb_id + " (" + text_of(cell_at(categories, 1)) + "): c_id says " +
                             text_of(cell_at(categories, 2)) + ", t1 lists " + std::to_string(real) + " programmes");
    }
}

// Programmes whose play list the tree cannot split, and those without a title.
void check_programmes(Database& db, std::vector<std::string>& report) {
    std::vector<std::string> split_ids;
    std::size_t split_count = 0;
    std::string split_reason;
    std::vector<std::string> null_ids;
    std::size_t null_count = 0;
    auto programmes = db.prepare("select id, tit, adds from t1 order by id");
    while (programmes.step()) {
        const std::string id = text_of(cell_at(programmes, 0));
        if (const auto why = unsplittable(cell_at(programmes, 2))) {
            if (split_count++ == 0) split_reason = *why;
            if (split_ids.size() < max_named) split_ids.push_back(id);
        }
        if (programmes.type(1) == Statement::Type::null) {
            ++null_count;
            if (null_ids.size() < max_named) null_ids.push_back(id);
        }
    }
    add_named(report, "with a play list the tree cannot split (the first: " + split_reason + ")", split_ids,
              split_count);
    add_named(report, "with a Null title", null_ids, null_count);
}

}  // namespace

std::vector<std::string> check_catalogue(const std::filesystem::path& file) {
    try {
        Database db = open_catalogue(file, Database::Access::read_only, catalogue::database_password);
        std::vector<std::string> report;
        if (!indexed_on(db, catalogue::programme_table, "lb_id"))
            report.push_back("table t1 has no index on lb_id: every category page reads the whole table");
        if (!indexed_on(db, catalogue::programme_table, "id"))
            report.push_back("table t1 has no index on id: every expansion and play reads the whole table");
        check_counts(db, report);
        check_programmes(db, report);
        return report;
    } catch (const std::runtime_error& e) {
        throw std::runtime_error("cannot check catalogue " + file.string() + ": " + e.what());
    }
}

void drop_indexes(const std::filesystem::path& file) {
    Database db = open_catalogue(file, Database::Access::read_write_create, catalogue::database_password);
    std::vector<std::string> names;
    {
        auto indexes = db.prepare("select name from sqlite_master where type = 'index' and sql is not null");
        while (indexes.step()) names.emplace_back(indexes.text(0));
    }
    for (const std::string& name : names) db.exec("DROP INDEX " + catalogue::quote_identifier(name));
    db.close();
}

}  // namespace qinghe::catalogue_files
