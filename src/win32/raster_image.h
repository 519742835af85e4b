// Pictures as pixels: the PNG files that the build rasterizes from the SVG
// drawings, decoded and scaled without any library, so the program needs no
// image codec of the system (none that XP has decodes PNG without GDI+).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace quillet::win32 {

// Pixels row by row from the top, four bytes each: red, green, blue, alpha.
// `premultiplied` says whether the colours are already multiplied by alpha.
struct RasterImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgba;
  bool premultiplied = false;
};

// The width and height a PNG file declares, read from its header alone;
// nothing when the bytes are no PNG.
struct ImageSize {
  int width = 0;
  int height = 0;
};
std::optional<ImageSize> PngSize(std::span<const std::uint8_t> png);

// Decodes a non-interlaced PNG of 8 bits per sample (grey, grey with alpha,
// RGB, RGBA or a palette). Nothing when the file is damaged, uses anything
// else, or is larger than 4096 pixels either way.
std::optional<RasterImage> DecodePng(std::span<const std::uint8_t> png);

// Multiplies the colours by alpha (for alpha blending and for scaling without
// dark fringes); an image that already is premultiplied comes back unchanged.
RasterImage Premultiplied(RasterImage image);

// Divides the colours by alpha again (straight alpha, as icons keep it); an
// image that is not premultiplied comes back unchanged.
RasterImage Unpremultiplied(RasterImage image);

// The image resampled to width x height: each new pixel the average of the
// source area it covers (exact when shrinking, blocky when enlarging). The
// result is premultiplied. Sizes below 1 give an empty image.
RasterImage Resampled(const RasterImage& image, int width, int height);

}  // namespace quillet::win32
