#include "platform/jet/jet_header.h"
#include "tools/catalogue_files/catalogue_builder.h"
#include "tools/catalogue_files/catalogue_data.h"
#include "tools/catalogue_files/catalogue_json.h"

#include "catalogue_checks.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iostream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

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
    for (const char* part : {"create", "generate", "--categories", "--programmes", "--seed", "--ads", "dump", "convert"}) {
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

TEST_F(ToolTest, FormatOptionsChooseTheJetFileAndItsPassword) {
    write_text("in.json", R"({"ad": [{"ad": "新浪@#sina.com.cn"}]})");
    const std::string in = file("in.json").string();
    const std::string out = file("tavik.dll").string();
    struct Case {
        std::vector<std::string> args;
        std::string password;
        bool jet3;
        bool encoded;
    };
    const Case cases[] = {
        {{"create", "--format", "jet", in, out}, "3b71d0", false, false},
        {{"create", "--format", "jet", "--password", "", in, out}, "", false, false},
        {{"create", "--password", "秘密", "--format", "jet", "--encode", in, out}, "秘密", false, true},
        {{"create", "--format", "jet", "--jet3", in, out}, "3b71d0", true, false},
        {{"generate", "--categories", "2", "--programmes", "5", "--format", "jet", "--encode", out},
         "3b71d0",
         false,
         true},
    };
    for (const Case& c : cases) {
        const ToolRun r = run(c.args);
        ASSERT_EQ(r.status, 0) << r.err;
        const std::string bytes = slurp(file("tavik.dll"));
        const auto header =
            jet::read_jet_header(std::span(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()));
        ASSERT_TRUE(header) << c.args[1];
        EXPECT_EQ(header->password, c.password);
        EXPECT_EQ(header->version, c.jet3 ? jet::JetVersion::jet3 : jet::JetVersion::jet4);
        EXPECT_EQ(header->db_key != 0, c.encoded);
    }
    expect_failure(run({"create", "--jet3", in, out}), 2, "--format jet");
    expect_failure(run({"create", "--format", "access", in, out}), 2, "--format");
    expect_failure(run({"create", "--format", "jet", "--password", std::string(21, 'x'), in, out}), 1, "password");
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

TEST_F(ToolTest, DumpAndCheckRefuseFilesTheyCannotRead) {
    CatalogueBuilder().category(1, "电影", 0, 1).write(file("other.dll"), "another password");
    write_text("text.dll", "plain text, not a catalogue");
    for (const std::string command : {"dump", "check"}) {
        SCOPED_TRACE(command);
        expect_failure(run({command, file("other.dll").string()}), 1, "other.dll");
        expect_failure(run({command, file("other.dll").string()}), 1, "password");
        expect_failure(run({command, file("text.dll").string()}), 1, "text.dll");
        expect_failure(run({command, file("absent.dll").string()}), 1, "absent.dll");
        expect_failure(run({command}), 2, command);
    }
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

TEST_F(ToolTest, CreateRefusesHostileInputsAndLeavesWhatIsNotARegularFileAlone) {
    write_text("good.json", R"({"vlb": [{"lb_id": 1}]})");
    write_text("deep.json", std::string(90000, '[') + std::string(90000, ']'));
    write_text("deep-in-a-row.json", R"({"vlb": [{"lb_id": )" + std::string(17, '[') + std::string(17, ']') + "}]}");
    write_text("brackets-in-text.json", R"({"vlb": [{"lb": ")" + std::string(100, '[') + R"("}]})");
    write_text("target", "not to be touched");
    fs::create_directory(file("dir"));
    const bool root = ::geteuid() == 0;
    const struct {
        const char* input;
        const char* output;
        // Puts something at the output path; false where this machine cannot.
        std::function<bool(const fs::path&)> make_output;
        int status;
        const char* wanted;
    } cases[] = {
        {"deep.json", "a.dll", nullptr, 1, "90000 levels deep"},
        {"deep-in-a-row.json", "a.dll", nullptr, 1, "at most 16"},
        {"brackets-in-text.json", "a.dll", nullptr, 0, ""},
        {"/dev/zero", "a.dll", nullptr, 1, "more than 268435456 bytes"},
        {"dir", "a.dll", nullptr, 1, "dir"},
        {"good.json", "fifo", [](const fs::path& p) { return ::mkfifo(p.c_str(), 0600) == 0; }, 1, "a FIFO"},
        {"good.json", "device",
         [root](const fs::path& p) { return root && ::mknod(p.c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0; }, 1,
         "a character device"},
        {"good.json", "dir", nullptr, 1, "a directory"},
        {"good.json", "link to a FIFO",
         [this](const fs::path& p) {
             fs::create_symlink(file("fifo2"), p);
             return ::mkfifo(file("fifo2").c_str(), 0600) == 0;
         },
         1, "a FIFO"},
        {"good.json", "link to a directory",
         [this](const fs::path& p) {
             fs::create_symlink(file("dir"), p);
             return true;
         },
         1, "a directory"},
        {"good.json", "link to a file",
         [this](const fs::path& p) {
             fs::create_symlink(file("target"), p);
             return true;
         },
         0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.input) + " -> " + c.output);
        const fs::path output = file(c.output);
        if (c.make_output && !c.make_output(output)) {
            std::cerr << "skipped on this machine: " << c.output << "\n";
            continue;
        }
        const std::vector<std::string> before = files();
        const auto kind = fs::symlink_status(output).type();
        const std::string input = c.input[0] == '/' ? c.input : file(c.input).string();
        const ToolRun r = run({"create", input, output.string()});
        if (c.status == 0) {
            EXPECT_EQ(r.status, 0) << r.err;
            EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(output))) << "the output is the new catalogue";
        } else {
            expect_failure(r, c.status, c.wanted);
            EXPECT_EQ(fs::symlink_status(output).type(), kind) << "left as it was";
            EXPECT_EQ(files(), before) << "no file left behind";
        }
        if (c.make_output || c.status == 0) {
            fs::remove(output);
        }
    }
    EXPECT_EQ(slurp(file("target")), "not to be touched");
}

TEST_F(ToolTest, DumpWritesEveryRowAndNamesTheValuesItCouldNotWriteAsStored) {
    CatalogueBuilder()
        .category(1, "电影", 0, 1)
        .programme(7, std::string("bad \xff\xfe title"), 1, "$$土豆|a|第1集")
        .programme(8, "好", 1, "$$土豆|b|第1集")
        .ad(std::string("新浪\xc0\xaf@#sina.com.cn"))
        .write(file("tavik.dll"));
    CatalogueData odd;
    odd.tables["x"] = {{"r", std::string("col\xff")}, {{std::numeric_limits<double>::infinity(), std::string("ok")}}};
    write_catalogue(file("odd.dll"), odd);

    const ToolRun dumped = run({"dump", file("tavik.dll").string()});
    EXPECT_EQ(dumped.status, 0) << dumped.err;
    const auto json = nlohmann::json::parse(dumped.out);
    EXPECT_EQ(json["t1"].size(), 2u);
    EXPECT_EQ(json["t1"][0]["tit"], "bad \xef\xbf\xbd\xef\xbf\xbd title");
    EXPECT_EQ(json["t1"][1]["tit"], "好");
    EXPECT_EQ(json["ad"][0]["ad"], "新浪\xef\xbf\xbd\xef\xbf\xbd@#sina.com.cn");
    EXPECT_EQ(json["vlb"][0]["lb"], "电影");
    EXPECT_NE(dumped.err.find("table t1 row 1 column tit"), std::string::npos) << dumped.err;
    EXPECT_NE(dumped.err.find("table ad row 1 column ad"), std::string::npos) << dumped.err;
    EXPECT_EQ(std::count(dumped.err.begin(), dumped.err.end(), '\n'), 2) << dumped.err;

    const ToolRun other = run({"dump", file("odd.dll").string()});
    EXPECT_EQ(other.status, 0) << other.err;
    EXPECT_EQ(nlohmann::json::parse(other.out)["x"][0]["r"], nullptr);
    EXPECT_NE(other.err.find("table x row 1 column r"), std::string::npos) << other.err;
    EXPECT_NE(other.err.find("column col"), std::string::npos) << other.err;
}

TEST_F(ToolTest, ConvertWritesAJetFilesRowsAsSqlcipherAndDumpAndCheckReadJet) {
    const std::string input = R"({
        "vlb": [{"lb_id": 2, "lb": "电视剧", "c_id": "1部", "px": 1.5}],
        "t1": [{"id": 7, "tit": null, "player": "", "lb_id": 2, "up_dt": "2009-05-17 20:31:07",
                "adds": "$$土豆|XNDc2MTIz|第1集"}],
        "ad": [{"ad": "新浪@#sina.com.cn"}]
    })";
    write_text("in.json", input);
    const std::string jet = file("jet.dll").string();
    const std::string converted = file("converted.dll").string();
    ASSERT_EQ(run({"create", "--format", "jet", "--encode", file("in.json").string(), jet}).status, 0);
    const ToolRun convert = run({"convert", jet, converted});
    ASSERT_EQ(convert.status, 0) << convert.err;
    EXPECT_TRUE(convert.out.empty());
    const std::string bytes = slurp(converted);
    EXPECT_FALSE(jet::has_jet_signature(std::span(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size())));
    for (const std::string& dumped : {jet, converted}) {
        const ToolRun r = run({"dump", dumped});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(nlohmann::json::parse(r.out), nlohmann::json::parse(input)) << dumped;
    }
    // The converted file has the indexes generate writes: only the Null title is left to fix.
    const ToolRun checked = run({"check", converted});
    EXPECT_EQ(checked.status, 1);
    EXPECT_EQ(checked.out.find("index"), std::string::npos) << checked.out;
    EXPECT_NE(checked.out.find("Null title"), std::string::npos) << checked.out;
    EXPECT_EQ(run({"check", jet}).out, checked.out);

    ASSERT_EQ(run({"create", "--format", "jet", "--password", "other", file("in.json").string(), jet}).status, 0);
    expect_failure(run({"convert", jet, file("other.dll").string()}), 1, "wrong password");
    EXPECT_FALSE(fs::exists(file("other.dll")));
}

}  // namespace
}  // namespace qinghe::catalogue_files
