// The ffmpeg command line of a conversion and the reading of its log.

#pragma once

#include <QString>
#include <QStringList>

namespace qinghe::platform::qt {

// What the converter does to a stream the browser cannot decode in full.
enum class ConversionKind {
    audio,  // the video is copied as it is; the audio is re-encoded to AAC (cheap)
    full,   // the video is re-encoded to H.264 and the audio to AAC
};

// "audio" or "full" as the player page names them; false for anything else.
bool parse_conversion_kind(const QString& text, ConversionKind& kind);

// The arguments of the ffmpeg program that reads the input (an http address
// or a local file) at its own pace and writes MPEG-TS with H.264 video and
// AAC audio to its standard output, as it comes: no file is ever written.
// A remote input reconnects a bounded number of times and gives up on a
// read that hangs. An HLS playlist (playlist true) is read as one, whatever
// its address and those of its segments end in.
QStringList converter_arguments(const QString& input, ConversionKind kind, bool playlist = false);

// What the converter said about its input and why it ended, read from its
// standard error: the codec of the first video and audio stream, and the
// failure in the words the player page shows ("不支持的视频编码：mpeg4" ...).
struct ConverterReport {
    QString video_codec;
    QString audio_codec;
    // Empty when the log shows no failure.
    QString failure;
};
ConverterReport read_converter_log(const QString& log);

}  // namespace qinghe::platform::qt
