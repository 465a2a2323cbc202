// One ffmpeg run converting a stream to MPEG-TS the browser plays, read as
// a device.

#pragma once

#include "platform/qt/browser/converter_command.h"

#include <QIODevice>
#include <QProcess>
#include <QString>
#include <QTimer>

namespace qinghe::platform::qt {

// One run of the converter: the ffmpeg program reading one stream and
// writing it, converted, as MPEG-TS to a pipe; this device reads those bytes
// as they come (readyRead), and ends (readChannelFinished) with the run. A separate process keeps a decoder crash on
// hostile input out of the window, and is easy to end; ffmpeg writes no file.
//
// The process ends with this object, with stop() or close(), when its output stalls
// for stall_ms, or, should the program itself die, with the program (the
// kernel kills it then). Every end kills and reaps it: no process outlives
// the run. ended() is emitted once, when the process ends by itself or by
// the stall watchdog, never on stop(), close() or destruction.
class StreamConverter : public QIODevice {
    Q_OBJECT
public:
    enum class State { idle, starting, converting, finished, failed };

    // program: the converter to run, "ffmpeg" on the path by default.
    StreamConverter(QString input, ConversionKind kind, QObject* parent = nullptr,
                    QString program = QStringLiteral("ffmpeg"));
    ~StreamConverter() override;
    StreamConverter(const StreamConverter&) = delete;
    StreamConverter& operator=(const StreamConverter&) = delete;

    // How long the converter may write nothing, starting included, before
    // the watchdog ends it as stalled.
    int stall_ms = 15000;
    // The input is an HLS playlist; set before start().
    bool playlist = false;

    // Opens the device for reading and starts the process.
    void start();
    // Kills and reaps the process; the device's reader hears that its bytes
    // ended (readChannelFinished), but ended() does not follow.
    void stop();
    void close() override;
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return QIODevice::bytesAvailable() + process_.bytesAvailable(); }

    State state() const { return state_; }
    ConversionKind kind() const { return kind_; }
    const QString& input() const { return input_; }
    // Why the run failed, in the player page's words; empty otherwise.
    const QString& failure() const { return failure_; }
    // The input's codecs as the converter found them.
    ConverterReport report() const { return read_converter_log(log_head_ + log_tail_); }

signals:
    void ended();

protected:
    qint64 readData(char* data, qint64 max_size) override { return process_.read(data, max_size); }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    void read_log();
    void on_finished(int exit_code, QProcess::ExitStatus status);
    void on_error(QProcess::ProcessError error);
    void fail(const QString& cause);
    void stop_process();
    void end();

    QString input_;
    ConversionKind kind_;
    QString program_;
    QProcess process_;
    QTimer watchdog_;
    State state_ = State::idle;
    QString failure_;
    // The log's start (up to the output's description, where the input's
    // streams are named) and its last lines, both bounded.
    QString log_head_;
    QString log_tail_;
    bool head_done_ = false;
};

}  // namespace qinghe::platform::qt
