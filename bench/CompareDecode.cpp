// Times our reading of a 24-megapixel (6000 x 4000) photo in each format
// against the format's own command-line decoder, in the same run, and prints
// the ratios:
//   JPEG  djpeg                (libjpeg-turbo)
//   PNG   convert              (ImageMagick, through libpng)
//   WebP  dwebp                (libwebp)
//   TIFF  convert              (ImageMagick, through libtiff)
//   HEIC  heif-convert         (libheif, through libde265), when installed
//   AVIF  heif-convert         (libheif, through libdav1d), when installed
//
//   compare_decode WORK_DIR [RUNS]
//
// The files are made once in WORK_DIR: JPEG at quality 90, PNG and lossy
// WebP by our own writers, TIFF (LZW, as cameras and scanners commonly write
// it) by convert, HEIC and AVIF at quality 90 by heif-enc (at its fastest
// settings, which leave the decoding as much to do). Each run times our loader, as New and Import
// Backdrop call it (read the file, decode, finish: profile, transparency, orientation), and one
// tool process (start, read, decode, write a PPM into WORK_DIR); the medians are compared. The
// tools pay for writing 72 MB of PPM that we do not, and we pay for the finishing that they do not.
// heif-convert writes the decoded YCbCr planes as Y4M (36 MB), the one output it has that needs no
// encoding, so it is spared the conversion to RGB that we make.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/Photo.h"
#include "bench/ToolTiming.h"
#include "engine/core/FileIO.h"
#include "engine/documents/JpegCodec.h"
#include "engine/documents/PictureExport.h"
#include "engine/documents/PictureLoader.h"

namespace {

using namespace glyphon::bench;

struct Comparison {
  const char* name;
  const char* file;
  std::vector<std::string> tool;  // the command, with "IN" and "OUT" for the files
  const char* out = "tool-out.ppm";
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: compare_decode WORK_DIR [RUNS]\n");
    return 2;
  }
  const std::filesystem::path work = argv[1];
  const int runs = argc == 3 ? std::max(1, std::atoi(argv[2])) : 7;
  const auto path = [&](const char* name) { return (work / name).string(); };

  const glyphon::Bitmap photo = syntheticPhoto(6000, 4000);
  glyphon::writeWholeFile(path("photo.jpg"), glyphon::encodeJpeg(photo));
  glyphon::writePictureFile(path("photo.png"), photo, glyphon::PictureFormat::Png);
  glyphon::writePictureFile(path("photo.webp"), photo, glyphon::PictureFormat::Webp);
  writePpm(path("photo.ppm"), photo);
  if (runTool({"/usr/bin/convert", path("photo.ppm"), "-compress", "lzw", path("photo.tif")}) !=
      0) {
    std::fprintf(stderr, "compare_decode: convert could not write the TIFF\n");
    return 1;
  }

  std::vector<Comparison> comparisons = {
      {"JPEG", "photo.jpg", {"/usr/bin/djpeg", "-outfile", "OUT", "IN"}},
      {"PNG", "photo.png", {"/usr/bin/convert", "IN", "OUT"}},
      {"WebP", "photo.webp", {"/usr/bin/dwebp", "-quiet", "IN", "-ppm", "-o", "OUT"}},
      {"TIFF", "photo.tif", {"/usr/bin/convert", "IN", "OUT"}},
  };
  if (std::filesystem::exists("/usr/bin/heif-enc") &&
      std::filesystem::exists("/usr/bin/heif-convert")) {
    if (runTool({"/usr/bin/heif-enc", "-q", "90", "-p", "preset=ultrafast", "-o",
                 path("photo.heic"), path("photo.png")}) != 0 ||
        runTool({"/usr/bin/heif-enc", "-A", "-q", "90", "-p", "speed=9", "-o", path("photo.avif"),
                 path("photo.png")}) != 0) {
      std::fprintf(stderr, "compare_decode: heif-enc could not write the HEIC or AVIF\n");
      return 1;
    }
    const std::vector<std::string> heifConvert = {"/usr/bin/heif-convert", "--quiet", "IN", "OUT"};
    comparisons.push_back({"HEIC", "photo.heic", heifConvert, "tool-out.y4m"});
    comparisons.push_back({"AVIF", "photo.avif", heifConvert, "tool-out.y4m"});
  } else {
    std::printf("heif-enc or heif-convert is not installed (libheif-examples): no HEIC, AVIF\n");
  }
  std::printf("Reading a 6000 x 4000 photo, median of %d runs\n", runs);
  for (const Comparison& c : comparisons) {
    const std::string in = path(c.file);
    std::vector<std::string> tool = c.tool;
    for (std::string& a : tool) a = a == "IN" ? in : a == "OUT" ? path(c.out) : a;
    std::vector<double> ourTimes, toolTimes;
    for (int i = 0; i < runs; ++i) {
      Clock::time_point start = Clock::now();
      const glyphon::PictureLoadResult ours = glyphon::loadPicture(in, 0xFFFFFF);
      ourTimes.push_back(millisecondsSince(start));
      if (!ours.picture || ours.picture->width() != photo.width()) {
        std::fprintf(stderr, "compare_decode: we could not read %s: %s\n", c.file,
                     ours.message.c_str());
        return 1;
      }
      start = Clock::now();
      if (runTool(tool) != 0) {
        std::fprintf(stderr, "compare_decode: %s failed or is missing\n", tool[0].c_str());
        return 1;
      }
      toolTimes.push_back(millisecondsSince(start));
    }
    const double ourMs = median(ourTimes), toolMs = median(toolTimes);
    std::printf("%s (%ju bytes)\n", c.name, std::uintmax_t(std::filesystem::file_size(in)));
    std::printf("  our loader (read, decode, finish): %8.1f ms\n", ourMs);
    std::printf("  %-33s %8.1f ms\n", (tool[0].substr(tool[0].rfind('/') + 1) + ":").c_str(),
                toolMs);
    std::printf("  ratio ours / tool: %.2f\n", ourMs / toolMs);
  }
  return 0;
}
