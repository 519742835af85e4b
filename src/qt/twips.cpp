#include "qt/twips.h"

namespace quillet {

QRect TwipsToQRect(const TwipsRect& rect, float twips_per_pixel_x, float twips_per_pixel_y) {
  const PixelRect pixels = TwipsToPixels(rect, twips_per_pixel_x, twips_per_pixel_y);
  return QRect(pixels.left, pixels.top, pixels.width, pixels.height);
}

TwipsRect PixelsToTwips(const QRect& rect, float twips_per_pixel_x, float twips_per_pixel_y) {
  return PixelsToTwips(PixelRect{rect.x(), rect.y(), rect.width(), rect.height()},
                       twips_per_pixel_x, twips_per_pixel_y);
}

QColor WindowsColour(std::uint32_t bgr) {
  return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                static_cast<int>((bgr >> 16) & 0xFF));
}

}  // namespace quillet
