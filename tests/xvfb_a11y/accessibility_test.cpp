// The real qinghe-tv read over the accessibility bus, as a screen reader
// reads it: the page's text at the browser's place, the controls' names and
// roles, and an ad opened through its label's action. Each test starts its
// own session bus and a copy of the program with the demo catalogue; a fake
// xdg-open records the addresses the program opens.
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <sys/types.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

extern char** environ;

namespace qinghe::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const fs::path build_dir = QINGHE_TEST_BINARY_DIR;
const fs::path reader = fs::path(QINGHE_SOURCE_DIR) / "tests" / "xvfb_a11y" / "atspi_tree.py";
// Only a bound, so that a fault ends the test instead of hanging it.
constexpr auto patience = 120s;

// One object of the tree: its depth under the program, role, name, actions.
struct Node {
    int depth;
    std::string role, name, actions;
    bool focused;
};

class Accessibility : public testing::Test {
protected:
    void SetUp() override {
        const fs::path run = dir_.path();
        fs::copy_file(build_dir / "qinghe-tv", run / "qinghe-tv");
        fs::copy_file(build_dir / "tavik.dll", run / "tavik.dll");
        fs::copy(build_dir / "bg", run / "bg", fs::copy_options::recursive);
        fs::create_directories(run / "bin");
        fs::create_directories(run / "runtime");
        fs::permissions(run / "runtime", fs::perms::owner_all);
        std::ofstream(run / "bin" / "xdg-open") << "#!/bin/sh\necho \"$1\" >> '" << opened_file().string() << "'\n";
        fs::permissions(run / "bin" / "xdg-open", fs::perms::owner_all);

        bus_ = "unix:path=" + (run / "bus").string();
        spawn({"dbus-daemon", "--session", "--nofork", "--address=" + bus_}, {});
        ASSERT_TRUE(wait_until([&] { return fs::exists(run / "bus"); }));
        const char* path = std::getenv("PATH");
        // In a sanitizer build: the browser engine frees some of its own
        // objects with a sized delete of another type's size, harmless with
        // the system allocator; and an X library leaves an allocation at exit.
        spawn({(run / "qinghe-tv").string()},
              {"ASAN_OPTIONS=detect_leaks=0:new_delete_type_mismatch=0", "QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1",
               "XDG_RUNTIME_DIR=" + (run / "runtime").string(),
               "PATH=" + (run / "bin").string() + ":" + (path != nullptr ? path : "/usr/bin:/bin")});
        ASSERT_TRUE(wait_until([&] { return contains(dump(), "label", "欢迎收看青禾网络电视"); }))
            << "the welcome page never reached the accessibility tree";
    }

    void TearDown() override {
        for (auto it = running_.rbegin(); it != running_.rend(); ++it) {
            ::kill(*it, SIGKILL);
            ::waitpid(*it, nullptr, 0);
        }
    }

    fs::path opened_file() const { return dir_.path() / "opened"; }

    // Starts a program with the test's bus; extra variables replace their
    // namesakes.
    void spawn(std::vector<std::string> argv, std::vector<std::string> extra) {
        extra.push_back("DBUS_SESSION_BUS_ADDRESS=" + bus_);
        std::vector<std::string> variables;
        for (char** v = environ; *v != nullptr; ++v) {
            const std::string variable(*v);
            const std::string name = variable.substr(0, variable.find('=') + 1);
            bool replaced = false;
            for (const std::string& e : extra) replaced = replaced || e.rfind(name, 0) == 0;
            if (!replaced) variables.push_back(variable);
        }
        variables.insert(variables.end(), extra.begin(), extra.end());
        std::vector<char*> envp, args;
        for (std::string& v : variables) envp.push_back(v.data());
        envp.push_back(nullptr);
        for (std::string& a : argv) args.push_back(a.data());
        args.push_back(nullptr);
        posix_spawn_file_actions_t files;
        posix_spawn_file_actions_init(&files);
        const std::string log = (dir_.path() / "programs.log").string();
        posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        posix_spawn_file_actions_adddup2(&files, STDOUT_FILENO, STDERR_FILENO);
        pid_t pid = -1;
        const int rc = posix_spawnp(&pid, args[0], &files, nullptr, args.data(), envp.data());
        posix_spawn_file_actions_destroy(&files);
        ASSERT_EQ(rc, 0) << "cannot start " << argv[0];
        running_.push_back(pid);
    }

