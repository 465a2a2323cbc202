#include "tools/catalogue_files/catalogue_builder.h"
#include "tools/catalogue_files/catalogue_data.h"
#include "tools/catalogue_files/catalogue_json.h"

#include "catalogue_checks.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>

namespace qinghe::catalogue_files {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string slurp(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string quoted(const std::string& arg) {
    std::string text = "'";
    for (const char c : arg) {
        text += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return text + "'";
}

// Runs the built tool with the arguments, capturing its output streams
// in files beside the work directory.
class ToolTest : public ::testing::Test {
protected:
    ToolRun run(const std::vector<std::string>& args) {
        std::string command = quoted(QINGHE_TEST_BINARY_DIR "/qinghe-catalogue");
        for (const auto& arg : args) {
            command += ' ';
            command += quoted(arg);
        }
        command += " >" + quoted(streams_.path() / "out") + " 2>" + quoted(streams_.path() / "err") + " </dev/null";
        ToolRun result;
        const int raw = std::system(command.c_str());
        result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        result.out = slurp(streams_.path() / "out");
        result.err = slurp(streams_.path() / "err");
        return result;
    }

    fs::path file(const std::string& name) const { return dir_.path() / name; }

    void write_text(const std::string& name, const std::string& text) const {
        std::ofstream(file(name), std::ios::binary) << text;
    }

    std::vector<std::string> files() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_.path())) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    // A failure: one line on stderr starting with the tool's name and
    // mentioning the wanted text, nothing on stdout.
    static void expect_failure(const ToolRun& r, int status, const std::string& wanted) {
        EXPECT_EQ(r.status, status) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
        EXPECT_EQ(r.err.rfind("qinghe-catalogue: ", 0), 0u) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_NE(r.err.find(wanted), std::string::npos) << r.err;
    }

private:
    TempDir dir_;
    TempDir streams_;
};

TEST_F(ToolTest, HelpDescribesEveryCommand) {
    const ToolRun r = run({"--help"});
    EXPECT_EQ(r.status, 0);
    for (const char* part : {"create", "generate", "--categories", "--programmes", "--seed", "--ads", "dump"}) {
        EXPECT_NE(r.out.find(part), std::string::npos) << part;
    }
    EXPECT_TRUE(r.err.empty());
}

TEST_F(ToolTest, CreateThenDumpGivesTheJsonBack) {
    const std::string input = R"({
        "vlb": [{"lb_id": 2, "lb": "电视剧", "c_id": "1部", "px": 1.5}],
        "t1": [{"id": 7, "tit": "西游记", "player": null, "lb_id": 2, "up_dt": "2009-05-17 20:31:07",
                "adds": "$$土豆|XNDc2MTIz|第1集"}],
        "ad": [{"ad": "新浪@#sina.com.cn"}]
    })";
    write_text("in.json", input);
    const ToolRun created = run({"create", file("in.json").string(), file("tavik.dll").string()});
    ASSERT_EQ(created.status, 0) << created.err;
    EXPECT_TRUE(created.out.empty());
    EXPECT_EQ(files(), (std::vector<std::string>{"in.json", "tavik.dll"}));

    const ToolRun dumped = run({"dump", file("tavik.dll").string()});
    ASSERT_EQ(dumped.status, 0) << dumped.err;
    EXPECT_EQ(nlohmann::json::parse(dumped.out), nlohmann::json::parse(input));
    // Columns are listed in table order.
    EXPECT_LT(dumped.out.find("\"id\""), dumped.out.find("\"tit\""));
    EXPECT_LT(dumped.out.find("\"tit\""), dumped.out.find("\"player\""));
}

TEST_F(ToolTest, CreateRefusesBadInputAndKeepsTheOldCatalogue) {
    CatalogueBuilder().category(1, "旧", 0, 1).write(file("tavik.dll"));
    const std::string before = slurp(file("tavik.dll"));
    write_text("broken.json", R"({"vlb": [{"lb_id": 1,}]})");
    write_text("shape.json", R"({"vlb": [{"lb_id": 1}, {"lb_id": [2]}]})");
    write_text("empty.json", "");

    expect_failure(run({"create", file("broken.json").string(), file("tavik.dll").string()}), 1, "broken.json");
    expect_failure(run({"create", file("empty.json").string(), file("tavik.dll").string()}), 1, "empty.json");
    expect_failure(run({"create", file("shape.json").string(), file("tavik.dll").string()}), 1, "vlb row 2");
    expect_failure(run({"create", file("absent.json").string(), file("tavik.dll").string()}), 1, "absent.json");
    expect_failure(run({"create", file("shape.json").string()}), 2, "create");
    EXPECT_EQ(slurp(file("tavik.dll")), before);

    write_text("good.json", R"({"vlb": [{"lb_id": 1}]})");
    expect_failure(run({"create", file("good.json").string(), file("missing/tavik.dll").string()}), 1, "missing");
    EXPECT_EQ(files(), (std::vector<std::string>{"broken.json", "empty.json", "good.json", "shape.json", "tavik.dll"}));
}

