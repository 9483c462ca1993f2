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
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/ProjectScene.h"
#include "engine/documents/PictureExport.h"
#include "engine/documents/ProjectRender.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

void writePpm(const std::string& path, const glyphon::Bitmap& picture) {
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << picture.width() << ' ' << picture.height() << "\n255\n";
  std::vector<char> row(picture.stride());
  for (int32_t y = 0; y < picture.height(); ++y) {
    const uint8_t* bgr = picture.row(y);
    for (size_t i = 0; i < row.size(); i += 3) {
      row[i] = char(bgr[i + 2]);
      row[i + 1] = char(bgr[i + 1]);
      row[i + 2] = char(bgr[i]);
    }
    out.write(row.data(), std::streamsize(row.size()));
  }
}

// Runs cjpeg once; returns its exit status, or -1 when it cannot start.
int runCjpeg(const std::string& ppm, const std::string& jpg) {
  std::vector<std::string> args = {"cjpeg", "-quality", "90", "-outfile", jpg, ppm};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, "cjpeg", nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
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
