// The ffmpeg command line of a conversion and the reading of its log.

#include "platform/qt/browser/converter_command.h"

#include <QRegularExpression>

#include <map>

namespace qinghe::platform::qt {

namespace {

// Fast enough to keep a 720p 25 fps broadcast in real time on one core, and
// no frame held back: the first picture leaves as soon as it is encoded.
const QStringList h264_video = {
    QStringLiteral("-c:v"),  QStringLiteral("libx264"),     QStringLiteral("-preset"),  QStringLiteral("veryfast"),
    QStringLiteral("-tune"), QStringLiteral("zerolatency"), QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"),
    QStringLiteral("-crf"),  QStringLiteral("23"),          QStringLiteral("-g"),       QStringLiteral("50"),
};
const QStringList aac_audio = {QStringLiteral("-c:a"), QStringLiteral("aac"), QStringLiteral("-b:a"),
                               QStringLiteral("128k"), QStringLiteral("-ac"), QStringLiteral("2")};

bool is_remote(const QString& input) {
    return input.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
           input.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
}

struct InputStream {
    QString type;  // "Video" or "Audio"
    QString codec;
};

// The codec as ffmpeg names it, or, for one it does not know ("none"), the
// stream's type tag: "未知（0x0042）".
QString codec_name(const QString& name, const QString& line) {
    if (name != QLatin1String("none")) return name;
    static const QRegularExpression tag(QStringLiteral(R"(/ (0x[0-9A-Fa-f]+)\))"));
    const QRegularExpressionMatch found = tag.match(line);
    return QStringLiteral("未知（") + (found.hasMatch() ? found.captured(1) : QStringLiteral("?")) +
           QStringLiteral("）");
}

}  // namespace

bool parse_conversion_kind(const QString& text, ConversionKind& kind) {
    if (text == QLatin1String("audio"))
        kind = ConversionKind::audio;
    else if (text == QLatin1String("full"))
        kind = ConversionKind::full;
    else
        return false;
    return true;
}

QStringList converter_arguments(const QString& input, ConversionKind kind, bool playlist) {
    QStringList arguments = {QStringLiteral("-nostdin"), QStringLiteral("-hide_banner"), QStringLiteral("-nostats"),
                             QStringLiteral("-loglevel"), QStringLiteral("info")};
    // Only what the input needs: a remote input never reaches a local file.
    if (is_remote(input)) {
        arguments << QStringLiteral("-protocol_whitelist") << QStringLiteral("http,https,tcp,tls,crypto")
                  << QStringLiteral("-reconnect") << QStringLiteral("1") << QStringLiteral("-reconnect_streamed")
                  << QStringLiteral("1") << QStringLiteral("-reconnect_on_network_error") << QStringLiteral("1")
                  << QStringLiteral("-reconnect_delay_max") << QStringLiteral("4") << QStringLiteral("-rw_timeout")
                  << QStringLiteral("10000000");
    } else {
        arguments << QStringLiteral("-protocol_whitelist") << QStringLiteral("file,crypto");
    }
    // The gateway names a playlist and its segments by number, not by file
    // name; the segments it serves are http only (the whitelist above).
    if (playlist)
        arguments << QStringLiteral("-f") << QStringLiteral("hls") << QStringLiteral("-allowed_segment_extensions")
                  << QStringLiteral("ALL") << QStringLiteral("-extension_picky") << QStringLiteral("0");
    // A short look at the input before the first frame; then the input is
    // read at its own rate, so a file is converted as it plays, not ahead.
    arguments << QStringLiteral("-probesize") << QStringLiteral("1000000") << QStringLiteral("-analyzeduration")
              << QStringLiteral("1000000") << QStringLiteral("-re") << QStringLiteral("-i") << input;
    arguments << QStringLiteral("-map") << QStringLiteral("0:v:0?") << QStringLiteral("-map")
              << QStringLiteral("0:a:0?") << QStringLiteral("-sn") << QStringLiteral("-dn");
    if (kind == ConversionKind::full)
        arguments << h264_video;
    else
        arguments << QStringLiteral("-c:v") << QStringLiteral("copy");
    arguments << aac_audio;
    arguments << QStringLiteral("-f") << QStringLiteral("mpegts") << QStringLiteral("-muxdelay") << QStringLiteral("0")
              << QStringLiteral("-muxpreload") << QStringLiteral("0") << QStringLiteral("-flush_packets")
              << QStringLiteral("1") << QStringLiteral("pipe:1");
    return arguments;
}

ConverterReport read_converter_log(const QString& log) {
    ConverterReport report;
    std::map<QString, InputStream> streams;  // "0:1" -> what the input stream holds
    static const QRegularExpression stream_line(
        QStringLiteral(R"(^\s*Stream #(0:\d+)[^:]*: (Video|Audio): ([A-Za-z0-9_]+))"));
    static const QRegularExpression decoder_missing(
        QStringLiteral(R"(Decoder \(codec ([A-Za-z0-9_]+)\) not found for input stream #(0:\d+))"));
    static const QRegularExpression http_status(QStringLiteral(R"(Server returned (\d{3}))"));

    bool input_done = false;
    QString last_error;
    for (const QString& line : log.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("Output #"))) input_done = true;
        const QRegularExpressionMatch stream = stream_line.match(line);
        if (stream.hasMatch() && !input_done) {
            streams[stream.captured(1)] = {stream.captured(2), codec_name(stream.captured(3), line)};
            if (stream.captured(2) == QLatin1String("Video") && report.video_codec.isEmpty())
                report.video_codec = streams[stream.captured(1)].codec;
            if (stream.captured(2) == QLatin1String("Audio") && report.audio_codec.isEmpty())
                report.audio_codec = streams[stream.captured(1)].codec;
            continue;
        }
        const QRegularExpressionMatch missing = decoder_missing.match(line);
        if (missing.hasMatch()) {
            const auto found = streams.find(missing.captured(2));
            const bool audio = found != streams.end() && found->second.type == QLatin1String("Audio");
            const QString codec = found != streams.end() ? found->second.codec : missing.captured(1);
            report.failure =
                (audio ? QStringLiteral("不支持的音频编码：") : QStringLiteral("不支持的视频编码：")) + codec;
            return report;
        }
        const QRegularExpressionMatch status = http_status.match(line);
        if (status.hasMatch()) {
            const QString code = status.captured(1);
            if (code == QLatin1String("404"))
                report.failure = QStringLiteral("服务器上没有这个视频（HTTP 404）");
            else if (code == QLatin1String("403"))
                report.failure = QStringLiteral("服务器拒绝访问（HTTP 403）");
            else
                report.failure = QStringLiteral("服务器返回错误（HTTP ") + code + QStringLiteral("）");
            return report;
        }
        if (line.contains(QLatin1String("Connection refused")) ||
            line.contains(QLatin1String("Connection timed out")) ||
            line.contains(QLatin1String("Operation timed out")) ||
            line.contains(QLatin1String("Network is unreachable")))
            last_error = QStringLiteral("无法连接到服务器");
        else if (line.endsWith(QLatin1String("Invalid data found when processing input")) && !input_done &&
                 streams.empty())
            last_error = QStringLiteral("视频无法解码（格式不受支持或文件已损坏）");
        else if (line.contains(QLatin1String("No such file or directory")))
            last_error = QStringLiteral("找不到视频文件");
        else if (line.contains(QLatin1String("does not contain any stream")))
            last_error = QStringLiteral("视频里没有可播放的画面或声音");
    }
    report.failure = last_error;
    return report;
}

}  // namespace qinghe::platform::qt
