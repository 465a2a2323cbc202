// The converter turns each broadcast form the browser cannot decode into
// MPEG-TS with H.264 and AAC on a pipe, says why in the page's words when it
// cannot, and leaves no process behind however its run ends.
#include "platform/qt/browser/stream_converter.h"
#include "platform/qt/browser/conversion_service.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace qinghe::platform::qt {
namespace {

QString media(const char* name) {
    return QStringLiteral(QINGHE_TEST_BINARY_DIR "/bg/media/") + QLatin1String(name);
}

// This program's ffmpeg processes, running or not yet reaped, as the
// process list shows them.
QList<qint64> converter_processes() {
    QList<qint64> found;
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly)) continue;
        // "pid (name) state parent ..."
        const QByteArray line = stat.readAll();
        const QList<QByteArray> after_name = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (line.contains("(ffmpeg)") && after_name.size() > 1 &&
            after_name[1].toLongLong() == QCoreApplication::applicationPid())
            found.push_back(pid.toLongLong());
    }
    return found;
}

bool run_until(const std::function<bool()>& condition, int bound_ms = 20000) {
    const QDeadlineTimer deadline(bound_ms);
    while (!condition() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return condition();
}

// The codecs of an MPEG-TS start, as ffprobe reads them: "h264,aac".
QString stream_codecs(const QByteArray& transport_stream) {
    QProcess probe;
    probe.start(QStringLiteral("ffprobe"),
                {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                 QStringLiteral("stream=codec_name"), QStringLiteral("-of"), QStringLiteral("csv=p=0"),
                 QStringLiteral("-i"), QStringLiteral("pipe:0")});
    probe.write(transport_stream);
    probe.closeWriteChannel();
    probe.waitForFinished(20000);
    // ffprobe lists a transport stream's streams again under its program.
    QStringList codecs =
        QString::fromUtf8(probe.readAllStandardOutput()).split(QRegularExpression("[,\\s]+"), Qt::SkipEmptyParts);
    codecs.removeDuplicates();
    return codecs.join(QLatin1Char(','));
}

struct Conversion {
    const char* file;
    ConversionKind kind;
    const char* video_in;
    const char* audio_in;
};

TEST(StreamConverterTest, EachFormBecomesH264AndAacOnThePipe) {
    const Conversion cases[] = {
        {"demo-mpeg2.ts", ConversionKind::full, "mpeg2video", "mp2"},
        {"demo-ac3.mp4", ConversionKind::audio, "h264", "ac3"},
        {"demo-hevc.mp4", ConversionKind::full, "hevc", "aac"},
        {"hls-ac3/demo.m3u8", ConversionKind::audio, "h264", "ac3"},
    };
    for (const Conversion& form : cases) {
        SCOPED_TRACE(form.file);
        StreamConverter converter(media(form.file), form.kind);
        QByteArray output;
        QObject::connect(&converter, &QIODevice::readyRead, [&] { output += converter.readAll(); });
        converter.start();
        // Two seconds of picture and sound are enough to name every stream.
        ASSERT_TRUE(run_until([&] { return output.size() > 256 * 1024; })) << converter.failure().toStdString();
        EXPECT_EQ(converter.state(), StreamConverter::State::converting);
        EXPECT_EQ(stream_codecs(output), QStringLiteral("h264,aac"));
        EXPECT_EQ(converter.report().video_codec, QLatin1String(form.video_in));
        EXPECT_EQ(converter.report().audio_codec, QLatin1String(form.audio_in));
    }
}

struct Failure {
    std::function<std::unique_ptr<StreamConverter>(const QString& folder)> make;
    const char* cause;  // part of failure()
};

TEST(StreamConverterTest, AFailedOrStalledRunSaysWhyAndLeavesNoProcess) {
    QTemporaryDir folder;
    QFile garbage(folder.filePath(QStringLiteral("broken.mp4")));
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write(QByteArray(8192, 'x'));
    garbage.close();
    // A server that takes the connection and never answers.
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    std::vector<std::unique_ptr<QTcpSocket>> held;
    QObject::connect(&silent, &QTcpServer::newConnection, [&] { held.emplace_back(silent.nextPendingConnection()); });
    const QString stalled = QStringLiteral("http://127.0.0.1:%1/live.ts").arg(silent.serverPort());

    const Failure cases[] = {
        {[](const QString& dir) {
             return std::make_unique<StreamConverter>(dir + "/missing.ts", ConversionKind::full);
         },
         "找不到视频文件"},
        {[](const QString& dir) {
             return std::make_unique<StreamConverter>(dir + "/broken.mp4", ConversionKind::full);
         },
         "无法解码"},
        {[](const QString& dir) {
             return std::make_unique<StreamConverter>(dir + "/x.ts", ConversionKind::full, nullptr, dir + "/no-ffmpeg");
         },
         "无法启动转换器"},
        {[&](const QString&) {
             auto converter = std::make_unique<StreamConverter>(stalled, ConversionKind::audio);
             converter->stall_ms = 1500;
             return converter;
         },
         "转换停滞"},
    };
    for (const Failure& failure : cases) {
        SCOPED_TRACE(failure.cause);
        std::unique_ptr<StreamConverter> converter = failure.make(folder.path());
        int ended = 0;
        QObject::connect(converter.get(), &StreamConverter::ended, [&] { ++ended; });
        converter->start();
        ASSERT_TRUE(run_until([&] { return ended > 0; }));
        EXPECT_EQ(ended, 1);
        EXPECT_EQ(converter->state(), StreamConverter::State::failed);
        EXPECT_TRUE(converter->failure().contains(QString::fromUtf8(failure.cause)))
            << converter->failure().toStdString();
        EXPECT_TRUE(converter_processes().isEmpty());
    }
}

TEST(StreamConverterTest, StopAndDestructionKillAndReapTheProcess) {
    for (const bool destroy : {false, true}) {
        SCOPED_TRACE(destroy ? "destroyed" : "stopped");
        auto converter = std::make_unique<StreamConverter>(media("demo-mpeg2.ts"), ConversionKind::full);
        int ended = 0;
        QObject::connect(converter.get(), &StreamConverter::ended, [&] { ++ended; });
        converter->start();
        ASSERT_TRUE(run_until([&] { return converter->bytesAvailable() > 0; }));
        ASSERT_EQ(converter_processes().size(), 1);
        if (destroy)
            converter.reset();
        else
            converter->stop();
        // Reaped, not a zombie: the process is gone at once.
        EXPECT_TRUE(converter_processes().isEmpty());
        QCoreApplication::processEvents();
        EXPECT_EQ(ended, 0);
    }
}

// One stream plays at a time: a new run ends the one before, the page learns
// why its own identifier's run failed, and an unknown kind starts nothing.
TEST(ConversionServiceTest, OneRunAtATimeAndItsFailureForItsIdentifier) {
    ConversionService service;
    std::unique_ptr<QIODevice> first(
        service.start(StreamGrant{"a", {}, {}, {}}, QUrl::fromLocalFile(media("demo-mpeg2.ts")), "full"));
    ASSERT_TRUE(first);
    ASSERT_TRUE(run_until([&] { return first->bytesAvailable() > 0; }));
    const QList<qint64> first_run = converter_processes();
    ASSERT_EQ(first_run.size(), 1);
    EXPECT_EQ(service.start(StreamGrant{"b", {}, {}, {}}, QUrl::fromLocalFile(media("demo-mpeg2.ts")), "sideways"),
              nullptr);
    EXPECT_EQ(converter_processes(), first_run);

    std::unique_ptr<QIODevice> second(
        service.start(StreamGrant{"b", {}, {}, {}}, QUrl::fromLocalFile("/nonexistent/b.ts"), "audio"));
    EXPECT_FALSE(converter_processes().contains(first_run[0]));
    ASSERT_TRUE(run_until([&] { return !service.failure(StreamGrant{"b", {}, {}, {}}).isEmpty(); }));
    EXPECT_EQ(service.failure(StreamGrant{"b", {}, {}, {}}), QStringLiteral("找不到视频文件"));
    EXPECT_EQ(service.failure(StreamGrant{"a", {}, {}, {}}), QString());
}

TEST(ConverterLogTest, NamesTheCodecNoDecoderKnows) {
    const QString log = QStringLiteral(
        "Input #0, mpegts, from 'http://127.0.0.1:1/a.ts':\n"
        "  Stream #0:0[0x100]: Video: cavs ([66][0][0][0] / 0x0042), none, 25 fps\n"
        "  Stream #0:1[0x101](und): Audio: none ([6][0][0][0] / 0x0006), 0 channels\n"
        "Decoder (codec none) not found for input stream #0:1\n");
    EXPECT_EQ(read_converter_log(log).failure, QStringLiteral("不支持的音频编码：未知（0x0006）"));
    EXPECT_EQ(read_converter_log(QString(log).replace("#0:1\n", "#0:0\n")).failure,
              QStringLiteral("不支持的视频编码：cavs"));
}

}  // namespace
}  // namespace qinghe::platform::qt
