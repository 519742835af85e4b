// Writes an RGB picture as a PNG file without any library: the rows go into
// stored (uncompressed) deflate blocks, which every PNG reader takes. For the
// screenshots only; the pictures are a few hundred kilobytes.
#pragma once

#include <array>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace quillet::win32::testing {

class PngWriter {
 public:
  // rgb: width * height pixels, three bytes each, rows from the top.
  static bool Write(const std::string& path, int width, int height,
                    const std::vector<std::uint8_t>& rgb) {
    std::vector<std::uint8_t> raw;
    raw.reserve(static_cast<std::size_t>(height) * (static_cast<std::size_t>(width) * 3 + 1));
    for (int y = 0; y < height; ++y) {
      raw.push_back(0);  // no filter
      const auto* row = &rgb[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) * 3];
      raw.insert(raw.end(), row, row + static_cast<std::size_t>(width) * 3);
    }
    std::vector<std::uint8_t> zlib = {0x78, 0x01};
    for (std::size_t at = 0; at < raw.size() || at == 0;) {
      const std::size_t length = std::min<std::size_t>(raw.size() - at, 65535);
      const bool last = at + length == raw.size();
      zlib.push_back(last ? 1 : 0);
      zlib.push_back(static_cast<std::uint8_t>(length));
      zlib.push_back(static_cast<std::uint8_t>(length >> 8));
      zlib.push_back(static_cast<std::uint8_t>(~length));
      zlib.push_back(static_cast<std::uint8_t>(~length >> 8));
      zlib.insert(zlib.end(), raw.begin() + static_cast<std::ptrdiff_t>(at),
                  raw.begin() + static_cast<std::ptrdiff_t>(at + length));
      at += length;
      if (last) break;
    }
    std::uint32_t a = 1;
    std::uint32_t b = 0;
    for (const std::uint8_t byte : raw) {
      a = (a + byte) % 65521;
      b = (b + a) % 65521;
    }
    Append32(zlib, (b << 16) | a);

    std::vector<std::uint8_t> header;
    Append32(header, static_cast<std::uint32_t>(width));
    Append32(header, static_cast<std::uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB, not interlaced

    std::vector<std::uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Chunk(file, "IHDR", header);
    Chunk(file, "IDAT", zlib);
    Chunk(file, "IEND", {});
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.data()),
              static_cast<std::streamsize>(file.size()));
    return static_cast<bool>(out);
  }

 private:
  static void Append32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
      out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
  }

  static std::uint32_t Crc(const std::vector<std::uint8_t>& bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const std::uint8_t byte : bytes) {
      crc ^= byte;
      for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
  }

  static void Chunk(std::vector<std::uint8_t>& file, const char* type,
                    const std::vector<std::uint8_t>& data) {
    Append32(file, static_cast<std::uint32_t>(data.size()));
    std::vector<std::uint8_t> typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    file.insert(file.end(), typed.begin(), typed.end());
    Append32(file, Crc(typed));
  }
};

}  // namespace quillet::win32::testing
