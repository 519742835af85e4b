// The window's units in Qt terms: the toolkit-free twips arithmetic of
// wizard/units.h, with rectangles as QRect and Windows colour values as QColor.
#pragma once

#include <QColor>
#include <QRect>
#include <cstdint>

#include "wizard/units.h"

namespace quillet {

QRect TwipsToQRect(const TwipsRect& rect, float twips_per_pixel_x, float twips_per_pixel_y);

TwipsRect PixelsToTwips(const QRect& rect, float twips_per_pixel_x, float twips_per_pixel_y);

// A Windows colour value 0x00BBGGRR as a QColor.
QColor WindowsColour(std::uint32_t bgr);

}  // namespace quillet
