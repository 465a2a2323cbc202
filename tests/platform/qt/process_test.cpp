#include "platform/base/error.h"
#include "platform/posix/command_line.h"
#include "platform/qt/qt_process.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qinghe::platform::qt {
namespace {

using posix::CommandLine;
using posix::split_arguments;
using posix::split_command_line;
using Strings = std::vector<std::string>;

TEST(CommandLineTest, ProgramIsTheFirstWordOrTheLeadingQuotedText) {
    CommandLine parts = split_command_line("explorer.exe   Http://example.com/a b");
    EXPECT_EQ(parts.program, "explorer.exe");
    EXPECT_EQ(parts.rest, "Http://example.com/a b");

    parts = split_command_line(" \t\"/opt/my player/run\"  -x \"y z\" ");
    EXPECT_EQ(parts.program, "/opt/my player/run");
    EXPECT_EQ(parts.rest, "-x \"y z\" ");

    parts = split_command_line("\"/opt/unterminated quote -x");
    EXPECT_EQ(parts.program, "/opt/unterminated quote -x");
    EXPECT_EQ(parts.rest, "");

    parts = split_command_line("notepad");
    EXPECT_EQ(parts.program, "notepad");
    EXPECT_EQ(parts.rest, "");

    EXPECT_EQ(split_command_line("").program, "");
    EXPECT_EQ(split_command_line(" \t ").program, "");
    EXPECT_EQ(split_command_line("\"\" tail").program, "");
}

TEST(CommandLineTest, ArgumentsSplitOnBlanksOutsideQuotesAndNothingElse) {
    EXPECT_EQ(split_arguments("a  b\tc "), (Strings{"a", "b", "c"}));
    EXPECT_EQ(split_arguments("\"a b\" c"), (Strings{"a b", "c"}));
    EXPECT_EQ(split_arguments("x\"y z\"w"), (Strings{"xy zw"}));
    EXPECT_EQ(split_arguments("\"\" a"), (Strings{"", "a"}));
    EXPECT_EQ(split_arguments("'a b' $(rm -rf ~) ; `id` \\n"),
              (Strings{"'a", "b'", "$(rm", "-rf", "~)", ";", "`id`", "\\n"}));
    EXPECT_EQ(split_arguments("\"open ended"), (Strings{"open ended"}));
    EXPECT_TRUE(split_arguments("").empty());
    EXPECT_TRUE(split_arguments("   ").empty());
}

class ShellTest : public ::testing::Test {
protected:
    ShellTest() : process(QDir::temp().filePath(QStringLiteral("qinghe-shell-test.lock"))) {
        process.open_url = [this](const QUrl& url) {
            opened.push_back(url);
            return open_result;
        };
        process.start_detached = [this](const QString& program, const QStringList& arguments) {
            started.emplace_back(program, arguments);
            return start_result;
        };
    }

    QtProcess process;
    std::vector<QUrl> opened;
    std::vector<std::pair<QString, QStringList>> started;
    bool open_result = true;
    bool start_result = true;
};

TEST_F(ShellTest, ExplorerOpensTheWholeRestAsOneUnexpandedAddress) {
    const std::string link = "example.com/a b/\"q\";$(touch /tmp/pwned)&x=`id`";
    process.shell("explorer.exe   Http://" + link, 1);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_TRUE(started.empty());
    const QUrl& url = opened.front();
    EXPECT_EQ(url.scheme(), QStringLiteral("http"));
    EXPECT_EQ(url.host(), QStringLiteral("example.com"));
    EXPECT_EQ(QUrl::fromPercentEncoding(url.toEncoded()).toStdString(), "http://" + link);

    process.shell("EXPLORER.EXE www.example.com", 1);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened.back().toString(), QStringLiteral("www.example.com"));

    open_result = false;
    EXPECT_THROW(process.shell("explorer.exe   Http://example.com", 1), PlatformError);
    EXPECT_THROW(process.shell("explorer.exe   ", 1), PlatformError);
    EXPECT_EQ(opened.size(), 3u) << "an empty address is not even tried";
}

