// The gateway's converter runs: one per converted stream, the older ones
// ended, and why the last one failed.

#include "platform/qt/browser/conversion_service.h"

#include "platform/qt/browser/media_type.h"

namespace qinghe::platform::qt {

QIODevice* ConversionService::start(const StreamGrant& grant, const QUrl& input, const QString& kind) {
    ConversionKind conversion;
    if (!parse_conversion_kind(kind, conversion) || !input.isValid()) return nullptr;
    stop_all();
    failed_identifier_.clear();
    failure_.clear();
    auto* converter = new StreamConverter(input.toString(QUrl::FullyEncoded), conversion, nullptr, program_);
    converter->stall_ms = stall_ms;
    converter->playlist = names_playlist(grant.identifier);
    QObject::connect(converter, &StreamConverter::ended, converter, [this, converter, identifier = grant.identifier] {
        if (converter->state() != StreamConverter::State::failed) return;
        failed_identifier_ = identifier;
        failure_ = converter->failure();
    });
    runs_.emplace_back(converter);
    converter->start();
    return converter;
}

QString ConversionService::failure(const StreamGrant& grant) const {
    return grant.identifier == failed_identifier_ ? failure_ : QString();
}

void ConversionService::stop_all() {
    for (const QPointer<StreamConverter>& run : runs_)
        if (run) run->stop();
    runs_.clear();
}

}  // namespace qinghe::platform::qt