    // The output of a bounded command run with the test's bus; empty when it fails.
    std::string run(const std::string& command) const {
        const std::string line = "DBUS_SESSION_BUS_ADDRESS='" + bus_ + "' timeout 60 " + command + " 2>/dev/null";
        FILE* out = ::popen(line.c_str(), "r");
        if (out == nullptr) return {};
        std::string text;
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, out)) > 0;) text.append(buffer, n);
        return ::pclose(out) == 0 ? text : std::string{};
    }

    std::vector<Node> dump() const {
        std::vector<Node> nodes;
        std::istringstream lines(run("/usr/bin/python3 '" + reader.string() + "' dump"));
        for (std::string line; std::getline(lines, line);) {
            std::istringstream fields(line);
            Node node;
            std::string depth;
            std::getline(fields, depth, '\t');
            std::getline(fields, node.role, '\t');
            std::getline(fields, node.name, '\t');
            std::getline(fields, node.actions, '\t');
            std::string state;
            std::getline(fields, state, '\t');
            node.focused = state == "focused";
            node.depth = std::atoi(depth.c_str());
            nodes.push_back(node);
        }
        return nodes;
    }

    static bool contains(const std::vector<Node>& nodes, const std::string& role, const std::string& name) {
        for (const Node& n : nodes)
            if (n.role == role && n.name == name) return true;
        return false;
    }

    static bool wait_until(const std::function<bool()>& condition) {
        const auto deadline = std::chrono::steady_clock::now() + patience;
        while (std::chrono::steady_clock::now() < deadline) {
            if (condition()) return true;
            std::this_thread::sleep_for(500ms);
        }
        return condition();
    }

    TempDir dir_;
    std::string bus_;
    std::vector<pid_t> running_;
};

// The path from the program to the first object with the role and name,
// as the roles of its ancestors and itself.
std::vector<std::string> roles_down_to(const std::vector<Node>& nodes, const std::string& role,
                                       const std::string& name) {
    std::vector<std::string> path;
    for (const Node& n : nodes) {
        path.resize(static_cast<std::size_t>(n.depth));
        path.push_back(n.role);
        if (n.role == role && n.name == name) return path;
    }
    return {};
}

TEST_F(Accessibility, WelcomeTextAndThePlayedPagesIdentifierAreUnderTheWindowsBrowser) {
    // Application, the main window, the browser, its document, and below it the text.
    const std::vector<std::string> welcome = roles_down_to(dump(), "label", "欢迎收看青禾网络电视");
    ASSERT_GE(welcome.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(welcome.begin(), welcome.begin() + 4),
              (std::vector<std::string>{"application", "filler", "filler", "document web"}));

    // The first demo programme's first video, chosen and played from the
    // keyboard; each key waits for the tree to show its effect.
    ASSERT_FALSE(run("sh -c 'xdotool windowfocus --sync $(xdotool search --sync --onlyvisible --name 青禾网络电视 | "
                     "head -1) && echo focused'")
                     .empty());
    struct Step {
        const char* key;
        const char* focused_cell;
    };
    for (const Step& step :
         {Step{"Down", "测试播放(9)"}, Step{"Right", "1.测试画面 WebM"}, Step{"Down", "1.测试画面 WebM"},
          Step{"Right", "详细介绍"}, Step{"Down", "详细介绍"}, Step{"Down", "土豆"}, Step{"Right", "WebM 文件"},
          Step{"Down", "WebM 文件"}, Step{"Return", nullptr}}) {
        SCOPED_TRACE(step.key);
        ASSERT_FALSE(run(std::string("xdotool key ") + step.key + " && echo sent").empty());
        if (step.focused_cell == nullptr) continue;
        // After Right the row below the opened one appears; after Down it has the focus.
        const bool opens = std::string(step.key) == "Right";
        ASSERT_TRUE(wait_until([&] {
            for (const Node& n : dump())
                if (n.role == "table cell" && n.name == step.focused_cell && (opens || n.focused)) return true;
            return false;
        }));
    }
    std::vector<Node> nodes;
    ASSERT_TRUE(wait_until([&] {
        nodes = dump();
        return contains(nodes, "label", "media/demo.webm");
    })) << "the played page's identifier never reached the accessibility tree";
    EXPECT_EQ(roles_down_to(nodes, "label", "media/demo.webm").at(3), "document web");
    // The video is named by the programme's caption, the window's title,
    // once the page has finished loading.
    const std::string caption = "青禾网络电视 正在播放：测试画面 WebM——WebM 文件";
    EXPECT_TRUE(contains(nodes, "filler", caption));
    EXPECT_TRUE(wait_until([&] {
        for (const Node& n : dump())
            if (n.depth > 3 && n.name == caption) return true;
        return false;
    })) << "the video never took the caption as its name";
}

