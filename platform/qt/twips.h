#pragma once

namespace qinghe::platform::qt {

// Sizes and positions cross this boundary in twips (1440 per inch). The
// window is laid out at 96 dpi, so one pixel is 15 twips.
inline constexpr int twips_per_pixel = 15;

// Nearest whole pixel for a twips value, halves away from zero. A value that
// is not finite or lies beyond what a widget can take throws PlatformError.
int to_pixels(double twips);

// Twips for a pixel count.
inline constexpr int to_twips(int pixels) {
    return pixels * twips_per_pixel;
}

}  // namespace qinghe::platform::qt
