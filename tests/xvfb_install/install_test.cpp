// qinghe-tv as a person installs it: `cmake --install` into a scratch prefix
// lays out what a desktop needs, and the installed program, started through
// bin/, finds its catalogue and player pages beside its real executable.
#include "support/temp_dir.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QThread>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace qinghe::test {
namespace {

namespace fs = std::filesystem;
using V = std::vector<std::string>;

const std::string desktop_id = "io.github.qinghe_tv.QingheTV";

std::string read_text(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs a command to its end; its exit status and what it wrote.
struct Ran {
    int status = -1;
    std::string output;
};

Ran run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(120'000)) return {-1, "did not finish: " + program.toStdString()};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAll().toStdString()};
}

// A PNG's width and height from its header.
std::pair<int, int> png_size(const fs::path& file) {
    const std::string bytes = read_text(file);
    if (bytes.size() < 24 || bytes.compare(1, 3, "PNG") != 0) return {0, 0};
    auto number = [&](std::size_t at) {
        int n = 0;
        for (std::size_t i = at; i < at + 4; ++i) n = n * 256 + static_cast<unsigned char>(bytes[i]);
        return n;
    };
    return {number(16), number(20)};
}

class InstalledProgram : public testing::Test {
protected:
    static void SetUpTestSuite() {
        prefix_ = std::make_unique<TempDir>();
        installed_ = run(QStringLiteral("cmake"),
                         {QStringLiteral("--install"), QStringLiteral(QINGHE_TEST_BINARY_DIR),
                          QStringLiteral("--prefix"), QString::fromStdString(prefix_->path().string())});
    }
    static void TearDownTestSuite() { prefix_.reset(); }

    void SetUp() override { ASSERT_EQ(installed_.status, 0) << installed_.output; }

    static fs::path at(const std::string& relative) { return prefix_->path() / relative; }

    // Starts the installed program through bin/ with a private runtime
    // directory and no session bus; gives its standard error once it has run
    // for five seconds with its window up, or a failure.
    static std::string run_for_five_seconds(const QStringList& arguments, const QString& logging_rules = {}) {
        TempDir runtime;
        fs::permissions(runtime.path(), fs::perms::owner_all);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(runtime.path().string()));
        environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        if (logging_rules.isEmpty())
            environment.remove(QStringLiteral("QT_LOGGING_RULES"));
        else
            environment.insert(QStringLiteral("QT_LOGGING_RULES"), logging_rules);
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QString::fromStdString(at("bin/qinghe-tv").string()), arguments);
        EXPECT_TRUE(program.waitForStarted(30'000));

        // Its window on the display: a top-level window of class qinghe-tv.
        bool window = false;
        for (QDeadlineTimer patience(180'000);
             !window && !patience.hasExpired() && program.state() == QProcess::Running; QThread::msleep(500)) {
            const Ran tree = run(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")});
            window = tree.output.find("(\"qinghe-tv\" \"qinghe-tv\")") != std::string::npos;
        }
        EXPECT_TRUE(window) << "no window of the installed program";
        const bool ended = program.waitForFinished(5'000);
        EXPECT_FALSE(ended) << "the installed program ended by itself";
        program.kill();
        program.waitForFinished(30'000);
        return program.readAllStandardError().toStdString();
    }

    // Its lines in the program's own logging categories.
    static V own_lines(const std::string& standard_error) {
        V lines;
        const QStringList all = QString::fromStdString(standard_error).split(QLatin1Char('\n'));
        for (const QString& line : all)
            if (line.startsWith(QLatin1String("qinghe."))) lines.push_back(line.toStdString());
        return lines;
    }

    static std::unique_ptr<TempDir> prefix_;
    static Ran installed_;
};

std::unique_ptr<TempDir> InstalledProgram::prefix_;
Ran InstalledProgram::installed_;

TEST_F(InstalledProgram, LaysOutTheFilesOfADesktopProgram) {
    EXPECT_EQ(fs::read_symlink(at("bin/qinghe-tv")), "../lib/qinghe-tv/qinghe-tv");
    for (const char* program : {"lib/qinghe-tv/qinghe-tv", "lib/qinghe-tv/qinghe-jet-reader", "bin/qinghe-catalogue"})
        EXPECT_NE(fs::status(at(program)).permissions() & fs::perms::others_exec, fs::perms::none) << program;
    const std::string dir = "lib/qinghe-tv/";
    for (const std::string& file : V{dir + "tavik.dll", dir + "bg/tudou.htm", dir + "bg/youku.htm", dir + "bg/sina.htm",
                                     "share/icons/hicolor/scalable/apps/" + desktop_id + ".svg",
                                     "share/man/man1/qinghe-tv.1.gz", "share/man/man1/qinghe-catalogue.1.gz",
                                     "share/doc/qinghe-tv/copyright", "share/doc/qinghe-tv/changelog.Debian.gz"})
        EXPECT_TRUE(fs::is_regular_file(at(file))) << file;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const std::string side = std::to_string(size);
        EXPECT_EQ(png_size(at("share/icons/hicolor/" + side + "x" + side + "/apps/" + desktop_id + ".png")),
                  std::make_pair(size, size));
    }

    // The desktop entry and the metainfo pass their validators, and the entry
    // starts a program on the path with the installed icon.
    const fs::path entry = at("share/applications/" + desktop_id + ".desktop");
    const Ran desktop = run(QStringLiteral("desktop-file-validate"), {QString::fromStdString(entry.string())});
    EXPECT_EQ(desktop.status, 0) << desktop.output;
    const fs::path metainfo = at("share/metainfo/" + desktop_id + ".metainfo.xml");
    const Ran appstream = run(QStringLiteral("appstreamcli"), {QStringLiteral("validate"), QStringLiteral("--no-net"),
                                                               QString::fromStdString(metainfo.string())});
    EXPECT_EQ(appstream.status, 0) << appstream.output;
    const std::string text = read_text(entry);
    const QRegularExpression key(QStringLiteral("^(Exec|Icon)=(\\S+)"), QRegularExpression::MultilineOption);
    V found;
    for (auto match = key.globalMatch(QString::fromStdString(text)); match.hasNext();)
        found.push_back(match.next().captured(2).toStdString());
    ASSERT_EQ(found.size(), 2U) << text;
    EXPECT_TRUE(fs::exists(at("bin/" + found[0]))) << found[0];
    EXPECT_TRUE(fs::exists(at("share/icons/hicolor/scalable/apps/" + found[1] + ".svg"))) << found[1];
}

// The installed tool, in bin/, reads a Jet file through the reader in
// lib/qinghe-tv/.
TEST_F(InstalledProgram, ItsCatalogueToolReadsAJetFile) {
    const QString tool = QString::fromStdString(at("bin/qinghe-catalogue").string());
    const QString jet = QString::fromStdString(at("demo-jet.dll").string());
    const Ran created = run(tool, {QStringLiteral("create"), QStringLiteral("--format"), QStringLiteral("jet"),
                                   QStringLiteral(QINGHE_SOURCE_DIR "/data/demo-catalogue.json"), jet});
    ASSERT_EQ(created.status, 0) << created.output;
    const Ran checked = run(tool, {QStringLiteral("check"), jet});
    EXPECT_EQ(checked.status, 0) << checked.output;
}

TEST_F(InstalledProgram, ReportsTheReleaseItsMetainfoNames) {
    const Ran version = run(QString::fromStdString(at("bin/qinghe-tv").string()), {QStringLiteral("--version")});
    EXPECT_EQ(version.status, 0);
    const std::string metainfo = read_text(at("share/metainfo/" + desktop_id + ".metainfo.xml"));
    const QRegularExpression release(QStringLiteral("<release version=\"([^\"]+)\""));
    const QString released = release.match(QString::fromStdString(metainfo)).captured(1);
    ASSERT_FALSE(released.isEmpty()) << metainfo;
    EXPECT_EQ(version.output, "qinghe-tv " + released.toStdString() + "\n");

    const Ran help = run(QString::fromStdString(at("bin/qinghe-tv").string()), {QStringLiteral("--help")});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.output.find("--version"), std::string::npos) << help.output;
}

TEST_F(InstalledProgram, ComesUpOnItsDemoCatalogueIgnoringUnknownOptions) {
    // Every handler step is reported when it fails: the demo catalogue
    // opens, is complete and fills the tree without a single one. The
    // start-up timing line is no failure and stays off.
    const std::string errors = run_for_five_seconds({QStringLiteral("--no-such-option"), QStringLiteral("x")},
                                                    QStringLiteral("qinghe.*.debug=true;qinghe.startup.debug=false"));
    EXPECT_EQ(own_lines(errors), V{}) << errors;
}

// Standard error carries that one line and nothing of Qt's or the engine's;
// --verbose lets theirs through as well.
TEST_F(InstalledProgram, WithoutItsCatalogueSaysSoOnceAndStillComesUp) {
    const fs::path catalogue = at("lib/qinghe-tv/tavik.dll");
    const fs::path aside = at("tavik.dll.aside");
    fs::rename(catalogue, aside);
    const std::string quiet = run_for_five_seconds({});
    const std::string verbose = run_for_five_seconds({QStringLiteral("--verbose")});
    fs::rename(aside, catalogue);
    const std::string warning = "qinghe.catalogue: cannot open the catalogue " +
                                fs::canonical(catalogue.parent_path()).string() + "/tavik.dll: the file does not exist";
    EXPECT_EQ(quiet, warning + "\n");
    EXPECT_EQ(own_lines(verbose), V{warning}) << verbose;
    EXPECT_NE(verbose.find("qt.webenginecontext"), std::string::npos) << verbose;
}

}  // namespace
}  // namespace qinghe::test