TEST_F(Accessibility, ControlsHaveTheirNamesAndRoles) {
    const std::vector<Node> nodes = dump();
    struct Expected {
        const char* role;
        const char* name;
    };
    for (const Expected& control : {Expected{"tree", "节目"}, Expected{"text", "搜索"}, Expected{"push button", "搜索"},
                                    Expected{"panel", "广告"}}) {
        SCOPED_TRACE(control.name);
        const std::vector<std::string> path = roles_down_to(nodes, control.role, control.name);
        ASSERT_EQ(path.size(), 3u) << "a child of the main window";
        EXPECT_EQ(path[1], "filler");
    }
    // The ad labels are the strip's links, each named by its text and
    // activated by pressing; none takes the keyboard.
    int links = 0;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        if (nodes[i].role != "link") continue;
        ++links;
        EXPECT_EQ(nodes[i].depth, 3);
        EXPECT_FALSE(nodes[i].name.empty());
        EXPECT_EQ(nodes[i].actions, "Press");
    }
    EXPECT_GE(links, 2);
}

TEST_F(Accessibility, AReaderReadsTheSearchResultsInPlaceOfTheOldOnes) {
    struct Search {
        const char* text;
        std::vector<std::string> rows;  // the search root's text, then its rows
    };
    const std::vector<Search> searches = {
        {"新版骆驼祥子", {"搜索结果(3)", "1.新版骆驼祥子", "2.新版骆驼祥子", "3.新版骆驼祥子 第3部"}},
        {"大闹天宫 第3季", {"搜索结果(1)", "1.大闹天宫 第3季"}},
    };
    const auto cells = [&] {
        std::vector<std::string> names;
        for (const Node& n : dump())
            if (n.role == "table cell") names.push_back(n.name);
        return names;
    };
    for (const Search& search : searches) {
        SCOPED_TRACE(search.text);
        ASSERT_FALSE(
            run("/usr/bin/python3 '" + reader.string() + "' type 搜索 '" + search.text + "' && echo typed").empty());
        ASSERT_FALSE(
            run("/usr/bin/python3 '" + reader.string() + "' press 搜索 'push button' && echo pressed").empty());
        // The rows follow the search root, in order, and no row of the
        // search before is left.
        std::vector<std::string> shown;
        EXPECT_TRUE(wait_until([&] {
            shown = cells();
            const auto root = std::find(shown.begin(), shown.end(), search.rows.front());
            return root != shown.end() && static_cast<std::size_t>(shown.end() - root) > search.rows.size() &&
                   std::equal(search.rows.begin(), search.rows.end(), root) &&
                   (root + static_cast<long>(search.rows.size()))->find('.') == std::string::npos;
        })) << testing::PrintToString(shown);
    }
}

TEST_F(Accessibility, PressingAnAdLabelOpensItsAdAsAClickDoes) {
    std::string first_link;
    for (const Node& n : dump())
        if (n.role == "link" && first_link.empty()) first_link = n.name;
    ASSERT_FALSE(first_link.empty());
    ASSERT_FALSE(run("/usr/bin/python3 '" + reader.string() + "' press '" + first_link + "' && echo pressed").empty());
    ASSERT_TRUE(wait_until([&] { return fs::exists(opened_file()); }));
    std::ifstream opened(opened_file());
    std::string address;
    std::getline(opened, address);
    EXPECT_EQ(address.rfind("http://", 0), 0u) << address;
}

}  // namespace
}  // namespace qinghe::test
