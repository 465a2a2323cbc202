#pragma once

#include "platform/base/diagnostics.h"

#include <QLoggingCategory>

namespace qinghe::platform::qt {

// The program's logging categories. Warnings are on and debug lines off by
// default; QT_LOGGING_RULES="qinghe.handler.debug=true" turns on a line for
// every handler step that failed and was skipped.
const QLoggingCategory& catalogue_category();  // "qinghe.catalogue"
const QLoggingCategory& handler_category();    // "qinghe.handler"

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
