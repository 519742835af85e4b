// The pictures of the pages and the status list's row images, from the PNG
// resources that the build rasterizes at 100, 150 and 200 %.
#pragma once

#include <windows.h>

#include <optional>

#include "win32/raster_image.h"

namespace quillet::win32 {

// The number of rasterized scales and their sizes in percent.
inline constexpr int kPictureScales[] = {100, 150, 200};

// The picture's size at 100 %, which is its size on a 96-DPI screen; nothing
// when the program has no such picture.
std::optional<ImageSize> PictureNaturalSize(HINSTANCE instance, int number);

// The picture at exactly width x height pixels, premultiplied: made from the
// smallest rasterized scale that is at least that large (the largest when none
// is), so it stays crisp at any DPI. Nothing when the picture is missing or
// its resource is damaged.
std::optional<RasterImage> LoadPicture(HINSTANCE instance, int number, int width, int height);

// A 32-bit top-down DIB section of a premultiplied image, for alpha blending
// and image lists; nullptr when it cannot be made. The caller deletes it.
HBITMAP CreatePremultipliedBitmap(const RasterImage& image);

// An icon with the image's alpha channel (straight alpha, as icons keep it),
// for image lists; nullptr when it cannot be made. The caller destroys it.
HICON CreateAlphaIcon(const RasterImage& image);

}  // namespace quillet::win32