TEST_F(ShellTest, OtherProgramsStartDetachedWithTheirArgumentsAndNoShell) {
    process.shell("\"/opt/my player/run\" --page \"bg\\tudou.htm\" $(id);ls", 1);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].first, QStringLiteral("/opt/my player/run"));
    EXPECT_EQ(started[0].second,
              (QStringList{QStringLiteral("--page"), QStringLiteral("bg\\tudou.htm"), QStringLiteral("$(id);ls")}));

    process.shell("\\opt\\player\\run", 1);
    EXPECT_EQ(started[1].first, QStringLiteral("/opt/player/run"));
    EXPECT_TRUE(started[1].second.isEmpty());

    start_result = false;
    EXPECT_THROW(process.shell("missing-program", 1), PlatformError);
    EXPECT_THROW(process.shell("   ", 1), PlatformError);
    EXPECT_THROW(process.shell("run", 7), PlatformError);
    EXPECT_THROW(process.shell("run", -1), PlatformError);
    EXPECT_EQ(started.size(), 3u);
}

TEST(QtProcessTest, TheRealStarterRunsProgramsAndReportsThoseThatCannotStart) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QtProcess process(dir.filePath(QStringLiteral("lock")));
    const QString marker = dir.filePath(QStringLiteral("it ran"));
    process.shell("touch \"" + marker.toStdString() + "\"", 1);
    // The program runs on its own; give it a generous while to leave its mark.
    QDeadlineTimer deadline(30000);
    while (!QFileInfo::exists(marker) && !deadline.hasExpired()) QThread::msleep(10);
    EXPECT_TRUE(QFileInfo::exists(marker));
    EXPECT_THROW(process.shell("/nonexistent/qinghe/program --x", 1), PlatformError);
}

TEST(QtProcessTest, ASecondInstanceSeesTheFirstUntilItIsGone) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString lock = dir.filePath(QStringLiteral("qinghe-tv.lock"));
    {
        QtProcess first(lock);
        EXPECT_FALSE(first.previous_instance());
        EXPECT_FALSE(first.previous_instance()) << "the holder is not its own previous instance";
        QtProcess second(lock);
        EXPECT_TRUE(second.previous_instance());
        EXPECT_TRUE(second.previous_instance());
    }
    QtProcess third(lock);
    EXPECT_FALSE(third.previous_instance());
}

TEST(QtProcessTest, ALockLeftByACrashedInstanceDoesNotBlockTheNextStart) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString lock = dir.filePath(QStringLiteral("qinghe-tv.lock"));

    // The pid of a process that has ended.
    QProcess ended;
    ended.start(QStringLiteral("true"), {});
    ASSERT_TRUE(ended.waitForStarted());
    const qint64 dead_pid = ended.processId();
    ASSERT_TRUE(ended.waitForFinished());

    // A lock file as a live instance writes it, with that pid in it.
    QByteArray contents;
    {
        QLockFile sample(dir.filePath(QStringLiteral("sample.lock")));
        ASSERT_TRUE(sample.tryLock(0));
        QFile file(dir.filePath(QStringLiteral("sample.lock")));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        contents = file.readAll();
    }
    contents = QByteArray::number(dead_pid) + contents.mid(contents.indexOf('\n'));
    {
        QFile file(lock);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }

    QtProcess next(lock);
    EXPECT_FALSE(next.previous_instance());
    QtProcess after(lock);
    EXPECT_TRUE(after.previous_instance()) << "the new instance holds the lock now";
}

TEST(QtProcessTest, AnUnusableLockDirectoryDoesNotStopTheProgram) {
    QtProcess process(QStringLiteral("/nonexistent/qinghe/dir/qinghe-tv.lock"));
    EXPECT_FALSE(process.previous_instance());
}

}  // namespace
}  // namespace qinghe::platform::qt
