#pragma once

#include <optional>
#include <string>

namespace qinghe::platform::qt {

// The program's options --help (-h) and --version (-v): the answer goes to
// standard output before any window, display or browser exists, and the exit
// status is returned. A --catalogue without its file is reported on standard
// error with status 2. Otherwise nothing is returned and every argument,
// known to Qt or not, is left alone.
std::optional<int> answer_help_or_version(int& argc, char** argv, const std::string& version);

// The options a start takes.
struct StartOptions {
    // The file given with --catalogue FILE (or --catalogue=FILE), made
    // absolute, which the program opens instead of the tavik.dll beside it;
    // empty without the option. The last one given counts.
    std::string catalogue_file;
    // --verbose: Qt's and the browser engine's own lines on standard error
    // too, not only the program's.
    bool verbose = false;
};
StartOptions start_options(int argc, char** argv);

}  // namespace qinghe::platform::qt
