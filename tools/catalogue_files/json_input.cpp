#include "tools/catalogue_files/json_input.h"

#include "tools/catalogue_files/catalogue_json.h"

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

namespace qinghe::catalogue_files {
namespace {

std::string errno_text(int error) {
    return std::generic_category().message(error);
}

// Looks at the brackets outside strings only, before the parser builds
// anything, and names the deepest nesting of a text that goes too deep.
void check_nesting(std::string_view text) {
    std::size_t depth = 0;
    std::size_t deepest = 0;
    std::size_t too_deep_at = 0;
    bool in_string = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (in_string) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                in_string = false;
        } else if (c == '"') {
            in_string = true;
        } else if (c == '[' || c == '{') {
            deepest = std::max(deepest, ++depth);
            if (depth > max_json_depth && too_deep_at == 0) too_deep_at = i + 1;
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    if (too_deep_at != 0) {
        throw std::runtime_error("arrays and objects nest " + std::to_string(deepest) + " levels deep (level " +
                                 std::to_string(max_json_depth + 1) + " at byte " + std::to_string(too_deep_at) +
                                 "); a catalogue nests at most " + std::to_string(max_json_depth));
    }
}

}  // namespace

CatalogueData parse_catalogue_json(std::string_view text) {
    check_nesting(text);
    nlohmann::ordered_json json;
    try {
        json = nlohmann::ordered_json::parse(text);
    } catch (const nlohmann::json::exception& e) {
        throw std::runtime_error(std::string("not valid JSON: ") + e.what());
    }
    return from_json(json);
}

std::string read_input(const std::string& path, std::size_t max_bytes) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) throw std::runtime_error("cannot read " + path + ": " + errno_text(errno));
    std::string text;
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            throw std::runtime_error("cannot read " + path + ": " + errno_text(error));
        }
        if (n == 0) break;
        if (text.size() + static_cast<std::size_t>(n) > max_bytes) {
            ::close(fd);
            throw std::runtime_error(path + " holds more than " + std::to_string(max_bytes) +
                                     " bytes, the most a catalogue description may have");
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return text;
}

}  // namespace qinghe::catalogue_files
