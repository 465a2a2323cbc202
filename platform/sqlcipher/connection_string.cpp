#include "platform/sqlcipher/connection_string.h"

#include "platform/base/error.h"
#include "platform/base/text.h"

namespace qinghe::platform::sqlcipher {

ConnectionProperties parse_connection_string(std::string_view text) {
    ConnectionProperties properties;
    std::size_t pos = 0;
    const std::size_t n = text.size();
    while (pos < n) {
        // Blanks and empty pairs between pairs.
        if (is_blank(text[pos]) || text[pos] == ';') {
            ++pos;
            continue;
        }
        const std::size_t key_start = pos;
        while (pos < n && text[pos] != '=' && text[pos] != ';') ++pos;
        if (pos == n || text[pos] == ';')
            throw PlatformError("connection string: pair without '=': " +
                                std::string(trim(text.substr(key_start, pos - key_start))));
        const std::string_view key = trim(text.substr(key_start, pos - key_start));
        if (key.empty()) throw PlatformError("connection string: pair without a key");
        ++pos;  // '='
        while (pos < n && is_blank(text[pos])) ++pos;

        std::string value;
        if (pos < n && (text[pos] == '"' || text[pos] == '\'')) {
            const char quote = text[pos++];
            bool closed = false;
            while (pos < n) {
                if (text[pos] == quote) {
                    if (pos + 1 < n && text[pos + 1] == quote) {
                        value += quote;
                        pos += 2;
                        continue;
                    }
                    ++pos;
                    closed = true;
                    break;
                }
                value += text[pos++];
            }
            if (!closed) throw PlatformError("connection string: unterminated quoted value for " + std::string(key));
            while (pos < n && is_blank(text[pos])) ++pos;
            if (pos < n && text[pos] != ';')
                throw PlatformError("connection string: text after the quoted value of " + std::string(key));
        } else {
            const std::size_t value_start = pos;
            while (pos < n && text[pos] != ';') ++pos;
            value = std::string(trim(text.substr(value_start, pos - value_start)));
        }
        properties[lower_case(key)] = std::move(value);
    }
    return properties;
}

const std::string* find_property(const ConnectionProperties& properties, std::string_view key) {
    const auto it = properties.find(lower_case(trim(key)));
    return it == properties.end() ? nullptr : &it->second;
}

}  // namespace qinghe::platform::sqlcipher
