#include "platform/qt/twips.h"

#include "platform/base/error.h"

#include <cmath>

namespace qinghe::platform::qt {

namespace {
// The largest coordinate or extent a QWidget accepts (QWIDGETSIZE_MAX).
constexpr double max_pixels = 16777215.0;
}  // namespace

int to_pixels(double twips) {
    if (!std::isfinite(twips)) throw PlatformError("position or size is not a number");
    const double pixels = std::round(twips / twips_per_pixel);
    if (pixels > max_pixels || pixels < -max_pixels) throw PlatformError("position or size out of range");
    return static_cast<int>(pixels);
}

}  // namespace qinghe::platform::qt
