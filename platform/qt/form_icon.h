#pragma once

#include <QIcon>

namespace qinghe::platform::qt {

// The window's 32 x 32 icon: a white "青" on a rounded teal square, painted
// at start-up so the program ships no image file.
QIcon make_form_icon();

}  // namespace qinghe::platform::qt
