#include "win32/raster_image.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <string_view>

namespace quillet::win32 {
namespace {

constexpr std::array<std::uint8_t, 8> kPngSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr int kMaxSide = 4096;

std::uint32_t BigEndian32(const std::uint8_t* bytes) {
  return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
         (std::uint32_t{bytes[2]} << 8) | std::uint32_t{bytes[3]};
}

// ---- Inflate (RFC 1951) -----------------------------------------------------

// Reads bits from the least significant end of each byte, as deflate packs them.
class BitReader {
 public:
  explicit BitReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  // -1 when the data has run out.
  int Bits(int count) {
    int value = 0;
    for (int i = 0; i < count; ++i) {
      const int bit = Bit();
      if (bit < 0) return -1;
      value |= bit << i;
    }
    return value;
  }
  int Bit() {
    if (position_ >= bytes_.size() * 8) return -1;
    const int bit = (bytes_[position_ / 8] >> (position_ % 8)) & 1;
    ++position_;
    return bit;
  }
  void AlignToByte() { position_ = (position_ + 7) / 8 * 8; }
  std::size_t BytePosition() const { return position_ / 8; }
  void SkipBytes(std::size_t count) { position_ += count * 8; }
  std::span<const std::uint8_t> Bytes() const { return bytes_; }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t position_ = 0;
};

// A canonical Huffman code: how many codes each length has, and the symbols
// in code order.
struct Huffman {
  std::array<std::uint16_t, 16> count{};
  std::vector<std::uint16_t> symbol;

  // False for an over-subscribed set of lengths.
  bool Build(std::span<const std::uint8_t> lengths) {
    count.fill(0);
    for (const std::uint8_t length : lengths) ++count[length];
    count[0] = 0;
    int left = 1;
    for (int length = 1; length < 16; ++length) {
      left = left * 2 - count[length];
      if (left < 0) return false;
    }
    std::array<std::uint16_t, 16> offset{};
    for (int length = 1; length < 15; ++length) {
      offset[length + 1] = static_cast<std::uint16_t>(offset[length] + count[length]);
    }
    symbol.assign(lengths.size(), 0);
    for (std::size_t s = 0; s < lengths.size(); ++s) {
      if (lengths[s] != 0) symbol[offset[lengths[s]]++] = static_cast<std::uint16_t>(s);
    }
    return true;
  }

