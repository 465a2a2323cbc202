#include "platform/jet/jet_tables.h"
#include "platform/base/error.h"
#include "platform/jet/jet_date.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <string>
#include <vector>

#include <sys/mman.h>
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

TEST(JetIsolatedRead, FailsInThisProcessWhateverTheChildMeets) {
    constexpr std::array<std::string_view, 1> tables{"t1"};
    const std::string garbage(3 * 4096, 'x');
    const auto page = [](const std::string& bytes) {
        return std::span<const unsigned char>(reinterpret_cast<const unsigned char*>(bytes.data()), 64);
    };
    struct Case {
        const char* what;
        std::string file;
        std::string first_page;
        const char* reason;
    };
    const Case cases[] = {
        {"no Jet file", garbage, garbage, "the file is not a Jet database"},
        {"another file than the one checked", garbage, std::string(64, 'y'), "the file changed while it was read"},
        {"an empty file", "", std::string(64, 'x'), "the file changed while it was read"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int fd = memory_file(c.file);
        NoSink sink;
        try {
            read_tables_isolated(fd, page(c.first_page), tables, sink, std::chrono::seconds(10));
            ADD_FAILURE() << "read";
        } catch (const platform::PlatformError& e) {
            EXPECT_EQ(std::string(e.what()), c.reason);
        }
        ::close(fd);
    }
}

}  // namespace
}  // namespace qinghe::jet
