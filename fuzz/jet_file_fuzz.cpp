// Jet files: a catalogue file goes through the reading path the program
// uses (page 0 and its password, then the tables read by the Jet reader
// and decoded here), which either fails with PlatformError or gives tables
// whose rows match their columns. Whatever libmdb meets in the reader, this
// process neither crashes nor waits past the time limit.
//
// An input that starts with "J" is a whole file; any other is a list of
// patches (4-byte offset, 1-byte value) to a valid catalogue written by the
// Jet writer at start-up (Jet 4, encoded every other input), so that most
// inputs get past page 0 and the table list into the tables themselves.
#include "fuzz/fuzz_check.h"
#include "platform/base/error.h"
#include "platform/jet/jet_password.h"
#include "platform/jet/jet_tables.h"

#include "tools/catalogue_files/jet_writer.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

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

std::vector<unsigned char> written(bool encode) {
    catalogue_files::CatalogueData data;
    data.tables["vlb"] = {{"lb_id", "lb", "c_id", "px"}, {{std::int64_t{1}, "电影", std::int64_t{2}, std::int64_t{1}}}};
    data.tables["ad"] = {{"ad"}, {{"新浪@#sina.com.cn"}}};
    std::string long_list = "$$土豆";
    for (int i = 0; i < 400; ++i) long_list += "|v" + std::to_string(i) + "|第" + std::to_string(i) + "集";
    data.tables["t1"] = {{"id", "tit", "player", "lb_id", "up_dt", "adds"},
                         {{std::int64_t{1}, "西游记", "吴承恩", std::int64_t{1}, 3.0, long_list},
                          {std::int64_t{2}, std::monostate{}, "", std::int64_t{1}, 2.5, "$$优酷|a|b"}}};
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / ("jet_file_fuzz-" + std::to_string(::getpid()) + ".mdb");
    catalogue_files::JetOptions options;
    options.encode = encode;
    catalogue_files::write_jet_catalogue(file, data, options);
    std::ifstream in(file, std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::filesystem::remove(file);
    return bytes;
}

const std::vector<unsigned char>& base(bool encode) {
    static const std::vector<unsigned char> plain = written(false);
    static const std::vector<unsigned char> encoded = written(true);
    return encode ? encoded : plain;
}

std::vector<unsigned char> file_for(const std::uint8_t* data, std::size_t size) {
    if (size > 0 && data[0] == 'J') return {data + 1, data + size};
    std::vector<unsigned char> file = base(size % 2 == 1);
    for (std::size_t i = 0; i + 5 <= size; i += 5) {
        const std::uint32_t at = data[i] | data[i + 1] << 8 | data[i + 2] << 16 | std::uint32_t{data[i + 3]} << 24;
        if (at == 0xffffffff)
            file.resize(file.size() / 2);  // cut short
        else
            file[at % file.size()] = data[i + 4];
    }
    return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* input, std::size_t input_size) {
    const std::vector<unsigned char> file = file_for(input, input_size);
    const std::span<const unsigned char> bytes(file);
    const std::uint8_t* data = file.data();
    const std::size_t size = file.size();
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
