#include "tools/catalogue_files/catalogue_data.h"
#include "tools/catalogue_files/catalogue_builder.h"
#include "tools/catalogue_files/catalogue_database.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>
#include <stdexcept>

namespace qinghe::catalogue_files {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

std::vector<fs::path> files_in(const fs::path& dir) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(dir)) {
        files.push_back(entry.path().filename());
    }
    return files;
}

std::string read_bytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(CatalogueRoundTrip, KeepsEveryStorageClassAsWritten) {
    TempDir dir;
    CatalogueData data;
    Table& t = data.tables["mixed"];
    t.columns = {"a", "b", "c"};
    t.rows = {
        {std::monostate{}, std::string(), std::string("中文 text")},
        {std::int64_t{42}, 42.0, std::string("42")},
        {std::numeric_limits<std::int64_t>::min(), -0.5, std::string("2009-05-17 20:31:07")},
        {std::numeric_limits<std::int64_t>::max(), 1e300, std::string("a\0b", 3)},
    };
    write_catalogue(dir.path() / "tavik.dll", data);

    const CatalogueData back = read_catalogue(dir.path() / "tavik.dll");
    ASSERT_EQ(back.tables.size(), 1u);
    const Table& r = back.tables.at("mixed");
    EXPECT_EQ(r.columns, t.columns);
    // Null and empty text stay distinct; "42", 42 and 42.0 stay three
    // different values: untyped columns apply no conversion.
    EXPECT_EQ(r.rows, t.rows);
    EXPECT_TRUE(std::holds_alternative<std::monostate>(r.rows[0][0]));
    EXPECT_TRUE(std::holds_alternative<std::string>(r.rows[0][1]));
    EXPECT_TRUE(std::holds_alternative<double>(r.rows[1][1]));
    EXPECT_TRUE(std::holds_alternative<std::string>(r.rows[1][2]));
}

TEST(CatalogueRoundTrip, KeepsRowOrderAndEmptyTablesAndOddNames) {
    TempDir dir;
    CatalogueData data;
    data.tables["empty"].columns = {"only"};
    Table& odd = data.tables["we\"ird name"];
    odd.columns = {"sel ect", "x\"y"};
    for (std::int64_t i = 10; i > 0; --i) {
        odd.rows.push_back({i, std::string("r") + std::to_string(i)});
    }
    write_catalogue(dir.path() / "c.dll", data);
    const CatalogueData back = read_catalogue(dir.path() / "c.dll");
    ASSERT_EQ(back.tables.size(), 2u);
    EXPECT_EQ(back.tables.at("empty").columns, std::vector<std::string>{"only"});
    EXPECT_TRUE(back.tables.at("empty").rows.empty());
    EXPECT_EQ(back.tables.at("we\"ird name").columns, odd.columns);
    EXPECT_EQ(back.tables.at("we\"ird name").rows, odd.rows);
}

TEST(CatalogueBuilder, WritesTheUsualTablesWithCellsAsGiven) {
    TempDir dir;
    CatalogueBuilder b;
    b.category(3, "电影", 120, 1)
        .category(std::string("7"), "电视剧", std::monostate{}, std::string("b"))
        .programme(17, "西游记", 3, "$$土豆|a1|t1", "2009-05-17 20:31:07", "主演：六小龄童")
        .programme(18, "红楼梦", 3, std::monostate{})
        .programmes(7, 3, 100)
        .ad("新浪@#sina.com.cn");
    b.write(dir.path() / "tavik.dll");

    const CatalogueData back = read_catalogue(dir.path() / "tavik.dll");
    const Table& vlb = back.tables.at("vlb");
    EXPECT_EQ(vlb.columns, (std::vector<std::string>{"lb_id", "lb", "c_id", "px"}));
    ASSERT_EQ(vlb.rows.size(), 2u);
    EXPECT_EQ(vlb.rows[1][0], Cell(std::string("7")));
    EXPECT_EQ(vlb.rows[1][2], Cell(std::monostate{}));

    const Table& t1 = back.tables.at("t1");
    EXPECT_EQ(t1.columns, (std::vector<std::string>{"id", "tit", "player", "lb_id", "up_dt", "adds"}));
    ASSERT_EQ(t1.rows.size(), 5u);
    EXPECT_EQ(t1.rows[0],
              (std::vector<Cell>{std::int64_t{17}, std::string("西游记"), std::string("主演：六小龄童"),
                                 std::int64_t{3}, std::string("2009-05-17 20:31:07"), std::string("$$土豆|a1|t1")}));
    // Defaults: up_dt 0, player Null.
    EXPECT_EQ(t1.rows[1][4], Cell(std::int64_t{0}));
    EXPECT_EQ(t1.rows[1][2], Cell(std::monostate{}));
    EXPECT_EQ(t1.rows[1][5], Cell(std::monostate{}));
    // programmes(): ids from first_id, titles 节目<id>, up_dt rising with the id.
    EXPECT_EQ(t1.rows[2][0], Cell(std::int64_t{100}));
    EXPECT_EQ(t1.rows[4][1], Cell(std::string("节目102")));
    EXPECT_EQ(t1.rows[4][3], Cell(std::int64_t{7}));
    EXPECT_LT(std::get<std::int64_t>(t1.rows[2][4]), std::get<std::int64_t>(t1.rows[4][4]));

    EXPECT_EQ(back.tables.at("ad").rows, (std::vector<std::vector<Cell>>{{std::string("新浪@#sina.com.cn")}}));
}

