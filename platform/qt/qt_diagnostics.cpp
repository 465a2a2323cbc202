#include "platform/qt/qt_diagnostics.h"

#include "platform/qt/qt_text.h"

#include <QDebug>
#include <QLoggingCategory>

namespace qinghe::platform::qt {

// The program's logging categories "qinghe.catalogue", "qinghe.lock" and
// "qinghe.handler".
// Warnings are on and debug lines off by default;
// QT_LOGGING_RULES="qinghe.handler.debug=true" turns on a line for every
// handler step that failed and was skipped, "qinghe.catalogue.debug=true"
// a line for a catalogue cache that could not be written.
Q_LOGGING_CATEGORY(catalogue_logging, "qinghe.catalogue", QtInfoMsg)
Q_LOGGING_CATEGORY(lock_logging, "qinghe.lock", QtInfoMsg)
Q_LOGGING_CATEGORY(handler_logging, "qinghe.handler", QtInfoMsg)

namespace {

// The logging macros call the category function themselves.
using CategoryFunction = const QLoggingCategory& (*)();

CategoryFunction category_of(DiagnosticTopic topic) {
    switch (topic) {
    case DiagnosticTopic::catalogue:
        return catalogue_logging;
    case DiagnosticTopic::instance_lock:
        return lock_logging;
    case DiagnosticTopic::handler:
        break;
    }
    return handler_logging;
}

}  // namespace

QtDiagnostics::QtDiagnostics() : previous_(install_diagnostics(this)) {}

QtDiagnostics::~QtDiagnostics() {
    install_diagnostics(previous_);
}

bool QtDiagnostics::wants_debug(DiagnosticTopic topic) const noexcept {
    return category_of(topic)().isDebugEnabled();
}

void QtDiagnostics::warning(DiagnosticTopic topic, const std::string& message) noexcept {
    try {
        qCWarning(category_of(topic)).noquote() << to_qstring(message);
    } catch (...) {
        // A line that cannot be written is dropped.
    }
}

void QtDiagnostics::debug(DiagnosticTopic topic, const std::string& message) noexcept {
    try {
        qCDebug(category_of(topic)).noquote() << to_qstring(message);
    } catch (...) {}
}

}  // namespace qinghe::platform::qt
