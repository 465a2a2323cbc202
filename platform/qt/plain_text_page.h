#pragma once

#include <QString>

namespace qinghe::platform::qt {

// A minimal UTF-8 HTML page that shows text exactly as plain text: markup
// characters are escaped, and line breaks and runs of blanks are kept.
QString plain_text_page(const QString& text);

}  // namespace qinghe::platform::qt
