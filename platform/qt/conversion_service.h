#pragma once

#include "platform/qt/stream_converter.h"

#include <QPointer>
#include <QString>
#include <QUrl>

#include <vector>

namespace qinghe::platform::qt {

// The window's converter runs: the stream gateway asks for one when a player
// page asks for its stream converted, and the page asks back why a run
// ended. Only one stream plays at a time, so a new run ends the ones before
// it, and so does stop_all() (another video, the window closing).
class ConversionService {
public:
    explicit ConversionService(QString program = QStringLiteral("ffmpeg")) : program_(std::move(program)) {}
    ~ConversionService() { stop_all(); }
    ConversionService(const ConversionService&) = delete;
    ConversionService& operator=(const ConversionService&) = delete;

    // A converter of the identifier's bytes, read from input, started; the
    // caller takes it over. kind is the page's "audio" or "full"; nullptr
    // for anything else.
    QIODevice* start(const QString& identifier, const QUrl& input, const QString& kind);
    // Why the identifier's last run failed, in the page's words; empty while
    // it runs, when it ended well, or for another identifier.
    QString failure(const QString& identifier) const;
    // Ends every run, killing and reaping its process.
    void stop_all();

    int stall_ms = 15000;

private:
    QString program_;
    std::vector<QPointer<StreamConverter>> runs_;
    QString failed_identifier_;
    QString failure_;
};

}  // namespace qinghe::platform::qt
