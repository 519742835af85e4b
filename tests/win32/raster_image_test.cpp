// The PNG reader, the resampling and the pictures the build puts into the
// program: every picture at every scale decodes, at the size its scale gives.
#include <gtest/gtest.h>

#include <cmath>
#include <span>
#include <string>
#include <vector>

#include "png_samples.h"
#include "win32/pictures.h"
#include "win32/raster_image.h"
#include "win32/resource_ids.h"
#include "wizard/form.h"

namespace quillet::win32::testing {
namespace {

namespace samples = png_samples;

// The pixels the sample files were written from.
int R(int x, int y) { return (x * 37 + y * 11) & 255; }
int G(int x, int y) { return (x * 5 + y * 71) & 255; }
int B(int x, int y) { return ((x * 13) ^ (y * 29)) & 255; }
int A(int x, int y) { return (x * y * 7 + 40) & 255; }

struct Pixel {
  int r, g, b, a;
};
Pixel At(const RasterImage& image, int x, int y) {
  const std::uint8_t* p = &image.rgba[static_cast<std::size_t>((y * image.width + x) * 4)];
  return {p[0], p[1], p[2], p[3]};
}

struct Sample {
  const char* name;
  std::span<const std::uint8_t> png;
  int width;
  int height;
  Pixel (*expected)(int x, int y);
};

TEST(PngTest, DecodesEveryColourTypeFilterAndBlockKind) {
  const Sample samples_table[] = {
      {"RGBA, all five filters, fixed codes", samples::kRgbaAllFilters, 7, 5,
       [](int x, int y) {
         return Pixel{R(x, y), G(x, y), B(x, y), A(x, y)};
       }},
      {"RGBA, dynamic codes", samples::kRgbaDynamic, 48, 40,
       [](int x, int y) {
         return Pixel{R(x, y), G(x, y), B(x, y), A(x, y)};
       }},
      {"RGB, stored blocks", samples::kRgbStored, 5, 4,
       [](int x, int y) {
         return Pixel{R(x, y), G(x, y), B(x, y), 255};
       }},
      {"grey", samples::kGrey, 6, 3,
       [](int x, int y) {
         return Pixel{R(x, y), R(x, y), R(x, y), 255};
       }},
      {"grey with alpha", samples::kGreyAlpha, 6, 3,
       [](int x, int y) {
         return Pixel{R(x, y), R(x, y), R(x, y), A(x, y)};
       }},
      {"palette with transparency", samples::kPalette, 4, 4,
       [](int x, int y) {
         constexpr Pixel kPalette[] = {
             {255, 0, 0, 255}, {0, 255, 0, 128}, {0, 0, 255, 0}, {10, 20, 30, 255}};
         return kPalette[(x + y) % 4];
       }},
  };
  for (const Sample& sample : samples_table) {
    SCOPED_TRACE(sample.name);
    const auto size = PngSize(sample.png);
    ASSERT_TRUE(size.has_value());
    EXPECT_EQ(size->width, sample.width);
    EXPECT_EQ(size->height, sample.height);
    const std::optional<RasterImage> image = DecodePng(sample.png);
    ASSERT_TRUE(image.has_value());
    ASSERT_EQ(image->width, sample.width);
    ASSERT_EQ(image->height, sample.height);
    EXPECT_FALSE(image->premultiplied);
    for (int y = 0; y < sample.height; ++y) {
      for (int x = 0; x < sample.width; ++x) {
        const Pixel actual = At(*image, x, y);
        const Pixel expected = sample.expected(x, y);
        ASSERT_TRUE(actual.r == expected.r && actual.g == expected.g && actual.b == expected.b &&
                    actual.a == expected.a)
            << "pixel " << x << "," << y;
      }
    }
  }
}

TEST(PngTest, RefusesDamagedOrUnsupportedFiles) {
  const std::vector<std::uint8_t> good(std::begin(samples::kRgbaAllFilters),
                                       std::end(samples::kRgbaAllFilters));
  // Offsets: IHDR data at 16 (width, height, depth 24, colour 25, ..., interlace 28);
  // the IDAT chunk follows at 33.
  struct Damage {
    const char* what;
    std::vector<std::uint8_t> bytes;
  };
  auto changed = [&good](std::size_t at, std::uint8_t value) {
    std::vector<std::uint8_t> bytes = good;
    bytes[at] = value;
    return bytes;
  };
  std::vector<Damage> damages = {
      {"empty", {}},
      {"not a PNG", changed(1, 'X')},
      {"cut short", std::vector<std::uint8_t>(good.begin(), good.begin() + 60)},
      {"16 bits per sample", changed(24, 16)},
      {"interlaced", changed(28, 1)},
      {"unknown colour type", changed(25, 5)},
      {"zero width", changed(19, 0)},
      {"wider than 4096", changed(17, 0x20)},
      {"damaged checksum of the data", changed(good.size() - 12 - 5, good[good.size() - 17] ^ 1)},
      {"no IEND", std::vector<std::uint8_t>(good.begin(), good.end() - 12)},
  };
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.what);
    EXPECT_FALSE(DecodePng(damage.bytes).has_value());
  }
}

