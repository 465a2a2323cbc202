// The connection string: any text either parses or fails with the platform's
// error; what parses has clean keys, and written out again (every value
// quoted) parses to the same properties, found under any case of their keys.
#include "fuzz/fuzz_check.h"
#include "platform/error.h"
#include "platform/sqlcipher/connection_string.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>

namespace {

using namespace qinghe;
using namespace qinghe::platform::sqlcipher;
using fuzz::check;

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

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
    // The catalogue's own string around a fuzzed directory: a directory with
    // none of the string's delimiters reads back whole.
    const std::string directory = input.ConsumeRandomLengthString(64);
    const std::string text = input.ConsumeRemainingBytesAsString();

    try {
        check_parsed(parse_connection_string(text));
    } catch (const platform::PlatformError&) {
        // Malformed text fails with the platform's error and nothing else.
    }

    const std::string source = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + directory +
                               "\\tavik.dll;Persist Security Info=False;Jet OLEDB:Database Password=3b71d0";
    const bool plain = directory.find(';') == std::string::npos &&
                       (directory.empty() || (!is_blank(directory.front()) && directory.front() != '"' &&
                                              directory.front() != '\''));
    if (plain) {
        const ConnectionProperties properties = parse_connection_string(source);
        const std::string* data_source = find_property(properties, "Data Source");
        check(data_source != nullptr && *data_source == directory + "\\tavik.dll",
              "the data source is the directory, a backslash and tavik.dll");
        check(native_path(*data_source).find('\\') == std::string::npos, "a native path holds no backslash");
        check(native_path(*data_source).size() == data_source->size(), "a native path keeps its length");
        const std::string* password = find_property(properties, "jet oledb:database password");
        check(password != nullptr && *password == "3b71d0", "the password reads back");
    }
    return 0;
}
