#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qinghe::platform::posix {

// A command line taken apart the way a program is started from it, without a
// shell: nothing in it is expanded or interpreted.
struct CommandLine {
    // The first word, or the text between a leading pair of double quotes
    // (without them). Empty when the line holds only blanks.
    std::string program;
    // Everything after the program, leading blanks removed, otherwise exactly
    // as written.
    std::string rest;
};

// Blanks are spaces and tabs. An opening double quote without its closing
// one takes the rest of the line.
CommandLine split_command_line(std::string_view line);

// Splits argument text on blanks outside double quotes. A double quote
// starts or ends a quoted run and is itself dropped, so "a b"c is the one
// argument a bc and "" is one empty argument. Nothing else is special.
std::vector<std::string> split_arguments(std::string_view text);

}  // namespace qinghe::platform::posix