TEST(PngTest, PremultiplyingAndBackAreInverseForOpaqueAndClear) {
  RasterImage image;
  image.width = 3;
  image.height = 1;
  image.rgba = {200, 100, 50, 255, 200, 100, 50, 0, 200, 100, 50, 128};
  const RasterImage premultiplied = Premultiplied(image);
  EXPECT_TRUE(premultiplied.premultiplied);
  EXPECT_EQ(At(premultiplied, 0, 0).r, 200);  // opaque: unchanged
  EXPECT_EQ(At(premultiplied, 1, 0).r, 0);    // clear: no colour left
  EXPECT_EQ(At(premultiplied, 2, 0).r, 100);  // half: half
  EXPECT_EQ(At(premultiplied, 2, 0).g, 50);
  // Twice does not multiply twice.
  EXPECT_EQ(Premultiplied(premultiplied).rgba, premultiplied.rgba);
  const RasterImage straight = Unpremultiplied(premultiplied);
  EXPECT_EQ(At(straight, 0, 0).r, 200);
  EXPECT_NEAR(At(straight, 2, 0).r, 200, 2);
}

TEST(ResampleTest, AveragesTheCoveredAreaWithoutDarkFringes) {
  // Two pixels, opaque white and clear black: halving gives half-transparent
  // white, not grey.
  RasterImage image;
  image.width = 2;
  image.height = 1;
  image.rgba = {255, 255, 255, 255, 0, 0, 0, 0};
  const RasterImage half = Resampled(image, 1, 1);
  ASSERT_EQ(half.rgba.size(), 4u);
  EXPECT_TRUE(half.premultiplied);
  EXPECT_EQ(At(half, 0, 0).a, 128);
  EXPECT_EQ(Unpremultiplied(half).rgba[0], 255);

  // The same size gives the same pixels; 3 to 2 weighs the middle pixel in both.
  image.width = 3;
  image.rgba = {30, 0, 0, 255, 60, 0, 0, 255, 90, 0, 0, 255};
  EXPECT_EQ(Resampled(image, 3, 1).rgba, Premultiplied(image).rgba);
  const RasterImage two = Resampled(image, 2, 1);
  EXPECT_EQ(At(two, 0, 0).r, 40);  // (30 + 60 / 2) / 1.5
  EXPECT_EQ(At(two, 1, 0).r, 80);
  EXPECT_EQ(At(two, 0, 0).a, 255);

  // Enlarging repeats pixels; nothing comes from outside the image.
  const RasterImage wide = Resampled(image, 6, 2);
  EXPECT_EQ(wide.width, 6);
  EXPECT_EQ(At(wide, 0, 1).r, 30);
  EXPECT_EQ(At(wide, 5, 0).r, 90);
  EXPECT_TRUE(Resampled(image, 0, 3).rgba.empty());
}