  // The next symbol, or -1 for data that runs out or fits no code.
  int Decode(BitReader& in) const {
    int code = 0;
    int first = 0;
    int index = 0;
    for (int length = 1; length < 16; ++length) {
      const int bit = in.Bit();
      if (bit < 0) return -1;
      code |= bit;
      const int number = count[length];
      if (code - number < first) return symbol[static_cast<std::size_t>(index + (code - first))];
      index += number;
      first = (first + number) << 1;
      code <<= 1;
    }
    return -1;
  }
};

constexpr std::array<std::uint16_t, 29> kLengthBase = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                                       15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                                       67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<std::uint8_t, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                       2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<std::uint16_t, 30> kDistanceBase = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<std::uint8_t, 30> kDistanceExtra = {0, 0, 0,  0,  1,  1,  2,  2,  3,  3,
                                                         4, 4, 5,  5,  6,  6,  7,  7,  8,  8,
                                                         9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

bool InflateCodes(BitReader& in, const Huffman& lengths, const Huffman& distances,
                  std::vector<std::uint8_t>& out, std::size_t limit) {
  for (;;) {
    const int symbol = lengths.Decode(in);
    if (symbol < 0) return false;
    if (symbol < 256) {
      if (out.size() >= limit) return false;
      out.push_back(static_cast<std::uint8_t>(symbol));
      continue;
    }
    if (symbol == 256) return true;
    const int length_index = symbol - 257;
    if (length_index >= 29) return false;
    const int length_extra = in.Bits(kLengthExtra[length_index]);
    if (length_extra < 0) return false;
    const std::size_t length = kLengthBase[length_index] + static_cast<std::size_t>(length_extra);
    const int distance_index = distances.Decode(in);
    if (distance_index < 0 || distance_index >= 30) return false;
    const int distance_extra = in.Bits(kDistanceExtra[distance_index]);
    if (distance_extra < 0) return false;
    const std::size_t distance =
        kDistanceBase[distance_index] + static_cast<std::size_t>(distance_extra);
    if (distance > out.size() || out.size() + length > limit) return false;
    // Byte by byte: the copy may overlap what it writes.
    const std::size_t from = out.size() - distance;
    for (std::size_t i = 0; i < length; ++i) out.push_back(out[from + i]);
  }
}

bool InflateStored(BitReader& in, std::vector<std::uint8_t>& out, std::size_t limit) {
  in.AlignToByte();
  const std::size_t at = in.BytePosition();
  const auto bytes = in.Bytes();
  if (at + 4 > bytes.size()) return false;
  const unsigned length = bytes[at] | (bytes[at + 1] << 8);
  const unsigned complement = bytes[at + 2] | (bytes[at + 3] << 8);
  if ((length ^ 0xFFFFu) != complement) return false;
  if (at + 4 + length > bytes.size() || out.size() + length > limit) return false;
  out.insert(out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at + 4),
             bytes.begin() + static_cast<std::ptrdiff_t>(at + 4 + length));
  in.SkipBytes(4 + length);
  return true;
}

bool InflateFixed(BitReader& in, std::vector<std::uint8_t>& out, std::size_t limit) {
  std::array<std::uint8_t, 288> lengths{};
  std::fill(lengths.begin(), lengths.begin() + 144, 8);
  std::fill(lengths.begin() + 144, lengths.begin() + 256, 9);
  std::fill(lengths.begin() + 256, lengths.begin() + 280, 7);
  std::fill(lengths.begin() + 280, lengths.end(), 8);
  std::array<std::uint8_t, 30> distance_lengths{};
  distance_lengths.fill(5);
  Huffman literal_code;
  Huffman distance_code;
  literal_code.Build(lengths);
  distance_code.Build(distance_lengths);
  return InflateCodes(in, literal_code, distance_code, out, limit);
}

bool InflateDynamic(BitReader& in, std::vector<std::uint8_t>& out, std::size_t limit) {
  const int literal_count = in.Bits(5);
  const int distance_count = in.Bits(5);
  const int code_count = in.Bits(4);
  if (literal_count < 0 || distance_count < 0 || code_count < 0) return false;
  const int literals = literal_count + 257;
  const int distances = distance_count + 1;
  if (literals > 286 || distances > 30) return false;

  constexpr std::array<std::uint8_t, 19> kOrder = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                   11, 4,  12, 3, 13, 2, 14, 1, 15};
  std::array<std::uint8_t, 19> code_lengths{};
  for (int i = 0; i < code_count + 4; ++i) {
    const int length = in.Bits(3);
    if (length < 0) return false;
    code_lengths[kOrder[static_cast<std::size_t>(i)]] = static_cast<std::uint8_t>(length);
  }
  Huffman length_code;
  if (!length_code.Build(code_lengths)) return false;

  std::array<std::uint8_t, 316> lengths{};
  int filled = 0;
  while (filled < literals + distances) {
    const int symbol = length_code.Decode(in);
    if (symbol < 0) return false;
    if (symbol < 16) {
      lengths[static_cast<std::size_t>(filled++)] = static_cast<std::uint8_t>(symbol);
      continue;
    }
    std::uint8_t repeated = 0;
    int times = 0;
    if (symbol == 16) {
      if (filled == 0) return false;
      repeated = lengths[static_cast<std::size_t>(filled - 1)];
      times = in.Bits(2);
      if (times < 0) return false;
      times += 3;
    } else if (symbol == 17) {
      times = in.Bits(3);
      if (times < 0) return false;
      times += 3;
    } else {
      times = in.Bits(7);
      if (times < 0) return false;
      times += 11;
    }
    if (filled + times > literals + distances) return false;
    while (times-- > 0) lengths[static_cast<std::size_t>(filled++)] = repeated;
  }
  if (lengths[256] == 0) return false;  // no end-of-block code