TEST_F(ToolTest, GenerateIsDeterministicAndDumpsAWellFormedCatalogue) {
    const auto generate = [&](const std::string& name, const std::string& seed) {
        return run({"generate", "--categories", "5", "--programmes", "120", "--seed", seed, "--ads", "3",
                    file(name).string()});
    };
    ASSERT_EQ(generate("a.dll", "9").status, 0);
    ASSERT_EQ(generate("b.dll", "9").status, 0);
    ASSERT_EQ(generate("c.dll", "10").status, 0);
    const ToolRun a = run({"dump", file("a.dll").string()});
    const ToolRun b = run({"dump", file("b.dll").string()});
    const ToolRun c = run({"dump", file("c.dll").string()});
    ASSERT_EQ(a.status, 0) << a.err;
    EXPECT_EQ(a.out, b.out);
    EXPECT_NE(a.out, c.out);

    const auto data = from_json(nlohmann::ordered_json::parse(a.out));
    EXPECT_EQ(data.tables.at("vlb").rows.size(), 5u);
    EXPECT_EQ(data.tables.at("t1").rows.size(), 120u);
    EXPECT_EQ(checks::expect_well_formed(data), 3u);
}

TEST_F(ToolTest, GenerateRefusesBadArgumentsWithoutWritingAFile) {
    const std::string out = file("g.dll").string();
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"generate", "--categories", "abc", "--programmes", "3", out}, "--categories"},
        {{"generate", "--categories", "3", "--programmes", "-1", out}, "--programmes"},
        {{"generate", "--categories", "3", "--programmes", "3x", out}, "3x"},
        {{"generate", "--categories", "40000", "--programmes", "3", out}, "--categories"},
        {{"generate", "--categories", "3", "--programmes", "3", "--seed", "4294967296", out}, "--seed"},
        {{"generate", "--categories", "3", "--programmes", "3", "--ads", "", out}, "--ads"},
        {{"generate", "--categories", "3", out}, "--programmes"},
        {{"generate", "--categories", "3", "--programmes", "3"}, "output"},
        {{"generate", "--categories", "3", "--programmes", "3", out, out + "2"}, "one output"},
        {{"generate", "--categories", "3", "--programmes", "3", "--colour", "red", out}, "--colour"},
        {{"generate", "--categories", "0", "--programmes", "3", out}, "category"},
        {{"generate", "--categories", "3", "--programmes", "3", out, "--seed"}, "--seed"},
    };
    for (const auto& [args, wanted] : cases) {
        SCOPED_TRACE(wanted);
        expect_failure(run(args), 2, wanted);
    }
    EXPECT_TRUE(files().empty());
    expect_failure(run({}), 2, "command");
    expect_failure(run({"frobnicate"}), 2, "frobnicate");
}

TEST_F(ToolTest, DumpRefusesFilesItCannotRead) {
    CatalogueBuilder().category(1, "电影", 0, 1).write(file("other.dll"), "another password");
    write_text("text.dll", "plain text, not a catalogue");
    expect_failure(run({"dump", file("other.dll").string()}), 1, "password");
    expect_failure(run({"dump", file("text.dll").string()}), 1, "text.dll");
    expect_failure(run({"dump", file("absent.dll").string()}), 1, "absent.dll");
    expect_failure(run({"dump"}), 2, "dump");
    EXPECT_EQ(files(), (std::vector<std::string>{"other.dll", "text.dll"}));
}

TEST_F(ToolTest, TheDemoCatalogueBuildsAndShowsEveryFeature) {
    const ToolRun created = run({"create", QINGHE_SOURCE_DIR "/data/demo-catalogue.json", file("tavik.dll").string()});
    ASSERT_EQ(created.status, 0) << created.err;
    const CatalogueData data = read_catalogue(file("tavik.dll"));
    EXPECT_GE(checks::expect_well_formed(data), 3u);

    const Table& vlb = data.tables.at("vlb");
    const Table& t1 = data.tables.at("t1");
    EXPECT_GE(vlb.rows.size(), 10u);
    EXPECT_GE(t1.rows.size(), 200u);
    bool px_differs = false;
    std::int64_t largest = 0;
    for (std::size_t r = 0; r < vlb.rows.size(); ++r) {
        px_differs = px_differs || checks::cell(vlb, r, "px") != checks::cell(vlb, r, "lb_id");
        largest = std::max(largest, std::get<std::int64_t>(checks::cell(vlb, r, "c_id")));
    }
    EXPECT_TRUE(px_differs);
    EXPECT_GT(largest, 100);
}

}  // namespace
}  // namespace qinghe::catalogue_files
