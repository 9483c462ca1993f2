// Times our PNG and WebP export of the 4000 x 3000 (12 megapixel) benchmark
// canvas against ImageMagick's `convert` (PNG) and libwebp's `cwebp` (WebP,
// at our settings: -q 90 -m 4 -sharp_yuv) on the same pixels, in the same
// run, and prints the ratios.
//
//   compare_export WORK_DIR [RUNS]
//
// The canvas is written to WORK_DIR/canvas.ppm for the tools. Each run times
// our export (encode and write the file, flushed to the disk and renamed
// into place, as Save Picture does) and one tool process (start, read the
// PPM, encode, write); the medians are compared.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/ProjectScene.h"
#include "bench/ToolTiming.h"
#include "engine/documents/PictureExport.h"
#include "engine/documents/ProjectRender.h"

namespace {

using namespace glyphon::bench;

struct Comparison {
  const char* name;
  glyphon::PictureFormat format;
  const char* ours;
  const char* theirs;
  std::vector<std::string> tool;  // the command, with "IN" and "OUT" for the files
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: compare_export WORK_DIR [RUNS]\n");
    return 2;
  }
  const std::filesystem::path work = argv[1];
  const int runs = argc == 3 ? std::max(1, std::atoi(argv[2])) : 11;
  const glyphon::bench::ProjectScene scene = glyphon::bench::makeProjectScene();
  const glyphon::Bitmap canvas = glyphon::composeCanvas(scene.Backdrop, scene.Items);
  const std::string ppm = (work / "canvas.ppm").string();
  writePpm(ppm, canvas);

  const Comparison comparisons[] = {
      {"PNG, lossless",
       glyphon::PictureFormat::Png,
       "ours.png",
       "convert.png",
       {"/usr/bin/convert", "IN", "OUT"}},
      {"WebP, quality 90",
       glyphon::PictureFormat::Webp,
       "ours.webp",
       "cwebp.webp",
       {"/usr/bin/cwebp", "-quiet", "-q", "90", "-m", "4", "-sharp_yuv", "IN", "-o", "OUT"}},
  };
  std::printf("Export of a %d x %d canvas, median of %d runs\n", canvas.width(), canvas.height(),
              runs);
  for (const Comparison& c : comparisons) {
    const std::string ours = (work / c.ours).string();
    const std::string theirs = (work / c.theirs).string();
    std::vector<std::string> tool = c.tool;
    for (std::string& a : tool) a = a == "IN" ? ppm : a == "OUT" ? theirs : a;
    std::vector<double> ourTimes, toolTimes;
    for (int i = 0; i < runs; ++i) {
      Clock::time_point start = Clock::now();
      glyphon::writePictureFile(ours, canvas, c.format);
      ourTimes.push_back(millisecondsSince(start));
      start = Clock::now();
      if (runTool(tool) != 0) {
        std::fprintf(stderr, "compare_export: %s failed or is missing\n", tool[0].c_str());
        return 1;
      }
      toolTimes.push_back(millisecondsSince(start));
    }
    const double ourMs = median(ourTimes), toolMs = median(toolTimes);
    std::printf("%s\n", c.name);
    std::printf("  our export (encode + write file): %8.1f ms  %9ju bytes\n", ourMs,
                std::uintmax_t(std::filesystem::file_size(ours)));
    std::printf("  %-32s %8.1f ms  %9ju bytes\n",
                (tool[0].substr(tool[0].rfind('/') + 1) + " (from PPM):").c_str(), toolMs,
                std::uintmax_t(std::filesystem::file_size(theirs)));
    std::printf("  ratio ours / tool: %.2f\n", ourMs / toolMs);
  }
  return 0;
}