TEST(CatalogueBuilder, AnEmptyBuilderWritesEmptyTables) {
    TempDir dir;
    CatalogueBuilder().write(dir.path() / "tavik.dll");
    const CatalogueData back = read_catalogue(dir.path() / "tavik.dll");
    ASSERT_EQ(back.tables.size(), 3u);
    for (const auto& [name, table] : back.tables) {
        EXPECT_FALSE(table.columns.empty()) << name;
        EXPECT_TRUE(table.rows.empty()) << name;
    }
}

TEST(CatalogueKey, TheFileIsEncryptedAndOpensOnlyWithItsPassword) {
    TempDir dir;
    const fs::path file = dir.path() / "tavik.dll";
    CatalogueBuilder().category(1, "电影", 1, 1).ad("明文广告@#example.cn").write(file);
    const std::string bytes = read_bytes(file);
    EXPECT_EQ(bytes.find("SQLite format 3"), std::string::npos);
    EXPECT_EQ(bytes.find("明文广告"), std::string::npos);

    EXPECT_THROW(read_catalogue(file, "3b71d1"), std::runtime_error);
    EXPECT_THROW(read_catalogue(file, ""), std::runtime_error);
    EXPECT_EQ(read_catalogue(file).tables.at("vlb").rows.size(), 1u);

    CatalogueBuilder().category(1, "x", 1, 1).write(dir.path() / "other.dll", "another");
    EXPECT_THROW(read_catalogue(dir.path() / "other.dll"), std::runtime_error);
    EXPECT_EQ(read_catalogue(dir.path() / "other.dll", "another").tables.at("vlb").rows.size(), 1u);
}

TEST(CatalogueRead, RefusesMissingAndForeignFiles) {
    TempDir dir;
    EXPECT_THROW(read_catalogue(dir.path() / "absent.dll"), std::runtime_error);
    EXPECT_FALSE(fs::exists(dir.path() / "absent.dll"));
    EXPECT_THROW(read_catalogue(dir.path()), std::runtime_error);

    std::ofstream(dir.path() / "text.dll") << "this is not a database at all, just some text";
    try {
        read_catalogue(dir.path() / "text.dll");
        FAIL() << "a text file was read as a catalogue";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("text.dll"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("password"), std::string::npos) << e.what();
    }
}

TEST(CatalogueWrite, ReplacesAnExistingFileAndLeavesNoTemporaryFile) {
    TempDir dir;
    const fs::path file = dir.path() / "tavik.dll";
    CatalogueBuilder().category(1, "旧", 1, 1).write(file);
    CatalogueBuilder().category(2, "新", 1, 1).category(3, "新2", 1, 2).write(file);
    const CatalogueData back = read_catalogue(file);
    ASSERT_EQ(back.tables.at("vlb").rows.size(), 2u);
    EXPECT_EQ(back.tables.at("vlb").rows[0][1], Cell(std::string("新")));
    EXPECT_EQ(files_in(dir.path()), std::vector<fs::path>{"tavik.dll"});
}

