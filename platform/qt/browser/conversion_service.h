// The gateway's converter runs: one per converted stream, the older ones
// ended, and why the last one failed.

#pragma once

#include "platform/qt/browser/stream_converter.h"
#include "platform/qt/browser/stream_gateway.h"

#include <QPointer>
#include <QString>
#include <QUrl>

#include <vector>

namespace qinghe::platform::qt {

// The window's converter runs: the stream gateway asks for one when a player
// page asks for its stream converted, and the page asks back why a run
// ended. Only one stream plays at a time, so a new run ends the ones before
// it, and so does stop_all() (another video, the window closing).
//
// The converter is the ffmpeg program rather than its libraries in the
// window's process: a decoder that crashes on hostile input takes only its
// own process down, a run is ended by killing it, and the window needs no
// threads and no ABI of libavcodec.
class ConversionService final : public GrantConverter {
public:
    explicit ConversionService(QString program = QStringLiteral("ffmpeg")) : program_(std::move(program)) {}
    ~ConversionService() override { stop_all(); }
    ConversionService(const ConversionService&) = delete;
    ConversionService& operator=(const ConversionService&) = delete;

    // A started converter of the grant's bytes, read from input; nullptr for
    // a kind other than "audio" or "full".
    QIODevice* start(const StreamGrant& grant, const QUrl& input, const QString& kind) override;
    // Empty while the grant's last run converts, when it ended well, or when
    // the last run was another identifier's.
    QString failure(const StreamGrant& grant) const override;
    // Ends every run, killing and reaping its process.
    void stop_all() override;

    int stall_ms = 15000;

private:
    QString program_;
    std::vector<QPointer<StreamConverter>> runs_;
    QString failed_identifier_;
    QString failure_;
};

}  // namespace qinghe::platform::qt
