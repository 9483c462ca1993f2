// Helpers for tests that check pictures against the reference command-line
// tools (ImageMagick's convert, cjpeg, jpegtran, exiftool, dwebp): a scratch
// folder, commands run through the shell, and 8-bit PPM pictures.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/core/Bitmap.h"

namespace glyphon::testing {

// A fresh folder for the running test, removed with the object.
class ScratchFolder {
 public:
  ScratchFolder() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    m_path = std::filesystem::temp_directory_path() /
             ("glyphon-" + std::string(info->test_suite_name()) + "-" + info->name() + "-" +
              std::to_string(::getpid()));
    std::filesystem::remove_all(m_path);
    std::filesystem::create_directories(m_path);
  }
  ~ScratchFolder() { std::filesystem::remove_all(m_path); }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  [[nodiscard]] std::string path(const std::string& name) const { return (m_path / name).string(); }

 private:
  std::filesystem::path m_path;
};

// Runs command through the shell, its output discarded; true when it exits 0.
inline bool runQuietly(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// What command writes on its standard output.
inline std::vector<uint8_t> outputOf(const std::string& command) {
  std::vector<uint8_t> out;
  FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
  if (!pipe) return out;
  char buffer[65536];
  size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
    out.insert(out.end(), buffer, buffer + n);
  ::pclose(pipe);
  return out;
}

// Parses a binary 8-bit PPM (P6, maximum 255); an empty bitmap when it is not one.
inline Bitmap parsePpm(const std::vector<uint8_t>& bytes) {
  size_t at = 0;
  auto number = [&]() {
    while (at < bytes.size() && (std::isspace(bytes[at]) || bytes[at] == '#')) {
      if (bytes[at] == '#')
        while (at < bytes.size() && bytes[at] != '\n') ++at;
      else
        ++at;
    }
    long v = 0;
    while (at < bytes.size() && std::isdigit(bytes[at])) v = v * 10 + (bytes[at++] - '0');
    return v;
  };
  if (bytes.size() < 2 || bytes[0] != 'P' || bytes[1] != '6') return {};
  at = 2;
  const long w = number(), h = number(), max = number();
  ++at;  // the one white-space byte before the samples
  if (max != 255 || w <= 0 || h <= 0 || bytes.size() < at + size_t(w * h * 3)) return {};
  Bitmap b(static_cast<int32_t>(w), static_cast<int32_t>(h));
  for (int32_t y = 0; y < b.height(); ++y)
    for (int32_t x = 0; x < b.width(); ++x, at += 3)
      b.setPixel(x, y, rgb(bytes[at], bytes[at + 1], bytes[at + 2]));
  return b;
}

inline void writePpm(const std::string& path, const Bitmap& b) {
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << b.width() << ' ' << b.height() << "\n255\n";
  for (int32_t y = 0; y < b.height(); ++y)
    for (int32_t x = 0; x < b.width(); ++x) {
      const Color c = b.pixel(x, y);
      const char rgbBytes[3] = {char(redOf(c)), char(greenOf(c)), char(blueOf(c))};
      out.write(rgbBytes, 3);
    }
}

// The largest difference of one channel between two pictures of one size;
// 256 when the sizes differ.
inline int maxChannelDifference(const Bitmap& a, const Bitmap& b) {
  if (a.width() != b.width() || a.height() != b.height()) return 256;
  int worst = 0;
  for (int32_t y = 0; y < a.height(); ++y)
    for (int32_t x = 0; x < a.width() * 3; ++x)
      worst = std::max(worst, std::abs(int(a.row(y)[x]) - int(b.row(y)[x])));
  return worst;
}

}  // namespace glyphon::testing
