#pragma once

#include <optional>
#include <string>

namespace qinghe::platform::qt {

// The program's only options, --help (-h) and --version (-v): the answer goes
// to standard output before any window, display or browser exists, and the
// exit status is returned. Without either, nothing is returned and every
// argument, known to Qt or not, is left alone.
std::optional<int> answer_help_or_version(int& argc, char** argv, const std::string& version);

}  // namespace qinghe::platform::qt
