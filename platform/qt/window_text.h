#pragma once

#include <QString>

namespace qinghe::platform::qt {

// The most characters of a text that goes to the window system (a window
// title, a tooltip, an accessible name). Every window manager shows that
// much; far longer titles can exceed what the X server accepts in one
// request, which ends the program's connection to the display.
inline constexpr qsizetype max_window_text = 1024;

// The text as the window system gets it: unchanged up to max_window_text
// characters, else cut on a character boundary (never inside a surrogate
// pair or before a combining mark) and ended with "…", within the bound.
QString window_text(const QString& text);

}  // namespace qinghe::platform::qt
