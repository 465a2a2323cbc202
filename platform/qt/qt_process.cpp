#include "platform/qt/qt_process.h"

#include "platform/base/diagnostics.h"
#include "platform/base/error.h"
#include "platform/posix/command_line.h"
#include "platform/qt/qt_text.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QProcess>

namespace qinghe::platform::qt {

namespace {

// Window styles of a started program: hidden (0) up to minimised without
// focus (6). Linux leaves the started program's window to the program, so
// the style is checked and otherwise not used.
constexpr int min_window_style = 0;
constexpr int max_window_style = 6;

bool is_explorer(const std::string& program) {
    const std::string name = "explorer.exe";
    if (program.size() != name.size()) return false;
    for (std::string::size_type i = 0; i < name.size(); ++i) {
        char c = program[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != name[i]) return false;
    }
    return true;
}

}  // namespace

QtProcess::QtProcess() : QtProcess(default_lock_file()) {}

QtProcess::QtProcess(QString lock_file)
    : open_url([](const QUrl& url) { return QDesktopServices::openUrl(url); }),
      start_detached([](const QString& program, const QStringList& arguments) {
          return QProcess::startDetached(program, arguments);
      }),
      lock_(QFile::encodeName(lock_file).toStdString()) {}

QtProcess::~QtProcess() = default;

QString QtProcess::default_lock_file() {
    return QFile::decodeName(
        posix::InstanceLock::default_path(QFile::encodeName(QDir::tempPath()).toStdString()).c_str());
}

bool QtProcess::previous_instance() {
    switch (lock_.acquire()) {
    case posix::InstanceLock::Result::taken:
        return false;
    case posix::InstanceLock::Result::another_instance:
        return true;
    case posix::InstanceLock::Result::unusable:
        break;
    }
    warn(DiagnosticTopic::instance_lock,
         lock_.path() + ": " + lock_.reason() + "; starting without the single-instance lock");
    return false;
}

std::string QtProcess::app_path() const {
    QString directory = QCoreApplication::applicationDirPath();
    while (directory.endsWith(QLatin1Char('/'))) directory.chop(1);
    return to_std(directory);
}

void QtProcess::shell(const std::string& command_line, int window_style) {
    if (window_style < min_window_style || window_style > max_window_style)
        throw PlatformError("invalid window style " + std::to_string(window_style));
    const posix::CommandLine parts = posix::split_command_line(command_line);
    if (parts.program.empty()) throw PlatformError("empty command line");

    if (is_explorer(parts.program)) {
        if (parts.rest.empty()) throw PlatformError("explorer.exe without an address");
        const QUrl url(to_qstring(parts.rest), QUrl::TolerantMode);
        if (!url.isValid() || !open_url || !open_url(url)) throw PlatformError("cannot open \"" + parts.rest + "\"");
        return;
    }

    QString program = to_qstring(parts.program);
    program.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QStringList arguments;
    for (const std::string& argument : posix::split_arguments(parts.rest)) arguments.append(to_qstring(argument));
    if (!start_detached || !start_detached(program, arguments))
        throw PlatformError("cannot start \"" + parts.program + "\"");
}

}  // namespace qinghe::platform::qt
