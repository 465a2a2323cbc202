#include "platform/jet/jet_tables.h"
#include "platform/base/error.h"
#include "platform/jet/jet_date.h"
#include "platform/jet/reader_frames.h"
#include "platform/jet/reader_program.h"
#include "support/temp_dir.h"
#include "tools/catalogue_files/jet_writer.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <sys/mman.h>
#include <fcntl.h>
#include <unistd.h>

namespace qinghe::jet {
namespace {

TEST(JetDate, ReadsAsTheCalendarDateAndTimeToTheNearestSecond) {
    const std::pair<double, const char*> cases[] = {
        {0.0, "1899-12-30 00:00:00"},
        {1.5, "1899-12-31 12:00:00"},
        {-1.25, "1899-12-29 06:00:00"},  // whole days back, the fraction forward
        {-0.5, "1899-12-30 12:00:00"},
        {39935.95244212963, "2009-05-02 22:51:31"},
        {60.0, "1900-02-28 00:00:00"},
        {61.0, "1900-03-01 00:00:00"},
        {36585.99999999, "2000-03-01 00:00:00"},  // rounds up into the next day
        {2958465.0, "9999-12-31 00:00:00"},
        {2958465.999999999, "10000-01-01 00:00:00"},  // the last moment rounds into a fifth digit
        {-657434.0, "0100-01-01 00:00:00"},
        {2958466.0, "2958466"},  // past Jet's range: the number
    };
    for (const auto& [days, text] : cases) EXPECT_EQ(jet_date_text(days), text) << days;
}

class NoSink final : public TableSink {
public:
    void begin_table(const std::string&, const std::vector<std::string>&) override {}
    void add_row(std::vector<JetCell>&) override {}
};

// A memory file holding the bytes.
int memory_file(const std::string& bytes) {
    const int fd = ::memfd_create("jet_tables_test", MFD_CLOEXEC);
    EXPECT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    return fd;
}

class KeepingSink final : public TableSink {
public:
    void begin_table(const std::string&, const std::vector<std::string>&) override {}
    void add_row(std::vector<JetCell>& cells) override { rows.push_back(cells); }
    std::vector<std::vector<JetCell>> rows;
};

TEST(JetTables, Jet4TextKeepsCharactersBeyondU0000FFFFInTextAndEveryFormOfMemo) {
    std::string chained = "$$土豆";
    for (int i = 0; i < 400; ++i) chained += "|v" + std::to_string(i) + "|第𝄞集";
    const std::vector<std::vector<catalogue_files::Cell>> rows{
        {std::int64_t{1}, "𝄞 乐谱 😀", "$$优酷|a|😀"},                         // a memo in its row
        {std::int64_t{2}, "𠀀", "$$优酷|a|" + std::string(300, 'x') + "😀"},  // one long-value row
        {std::int64_t{3}, "a", chained},                                     // a chain of them
    };
    catalogue_files::CatalogueData data;
    data.tables["t1"] = {{"id", "tit", "adds"}, rows};
    const test::TempDir dir;
    const std::filesystem::path path = dir.path() / "t.mdb";
    catalogue_files::write_jet_catalogue(path, data, {});
    std::ifstream in(path, std::ios::binary);
    const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const int fd = memory_file(file);
    constexpr std::array<std::string_view, 1> t1{"t1"};
    KeepingSink sink;
    read_tables_isolated(fd, std::span(reinterpret_cast<const unsigned char*>(file.data()), 4096), t1, sink,
                         std::chrono::seconds(10));
    ::close(fd);
    ASSERT_EQ(sink.rows.size(), rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (std::size_t c = 1; c < 3; ++c)
            EXPECT_EQ(std::get<std::string>(sink.rows[r][c]), std::get<std::string>(rows[r][c]));
}

// The first 64 bytes of a file, as the caller checked them.
std::span<const unsigned char> page(const std::string& bytes) {
    return std::span<const unsigned char>(reinterpret_cast<const unsigned char*>(bytes.data()), 64);
}

// The reason the read fails, or "" when it succeeds.
std::string failure(int fd, const std::string& first_page, std::span<const std::string_view> tables,
                    std::chrono::milliseconds limit = std::chrono::seconds(10),
                    const std::function<bool()>& stop = {}) {
    NoSink sink;
    try {
        read_tables_isolated(fd, page(first_page), tables, sink, limit, stop);
        return "";
    } catch (const platform::PlatformError& e) {
        return e.what();
    }
}

TEST(JetIsolatedRead, FailsInThisProcessWhateverTheReaderMeets) {
    constexpr std::array<std::string_view, 1> t1{"t1"};
    constexpr std::array<std::string_view, 1> odd_name{"t1;x"};
    const std::string garbage(3 * 4096, 'x');
    struct Case {
        const char* what;
        std::string file;
        std::string first_page;
        std::span<const std::string_view> tables;
        const char* reason;
    };
    const Case cases[] = {
        {"no Jet file", garbage, garbage, t1, "the file is not a Jet database"},
        {"another file than the one checked", garbage, std::string(64, 'y'), t1, "the file changed while it was read"},
        {"an empty file", "", std::string(64, 'x'), t1, "the file changed while it was read"},
        {"a table name the reader refuses", garbage, garbage, odd_name,
         "the Jet reader was started with a table name it cannot read"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int fd = memory_file(c.file);
        EXPECT_EQ(failure(fd, c.first_page, c.tables), c.reason);
        ::close(fd);
    }
}

// A shell script standing in for the Jet reader while this lives.
class StandInReader {
public:
    explicit StandInReader(const std::string& script) {
        const std::filesystem::path program = dir_.path() / reader_program;
        std::ofstream(program) << "#!/bin/sh\n" << script << "\n";
        std::filesystem::permissions(program, std::filesystem::perms::owner_all);
        previous_ = set_reader_directory(dir_.path().string());
    }
    ~StandInReader() { set_reader_directory(previous_); }
    StandInReader(const StandInReader&) = delete;
    StandInReader& operator=(const StandInReader&) = delete;

private:
    test::TempDir dir_;
    std::string previous_;
};

TEST(JetIsolatedRead, FailsOnWhatTheReaderDoesWrong) {
    constexpr std::array<std::string_view, 1> t1{"t1"};
    struct Case {
        const char* what;
        const char* script;
        bool stop;
        const char* reason;
    };
    const Case cases[] = {
        {"ends without a word", "exit 0", false, "the file is damaged: reading it ended early"},
        {"crashes", "kill -SEGV $$", false, "the file is damaged: reading it stopped on signal 11"},
        {"sends no frame", "printf X >&4", false, "the file's reader sent what it cannot have"},
        {"sends a row before a table", "printf R >&4", false, "the file's reader sent a row outside a table"},
        {"says why it failed", "printf 'E\\004\\000\\000\\000oops' >&4", false, "oops"},
        {"never answers", "exec /bin/sleep 60", false, "reading the file took too long"},
        {"is stopped", "exec /bin/sleep 60", true, "reading the file stopped"},
    };
    const std::string file(4096, 'x');
    const int fd = memory_file(file);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const StandInReader reader(c.script);
        EXPECT_EQ(failure(fd, file, t1, std::chrono::milliseconds(500), [&] { return c.stop; }), c.reason);
    }
    ::close(fd);
}

TEST(JetIsolatedRead, StartsTheReaderWithNothingOfThisProcessButTheFileAndPipe) {
    // An inheritable descriptor and a variable of this process: the reader
    // sees neither, and finds the file and the pipe where it looks.
    const int null_fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    const int inheritable = ::dup2(null_fd, 200);
    ::close(null_fd);
    ASSERT_EQ(inheritable, 200);
    ::setenv("QINGHE_TEST_MARK", "1", 1);
    const StandInReader reader(
        "[ -z \"${QINGHE_TEST_MARK+x}\" ] && [ ! -e /proc/self/fd/200 ] && [ -f /proc/self/fd/3 ] && printf D >&4");
    const std::string file(4096, 'x');
    const int fd = memory_file(file);
    EXPECT_EQ(failure(fd, file, {}), "");
    ::close(fd);
    ::close(inheritable);
    ::unsetenv("QINGHE_TEST_MARK");
}

TEST(JetIsolatedRead, NamesTheReaderWhenItIsNowhere) {
    const test::TempDir empty;
    const std::string previous = set_reader_directory(empty.path().string());
    const std::string file(4096, 'x');
    const int fd = memory_file(file);
    const std::string reason = failure(fd, file, {});
    set_reader_directory(previous);
    ::close(fd);
    EXPECT_EQ(reason.rfind(
                  "the Jet reader qinghe-jet-reader cannot be started: it is in none of " + empty.path().string(), 0),
              0U)
        << reason;
}

}  // namespace
}  // namespace qinghe::jet
