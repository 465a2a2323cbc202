// qinghe-catalogue's reading of a JSON description: any text either gives a
// catalogue or fails with a readable error, never a crash (deep nesting
// included); what it gives is well-formed, and written back as JSON and read
// again it is the same catalogue.
#include "fuzz/fuzz_check.h"
#include "tools/catalogue_files/catalogue_json.h"
#include "tools/catalogue_files/json_input.h"

#include <cstdint>
#include <stdexcept>
#include <string_view>

namespace {

using namespace qinghe::catalogue_files;
using qinghe::fuzz::check;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CatalogueData catalogue;
    try {
        catalogue = parse_catalogue_json(text);
    } catch (const std::runtime_error&) {
        return 0;  // refused, with a message
    }
    for (const auto& [name, table] : catalogue.tables)
        for (const auto& row : table.rows) check(row.size() == table.columns.size(), "every row has every column");

    // Text that is not UTF-8 cannot come out of JSON; everything that came in
    // goes out again and reads back the same.
    const std::string written = to_ordered_json(catalogue).dump();
    const CatalogueData again = parse_catalogue_json(written);
    for (const auto& [name, table] : catalogue.tables) {
        const auto found = again.tables.find(name);
        check(found != again.tables.end(), "every table reads back");
        check(found->second.rows == table.rows, "every row reads back the same");
        if (!table.rows.empty()) check(found->second.columns == table.columns, "the columns read back in order");
    }
    return 0;
}
