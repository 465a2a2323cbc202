#include "platform/qt/form_icon.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>

namespace qinghe::platform::qt {

QIcon make_form_icon() {
    constexpr int side = 32;
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);

    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    QLinearGradient fill(0, 0, 0, side);
    fill.setColorAt(0.0, QColor(0x2b, 0xb6, 0x8f));
    fill.setColorAt(1.0, QColor(0x11, 0x7a, 0x6a));
    painter.setPen(QPen(QColor(0x0d, 0x5e, 0x52), 1));
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(0.5, 0.5, side - 1, side - 1), 6, 6);

    QFont glyph_font;
    glyph_font.setFamilies(
        {QStringLiteral("Noto Sans CJK SC"), QStringLiteral("SimHei"), QStringLiteral("Noto Serif CJK SC")});
    glyph_font.setPixelSize(22);
    glyph_font.setBold(true);
    painter.setFont(glyph_font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(0, 0, side, side), Qt::AlignCenter, QStringLiteral("青"));
    painter.end();

    return QIcon(pixmap);
}

}  // namespace qinghe::platform::qt