  Huffman literal_code;
  Huffman distance_code;
  if (!literal_code.Build(std::span(lengths).first(static_cast<std::size_t>(literals))) ||
      !distance_code.Build(std::span(lengths).subspan(static_cast<std::size_t>(literals),
                                                      static_cast<std::size_t>(distances)))) {
    return false;
  }
  return InflateCodes(in, literal_code, distance_code, out, limit);
}

// Inflates a zlib stream (RFC 1950) of at most `limit` bytes of output.
std::optional<std::vector<std::uint8_t>> Inflate(std::span<const std::uint8_t> zlib,
                                                 std::size_t limit) {
  if (zlib.size() < 6) return std::nullopt;
  const unsigned cmf = zlib[0];
  const unsigned flags = zlib[1];
  if ((cmf & 0x0F) != 8 || (cmf >> 4) > 7 || ((cmf << 8) | flags) % 31 != 0 || (flags & 0x20)) {
    return std::nullopt;
  }
  BitReader in(zlib.subspan(2));
  std::vector<std::uint8_t> out;
  out.reserve(limit);
  for (;;) {
    const int last = in.Bit();
    const int type = in.Bits(2);
    if (last < 0 || type < 0) return std::nullopt;
    bool ok = false;
    switch (type) {
      case 0:
        ok = InflateStored(in, out, limit);
        break;
      case 1:
        ok = InflateFixed(in, out, limit);
        break;
      case 2:
        ok = InflateDynamic(in, out, limit);
        break;
      default:
        break;
    }
    if (!ok) return std::nullopt;
    if (last == 1) break;
  }
  // The Adler-32 sum of the data follows the last block.
  in.AlignToByte();
  const std::size_t at = in.BytePosition() + 2;
  if (at + 4 > zlib.size()) return std::nullopt;
  std::uint32_t a = 1;
  std::uint32_t b = 0;
  for (const std::uint8_t byte : out) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  if (((b << 16) | a) != BigEndian32(zlib.data() + at)) return std::nullopt;
  return out;
}

// ---- PNG --------------------------------------------------------------------

int Paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a);
  const int pb = std::abs(p - b);
  const int pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return a;
  return pb <= pc ? b : c;
}

// Undoes the per-row filters in place; false for an unknown filter.
bool Unfilter(std::vector<std::uint8_t>& data, std::size_t row_bytes, std::size_t rows,
              std::size_t bytes_per_pixel) {
  const std::size_t stride = row_bytes + 1;
  std::uint8_t* previous = nullptr;
  for (std::size_t y = 0; y < rows; ++y) {
    std::uint8_t* row = data.data() + y * stride + 1;
    const std::uint8_t filter = row[-1];
    for (std::size_t x = 0; x < row_bytes; ++x) {
      const int left = x >= bytes_per_pixel ? row[x - bytes_per_pixel] : 0;
      const int up = previous ? previous[x] : 0;
      const int up_left = previous && x >= bytes_per_pixel ? previous[x - bytes_per_pixel] : 0;
      int predicted = 0;
      switch (filter) {
        case 0:
          break;
        case 1:
          predicted = left;
          break;
        case 2:
          predicted = up;
          break;
        case 3:
          predicted = (left + up) / 2;
          break;
        case 4:
          predicted = Paeth(left, up, up_left);
          break;
        default:
          return false;
      }
      row[x] = static_cast<std::uint8_t>(row[x] + predicted);
    }
    previous = row;
  }
  return true;
}

}  // namespace

std::optional<ImageSize> PngSize(std::span<const std::uint8_t> png) {
  if (png.size() < 33 || !std::equal(kPngSignature.begin(), kPngSignature.end(), png.begin()) ||
      std::string_view(reinterpret_cast<const char*>(png.data() + 12), 4) != "IHDR") {
    return std::nullopt;
  }
  const std::uint32_t width = BigEndian32(png.data() + 16);
  const std::uint32_t height = BigEndian32(png.data() + 20);
  if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) return std::nullopt;
  return ImageSize{static_cast<int>(width), static_cast<int>(height)};
}

