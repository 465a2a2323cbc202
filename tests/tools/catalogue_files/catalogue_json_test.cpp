#include "tools/catalogue_files/catalogue_json.h"

#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>
#include <string>

namespace qinghe::catalogue_files {
namespace {

using nlohmann::json;
using nlohmann::ordered_json;

// The message of the runtime_error that from_json throws, or "" if none.
std::string from_json_error(const json& input) {
    try {
        from_json(input);
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "";
}

TEST(CatalogueJson, ReadsCellsWithTheirJsonTypes) {
    const auto data = from_json(json::parse(R"({
        "t1": [{"id": 1, "tit": "西游记", "up_dt": "2009-05-17 20:31:07", "player": null, "score": 2.5},
               {"id": 9223372036854775807, "tit": "", "up_dt": -3, "player": "x", "score": 4.0}]
    })"));
    const Table& t1 = data.tables.at("t1");
    ASSERT_EQ(t1.rows.size(), 2u);
    const auto cell = [&](std::size_t row, const std::string& column) {
        for (std::size_t c = 0; c < t1.columns.size(); ++c) {
            if (t1.columns[c] == column) {
                return t1.rows[row][c];
            }
        }
        throw std::logic_error("no column " + column);
    };
    EXPECT_EQ(cell(0, "id"), Cell(std::int64_t{1}));
    EXPECT_EQ(cell(0, "tit"), Cell(std::string("西游记")));
    EXPECT_EQ(cell(0, "player"), Cell(std::monostate{}));
    EXPECT_EQ(cell(0, "score"), Cell(2.5));
    EXPECT_EQ(cell(1, "id"), Cell(std::numeric_limits<std::int64_t>::max()));
    EXPECT_EQ(cell(1, "tit"), Cell(std::string()));
    EXPECT_EQ(cell(1, "up_dt"), Cell(std::int64_t{-3}));
    // 4.0 is a real in JSON and stays one.
    EXPECT_EQ(cell(1, "score"), Cell(4.0));
}

TEST(CatalogueJson, ColumnsAreTheUnionOfTheRowsInDocumentOrder) {
    const auto data = from_json(ordered_json::parse(R"({
        "vlb": [{"lb_id": 1, "lb": "电影"}, {"px": 3, "lb_id": 2}, {}]
    })"));
    const Table& vlb = data.tables.at("vlb");
    EXPECT_EQ(vlb.columns, (std::vector<std::string>{"lb_id", "lb", "px"}));
    EXPECT_EQ(vlb.rows[0], (std::vector<Cell>{std::int64_t{1}, std::string("电影"), std::monostate{}}));
    EXPECT_EQ(vlb.rows[1], (std::vector<Cell>{std::int64_t{2}, std::monostate{}, std::int64_t{3}}));
    EXPECT_EQ(vlb.rows[2], (std::vector<Cell>(3, std::monostate{})));
}

TEST(CatalogueJson, AnEmptyUsualTableGetsItsUsualColumns) {
    const auto data = from_json(json::parse(R"({"vlb": [], "t1": [], "ad": [], "other": []})"));
    EXPECT_EQ(data.tables.at("vlb").columns, usual_columns("vlb"));
    EXPECT_EQ(data.tables.at("t1").columns, usual_columns("t1"));
    EXPECT_EQ(data.tables.at("ad").columns, usual_columns("ad"));
    EXPECT_TRUE(data.tables.at("other").columns.empty());
}

TEST(CatalogueJson, RejectsMalformedShapesNamingTheTableAndRow) {
    struct Case {
        const char* input;
        std::vector<std::string> wanted;
    };
    const Case cases[] = {
        {R"([])", {"object"}},
        {R"("vlb")", {"object"}},
        {R"({"vlb": {"lb_id": 1}})", {"vlb", "array"}},
        {R"({"vlb": [1, 2]})", {"vlb", "row 1"}},
        {R"({"t1": [{"id": 1}, [1]]})", {"t1", "row 2"}},
        {R"({"t1": [{"id": 1}, {"id": true}]})", {"t1", "row 2", "id", "boolean"}},
        {R"({"t1": [{"id": [1]}]})", {"t1", "row 1", "id", "array"}},
        {R"({"ad": [{"ad": {"x": 1}}]})", {"ad", "row 1", "ad", "object"}},
        {R"({"t1": [{"id": 9223372036854775808}]})", {"t1", "row 1", "id", "too large"}},
    };
    for (const auto& c : cases) {
        const std::string message = from_json_error(json::parse(c.input));
        ASSERT_FALSE(message.empty()) << "accepted: " << c.input;
        for (const auto& part : c.wanted) {
            EXPECT_NE(message.find(part), std::string::npos) << c.input << " -> " << message;
        }
    }
}

TEST(CatalogueJson, WritesEveryCellTypeAndReadsItBackUnchanged) {
    CatalogueData data;
    data.tables["t1"] = {{"id", "tit", "player", "up_dt"},
                         {{std::int64_t{-7}, std::string("红楼梦"), std::monostate{}, 0.1},
                          {std::numeric_limits<std::int64_t>::min(), std::string(), std::string("42"), 1e-300}}};
    data.tables["empty"] = {{"a"}, {}};

    const json out = to_json(data);
    EXPECT_TRUE(out["t1"][0]["player"].is_null());
    EXPECT_TRUE(out["t1"][1]["player"].is_string());
    EXPECT_TRUE(out["t1"][0]["up_dt"].is_number_float());
    EXPECT_EQ(out["empty"], json::array());

    // Through text, as the tool's dump and create do.
    const CatalogueData back = from_json(json::parse(out.dump()));
    EXPECT_EQ(back.tables.at("t1").rows.size(), 2u);
    const CatalogueData ordered_back = from_json(ordered_json::parse(to_ordered_json(data).dump()));
    EXPECT_EQ(ordered_back.tables.at("t1").columns, data.tables.at("t1").columns);
    EXPECT_EQ(ordered_back.tables.at("t1").rows, data.tables.at("t1").rows);
}

TEST(CatalogueJson, RefusesCellsThatJsonCannotHoldRatherThanChangingThem) {
    const auto error_of = [](const Cell& cell) {
        CatalogueData data;
        data.tables["t1"] = {{"tit"}, {{std::string("ok")}, {cell}}};
        try {
            to_json(data);
        } catch (const std::runtime_error& e) {
            return std::string(e.what());
        }
        return std::string();
    };
    for (const auto& bad :
         {Cell(std::string("\xff\xfe")), Cell(std::string("\xc0\xaf")), Cell(std::string("\xed\xa0\x80")),
          Cell(std::string("ab\xe4\xb8")), Cell(std::numeric_limits<double>::infinity())}) {
        const std::string message = error_of(bad);
        EXPECT_NE(message.find("t1 row 2 column tit"), std::string::npos) << message;
    }
    EXPECT_EQ(error_of(Cell(std::string("中文\x01\x7f"))), "");
    EXPECT_EQ(error_of(Cell(std::string("\xf0\x9f\x93\xba"))), "");

    CatalogueData ragged;
    ragged.tables["vlb"] = {{"lb_id", "lb"}, {{std::int64_t{1}}}};
    EXPECT_THROW(to_json(ragged), std::runtime_error);
    CatalogueData repeated;
    repeated.tables["vlb"] = {{"px", "px"}, {{std::int64_t{1}, std::int64_t{2}}}};
    EXPECT_THROW(to_json(repeated), std::runtime_error);
}

}  // namespace
}  // namespace qinghe::catalogue_files
