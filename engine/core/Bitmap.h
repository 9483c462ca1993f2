// The picture type of the editor: 24-bit pixels, bytes blue, green, red,
// rows top-down with no padding, and the few drawing operations the editor
// needs (rectangle copy, nearest-pixel stretch, filled and framed rectangles).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/core/Geometry.h"
#include "engine/core/PixelAllocator.h"

namespace glyphon {

class Bitmap {
 public:
  static constexpr int kBytesPerPixel = 3;
  // Largest picture any reader or operation will make: 2^27 pixels (about
  // 134 megapixels, 384 MiB), at most 65535 pixels on a side. Larger sizes
  // are refused with an Error before anything is allocated.
  static constexpr int64_t kMaxPixels = int64_t(1) << 27;
  static constexpr int32_t kMaxSide = 65535;
  // Largest picture the file decoders accept. Fuzzing builds decode smaller
  // pictures so that a run is not spent filling huge bitmaps; the logic is
  // the same.
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
  static constexpr int64_t kDecodeMaxPixels = int64_t(1) << 18;
#else
  static constexpr int64_t kDecodeMaxPixels = kMaxPixels;
#endif

  Bitmap() = default;
  // A black picture of the given size. Throws Error when the size is
  // negative or beyond the limits above.
  Bitmap(int32_t width, int32_t height);

  // A picture of the given size whose pixels are whatever the memory held:
  // for readers and operations that write every byte before it is read.
  // Same limits as the constructor above.
  [[nodiscard]] static Bitmap uninitialized(int32_t width, int32_t height);

  // Gives the picture a new size; every pixel becomes black.
  void resize(int32_t width, int32_t height);

  [[nodiscard]] int32_t width() const { return m_width; }
  [[nodiscard]] int32_t height() const { return m_height; }
  [[nodiscard]] bool isEmpty() const { return m_width == 0 || m_height == 0; }
  [[nodiscard]] Rect bounds() const { return {0, 0, m_width, m_height}; }
  // Bytes from one row to the next: width * 3, rows are not padded.
  [[nodiscard]] size_t stride() const { return size_t(m_width) * kBytesPerPixel; }

  [[nodiscard]] uint8_t* data() { return m_pixels.data(); }
  [[nodiscard]] const uint8_t* data() const { return m_pixels.data(); }
  // Row y, 0 at the top. Precondition: 0 <= y < height().
  [[nodiscard]] uint8_t* row(int32_t y) { return m_pixels.data() + size_t(y) * stride(); }
  [[nodiscard]] const uint8_t* row(int32_t y) const {
    return m_pixels.data() + size_t(y) * stride();
  }

  // The pixel at (x, y) as a colour 0x00BBGGRR. Precondition: inside.
  [[nodiscard]] Color pixel(int32_t x, int32_t y) const;
  void setPixel(int32_t x, int32_t y, Color c);

  friend bool operator==(const Bitmap&, const Bitmap&) = default;

  // Throws Error with a clear message when width x height is not a size a
  // bitmap may have.
  static void checkSize(int64_t width, int64_t height);

 private:
  void allocate(int32_t width, int32_t height);

  int32_t m_width = 0;
  int32_t m_height = 0;
  std::vector<uint8_t, PixelAllocator<uint8_t>> m_pixels;
};

// Copies the w x h block of src whose top-left is (sx, sy) to (dx, dy) in
// dst. Pixels whose source or destination lies outside its bitmap are left
// out. src and dst may be the same bitmap.
void bitBlt(Bitmap& dst, int32_t dx, int32_t dy, int32_t w, int32_t h, const Bitmap& src,
            int32_t sx, int32_t sy);

// Stretches the sw x sh block of src at (sx, sy) onto the dw x dh block of
// dst at (dx, dy) by nearest pixel, without smoothing: destination pixel
// (dx + i, dy + j) takes source pixel (sx + i * sw / dw, sy + j * sh / dh),
// integer division truncating. Destination pixels outside dst and samples
// outside src are left out; non-positive sizes draw nothing. src and dst
// must be different bitmaps.
void stretchBlt(Bitmap& dst, int32_t dx, int32_t dy, int32_t dw, int32_t dh, const Bitmap& src,
                int32_t sx, int32_t sy, int32_t sw, int32_t sh);

// Fills the rectangle (right and bottom excluded), clipped to the bitmap.
void fillRect(Bitmap& dst, const Rect& r, Color c);

// Fills the rectangle with brush and frames it inside its edges with a pen of
// penWidth pixels (right and bottom excluded), clipped to the bitmap.
void drawRectangle(Bitmap& dst, const Rect& r, Color brush, Color pen, int32_t penWidth);

}  // namespace glyphon
