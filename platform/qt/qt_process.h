#pragma once

#include "platform/posix/instance_lock.h"
#include "platform/process.h"

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <string>

namespace qinghe::platform::qt {

// Process facilities on Linux.
//
// previous_instance(): the first instance holds the single-instance lock (see
// InstanceLock) for as long as this object lives; a later instance finds it
// held. Whatever else lies at the lock path does not count; when it cannot
// be replaced, the program runs without the lock and says why (qinghe.lock).
//
// shell(): starts a program without a shell and without waiting. The program
// "explorer.exe" (any case) has no Linux counterpart: its whole argument
// text, unexpanded, is opened as a URL with the desktop's URL handler.
class QtProcess final : public Process {
public:
    using UrlOpener = std::function<bool(const QUrl& url)>;
    using DetachedStarter = std::function<bool(const QString& program, const QStringList& arguments)>;

    QtProcess();
    // A lock file of the caller's choosing instead of the default one.
    explicit QtProcess(QString lock_file);
    ~QtProcess() override;
    QtProcess(const QtProcess&) = delete;
    QtProcess& operator=(const QtProcess&) = delete;

    static QString default_lock_file();

    // What shell() uses to reach outside the program; tests replace them.
    UrlOpener open_url;
    DetachedStarter start_detached;

    bool previous_instance() override;
    std::string app_path() const override;
    void shell(const std::string& command_line, int window_style) override;

private:
    posix::InstanceLock lock_;
};

}  // namespace qinghe::platform::qt