// Every picture of the form and both row images, at every scale the build
// made: present, decodable, and as large as its scale says.
TEST(PictureResourceTest, EveryPictureIsThereAtEveryScale) {
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  std::vector<int> numbers = {QUILLET_CHECK_PICTURE, QUILLET_CROSS_PICTURE};
  for (const ControlSpec& spec : FormControls()) {
    if (spec.kind == ControlKind::kPicture) numbers.push_back(spec.picture);
  }
  for (const int number : numbers) {
    SCOPED_TRACE("picture " + std::to_string(number));
    const auto natural = PictureNaturalSize(instance, number);
    ASSERT_TRUE(natural.has_value());
    for (int scale = 0; scale < 3; ++scale) {
      HRSRC found = ::FindResourceW(instance, MAKEINTRESOURCEW(QUILLET_PICTURE_ID(number, scale)),
                                    MAKEINTRESOURCEW(10));
      ASSERT_NE(found, nullptr) << "scale " << scale;
      const auto* bytes =
          static_cast<const std::uint8_t*>(::LockResource(::LoadResource(instance, found)));
      const std::span<const std::uint8_t> png(bytes, ::SizeofResource(instance, found));
      const std::optional<RasterImage> image = DecodePng(png);
      ASSERT_TRUE(image.has_value()) << "scale " << scale;
      const double factor = kPictureScales[scale] / 100.0;
      EXPECT_NEAR(image->width, natural->width * factor, 1.0);
      EXPECT_NEAR(image->height, natural->height * factor, 1.0);
    }
  }
}

TEST(PictureResourceTest, NaturalSizeIsTheFormsRectangleAt96Dpi) {
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  for (const ControlSpec& spec : FormControls()) {
    if (spec.kind != ControlKind::kPicture || spec.stretched) continue;
    SCOPED_TRACE(std::string(spec.name));
    const auto natural = PictureNaturalSize(instance, spec.picture);
    ASSERT_TRUE(natural.has_value());
    EXPECT_EQ(natural->width, spec.rect.width / 15);
    EXPECT_EQ(natural->height, spec.rect.height / 15);
  }
  EXPECT_EQ(PictureNaturalSize(instance, QUILLET_CHECK_PICTURE)->width, kRowImageSize);
}

TEST(PictureResourceTest, LoadsAtExactlyTheSizeAsked) {
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  for (const auto& [width, height] : {std::pair{16, 16}, {20, 20}, {24, 24}, {32, 32}, {40, 40}}) {
    const auto image = LoadPicture(instance, QUILLET_CHECK_PICTURE, width, height);
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->width, width);
    EXPECT_EQ(image->height, height);
    EXPECT_TRUE(image->premultiplied);
    // Some of it is drawn, some of it clear.
    int opaque = 0;
    int clear = 0;
    for (std::size_t i = 3; i < image->rgba.size(); i += 4) {
      opaque += image->rgba[i] == 255;
      clear += image->rgba[i] == 0;
    }
    EXPECT_GT(opaque, 0);
    EXPECT_GT(clear, 0);
  }
  EXPECT_FALSE(LoadPicture(instance, 3, 10, 10).has_value());  // there is no Image3
  HBITMAP bitmap = CreatePremultipliedBitmap(*LoadPicture(instance, 2, 37, 31));
  ASSERT_NE(bitmap, nullptr);
  BITMAP description{};
  ::GetObjectW(bitmap, sizeof(description), &description);
  EXPECT_EQ(description.bmWidth, 37);
  EXPECT_EQ(description.bmHeight, 31);
  EXPECT_EQ(description.bmBitsPixel, 32);
  ::DeleteObject(bitmap);
}

}  // namespace
}  // namespace quillet::win32::testing
