#include "platform/qt/plain_text_page.h"

namespace qinghe::platform::qt {

QString plain_text_page(const QString& text) {
    return QStringLiteral(
               "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title></title>"
               "<style>body{margin:12px;font-family:\"Noto Sans CJK SC\",\"Noto Sans\",sans-serif;"
               "font-size:16px;line-height:1.5;white-space:pre-wrap;overflow-wrap:anywhere;}"
               "</style></head><body>") +
           text.toHtmlEscaped() + QStringLiteral("</body></html>");
}

}  // namespace qinghe::platform::qt
