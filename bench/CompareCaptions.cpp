// Captions in bulk: glyphon-render --table making COUNT captioned pictures of
// a 1920 x 1080 photograph, one text rendered afresh each by the sample style
// of kind 10001, against an ImageMagick loop (`convert -annotate`, a plain
// font) making the same count in the same run; first on one core (taskset),
// then on both cores with GNU parallel (our table shared by --part, their
// loop by parallel -j2). Prints pictures per second, the ratio and the
// speed-ups.
//
//   compare_captions WORK_DIR [COUNT]
//
// Both write JPEG at quality 90; ours reads the design once per process,
// the loop reads the photograph once per picture, as each would be used.
// With two processes at once each convert keeps to one thread
// (MAGICK_THREAD_LIMIT=1), so its OpenMP threads do not fight over the cores.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/Photo.h"
#include "bench/ToolTiming.h"
#include "engine/core/TextItem.h"
#include "engine/documents/JpegCodec.h"
#include "engine/documents/ProjectFile.h"

namespace {

using namespace glyphon;
using namespace glyphon::bench;
namespace fs = std::filesystem;

double secondsOf(const std::string& command) {
  const Clock::time_point start = Clock::now();
  const int status = std::system(command.c_str());
  const double seconds = millisecondsSince(start) / 1000;
  if (status != 0)
    std::fprintf(stderr, "compare_captions: failed (%d): %s\n", status, command.c_str());
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: compare_captions WORK_DIR [COUNT]\n");
    return 2;
  }
  const fs::path work = argv[1];
  const int count = argc > 2 ? std::atoi(argv[2]) : 1000;
  const std::string render = GLYPHON_BUILD_DIR "/glyphon-render";
  fs::create_directories(work / "config" / "Vantry");
  ::setenv("XDG_CONFIG_HOME", (work / "config").c_str(), 1);
  std::ofstream(work / "config" / "Vantry" / "Glyphon.conf")
      << "[10001]\nname=Script\nPath=" GLYPHON_BENCH_STYLE_DIR "\ndata=" GLYPHON_BENCH_STYLE_FILE
         "\n";

  const Bitmap photo = syntheticPhoto(1920, 1080);
  const std::string photoPath = (work / "photo.jpg").string();
  saveJpegFile(photoPath, photo);
  CanvasSettings settings;
  settings.DefaultBKPic = false;
  settings.BKPicPath = photoPath;
  std::vector<std::unique_ptr<TTextItem>> items;
  auto caption = std::make_unique<TTextItem>();
  caption->Rect = {100, 200, 700, 320};
  caption->StyleKind = 10001;
  caption->SizeIndex = 9;
  caption->Color = rgb(104, 255, 119);
  caption->Text = "Caption";
  caption->Bitmap = std::make_shared<const Bitmap>(Bitmap(60, 12));
  items.push_back(std::move(caption));
  const std::string design = (work / "design.gyf").string();
  saveProjectFile(design, settings, photo, items);
  {
    std::ofstream table(work / "captions.csv");
    table << "1\n";
    for (int row = 1; row <= count; ++row) table << "Holiday " << row << "\n";
  }

  const std::string table = (work / "captions.csv").string();
  const std::string ours1 = "taskset -c 0 " + render + " --table " + table + " --output '" +
                            (work / "ours1/{row}.jpg").string() + "' " + design + " 2>/dev/null";
  const std::string theirs1 = "for i in $(seq " + std::to_string(count) +
                              "); do taskset -c 0 /usr/bin/convert " + photoPath +
                              " -font DejaVu-Sans -pointsize 96 -fill '#68ff77' -annotate "
                              "+100+300 \"Holiday $i\" -quality 90 " +
                              (work / "theirs1").string() + "/$i.jpg || exit 1; done";
  const std::string ours2 = "parallel -j2 " + render + " --part {}/2 --table " + table +
                            " --output '" + (work / "ours2/{row}.jpg").string() + "' " + design +
                            " 2>/dev/null ::: 1 2";
  const std::string theirs2 = "seq " + std::to_string(count) +
                              " | MAGICK_THREAD_LIMIT=1 parallel -j2 /usr/bin/convert " +
                              photoPath +
                              " -font DejaVu-Sans -pointsize 96 -fill \"'#68ff77'\" -annotate "
                              "+100+300 \"'Holiday {}'\" -quality 90 " +
                              (work / "theirs2").string() + "/{}.jpg";
  for (const char* folder : {"ours1", "theirs1", "ours2", "theirs2"})
    fs::create_directories(work / folder);

  const double o1 = secondsOf(ours1), t1 = secondsOf(theirs1);
  const double o2 = secondsOf(ours2), t2 = secondsOf(theirs2);
  const auto rate = [&](double seconds) { return count / seconds; };
  std::printf("%d captions of a 1920 x 1080 photograph, JPEG quality 90\n", count);
  std::printf(
      "one core:  glyphon-render --table %.1f pictures/s, convert -annotate loop %.1f "
      "pictures/s, ratio %.2f\n",
      rate(o1), rate(t1), t1 / o1);
  std::printf(
      "two cores: glyphon-render --part x2 %.1f pictures/s (speed-up %.2f), parallel "
      "convert %.1f pictures/s (speed-up %.2f), ratio %.2f\n",
      rate(o2), o1 / o2, rate(t2), t1 / t2, t2 / o2);
  return 0;
}