std::optional<RasterImage> DecodePng(std::span<const std::uint8_t> png) {
  const std::optional<ImageSize> size = PngSize(png);
  if (!size) return std::nullopt;
  const std::uint8_t bit_depth = png[24];
  const std::uint8_t colour_type = png[25];
  const bool interlaced = png[28] != 0;
  if (bit_depth != 8 || interlaced || png[26] != 0 || png[27] != 0) return std::nullopt;
  std::size_t channels = 0;
  switch (colour_type) {
    case 0:
      channels = 1;
      break;
    case 2:
      channels = 3;
      break;
    case 3:
      channels = 1;
      break;
    case 4:
      channels = 2;
      break;
    case 6:
      channels = 4;
      break;
    default:
      return std::nullopt;
  }

  std::vector<std::uint8_t> compressed;
  std::array<std::uint8_t, 4 * 256> palette{};  // RGBA
  for (std::size_t i = 0; i < 256; ++i) palette[i * 4 + 3] = 255;
  std::size_t palette_size = 0;
  std::size_t at = 8;
  bool ended = false;
  while (!ended && at + 12 <= png.size()) {
    const std::size_t length = BigEndian32(png.data() + at);
    const std::string_view type(reinterpret_cast<const char*>(png.data() + at + 4), 4);
    if (length > png.size() - at - 12) return std::nullopt;
    const auto data = png.subspan(at + 8, length);
    if (type == "IDAT") {
      compressed.insert(compressed.end(), data.begin(), data.end());
    } else if (type == "PLTE") {
      if (length % 3 != 0 || length / 3 > 256) return std::nullopt;
      palette_size = length / 3;
      for (std::size_t i = 0; i < palette_size; ++i) {
        std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(i * 3), 3, &palette[i * 4]);
      }
    } else if (type == "tRNS" && colour_type == 3) {
      for (std::size_t i = 0; i < std::min<std::size_t>(length, 256); ++i) {
        palette[i * 4 + 3] = data[i];
      }
    } else if (type == "IEND") {
      ended = true;
    }
    at += length + 12;
  }
  if (!ended || compressed.empty() || (colour_type == 3 && palette_size == 0)) return std::nullopt;

  const auto width = static_cast<std::size_t>(size->width);
  const auto height = static_cast<std::size_t>(size->height);
  const std::size_t row_bytes = width * channels;
  std::optional<std::vector<std::uint8_t>> data = Inflate(compressed, (row_bytes + 1) * height);
  if (!data || data->size() != (row_bytes + 1) * height) return std::nullopt;
  if (!Unfilter(*data, row_bytes, height, channels)) return std::nullopt;

  RasterImage image;
  image.width = size->width;
  image.height = size->height;
  image.rgba.resize(width * height * 4);
  for (std::size_t y = 0; y < height; ++y) {
    const std::uint8_t* in = data->data() + y * (row_bytes + 1) + 1;
    std::uint8_t* out = image.rgba.data() + y * width * 4;
    for (std::size_t x = 0; x < width; ++x, in += channels, out += 4) {
      switch (colour_type) {
        case 0:
          out[0] = out[1] = out[2] = in[0];
          out[3] = 255;
          break;
        case 2:
          std::copy_n(in, 3, out);
          out[3] = 255;
          break;
        case 3:
          if (in[0] >= palette_size) return std::nullopt;
          std::copy_n(&palette[in[0] * 4u], 4, out);
          break;
        case 4:
          out[0] = out[1] = out[2] = in[0];
          out[3] = in[1];
          break;
        default:
          std::copy_n(in, 4, out);
          break;
      }
    }
  }
  return image;
}

