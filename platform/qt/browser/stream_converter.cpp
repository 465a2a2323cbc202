// One ffmpeg run converting a stream to MPEG-TS the browser plays, read as
// a device.

#include "platform/qt/browser/stream_converter.h"

#include <sys/prctl.h>

#include <csignal>
#include <utility>

namespace qinghe::platform::qt {

namespace {

constexpr qsizetype log_head_limit = 32 * 1024;
constexpr qsizetype log_tail_limit = 8 * 1024;
constexpr int reap_ms = 5000;

}  // namespace

StreamConverter::StreamConverter(QString input, ConversionKind kind, QObject* parent, QString program)
    : QIODevice(parent), input_(std::move(input)), kind_(kind), program_(std::move(program)) {
    process_.setStandardInputFile(QProcess::nullDevice());
    process_.setReadChannel(QProcess::StandardOutput);
    // The converter dies with the program, even when the program is killed.
    process_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    watchdog_.setSingleShot(true);
    connect(&watchdog_, &QTimer::timeout, this, [this] {
        fail(QStringLiteral("转换器 ") + QString::number(stall_ms / 1000) + QStringLiteral(" 秒没有输出（转换停滞）"));
    });
    connect(&process_, &QProcess::readyReadStandardOutput, this, [this] {
        if (state_ == State::starting) state_ = State::converting;
        watchdog_.start(stall_ms);
        emit readyRead();
    });
    connect(&process_, &QProcess::readyReadStandardError, this, &StreamConverter::read_log);
    connect(&process_, &QProcess::finished, this, &StreamConverter::on_finished);
    connect(&process_, &QProcess::errorOccurred, this, &StreamConverter::on_error);
}

StreamConverter::~StreamConverter() {
    stop_process();
}

void StreamConverter::start() {
    if (state_ != State::idle) return;
    state_ = State::starting;
    QIODevice::open(QIODevice::ReadOnly);
    watchdog_.start(stall_ms);
    process_.start(program_, converter_arguments(input_, kind_, playlist));
}

void StreamConverter::stop() {
    const bool was_running = state_ == State::starting || state_ == State::converting;
    stop_process();
    if (was_running) emit readChannelFinished();
}

void StreamConverter::stop_process() {
    watchdog_.stop();
    // Whatever the process does from here on is no news to the owner.
    process_.disconnect(this);
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished(reap_ms);
    }
    if (state_ == State::starting || state_ == State::converting) state_ = State::finished;
}

void StreamConverter::close() {
    stop();
    QIODevice::close();
}

void StreamConverter::read_log() {
    const QString text = QString::fromUtf8(process_.readAllStandardError());
    if (!head_done_) {
        const qsizetype output_at = text.indexOf(QLatin1String("Output #"));
        log_head_ += output_at < 0 ? text : text.left(output_at);
        head_done_ = output_at >= 0 || log_head_.size() >= log_head_limit;
        if (!head_done_) return;
        log_tail_ += text.mid(output_at < 0 ? text.size() : output_at);
    } else {
        log_tail_ += text;
    }
    if (log_tail_.size() > log_tail_limit) log_tail_ = log_tail_.right(log_tail_limit);
}

void StreamConverter::on_finished(int exit_code, QProcess::ExitStatus status) {
    read_log();
    if (state_ != State::starting && state_ != State::converting) return;
    if (status == QProcess::NormalExit && exit_code == 0) {
        state_ = State::finished;
        end();
        return;
    }
    QString cause = report().failure;
    if (cause.isEmpty())
        cause = status == QProcess::CrashExit
                    ? QStringLiteral("转换器意外退出")
                    : QStringLiteral("转换器出错（退出码 ") + QString::number(exit_code) + QStringLiteral("）");
    fail(cause);
}

void StreamConverter::on_error(QProcess::ProcessError error) {
    if (error != QProcess::FailedToStart) return;
    fail(QStringLiteral("无法启动转换器 ") + program_ + QStringLiteral("（") + process_.errorString() +
         QStringLiteral("）"));
}

void StreamConverter::fail(const QString& cause) {
    if (state_ != State::starting && state_ != State::converting) return;
    state_ = State::failed;
    failure_ = cause;
    end();
}

// Kills and reaps what still runs, then tells the owner, once.
void StreamConverter::end() {
    stop_process();
    emit readChannelFinished();
    emit ended();
}

}  // namespace qinghe::platform::qt
