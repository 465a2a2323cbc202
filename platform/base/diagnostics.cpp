#include "platform/base/diagnostics.h"

#include <algorithm>
#include <atomic>
#include <string_view>

namespace qinghe::platform {

namespace {

std::atomic<Diagnostics*> installed{nullptr};

// "qinghe::app::Form1::LoadResult qinghe::app::Form1::Form_Load()" and the
// name of a lambda inside it both give "app::Form1::Form_Load"; anonymous
// namespaces are left out.
std::string short_function_name(std::string_view full) {
    std::string name(full);
    for (const std::string_view anonymous : {"{anonymous}::", "(anonymous namespace)::"})
        for (auto at = name.find(anonymous); at != std::string::npos; at = name.find(anonymous, at))
            name.erase(at, anonymous.size());
    name.erase(std::min(name.find('('), name.size()));
    if (const auto blank = name.rfind(' '); blank != std::string::npos) name.erase(0, blank + 1);
    constexpr std::string_view own_namespace = "qinghe::";
    if (name.compare(0, own_namespace.size(), own_namespace) == 0) name.erase(0, own_namespace.size());
    return name;
}

}  // namespace

Diagnostics* install_diagnostics(Diagnostics* diagnostics) noexcept {
    return installed.exchange(diagnostics);
}

void warn(DiagnosticTopic topic, const std::string& message) noexcept {
    if (Diagnostics* diagnostics = installed.load()) diagnostics->warning(topic, message);
}

void note(DiagnosticTopic topic, const std::string& message) noexcept {
    Diagnostics* diagnostics = installed.load();
    if (diagnostics != nullptr && diagnostics->wants_debug(topic)) diagnostics->debug(topic, message);
}

void step_skipped(const std::source_location& where, const char* reason) noexcept {
    Diagnostics* diagnostics = installed.load();
    if (diagnostics == nullptr || !diagnostics->wants_debug(DiagnosticTopic::handler)) return;
    try {
        std::string line = short_function_name(where.function_name());
        line += " (line " + std::to_string(where.line()) + "): step skipped: ";
        line += reason;
        diagnostics->debug(DiagnosticTopic::handler, line);
    } catch (...) {
        // Out of memory while building the line: the line is dropped.
    }
}

}  // namespace qinghe::platform
