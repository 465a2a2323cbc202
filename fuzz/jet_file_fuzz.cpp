// Jet files: any bytes taken as a catalogue file go through the reading
// path the program uses (page 0 and its password, then the tables read in a
// child process and decoded here), which either fails with PlatformError or
// gives tables whose rows match their columns. Whatever libmdb meets in the
// child, this process neither crashes nor waits past the time limit.
#include "fuzz/fuzz_check.h"
#include "platform/base/error.h"
#include "platform/jet/jet_password.h"
#include "platform/jet/jet_tables.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <string>

#include <sys/mman.h>
#include <unistd.h>

namespace {

using namespace qinghe;
using fuzz::check;

constexpr std::array<std::string_view, 3> tables{"vlb", "ad", "t1"};

class CheckingSink final : public jet::TableSink {
public:
    void begin_table(const std::string&, const std::vector<std::string>& columns) override {
        check(!columns.empty(), "a table has columns");
        columns_ = columns.size();
    }
    void add_row(std::vector<jet::JetCell>& cells) override {
        check(columns_ != 0 && cells.size() == columns_, "a row has a cell per column");
        for (const jet::JetCell& cell : cells)
            if (const auto* text = std::get_if<std::string>(&cell))
                check(text->size() <= jet::max_value_bytes, "a value is no longer than the longest read");
    }

private:
    std::size_t columns_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const unsigned char> bytes(data, size);
    const std::string password = "3b71d0";
    try {
        jet::checked_header(bytes, &password);
    } catch (const platform::PlatformError&) {
        return 0;
    }
    const int fd = ::memfd_create("jet_file_fuzz", MFD_CLOEXEC);
    check(fd >= 0, "a memory file can be made");
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        check(n > 0, "the memory file takes the input");
        done += static_cast<std::size_t>(n);
    }
    CheckingSink sink;
    const std::size_t first_page = std::min<std::size_t>(size, jet::jet4_page_size);
    const auto started = std::chrono::steady_clock::now();
    try {
        jet::read_tables_isolated(fd, bytes.first(first_page), tables, sink, std::chrono::seconds(2));
    } catch (const platform::PlatformError&) {}
    check(std::chrono::steady_clock::now() - started < std::chrono::seconds(4), "the read ends by its time limit");
    ::close(fd);
    return 0;
}