RasterImage Premultiplied(RasterImage image) {
  if (image.premultiplied) return image;
  for (std::size_t i = 0; i + 3 < image.rgba.size(); i += 4) {
    const unsigned alpha = image.rgba[i + 3];
    for (std::size_t c = 0; c < 3; ++c) {
      image.rgba[i + c] = static_cast<std::uint8_t>((image.rgba[i + c] * alpha + 127) / 255);
    }
  }
  image.premultiplied = true;
  return image;
}

RasterImage Unpremultiplied(RasterImage image) {
  if (!image.premultiplied) return image;
  for (std::size_t i = 0; i + 3 < image.rgba.size(); i += 4) {
    const unsigned alpha = image.rgba[i + 3];
    for (std::size_t c = 0; c < 3; ++c) {
      image.rgba[i + c] = alpha == 0 ? 0
                                     : static_cast<std::uint8_t>(std::min<unsigned>(
                                           255, (image.rgba[i + c] * 255u + alpha / 2) / alpha));
    }
  }
  image.premultiplied = false;
  return image;
}

RasterImage Resampled(const RasterImage& source_image, int width, int height) {
  RasterImage result;
  result.premultiplied = true;
  if (width < 1 || height < 1 || source_image.width < 1 || source_image.height < 1) return result;
  const RasterImage source = Premultiplied(source_image);
  if (width == source.width && height == source.height) return source;

  // For each output column (or row), the source span it covers and the share
  // of each source pixel in it.
  struct Tap {
    int index;
    float weight;
  };
  auto taps_for = [](int source_size, int target_size) {
    std::vector<std::vector<Tap>> taps(static_cast<std::size_t>(target_size));
    const double scale = static_cast<double>(source_size) / target_size;
    for (int t = 0; t < target_size; ++t) {
      const double from = t * scale;
      const double to = (t + 1) * scale;
      double total = 0;
      for (int s = static_cast<int>(std::floor(from)); s < source_size && s < to; ++s) {
        const double covered = std::min<double>(to, s + 1) - std::max<double>(from, s);
        if (covered <= 0) continue;
        taps[static_cast<std::size_t>(t)].push_back({s, static_cast<float>(covered)});
        total += covered;
      }
      for (Tap& tap : taps[static_cast<std::size_t>(t)]) tap.weight /= static_cast<float>(total);
    }
    return taps;
  };
  const auto columns = taps_for(source.width, width);
  const auto rows = taps_for(source.height, height);

  // Across first, into floats, then down.
  const auto source_width = static_cast<std::size_t>(source.width);
  std::vector<float> across(static_cast<std::size_t>(width) * source.height * 4);
  for (std::size_t y = 0; y < static_cast<std::size_t>(source.height); ++y) {
    for (std::size_t x = 0; x < static_cast<std::size_t>(width); ++x) {
      float* out = &across[(y * static_cast<std::size_t>(width) + x) * 4];
      for (const Tap& tap : columns[x]) {
        const std::uint8_t* in =
            &source.rgba[(y * source_width + static_cast<std::size_t>(tap.index)) * 4];
        for (int c = 0; c < 4; ++c) out[c] += in[c] * tap.weight;
      }
    }
  }
  result.width = width;
  result.height = height;
  result.rgba.resize(static_cast<std::size_t>(width) * height * 4);
  for (std::size_t y = 0; y < static_cast<std::size_t>(height); ++y) {
    for (std::size_t x = 0; x < static_cast<std::size_t>(width); ++x) {
      float sum[4] = {0, 0, 0, 0};
      for (const Tap& tap : rows[y]) {
        const float* in =
            &across[(static_cast<std::size_t>(tap.index) * static_cast<std::size_t>(width) + x) *
                    4];
        for (int c = 0; c < 4; ++c) sum[c] += in[c] * tap.weight;
      }
      std::uint8_t* out = &result.rgba[(y * static_cast<std::size_t>(width) + x) * 4];
      for (int c = 0; c < 4; ++c) {
        out[c] = static_cast<std::uint8_t>(std::clamp(std::lround(sum[c]), 0L, 255L));
      }
    }
  }
  return result;
}

}  // namespace quillet::win32
