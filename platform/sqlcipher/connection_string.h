#pragma once

#include <map>
#include <string>
#include <string_view>

namespace qinghe::platform::sqlcipher {

// The pairs of an OLE DB connection string such as
//   Provider=Microsoft.Jet.OLEDB.4.0;Data Source=D\tavik.dll;Jet OLEDB:Database Password=...
// Pairs are "key=value", separated by ";"; empty pairs are skipped. Keys are
// trimmed and folded to ASCII lower case. A value is trimmed unless it is
// quoted with "..." or '...', in which case it is taken as written and a
// doubled quote inside stands for one. When a key repeats, the last value wins.
using ConnectionProperties = std::map<std::string, std::string>;

// Throws PlatformError on a pair without "=", an empty key, an unterminated
// quoted value or text after a closing quote.
ConnectionProperties parse_connection_string(std::string_view text);

// The value of a property by its key (any case), or nullptr when absent.
const std::string* find_property(const ConnectionProperties& properties, std::string_view key);

}  // namespace qinghe::platform::sqlcipher
