// Screen units of the window's layout, without any toolkit. Every rectangle is
// written in twips (1/1440 inch) and turned into logical pixels in one place, so
// the code can be read side by side with the layout tables; colours are Windows
// colour values (0x00BBGGRR).
#pragma once

#include <cstdint>

namespace quillet {

// A rectangle in twips: Left, Top, Width, Height.
struct TwipsRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const TwipsRect&, const TwipsRect&) = default;
};

// A rectangle in logical pixels: Left, Top, Width, Height.
struct PixelRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// The size of one logical pixel in twips for a screen's logical DPI (15 at 96 DPI,
// 12 at 120 DPI). Single precision, as the marker arithmetic uses it.
float TwipsPerPixel(double logical_dpi);

// Twips to logical pixels, rounded to the nearest pixel.
int TwipsToPixels(float twips, float twips_per_pixel);
PixelRect TwipsToPixels(const TwipsRect& rect, float twips_per_pixel_x, float twips_per_pixel_y);

// Logical pixels back to twips.
TwipsRect PixelsToTwips(const PixelRect& rect, float twips_per_pixel_x, float twips_per_pixel_y);

// The marker strip's rectangle in twips, in single precision.
struct MarkerRect {
  float left = 0;
  float top = 0;
  float width = 0;
  float height = 0;
};

// Where the marker strip goes for a step button at `button` (twips) on a screen
// whose pixel is px twips wide and py twips high: over the button's two
// right-most pixel columns, from one pixel above its top to two pixels short of
// its bottom.
MarkerRect StepMarkerRect(const TwipsRect& button, float px, float py);

// The contrast ratio of two colours as WCAG 2 defines it, from 1 (the same
// luminance) to 21 (black on white); text reads well from 4.5.
double ContrastRatio(std::uint32_t bgr_a, std::uint32_t bgr_b);

// The colours the window uses.
inline constexpr std::uint32_t kPageColour = 0xFFC0C0;
inline constexpr std::uint32_t kIdleButtonColour = 0xC0C0C0;
inline constexpr std::uint32_t kDisabledBoxColour = 0xC0C0C0;
inline constexpr std::uint32_t kEnabledBoxColour = 0xFFFFFF;
inline constexpr std::uint32_t kRuleColour = 0x400000;
inline constexpr std::uint32_t kAboutTextColour = 0x800000;
inline constexpr std::uint32_t kGreyTextColour = 0x808080;   // text of switched-off controls
inline constexpr std::uint32_t kBlackTextColour = 0x000000;  // text on the fixed backgrounds
inline constexpr std::uint32_t kImageMaskColour = 0xC0C0C0;  // transparent in the row images

}  // namespace quillet
