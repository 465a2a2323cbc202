#pragma once

#include "platform/base/diagnostics.h"

namespace qinghe::platform::qt {

// Diagnostics through Qt's logging, installed for as long as the object
// lives: Qt's message handler writes them to standard error.
class QtDiagnostics final : public Diagnostics {
public:
    QtDiagnostics();
    ~QtDiagnostics() override;
    QtDiagnostics(const QtDiagnostics&) = delete;
    QtDiagnostics& operator=(const QtDiagnostics&) = delete;

    bool wants_debug(DiagnosticTopic topic) const noexcept override;
    void warning(DiagnosticTopic topic, const std::string& message) noexcept override;
    void debug(DiagnosticTopic topic, const std::string& message) noexcept override;

private:
    Diagnostics* previous_;
};

}  // namespace qinghe::platform::qt
