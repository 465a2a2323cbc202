#pragma once

#include <source_location>
#include <string>

namespace qinghe::platform {

// The program's name: its executable, its application name, its lock file.
inline constexpr const char* program_name = "qinghe-tv";

// What the program tells a person who runs it from a terminal: a warning
// when the catalogue cannot be opened or lacks a table or column the queries
// read, a warning when it starts without the single-instance lock, and a
// debug line for every handler step that failed and was skipped and for a
// catalogue cache that could not be written. None of it
// reaches the window. The platform installs where the lines go; with nothing
// installed (tests, tools) they are dropped.
enum class DiagnosticTopic { catalogue, instance_lock, handler };

class Diagnostics {
public:
    virtual ~Diagnostics() = default;
    // Whether debug lines of the topic are wanted at all, so that none is
    // built for nothing.
    virtual bool wants_debug(DiagnosticTopic topic) const noexcept = 0;
    virtual void warning(DiagnosticTopic topic, const std::string& message) noexcept = 0;
    virtual void debug(DiagnosticTopic topic, const std::string& message) noexcept = 0;
};

// Installs the diagnostics that every later line goes to (nullptr: none) and
// returns the ones installed before.
Diagnostics* install_diagnostics(Diagnostics* diagnostics) noexcept;

void warn(DiagnosticTopic topic, const std::string& message) noexcept;
// A debug line of the topic, dropped unless such lines are wanted.
void note(DiagnosticTopic topic, const std::string& message) noexcept;

// The debug line of a skipped step: the function that ran it, its line and
// the reason it failed.
void step_skipped(const std::source_location& where, const char* reason) noexcept;

}  // namespace qinghe::platform
