#include "catalogue_checks.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>

namespace qinghe::catalogue_files::checks {

std::vector<std::string> split(const std::string& text, const std::string& separator) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find(separator, start)) != std::string::npos; start = at + separator.size()) {
        pieces.push_back(text.substr(start, at - start));
    }
    pieces.push_back(text.substr(start));
    return pieces;
}

const Cell& cell(const Table& table, std::size_t row, const std::string& column) {
    const auto at = std::find(table.columns.begin(), table.columns.end(), column);
    if (at == table.columns.end()) {
        throw std::logic_error("no column " + column);
    }
    return table.rows.at(row).at(static_cast<std::size_t>(at - table.columns.begin()));
}

::testing::AssertionResult is_valid_play_list(const std::string& adds) {
    const auto groups = split(adds, "$$");
    if (groups.size() < 2 || groups.size() > 4 || !groups[0].empty()) {
        return ::testing::AssertionFailure() << "not one to three groups: " << adds;
    }
    std::set<std::string> sites;
    for (std::size_t g = 1; g < groups.size(); ++g) {
        const auto fields = split(groups[g], "|");
        if (fields.size() < 3 || fields.size() % 2 != 1) {
            return ::testing::AssertionFailure() << "group " << g << " has no complete pairs: " << adds;
        }
        std::string site;
        for (const char* name : {"土豆", "优酷", "SINA"}) {
            if (fields[0].find(name) != std::string::npos) {
                site = name;
                break;
            }
        }
        if (site.empty() || !sites.insert(site).second) {
            return ::testing::AssertionFailure() << "label \"" << fields[0] << "\" names no new site: " << adds;
        }
        for (std::size_t f = 1; f < fields.size(); f += 2) {
            const std::string& id = fields[f];
            // A site's video id or a media path or address: one word, no blanks.
            if (id.empty() ||
                !std::all_of(id.begin(), id.end(), [](unsigned char c) { return c >= 0x80 || std::isgraph(c); })) {
                return ::testing::AssertionFailure() << "identifier \"" << id << "\" is not one word: " << adds;
            }
            if (fields[f + 1].empty()) {
                return ::testing::AssertionFailure() << "empty leaf title: " << adds;
            }
        }
    }
    return ::testing::AssertionSuccess();
}

namespace {

bool is_timestamp(const std::string& text) {
    if (text.size() != 19) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char expected = i == 4 || i == 7 ? '-' : i == 10 ? ' ' : i == 13 || i == 16 ? ':' : '0';
        if (expected == '0' ? !std::isdigit(static_cast<unsigned char>(text[i])) : text[i] != expected) {
            return false;
        }
    }
    const int month = std::stoi(text.substr(5, 2));
    const int day = std::stoi(text.substr(8, 2));
    return month >= 1 && month <= 12 && day >= 1 && day <= 31 && std::stoi(text.substr(11, 2)) < 24 &&
           std::stoi(text.substr(14, 2)) < 60 && std::stoi(text.substr(17, 2)) < 60;
}

}  // namespace

std::size_t expect_well_formed(const CatalogueData& data) {
    const Table& vlb = data.tables.at("vlb");
    const Table& t1 = data.tables.at("t1");
    const Table& ad = data.tables.at("ad");

    std::map<std::int64_t, std::int64_t> counted;
    std::set<std::int64_t> ids;
    for (std::size_t r = 0; r < t1.rows.size(); ++r) {
        const auto id = std::get<std::int64_t>(cell(t1, r, "id"));
        EXPECT_TRUE(ids.insert(id).second) << "repeated id " << id;
        ++counted[std::get<std::int64_t>(cell(t1, r, "lb_id"))];
        EXPECT_FALSE(std::get<std::string>(cell(t1, r, "tit")).empty()) << "row " << r;
        EXPECT_FALSE(std::get<std::string>(cell(t1, r, "player")).empty()) << "row " << r;
        EXPECT_TRUE(is_timestamp(std::get<std::string>(cell(t1, r, "up_dt")))) << "row " << r;
        EXPECT_TRUE(is_valid_play_list(std::get<std::string>(cell(t1, r, "adds"))));
    }

    std::set<std::int64_t> display_order;
    std::set<std::int64_t> categories;
    for (std::size_t r = 0; r < vlb.rows.size(); ++r) {
        const auto lb_id = std::get<std::int64_t>(cell(vlb, r, "lb_id"));
        EXPECT_TRUE(lb_id >= -32768 && lb_id <= 32767);
        EXPECT_TRUE(categories.insert(lb_id).second) << "repeated category " << lb_id;
        EXPECT_FALSE(std::get<std::string>(cell(vlb, r, "lb")).empty());
        EXPECT_EQ(std::get<std::int64_t>(cell(vlb, r, "c_id")), counted[lb_id]) << "category " << lb_id;
        display_order.insert(std::get<std::int64_t>(cell(vlb, r, "px")));
    }
    EXPECT_EQ(display_order.size(), vlb.rows.size());
    if (!display_order.empty()) {
        EXPECT_EQ(*display_order.begin(), 1);
        EXPECT_EQ(*display_order.rbegin(), static_cast<std::int64_t>(vlb.rows.size()));
    }
    for (const auto& [lb_id, count] : counted) {
        EXPECT_TRUE(categories.count(lb_id)) << count << " programmes in missing category " << lb_id;
    }

    EXPECT_EQ(ad.rows.size(), 1u);
    if (ad.rows.empty()) {
        return 0;
    }
    const auto text = std::get<std::string>(cell(ad, 0, "ad"));
    if (text.empty()) {
        return 0;
    }
    const auto elements = split(text, "@#");
    EXPECT_EQ(elements.size() % 2, 0u) << text;
    for (std::size_t i = 0; i + 1 < elements.size(); i += 2) {
        EXPECT_FALSE(elements[i].empty()) << text;
        EXPECT_NE(elements[i + 1].find('.'), std::string::npos) << elements[i + 1];
        EXPECT_EQ(elements[i + 1].find("://"), std::string::npos) << elements[i + 1];
    }
    return elements.size() / 2;
}

}  // namespace qinghe::catalogue_files::checks
