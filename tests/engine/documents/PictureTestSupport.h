// Test help for the picture decoders: a scratch folder, the reference tools
// that make and decode pictures, and a reader for the Netpbm files those
// tools write.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/core/FileIO.h"
#include "engine/documents/DecodedPicture.h"

namespace glyphon::testing {

// A picture as a reference decoder writes it: depth samples per pixel (1
// grey, 2 grey and alpha, 3 RGB, 4 RGB and alpha), 8 bits each.
struct NetpbmPicture {
  int width = 0;
  int height = 0;
  int depth = 0;
  std::vector<uint8_t> samples;
};

// Reads P4, P5, P6 and P7 (PAM) files of maxval 255 or 65535 (rounded to 8 bits
// as pnmdepth does). Fails the test on anything else.
inline NetpbmPicture readNetpbm(const std::string& path) {
  const std::vector<uint8_t> bytes = readWholeFile(path);
  const std::string text(bytes.begin(), bytes.end());
  std::istringstream in(text);
  std::string magic;
  in >> magic;
  NetpbmPicture p;
  int maxval = 0;
  if (magic == "P7") {
    std::string key;
    while (in >> key && key != "ENDHDR") {
      if (key == "WIDTH") in >> p.width;
      else if (key == "HEIGHT") in >> p.height;
      else if (key == "DEPTH") in >> p.depth;
      else if (key == "MAXVAL") in >> maxval;
      else std::getline(in, key);
    }
  } else if (magic == "P5" || magic == "P6") {
    p.depth = magic == "P5" ? 1 : 3;
    in >> p.width >> p.height >> maxval;
  } else if (magic == "P4") {
    // Bits, 1 black, rows padded to whole bytes.
    in >> p.width >> p.height;
    in.get();
    const size_t start = size_t(in.tellg());
    const size_t rowBytes = (size_t(p.width) + 7) / 8;
    if (bytes.size() < start + rowBytes * size_t(p.height)) {
      ADD_FAILURE() << path << " is cut short";
      return p;
    }
    p.depth = 1;
    for (int y = 0; y < p.height; ++y)
      for (int x = 0; x < p.width; ++x) {
        const uint8_t byte = bytes[start + size_t(y) * rowBytes + size_t(x) / 8];
        p.samples.push_back((byte >> (7 - x % 8)) & 1 ? 0 : 255);
      }
    return p;
  } else {
    ADD_FAILURE() << path << " is not a Netpbm file: " << magic;
    return p;
  }
  in.get();  // the one white-space byte before the samples
  const size_t count = size_t(p.width) * size_t(p.height) * size_t(p.depth);
  const size_t start = size_t(in.tellg());
  const size_t bytesPerSample = maxval > 255 ? 2 : 1;
  if (bytes.size() < start + count * bytesPerSample) {
    ADD_FAILURE() << path << " is cut short";
    return p;
  }
  p.samples.resize(count);
  for (size_t i = 0; i < count; ++i) {
    unsigned v = bytes[start + i * bytesPerSample];
    if (bytesPerSample == 2) v = (v << 8) | bytes[start + i * 2 + 1];
    p.samples[i] = uint8_t((v * 255 + maxval / 2) / maxval);
  }
  return p;
}

// Expects picture (colour and alpha) to equal the reference pixel for pixel,
// within tolerance per sample. A reference without alpha requires an opaque
// picture (no alpha at all).
inline void expectSamePicture(const DecodedPicture& picture, const NetpbmPicture& reference,
                              int tolerance = 0) {
  ASSERT_EQ(picture.pixels.width(), reference.width);
  ASSERT_EQ(picture.pixels.height(), reference.height);
  const bool refAlpha = reference.depth == 2 || reference.depth == 4;
  bool refOpaque = true;
  int mismatches = 0;
  for (int y = 0; y < reference.height; ++y)
    for (int x = 0; x < reference.width; ++x) {
      const uint8_t* s =
          reference.samples.data() + (size_t(y) * reference.width + x) * size_t(reference.depth);
      const bool grey = reference.depth <= 2;
      const int r = s[0], g = grey ? s[0] : s[1], b = grey ? s[0] : s[2];
      const int a = refAlpha ? s[reference.depth - 1] : 255;
      refOpaque = refOpaque && a == 255;
      const uint8_t* p = picture.pixels.row(y) + x * 3;
      const int alpha = picture.alpha.empty() ? 255 : picture.alpha[size_t(y) * reference.width + x];
      // The colour of a fully transparent pixel is never seen.
      const bool colourCounts = a != 0;
      if (std::abs(alpha - a) > tolerance ||
          (colourCounts && (std::abs(p[2] - r) > tolerance || std::abs(p[1] - g) > tolerance ||
                            std::abs(p[0] - b) > tolerance))) {
        if (++mismatches <= 5)
          ADD_FAILURE() << "pixel (" << x << ", " << y << "): decoded " << int(p[2]) << " "
                        << int(p[1]) << " " << int(p[0]) << " alpha " << alpha << ", reference "
                        << r << " " << g << " " << b << " alpha " << a;
      }
    }
  EXPECT_EQ(mismatches, 0);
  if (refOpaque) {
    EXPECT_TRUE(picture.alpha.empty()) << "an opaque picture keeps no alpha";
  }
}

// A scratch folder removed with the fixture, and the tools that fill it.
class ReferencePictureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_dir = std::filesystem::temp_directory_path() /
            ("glyphon-pictures-" + std::to_string(::getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(m_dir);
  }
  void TearDown() override { std::filesystem::remove_all(m_dir); }

  [[nodiscard]] std::string path(const std::string& name) const { return (m_dir / name).string(); }

  // Skips the test when tool is not installed (tools/setup.sh installs it).
  static bool haveTool(const char* tool) { return std::filesystem::exists(tool); }

  // Runs command with the shell; the test fails when it does not succeed.
  static void run(const std::string& command) {
    ASSERT_EQ(std::system(("{ " + command + "; } >/dev/null 2>&1").c_str()), 0) << command;
  }

  std::filesystem::path m_dir;
};

#define GLYPHON_REQUIRE_TOOL(tool)                                       \
  if (haveTool(tool)) {                                                  \
  } else                                                                 \
    GTEST_SKIP() << tool << " is not installed (see tools/setup.sh)"

}  // namespace glyphon::testing
