#include "platform/base/skip_on_error.h"
#include "platform/qt/qt_diagnostics.h"

#include <QLoggingCategory>
#include <QString>
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace qinghe::platform::qt {
namespace {

struct Message {
    QtMsgType type;
    std::string category;
    std::string text;
    bool operator==(const Message&) const = default;
};

void PrintTo(const Message& m, std::ostream* out) {
    *out << m.type << " " << m.category << ": " << m.text;
}

std::vector<Message>* kept = nullptr;

void keep_message(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    kept->push_back({type, context.category ? context.category : "", text.toStdString()});
}

TEST(QtDiagnostics, WarningsAlwaysReachTheirCategoryAndSkippedStepsOnlyWhenTurnedOn) {
    std::vector<Message> messages;
    kept = &messages;
    const QtMessageHandler previous = qInstallMessageHandler(keep_message);
    {
        QtDiagnostics diagnostics;
        warn(DiagnosticTopic::catalogue, "cannot open the catalogue /opt/tavik.dll: the file does not exist");
        try_step([] { throw PlatformError("hidden by default"); });
        QLoggingCategory::setFilterRules(QStringLiteral("qinghe.handler.debug=true"));
        const int line = __LINE__ + 1;
        try_step([] { throw PlatformError("shown"); });
        QLoggingCategory::setFilterRules(QString());

        const std::string function =
            "platform::qt::QtDiagnostics_WarningsAlwaysReachTheirCategoryAndSkippedStepsOnly"
            "WhenTurnedOn_Test::TestBody";
        EXPECT_EQ(messages,
                  (std::vector<Message>{{QtWarningMsg, "qinghe.catalogue",
                                         "cannot open the catalogue /opt/tavik.dll: the file does not exist"},
                                        {QtDebugMsg, "qinghe.handler",
                                         function + " (line " + std::to_string(line) + "): step skipped: shown"}}));
    }
    // Once the diagnostics are gone, nothing is written.
    warn(DiagnosticTopic::catalogue, "dropped");
    EXPECT_EQ(messages.size(), 2U);
    qInstallMessageHandler(previous);
    kept = nullptr;
}

}  // namespace
}  // namespace qinghe::platform::qt
