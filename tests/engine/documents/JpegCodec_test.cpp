#include "engine/documents/JpegCodec.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

// jpeglib.h needs FILE and size_t declared before it.
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "engine/core/Error.h"

namespace glyphon {
namespace {

std::string errorOf(const std::vector<uint8_t>& bytes) {
  try {
    (void)decodeJpeg(bytes);
  } catch (const Error& e) {
    return e.what();
  }
  return "(no error)";
}

long peakResidentKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// A smooth picture, the kind JPEG keeps well.
Bitmap gradient(int32_t w, int32_t h) {
  Bitmap b(w, h);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x)
      b.setPixel(x, y,
                 rgb(uint8_t(std::min(255, x * 4)), uint8_t(std::min(255, y * 5)),
                     uint8_t(std::clamp(128 + x - y, 0, 255))));
  return b;
}

// Encodes raw samples with libjpeg directly, for inputs the editor never
// writes (greyscale, CMYK, YCCK).
std::vector<uint8_t> libjpegEncode(int w, int h, int components, J_COLOR_SPACE in,
                                   J_COLOR_SPACE stored, bool adobe,
                                   const std::vector<uint8_t>& samples) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr err{};
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = JDIMENSION(w);
  cinfo.image_height = JDIMENSION(h);
  cinfo.input_components = components;
  cinfo.in_color_space = in;
  jpeg_set_defaults(&cinfo);
  jpeg_set_colorspace(&cinfo, stored);
  cinfo.write_Adobe_marker = adobe ? TRUE : FALSE;
  jpeg_set_quality(&cinfo, 98, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<uint8_t*>(samples.data()) + cinfo.next_scanline * w * components;
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::vector<uint8_t> out(buffer, buffer + size);
  std::free(buffer);
  return out;
}

void expectNear(Color actual, Color expected, int tolerance, const std::string& where) {
  EXPECT_NEAR(redOf(actual), redOf(expected), tolerance) << where;
  EXPECT_NEAR(greenOf(actual), greenOf(expected), tolerance) << where;
  EXPECT_NEAR(blueOf(actual), blueOf(expected), tolerance) << where;
}

TEST(Jpeg, RoundTripWithinTolerance) {
  for (auto [w, h] : {std::pair{64, 48}, std::pair{1, 1}, std::pair{17, 9}}) {
    const Bitmap original = gradient(w, h);
    const Bitmap back = decodeJpeg(encodeJpeg(original));
    ASSERT_EQ(back.width(), w);
    ASSERT_EQ(back.height(), h);
    long total = 0;
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) {
        expectNear(back.pixel(x, y), original.pixel(x, y), 12,
                   std::to_string(x) + "," + std::to_string(y));
        total += std::abs(int(redOf(back.pixel(x, y))) - int(redOf(original.pixel(x, y))));
      }
    EXPECT_LT(double(total) / (w * h), 3.0);
  }
}

// The standard tables of ITU-T T.81 (Annex K), natural order.
constexpr int kLuminance[64] = {16,  11,  10,  16,  24, 40, 51,  61,  12,  12,  14,  19,  26,
                                58,  60,  55,  14,  13, 16, 24,  40,  57,  69,  56,  14,  17,
                                22,  29,  51,  87,  80, 62, 18,  22,  37,  56,  68,  109, 103,
                                77,  24,  35,  55,  64, 81, 104, 113, 92,  49,  64,  78,  87,
                                103, 121, 120, 101, 72, 92, 95,  98,  112, 100, 103, 99};
constexpr int kChrominance[64] = {17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99,
                                  24, 26, 56, 99, 99, 99, 99, 99, 47, 66, 99, 99, 99, 99, 99, 99,
                                  99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
                                  99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};
