#include "platform/qt/window_text.h"

#include <QTextBoundaryFinder>

namespace qinghe::platform::qt {

namespace {
// Characters past the cut that decide whether it falls between graphemes.
constexpr qsizetype look_ahead = 32;
}  // namespace

QString window_text(const QString& text) {
    if (text.size() <= max_window_text) return text;
    // Room for the ellipsis, then back to the last grapheme boundary; only
    // the text around the cut is examined, however long the whole.
    const qsizetype room = max_window_text - 1;
    QTextBoundaryFinder boundaries(QTextBoundaryFinder::Grapheme, text.constData(), room + look_ahead);
    boundaries.setPosition(room);
    qsizetype cut = boundaries.isAtBoundary() ? room : boundaries.toPreviousBoundary();
    // One grapheme longer than the whole room: cut between code points.
    if (cut <= 0) cut = text.at(room - 1).isHighSurrogate() ? room - 1 : room;
    return text.left(cut) + QChar(0x2026);
}

}  // namespace qinghe::platform::qt
