// Builds BMP byte images by hand for the codec tests.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/core/Geometry.h"

namespace glyphon::test {

inline void put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}
inline void put32(std::vector<uint8_t>& out, uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}
inline void set32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = uint8_t(v >> (8 * i));
}

// The fields of one BMP file; bytes() lays them out. Sizes and offsets are
// computed unless given.
struct BmpImage {
  char signature[2] = {'B', 'M'};
  uint32_t headerSize = 40;
  int32_t width = 1;
  int32_t height = 1;
  uint16_t planes = 1;
  uint16_t bitCount = 24;
  uint32_t compression = 0;
  uint32_t sizeImage = 0;
  uint32_t clrUsed = 0;
  // Red, green, blue (and alpha): inside headers of 52 bytes and more, after
  // a 40-byte header otherwise (all of them, whatever the compression).
  std::vector<uint32_t> masks;
  std::vector<Color> palette;  // 4-byte entries, 3-byte ones after a core header
  size_t gap = 0;              // zero bytes between the colour table and the pixels
  std::vector<uint8_t> pixels;
  std::optional<uint32_t> offBits;
  std::optional<uint32_t> fileSize;

  [[nodiscard]] std::vector<uint8_t> bytes() const {
    std::vector<uint8_t> out{uint8_t(signature[0]), uint8_t(signature[1])};
    put32(out, 0);  // file size, patched below
    put32(out, 0);
    put32(out, 0);  // pixel offset, patched below
    const size_t headerAt = out.size();
    put32(out, headerSize);
    if (headerSize == 12) {
      put16(out, uint32_t(width));
      put16(out, uint32_t(height));
      put16(out, planes);
      put16(out, bitCount);
    } else {
      put32(out, uint32_t(width));
      put32(out, uint32_t(height));
      put16(out, planes);
      put16(out, bitCount);
      put32(out, compression);
      put32(out, sizeImage);
      put32(out, 2835);
      put32(out, 2835);
      put32(out, clrUsed);
      put32(out, 0);
      for (size_t i = 0; headerSize >= 52 && i < 4; ++i) {
        if (i == 3 && headerSize < 56) break;
        put32(out, i < masks.size() ? masks[i] : 0);
      }
      out.resize(headerAt + headerSize, 0);
      if (headerSize == 40)
        for (uint32_t m : masks) put32(out, m);
    }
    for (Color c : palette) {
      out.push_back(blueOf(c));
      out.push_back(greenOf(c));
      out.push_back(redOf(c));
      if (headerSize != 12) out.push_back(0);
    }
    out.resize(out.size() + gap, 0);
    set32(out, 10, offBits.value_or(uint32_t(out.size())));
    out.insert(out.end(), pixels.begin(), pixels.end());
    set32(out, 2, fileSize.value_or(uint32_t(out.size())));
    return out;
  }
};

// Stored rows, each padded with zeros to a multiple of 4 bytes.
inline std::vector<uint8_t> paddedRows(const std::vector<std::vector<uint8_t>>& rows) {
  std::vector<uint8_t> out;
  for (const auto& r : rows) {
    out.insert(out.end(), r.begin(), r.end());
    out.resize((out.size() + 3) / 4 * 4, 0);
  }
  return out;
}

}  // namespace glyphon::test