// Natural position of each zigzag entry, the order DQT stores.
constexpr int kZigzag[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                             12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                             35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                             58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// The table the IJG encoder derives for a quality: percentage 200 - 2q
// above 50, rounded, clamped to 1..255.
std::vector<uint8_t> scaledTable(const int* base, int quality) {
  const int scale = quality < 50 ? 5000 / quality : 200 - quality * 2;
  std::vector<uint8_t> out(64);
  for (int k = 0; k < 64; ++k)
    out[size_t(k)] = uint8_t(std::clamp((base[kZigzag[k]] * scale + 50) / 100, 1, 255));
  return out;
}

struct Segment {
  uint8_t marker;
  std::vector<uint8_t> body;
};

// The marker segments before the first scan.
std::vector<Segment> headerSegments(const std::vector<uint8_t>& jpeg) {
  std::vector<Segment> out;
  EXPECT_EQ(jpeg[0], 0xFF);
  EXPECT_EQ(jpeg[1], 0xD8);
  size_t i = 2;
  while (i + 4 <= jpeg.size()) {
    EXPECT_EQ(jpeg[i], 0xFF);
    const uint8_t marker = jpeg[i + 1];
    const size_t length = size_t(jpeg[i + 2] << 8 | jpeg[i + 3]);
    out.push_back({marker, std::vector<uint8_t>(jpeg.begin() + long(i + 4),
                                                jpeg.begin() + long(i + 2 + length))});
    if (marker == 0xDA) break;
    i += 2 + length;
  }
  return out;
}

TEST(Jpeg, EncoderSettingsInTheWrittenFile) {
  const std::vector<uint8_t> jpeg = encodeJpeg(gradient(40, 24));
  const std::vector<Segment> segments = headerSegments(jpeg);
  ASSERT_FALSE(segments.empty());
  // JFIF APP0 first.
  EXPECT_EQ(segments[0].marker, 0xE0);
  EXPECT_EQ(std::string(segments[0].body.begin(), segments[0].body.begin() + 5),
            std::string("JFIF\0", 5));

  std::vector<std::vector<uint8_t>> tables(4);
  int frames = 0;
  for (const Segment& s : segments) {
    if (s.marker == 0xDB) {
      for (size_t i = 0; i + 65 <= s.body.size(); i += 65) {
        ASSERT_EQ(s.body[i] >> 4, 0) << "8-bit table";
        tables[s.body[i] & 3].assign(s.body.begin() + long(i + 1), s.body.begin() + long(i + 65));
      }
    }
    // Any start-of-frame other than SOF0 (baseline) is wrong.
    if (s.marker >= 0xC1 && s.marker <= 0xCF && s.marker != 0xC4 && s.marker != 0xC8 &&
        s.marker != 0xCC)
      ADD_FAILURE() << "non-baseline frame marker " << int(s.marker);
    if (s.marker == 0xC0) {
      ++frames;
      EXPECT_EQ(s.body[0], 8);                    // precision
      EXPECT_EQ(s.body[1] << 8 | s.body[2], 24);  // height
      EXPECT_EQ(s.body[3] << 8 | s.body[4], 40);  // width
      ASSERT_EQ(s.body[5], 3);                    // YCbCr
      EXPECT_EQ(s.body[6 + 2], 0);                // Y uses table 0
      EXPECT_EQ(s.body[9 + 2], 1);                // Cb and Cr table 1
      EXPECT_EQ(s.body[12 + 2], 1);
    }
  }
  EXPECT_EQ(frames, 1);
  EXPECT_EQ(tables[0], scaledTable(kLuminance, 90));
  EXPECT_EQ(tables[1], scaledTable(kChrominance, 90));
  // A single scan holding all three components: not progressive.
  ASSERT_EQ(segments.back().marker, 0xDA);
  EXPECT_EQ(segments.back().body[0], 3);
}

TEST(Jpeg, GreyscaleBecomesGreyColour) {
  std::vector<uint8_t> grey(16 * 8);
  for (size_t i = 0; i < grey.size(); ++i) grey[i] = uint8_t(i * 2);
  const Bitmap b = decodeJpeg(libjpegEncode(16, 8, 1, JCS_GRAYSCALE, JCS_GRAYSCALE, false, grey));
  ASSERT_EQ(b.width(), 16);
  ASSERT_EQ(b.height(), 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 16; ++x) {
      const Color c = b.pixel(x, y);
      EXPECT_EQ(redOf(c), greenOf(c));
      EXPECT_EQ(redOf(c), blueOf(c));
      EXPECT_NEAR(redOf(c), grey[size_t(y * 16 + x)], 3);
    }
}

// An 8 x 8 block per CMYK value, so that every block is flat.
std::vector<uint8_t> cmykBlocks(const std::vector<std::array<uint8_t, 4>>& blocks) {
  const size_t w = blocks.size() * 8;
  std::vector<uint8_t> out(w * 8 * 4);
  for (size_t y = 0; y < 8; ++y)
    for (size_t x = 0; x < w; ++x)
      std::copy_n(blocks[x / 8].begin(), 4, out.begin() + long((y * w + x) * 4));
  return out;
}

TEST(Jpeg, CmykAndYcck) {
  // Red, a half grey made by black ink alone, and blue, as plain CMYK.
  const std::vector<std::array<uint8_t, 4>> plain = {
      {0, 255, 255, 0}, {0, 0, 0, 128}, {255, 255, 0, 0}};
  // The same inks in Adobe's inverted form (255 means no ink).
  std::vector<std::array<uint8_t, 4>> inverted = plain;
  for (auto& v : inverted)
    for (auto& s : v) s = uint8_t(255 - s);
  const std::vector<Color> expected = {rgb(255, 0, 0), rgb(127, 127, 127), rgb(0, 0, 255)};

  struct Case {
    const char* name;
    J_COLOR_SPACE stored;
    bool adobe;
    const std::vector<std::array<uint8_t, 4>>& samples;
  };
  for (const Case& c : {Case{"CMYK without Adobe marker", JCS_CMYK, false, plain},
                        Case{"inverted CMYK with Adobe marker", JCS_CMYK, true, inverted},
                        Case{"inverted YCCK", JCS_YCCK, true, inverted}}) {
    const Bitmap b =
        decodeJpeg(libjpegEncode(24, 8, 4, JCS_CMYK, c.stored, c.adobe, cmykBlocks(c.samples)));
    ASSERT_EQ(b.width(), 24) << c.name;
    for (size_t i = 0; i < expected.size(); ++i)
      expectNear(b.pixel(int32_t(i * 8 + 3), 4), expected[i], 4, c.name);
  }
}

TEST(Jpeg, DamagedFilesAreRefused) {
  const std::vector<uint8_t> good = encodeJpeg(gradient(64, 64));
  std::vector<uint8_t> cut(good.begin(), good.begin() + long(good.size() * 6 / 10));
  EXPECT_EQ(errorOf(cut), "Premature end of JPEG file");
  cut.resize(20);
  EXPECT_EQ(errorOf(cut), "Premature end of JPEG file");

  // A marker in the middle of the entropy-coded data.
  const std::vector<Segment> segments = headerSegments(good);
  size_t scan = 2;
  for (const Segment& s : segments) scan += 4 + s.body.size();
  const size_t middle = scan + (good.size() - scan) / 2;
  std::vector<uint8_t> corrupt = good;
  corrupt[middle] = 0xFF;
  corrupt[middle + 1] = 0xD3;
  EXPECT_EQ(errorOf(corrupt).rfind("Corrupt JPEG data", 0), 0u) << errorOf(corrupt);

  EXPECT_EQ(errorOf({}), "Empty input file");
  EXPECT_EQ(errorOf({'B', 'M', 1, 2, 3}), "Not a JPEG file: starts with 0x42 0x4d");
}

std::string pictureErrorOf(const std::vector<uint8_t>& bytes) {
  try {
    (void)decodeJpegPicture(bytes);
  } catch (const Error& e) {
    return e.what();
  }
  return "(no error)";
}

TEST(Jpeg, PicturesTheUserChoseAreRefusedInPlainWords) {
  const std::vector<uint8_t> good = encodeJpeg(gradient(64, 64));
  const std::vector<Segment> segments = headerSegments(good);
  size_t scan = 2;
  for (const Segment& s : segments) scan += 4 + s.body.size();
  std::vector<uint8_t> corrupt = good;
  corrupt[scan + (good.size() - scan) / 2] = 0xFF;
  corrupt[scan + (good.size() - scan) / 2 + 1] = 0xD3;
  std::vector<uint8_t> lossless = good;
  for (size_t i = 2; i + 1 < lossless.size(); ++i)
    if (lossless[i] == 0xFF && lossless[i + 1] == 0xC0) {
      lossless[i + 1] = 0xC3;  // the start of frame of a lossless picture
      break;
    }
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    std::string message;
  };
  const Case cases[] = {
      {"PNG bytes",
       {0x89, 'P', 'N', 'G', 13, 10},
       "Not a JPEG picture (it starts with the bytes 89 50)"},
      {"other bytes", {0xE9, 0x97, 0, 0}, "Not a JPEG picture (it starts with the bytes e9 97)"},
      {"empty", {}, "The file is empty"},
      {"cut in the data",
       std::vector<uint8_t>(good.begin(), good.begin() + long(good.size() * 6 / 10)),
       "The JPEG picture is cut short"},
      {"cut in the header", std::vector<uint8_t>(good.begin(), good.begin() + 20),
       "The JPEG picture is cut short"},
      {"marker in the data", corrupt, "The JPEG picture's data is damaged"},
      {"lossless", lossless,
       "This kind of JPEG picture (lossless or hierarchical) is not supported"},
  };
  for (const Case& c : cases) EXPECT_EQ(pictureErrorOf(c.bytes), c.message) << c.name;
  // The same pictures for style pictures and projects keep libjpeg's words.
  EXPECT_EQ(errorOf({0xE9, 0x97, 0, 0}), "Not a JPEG file: starts with 0xe9 0x97");
}

