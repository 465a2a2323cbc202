#include "platform/qt/qt_process.h"

#include "platform/error.h"
#include "platform/qt/command_line.h"
#include "platform/qt/qt_text.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QLockFile>
#include <QProcess>
#include <QStandardPaths>
#include <QSysInfo>

#include <cerrno>
#include <csignal>
#include <utility>

namespace qinghe::platform::qt {

namespace {

const char* const lock_file_name = "qinghe-tv.lock";

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

// Whether the process that wrote a lock file has ended on this machine.
bool owner_has_ended(QLockFile& lock) {
    qint64 pid = 0;
    QString host;
    QString application;
    if (!lock.getLockInfo(&pid, &host, &application) || pid <= 0) return false;
    if (!host.isEmpty() && host != QSysInfo::machineHostName()) return false;
    return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

}  // namespace

QtProcess::QtProcess() : QtProcess(default_lock_file()) {}

QtProcess::QtProcess(QString lock_file)
    : open_url([](const QUrl& url) { return QDesktopServices::openUrl(url); }),
      start_detached([](const QString& program, const QStringList& arguments) {
          return QProcess::startDetached(program, arguments);
      }),
      lock_file_(std::move(lock_file)) {}

QtProcess::~QtProcess() = default;

QString QtProcess::default_lock_file() {
    QString directory = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (directory.isEmpty()) directory = QDir::tempPath();
    return QDir(directory).filePath(QString::fromLatin1(lock_file_name));
}

bool QtProcess::previous_instance() {
    if (lock_ != nullptr && lock_->isLocked()) return false;

    auto lock = std::make_unique<QLockFile>(lock_file_);
    // A running instance holds the lock however old it is; only a lock whose
    // process is gone is stale.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0)) {
        if (lock->error() != QLockFile::LockFailedError) {
            // The lock file cannot be made at all (no such directory, no
            // permission): no other instance can be seen, so this one runs.
            return false;
        }
        if (!owner_has_ended(*lock) || !lock->removeStaleLockFile() || !lock->tryLock(0))
            return true;
    }
    lock_ = std::move(lock);
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
    const CommandLine parts = split_command_line(command_line);
    if (parts.program.empty()) throw PlatformError("empty command line");

    if (is_explorer(parts.program)) {
        if (parts.rest.empty()) throw PlatformError("explorer.exe without an address");
        const QUrl url(to_qstring(parts.rest), QUrl::TolerantMode);
        if (!url.isValid() || !open_url || !open_url(url))
            throw PlatformError("cannot open \"" + parts.rest + "\"");
        return;
    }

    QString program = to_qstring(parts.program);
    program.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QStringList arguments;
    for (const std::string& argument : split_arguments(parts.rest)) arguments.append(to_qstring(argument));
    if (!start_detached || !start_detached(program, arguments))
        throw PlatformError("cannot start \"" + parts.program + "\"");
}

}  // namespace qinghe::platform::qt
