// Jet files from the writer, read back by mdbtools' own command-line tools
// (mdb-tables, mdb-export): an independent reader, so the tests know the
// files are real Jet and not only the writer's own idea of it.

#include "tools/catalogue_files/jet_writer.h"
#include "platform/jet/jet_header.h"
#include "tools/catalogue_files/catalogue_builder.h"
#include "tools/catalogue_files/catalogue_data.h"
#include "tools/catalogue_files/catalogue_generator.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace qinghe::catalogue_files {
namespace {

namespace fs = std::filesystem;
using jet::JetVersion;
using Rows = std::vector<std::vector<Cell>>;

std::string run(const std::string& command) {
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return out;
    char buffer[65536];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    EXPECT_EQ(::pclose(pipe), 0) << command;
    return out;
}

// mdb-export's CSV with Null as an unquoted N: quoted fields are texts,
// the others numbers.
Rows parse_export(const std::string& csv) {
    Rows rows;
    std::vector<Cell> row;
    std::string field;
    bool quoted = false;
    bool header = true;
    const auto end_field = [&] {
        if (quoted)
            row.emplace_back(field);
        else if (field == "N")
            row.emplace_back(std::monostate{});
        else if (field.find_first_of(".eE") != std::string::npos)
            row.emplace_back(std::stod(field));
        else
            row.emplace_back(static_cast<std::int64_t>(std::stoll(field)));
        field.clear();
        quoted = false;
    };
    for (std::size_t i = 0; i < csv.size(); ++i) {
        const char c = csv[i];
        if (c == '"') {
            quoted = true;
            for (++i; i < csv.size(); ++i) {
                if (csv[i] == '"' && i + 1 < csv.size() && csv[i + 1] == '"')
                    field += csv[++i];
                else if (csv[i] == '"')
                    break;
                else
                    field += csv[i];
            }
        } else if (c == ',' && !header) {
            end_field();
        } else if (c == '\n') {
            if (!header) {
                end_field();
                rows.push_back(std::move(row));
            }
            row.clear();
            header = false;
        } else if (!header) {
            field += c;
        }
    }
    return rows;
}

Rows exported(const fs::path& file, const std::string& table) {
    return parse_export(run("mdb-export -0 N -T '%Y-%m-%d %H:%M:%S' '" + file.string() + "' " + table));
}

std::vector<unsigned char> page_zero(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

// A play list of the given number of episodes, about 22 characters each.
std::string play_list(int episodes) {
    std::string text = "$$优酷";
    for (int e = 1; e <= episodes; ++e) text += "|XN" + std::to_string(100000 + e) + "|第" + std::to_string(e) + "集";
    return text;
}

CatalogueData sample() {
    CatalogueBuilder b;
    b.category(1, "电影", 3, 2).category(2, std::monostate{}, 0, 1).category(3, "体育 \"直播\",\n一", 7, 3);
    b.programme(1, "西游记", 1, "$$土豆|abc|第1集", "2009-05-17 20:31:07", "主演：吴承恩");
    b.programme(2, std::monostate{}, 1, play_list(900), "2010-01-02 03:04:05");  // a chain of long-value pages
    b.programme(3, "红楼梦", 2, play_list(60), std::monostate{},
                play_list(20));  // long-value rows, the player text compressed
    // Enough rows for many data pages, with long-value pages between them
    // so the table's pages spread past an inline usage map's reach.
    for (int id = 4; id <= 700; ++id)
        b.programme(id, "节目" + std::to_string(id), id % 3 + 1, play_list(id % 7 == 0 ? 2 : 80),
                    "2011-11-11 11:11:11");
    b.ad("新浪@#sina.com.cn@#优酷@#youku.com");
    return b.data();
}

TEST(JetWriter, MdbToolsReadEveryRowOfEveryForm) {
    struct Case {
        JetVersion version;
        std::string password;
        bool encode;
    };
    const Case cases[] = {
        {JetVersion::jet4, "", false},       {JetVersion::jet4, "3b71d0", false}, {JetVersion::jet4, "3b71d0", true},
        {JetVersion::jet3, "3b71d0", false}, {JetVersion::jet3, "", true},
    };
    const CatalogueData data = sample();
    for (const Case& c : cases) {
        SCOPED_TRACE((c.version == JetVersion::jet3 ? "Jet 3 " : "Jet 4 ") + c.password + (c.encode ? " encoded" : ""));
        test::TempDir dir;
        const fs::path file = dir.path() / "tavik.dll";
        write_jet_catalogue(file, data, {c.version, c.password, c.encode});

        const auto header = jet::read_jet_header(page_zero(file));
        ASSERT_TRUE(header);
        EXPECT_EQ(header->version, c.version);
        EXPECT_EQ(header->password, c.password);
        EXPECT_EQ(header->db_key != 0, c.encode);

        EXPECT_EQ(run("mdb-tables -1 '" + file.string() + "' | sort"), "ad\nt1\nvlb\n");
        for (const auto& [name, table] : data.tables) EXPECT_EQ(exported(file, name), table.rows) << name;
    }
}

TEST(JetWriter, GenerateWritesTheSameRowsAsForSqlCipher) {
    test::TempDir dir;
    const GenerateOptions options{5, 400, 7, 3};
    generate_catalogue(dir.path() / "tavik.dll", options);
    generate_jet_catalogue(dir.path() / "tavik.mdb", options, {});
    const CatalogueData sqlcipher = read_catalogue(dir.path() / "tavik.dll");
    for (const auto& [name, table] : sqlcipher.tables)
        EXPECT_EQ(exported(dir.path() / "tavik.mdb", name), table.rows) << name;
}

// The Jet type each column gets, as mdb-schema names it.
TEST(JetWriter, TypesEachColumnSoItsValuesKeepTheirMeaning) {
    CatalogueData data;
    data.tables["t1"] = {
        {"id", "tit", "player", "up_dt", "adds"},
        {{std::int64_t{1}, std::monostate{}, std::string("x"), std::string("2009-05-17 20:31:07"), std::string("a")}}};
    data.tables["x"] = {{"up_dt", "stamp", "big", "huge", "real", "mixed", "long"},
                        {{std::int64_t{5}, std::string("2009-05-17 20:31:07"), std::int64_t{5'000'000'000},
                          std::int64_t{9'007'199'254'740'993}, 1.5, std::string("a"), std::string(256, 'x')},
                         {std::monostate{}, std::string("2009-05-17"), std::int64_t{1}, std::int64_t{1},
                          std::int64_t{2}, std::int64_t{3}, std::string("y")}}};
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"id", "Long Integer"},
        {"tit", "Text (255)"},
        {"player", "Memo/Hyperlink (255)"},
        {"up_dt", "DateTime"},
        {"adds", "Memo/Hyperlink (255)"},
        {"up_dt", "Long Integer"},
        {"stamp", "Text (255)"},
        {"big", "Double"},
        {"huge", "Text (255)"},
        {"real", "Double"},
        {"mixed", "Text (255)"},
        {"long", "Memo/Hyperlink (255)"},
    };
    test::TempDir dir;
    write_jet_catalogue(dir.path() / "tavik.dll", data, {});
    std::vector<std::pair<std::string, std::string>> columns;
    std::istringstream schema(run("mdb-schema -T t1 '" + (dir.path() / "tavik.dll").string() + "'; mdb-schema -T x '" +
                                  (dir.path() / "tavik.dll").string() + "'"));
    for (std::string line; std::getline(schema, line);) {
        const auto open = line.find("\t[");
        if (open == std::string::npos) continue;
        const auto close = line.find(']', open);
        const auto type = line.find_first_not_of('\t', close + 1);
        columns.emplace_back(line.substr(open + 2, close - open - 2),
                             line.substr(type, line.find_last_not_of(", ") - type + 1));
    }
    EXPECT_EQ(columns, expected);
}

TEST(JetWriter, RefusesWhatJetCannotHoldAndLeavesNoFile) {
    struct Case {
        const char* what;
        CatalogueData data;
        JetOptions options;
    };
    std::vector<Case> cases;
    {
        CatalogueData long_password;
        long_password.tables["ad"] = {{"ad"}, {{std::string("x")}}};
        cases.push_back({"password", long_password, {JetVersion::jet4, std::string(21, 'p'), false}});
    }
    {
        CatalogueData no_gbk;
        no_gbk.tables["ad"] = {{"ad"}, {{std::string("😀")}}};
        cases.push_back({"Jet 3 text", no_gbk, {JetVersion::jet3, "", false}});
    }
    {
        CatalogueData bad_utf8;
        bad_utf8.tables["t1"] = {{"tit"}, {{std::string("\xC3")}}};
        cases.push_back({"UTF-8", bad_utf8, {}});
    }
    {
        CatalogueData wide;
        Table& table = wide.tables["x"];
        for (int i = 0; i < 200; ++i) table.columns.push_back("column_with_a_long_name_" + std::to_string(i));
        cases.push_back({"columns", wide, {}});
    }
    {
        CatalogueData names;
        names.tables["t1"] = {{"id"}, {}};
        names.tables["T1"] = {{"id"}, {}};
        cases.push_back({"table names", names, {}});
        CatalogueData system;
        system.tables["msysobjects"] = {{"id"}, {}};
        cases.push_back({"system table", system, {}});
        CatalogueData columns;
        columns.tables["t1"] = {{"Tit", "tit"}, {}};
        cases.push_back({"column names", columns, {}});
    }
    for (const Case& c : cases) {
        test::TempDir dir;
        EXPECT_THROW(write_jet_catalogue(dir.path() / "tavik.dll", c.data, c.options), std::runtime_error) << c.what;
        EXPECT_TRUE(fs::is_empty(dir.path())) << c.what;
    }
}

}  // namespace
}  // namespace qinghe::catalogue_files