TEST(Jpeg, AnUnreadableProfileIsDroppedNotFatal) {
  const std::vector<uint8_t> good = encodeJpeg(gradient(32, 16));
  // An ICC segment that claims to be piece 2 of 1.
  std::vector<uint8_t> bad = {0xFF, 0xE2, 0,   16,  'I', 'C', 'C', '_', 'P',
                              'R',  'O',  'F', 'I', 'L', 'E', 0,   2,   1};
  bad.insert(bad.begin(), good.begin(), good.begin() + 2);
  bad.insert(bad.end(), good.begin() + 2, good.end());
  EXPECT_EQ(decodeJpeg(bad), decodeJpeg(good));
  const DecodedPicture picture = decodeJpegPicture(bad);
  EXPECT_EQ(picture.pixels, decodeJpeg(good));
  EXPECT_TRUE(picture.iccProfile.empty());
  EXPECT_TRUE(picture.exif.empty());
}

TEST(Jpeg, HugeHeaderRefusedBeforeAllocating) {
  std::vector<uint8_t> jpeg = encodeJpeg(gradient(16, 16));
  ASSERT_LT(jpeg.size(), 3000u);
  bool patched = false;
  for (size_t i = 2; i + 9 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
      jpeg[i + 5] = 20000 >> 8;  // height
      jpeg[i + 6] = 20000 & 0xFF;
      jpeg[i + 7] = 20000 >> 8;  // width
      jpeg[i + 8] = 20000 & 0xFF;
      patched = true;
      break;
    }
  }
  ASSERT_TRUE(patched);
  // A 20000 x 20000 bitmap would take 1.2 GB, zero-filled and so resident.
  const long before = peakResidentKiB();
  EXPECT_EQ(errorOf(jpeg),
            "The picture is too large (20000 x 20000 pixels); the limit is 134 megapixels");
  EXPECT_LT(peakResidentKiB() - before, 64 * 1024);
}

TEST(Jpeg, EmptyPictureIsNotEncoded) {
  EXPECT_THROW((void)encodeJpeg(Bitmap()), Error);
  EXPECT_THROW((void)encodeJpeg(Bitmap(5, 0)), Error);
}

}  // namespace
}  // namespace glyphon