TEST(CatalogueWrite, AFailureLeavesTheOldFileUntouchedAndNoTemporaryFile) {
    TempDir dir;
    const fs::path file = dir.path() / "tavik.dll";
    CatalogueBuilder().category(1, "旧", 1, 1).write(file);
    const std::string before = read_bytes(file);

    auto expect_failure = [&](const CatalogueData& data, const std::string& wanted) {
        try {
            write_catalogue(file, data);
            ADD_FAILURE() << "no error for " << wanted;
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(wanted), std::string::npos) << e.what();
        }
        EXPECT_EQ(read_bytes(file), before);
        EXPECT_EQ(files_in(dir.path()), std::vector<fs::path>{"tavik.dll"});
    };

    CatalogueData short_row;
    short_row.tables["t1"] = {{"id", "tit"}, {{std::int64_t{1}, std::string("a")}, {std::int64_t{2}}}};
    expect_failure(short_row, "row 2");

    CatalogueData no_columns;
    no_columns.tables["vlb"] = {};
    expect_failure(no_columns, "vlb");

    CatalogueData duplicate_column;
    duplicate_column.tables["vlb"] = {{"px", "px"}, {}};
    expect_failure(duplicate_column, "px");

    // SQLite would store NaN as Null; refusing it keeps the data as given.
    CatalogueData nan;
    nan.tables["vlb"] = {{"px"}, {{std::numeric_limits<double>::quiet_NaN()}}};
    expect_failure(nan, "NaN");
}

TEST(CatalogueWrite, FailsCleanlyWhereTheFileCannotBeWritten) {
    TempDir dir;
    CatalogueBuilder b;
    b.category(1, "电影", 1, 1);
    EXPECT_THROW(b.write(dir.path() / "missing" / "tavik.dll"), std::runtime_error);
    EXPECT_FALSE(fs::exists(dir.path() / "missing"));

    fs::create_directory(dir.path() / "sub");
    EXPECT_THROW(b.write(dir.path() / "sub"), std::runtime_error);
    EXPECT_TRUE(fs::is_directory(dir.path() / "sub"));
    EXPECT_EQ(files_in(dir.path()).size(), 1u);
}

TEST(CatalogueWrite, AddsTheIndexesTheQueriesUse) {
    TempDir dir;
    const fs::path file = dir.path() / "tavik.dll";
    CatalogueBuilder().category(1, "电影", 4, 1).programmes(1, 3).programme(1, "重复的编号", 1, "$$").write(file);
    // A repeated id is accepted: the id index is not unique.
    EXPECT_EQ(read_catalogue(file).tables.at("t1").rows.size(), 4u);

    detail::Database db =
        detail::open_catalogue(file, detail::Database::Access::read_only, catalogue::database_password);
    auto plan = [&](const std::string& sql) {
        auto statement = db.prepare("EXPLAIN QUERY PLAN " + sql);
        std::string text;
        while (statement.step()) {
            text += std::string(statement.text(3)) + "\n";
        }
        return text;
    };
    const std::string page = plan("select id,tit from t1 where lb_id=1 order by up_dt desc,id desc");
    EXPECT_NE(page.find("USING INDEX"), std::string::npos) << page;
    EXPECT_EQ(page.find("TEMP B-TREE"), std::string::npos) << page;
    const std::string by_id = plan("select * from t1 where id=2");
    EXPECT_NE(by_id.find("USING INDEX"), std::string::npos) << by_id;
    const std::string categories = plan("select * from vlb order by px");
    EXPECT_EQ(categories.find("TEMP B-TREE"), std::string::npos) << categories;
}

TEST(CatalogueWrite, AddsNoIndexWhereItsColumnsAreMissing) {
    TempDir dir;
    CatalogueData data;
    data.tables["t1"] = {{"tit", "adds"}, {{std::string("无编号"), std::string("$$")}}};
    data.tables["vlb"] = {{"lb_id", "lb"}, {}};
    write_catalogue(dir.path() / "tavik.dll", data);
    EXPECT_EQ(read_catalogue(dir.path() / "tavik.dll").tables.at("t1").rows.size(), 1u);
}

}  // namespace
}  // namespace qinghe::catalogue_files
