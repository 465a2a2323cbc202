// The connection string: any text either parses or fails with the platform's
// error; what parses has clean keys, and written out again (every value
// quoted) parses to the same properties, found under any case of their keys.
#include "catalogue/statements.h"
#include "fuzz/fuzz_check.h"
#include "platform/base/error.h"
#include "platform/base/native_path.h"
#include "platform/base/text.h"
#include "platform/sqlcipher/connection_string.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>

namespace {

using namespace qinghe;
using namespace qinghe::platform::sqlcipher;
using fuzz::check;
using platform::is_blank;

std::string upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

// The properties as a connection string, each value in double quotes.
std::string written(const ConnectionProperties& properties) {
    std::string text;
    for (const auto& [key, value] : properties) {
        text += key + "=\"";
        for (char c : value) text += c == '"' ? std::string("\"\"") : std::string(1, c);
        text += "\";";
    }
    return text;
}

void check_parsed(const ConnectionProperties& properties) {
    for (const auto& [key, value] : properties) {
        check(!key.empty(), "no key is empty");
        check(!is_blank(key.front()) && !is_blank(key.back()), "keys are trimmed");
        check(key.find_first_of("=;") == std::string::npos, "no key holds \"=\" or \";\"");
        check(key.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ") == std::string::npos, "keys are folded to lower case");
        const std::string* found = find_property(properties, upper(key));
        check(found == &value, "a property is found under its key in any case");
    }
    check(parse_connection_string(written(properties)) == properties,
          "properties written out with quoted values parse to the same properties");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string directory = input.ConsumeRandomLengthString(64);
    const std::string text = input.ConsumeRemainingBytesAsString();

    try {
        check_parsed(parse_connection_string(text));
    } catch (const platform::PlatformError&) {
        // Malformed text fails with the platform's error and nothing else.
    }

    // Whatever the directory's name, the catalogue's own string reads back
    // to that directory's tavik.dll and nothing else.
    const ConnectionProperties properties = parse_connection_string(catalogue::connection_string(directory));
    const std::string* data_source = find_property(properties, "Data Source");
    check(data_source != nullptr && *data_source == directory + "\\tavik.dll",
          "the data source is the directory, a backslash and tavik.dll");
    check(platform::native_path(*data_source, directory) == directory + "/tavik.dll",
          "the native path keeps the directory's name as it is");
    const std::string* password = find_property(properties, "jet oledb:database password");
    check(password != nullptr && *password == "3b71d0", "the password reads back");
    check(properties.size() == 4, "the directory's name adds no property");
    return 0;
}
