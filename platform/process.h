#pragma once

#include <string>

namespace qinghe::platform {

// Process facilities.
class Process {
public:
    virtual ~Process() = default;
    // True when another instance of this program is already running.
    virtual bool previous_instance() = 0;
    // The executable's own directory, without a trailing separator.
    virtual std::string app_path() const = 0;
    // Starts a program from a command line without waiting; window_style 1
    // shows its window normally with the focus. Fails when it cannot start.
    virtual void shell(const std::string& command_line, int window_style) = 0;
};

}  // namespace qinghe::platform
