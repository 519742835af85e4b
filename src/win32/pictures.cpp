#include "win32/pictures.h"

#include <cstring>
#include <span>
#include <vector>

#include "win32/resource_ids.h"

namespace quillet::win32 {
namespace {

std::span<const std::uint8_t> ResourceBytes(HINSTANCE instance, int id) {
  HRSRC found = ::FindResourceW(instance, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));  // RCDATA
  if (found == nullptr) return {};
  HGLOBAL loaded = ::LoadResource(instance, found);
  const DWORD size = ::SizeofResource(instance, found);
  const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
  if (bytes == nullptr || size == 0) return {};
  return {static_cast<const std::uint8_t*>(bytes), size};
}

}  // namespace

std::optional<ImageSize> PictureNaturalSize(HINSTANCE instance, int number) {
  return PngSize(ResourceBytes(instance, QUILLET_PICTURE_ID(number, 0)));
}

std::optional<RasterImage> LoadPicture(HINSTANCE instance, int number, int width, int height) {
  if (width < 1 || height < 1) return std::nullopt;
  std::span<const std::uint8_t> chosen;
  for (int scale = 0; scale < static_cast<int>(std::size(kPictureScales)); ++scale) {
    const auto bytes = ResourceBytes(instance, QUILLET_PICTURE_ID(number, scale));
    const std::optional<ImageSize> size = PngSize(bytes);
    if (!size) continue;
    chosen = bytes;
    if (size->width >= width && size->height >= height) break;
  }
  std::optional<RasterImage> image = DecodePng(chosen);
  if (!image) return std::nullopt;
  return Resampled(*image, width, height);
}

namespace {

// A 32-bit top-down DIB section holding the image's pixels as they are.
HBITMAP CreateBitmap32(const RasterImage& image) {
  if (image.width < 1 || image.height < 1) return nullptr;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = image.width;
  info.bmiHeader.biHeight = -image.height;  // top-down, as the image's rows are
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap == nullptr || bits == nullptr) return bitmap;
  auto* out = static_cast<std::uint8_t*>(bits);
  const std::uint8_t* in = image.rgba.data();
  // A DIB keeps blue, green, red, alpha.
  for (std::size_t i = 0; i < image.rgba.size(); i += 4) {
    out[i] = in[i + 2];
    out[i + 1] = in[i + 1];
    out[i + 2] = in[i];
    out[i + 3] = in[i + 3];
  }
  ::GdiFlush();
  return bitmap;
}

}  // namespace

HBITMAP CreatePremultipliedBitmap(const RasterImage& image) {
  return CreateBitmap32(Premultiplied(image));
}

HICON CreateAlphaIcon(const RasterImage& image) {
  HBITMAP colour = CreateBitmap32(Unpremultiplied(image));
  if (colour == nullptr) return nullptr;
  // The alpha channel decides where the screen has the colours for it; the
  // mask serves screens of fewer colours: transparent where mostly transparent.
  const std::size_t row_bytes = (static_cast<std::size_t>(image.width) + 15) / 16 * 2;
  std::vector<BYTE> mask_bits(row_bytes * static_cast<std::size_t>(image.height), 0);
  for (std::size_t y = 0; y < static_cast<std::size_t>(image.height); ++y) {
    for (std::size_t x = 0; x < static_cast<std::size_t>(image.width); ++x) {
      if (image.rgba[(y * static_cast<std::size_t>(image.width) + x) * 4 + 3] < 128) {
        mask_bits[y * row_bytes + x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
      }
    }
  }
  HBITMAP mask = ::CreateBitmap(image.width, image.height, 1, 1, mask_bits.data());
  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmColor = colour;
  info.hbmMask = mask;
  HICON icon = mask ? ::CreateIconIndirect(&info) : nullptr;
  ::DeleteObject(colour);
  if (mask) ::DeleteObject(mask);
  return icon;
}

}  // namespace quillet::win32
