#include "wizard/units.h"

#include <algorithm>
#include <cmath>

namespace quillet {

float TwipsPerPixel(double logical_dpi) {
  if (logical_dpi <= 0) return 15.0f;  // a screen that reports nothing: assume 96 DPI
  return static_cast<float>(1440.0 / logical_dpi);
}

int TwipsToPixels(float twips, float twips_per_pixel) {
  return static_cast<int>(std::lround(twips / twips_per_pixel));
}

PixelRect TwipsToPixels(const TwipsRect& rect, float twips_per_pixel_x, float twips_per_pixel_y) {
  return {TwipsToPixels(static_cast<float>(rect.left), twips_per_pixel_x),
          TwipsToPixels(static_cast<float>(rect.top), twips_per_pixel_y),
          TwipsToPixels(static_cast<float>(rect.width), twips_per_pixel_x),
          TwipsToPixels(static_cast<float>(rect.height), twips_per_pixel_y)};
}

TwipsRect PixelsToTwips(const PixelRect& rect, float twips_per_pixel_x, float twips_per_pixel_y) {
  auto to_twips = [](int pixels, float twips_per_pixel) {
    return static_cast<int>(std::lround(static_cast<float>(pixels) * twips_per_pixel));
  };
  return {to_twips(rect.left, twips_per_pixel_x), to_twips(rect.top, twips_per_pixel_y),
          to_twips(rect.width, twips_per_pixel_x), to_twips(rect.height, twips_per_pixel_y)};
}

double ContrastRatio(std::uint32_t bgr_a, std::uint32_t bgr_b) {
  // Relative luminance of an sRGB colour.
  auto luminance = [](std::uint32_t bgr) {
    auto linear = [](std::uint32_t channel) {
      const double c = static_cast<double>(channel & 0xFF) / 255.0;
      return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(bgr) + 0.7152 * linear(bgr >> 8) + 0.0722 * linear(bgr >> 16);
  };
  const double a = luminance(bgr_a);
  const double b = luminance(bgr_b);
  return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

MarkerRect StepMarkerRect(const TwipsRect& button, float px, float py) {
  MarkerRect strip;
  strip.left = static_cast<float>(button.width) + static_cast<float>(button.left) - 2.0f * px;
  strip.width = 2.0f * px;
  strip.top = static_cast<float>(button.top) - py;
  strip.height = static_cast<float>(button.height) - py;
  return strip;
}

}  // namespace quillet
