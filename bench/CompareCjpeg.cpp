// Times our JPEG export of the 4000 x 3000 benchmark canvas against
// libjpeg-turbo's own `cjpeg -quality 90` on the same pixels, in the same
// run, and prints the ratio.
//
//   compare_cjpeg WORK_DIR [RUNS]
//
// The canvas is written to WORK_DIR/canvas.ppm for cjpeg. Each run times
// our export (encode and write the file, flushed to the disk and renamed
// into place, as Save Picture does), our encoder alone, and one cjpeg
// process (start, read the PPM, encode, write); the medians are compared.

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

// Runs cjpeg once; returns its exit status, or -1 when it cannot start.
int runCjpeg(const std::string& ppm, const std::string& jpg) {
  return runTool({"cjpeg", "-quality", "90", "-outfile", jpg, ppm});
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: compare_cjpeg WORK_DIR [RUNS]\n");
    return 2;
  }
  const std::filesystem::path work = argv[1];
  const int runs = argc == 3 ? std::max(1, std::atoi(argv[2])) : 11;
  const glyphon::bench::ProjectScene scene = glyphon::bench::makeProjectScene();
  const glyphon::Bitmap canvas = glyphon::composeCanvas(scene.Backdrop, scene.Items);
  const std::string ppm = (work / "canvas.ppm").string();
  const std::string ours = (work / "ours.jpg").string();
  const std::string theirs = (work / "cjpeg.jpg").string();
  writePpm(ppm, canvas);

  std::vector<double> exportTimes, encodeTimes, cjpegTimes;
  for (int i = 0; i < runs; ++i) {
    Clock::time_point start = Clock::now();
    glyphon::writePictureFile(ours, canvas, glyphon::PictureFormat::Jpeg);
    exportTimes.push_back(millisecondsSince(start));

    start = Clock::now();
    const std::vector<uint8_t> bytes = glyphon::encodePicture(canvas, glyphon::PictureFormat::Jpeg);
    encodeTimes.push_back(millisecondsSince(start));

    start = Clock::now();
    if (runCjpeg(ppm, theirs) != 0) {
      std::fprintf(stderr,
                   "compare_cjpeg: cjpeg failed or is missing (package libjpeg-turbo-progs)\n");
      return 1;
    }
    cjpegTimes.push_back(millisecondsSince(start));
  }

  const double exportMs = median(exportTimes), encodeMs = median(encodeTimes),
               cjpegMs = median(cjpegTimes);
  std::printf("JPEG quality 90 of a %d x %d canvas, median of %d runs\n", canvas.width(),
              canvas.height(), runs);
  std::printf("  our export (encode + write file): %8.1f ms  %9ju bytes\n", exportMs,
              std::uintmax_t(std::filesystem::file_size(ours)));
  std::printf("  our encoder alone:                %8.1f ms\n", encodeMs);
  std::printf("  cjpeg -quality 90 (from PPM):     %8.1f ms  %9ju bytes\n", cjpegMs,
              std::uintmax_t(std::filesystem::file_size(theirs)));
  std::printf("  ratio export / cjpeg: %.2f (target at most 1.20)\n", exportMs / cjpegMs);
  return 0;
}
