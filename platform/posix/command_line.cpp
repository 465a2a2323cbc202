#include "platform/posix/command_line.h"

#include "platform/base/text.h"

namespace qinghe::platform::posix {

namespace {

std::string_view skip_blanks(std::string_view text) {
    std::string_view::size_type start = 0;
    while (start < text.size() && is_space_or_tab(text[start])) ++start;
    return text.substr(start);
}

}  // namespace

CommandLine split_command_line(std::string_view line) {
    const std::string_view text = skip_blanks(line);
    CommandLine parts;
    if (text.empty()) return parts;

    std::string_view after;
    if (text.front() == '"') {
        const std::string_view quoted = text.substr(1);
        const auto close = quoted.find('"');
        if (close == std::string_view::npos) {
            parts.program = std::string(quoted);
        } else {
            parts.program = std::string(quoted.substr(0, close));
            after = quoted.substr(close + 1);
        }
    } else {
        std::string_view::size_type end = 0;
        while (end < text.size() && !is_space_or_tab(text[end])) ++end;
        parts.program = std::string(text.substr(0, end));
        after = text.substr(end);
    }
    parts.rest = std::string(skip_blanks(after));
    return parts;
}

std::vector<std::string> split_arguments(std::string_view text) {
    std::vector<std::string> arguments;
    std::string current;
    bool in_argument = false;
    bool quoted = false;
    for (const char c : text) {
        if (c == '"') {
            quoted = !quoted;
            in_argument = true;
        } else if (is_space_or_tab(c) && !quoted) {
            if (in_argument) arguments.push_back(std::move(current));
            current.clear();
            in_argument = false;
        } else {
            current += c;
            in_argument = true;
        }
    }
    if (in_argument) arguments.push_back(std::move(current));
    return arguments;
}

}  // namespace qinghe::platform::posix
