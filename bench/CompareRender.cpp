// Times glyphon-render against copying the same bytes, in the same run, and
// prints the ratios.
//
//   compare_render WORK_DIR RENDERER [ITEMS [RUNS [OTHER_RENDERER]]]
//
// Two measures:
// - BMP: rendering the 4000 x 3000 benchmark project (ITEMS items, 100
//   unless given) to a BMP, against `cat` of the project file plus `cp` of a
//   BMP of the same size, and against the same with `sync` after the copy
//   (our writer flushes its file to the disk before renaming it into place);
// - caption: rendering the project with one item over a 12-megapixel JPEG
//   (--backdrop) to a JPEG, against djpeg of the photo plus cjpeg -quality 90
//   of its pixels.
// OTHER_RENDERER, when given, is timed in the same runs (an older build, to
// compare before and after under the same load).

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/Photo.h"
#include "bench/ProjectScene.h"
#include "bench/ToolTiming.h"
#include "engine/documents/BmpCodec.h"
#include "engine/documents/JpegCodec.h"
#include "engine/documents/ProjectFile.h"

namespace {

using namespace glyphon::bench;

// Runs a shell command line once; its time in milliseconds, or a negative
// value when it failed.
double timeShell(const std::string& command) {
  const Clock::time_point start = Clock::now();
  if (runTool({"/bin/sh", "-c", command}) != 0) return -1;
  return millisecondsSince(start);
}

struct Measure {
  const char* name;
  std::vector<std::string> commands;  // ours, the other build (optional), the reference
  std::vector<std::vector<double>> times;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc > 6) {
    std::fprintf(stderr,
                 "usage: compare_render WORK_DIR RENDERER [ITEMS [RUNS [OTHER_RENDERER]]]\n");
    return 2;
  }
  namespace fs = std::filesystem;
  const fs::path work = argv[1];
  const std::string renderer = argv[2];
  const int items = argc >= 4 ? std::max(1, std::atoi(argv[3])) : kSceneItems;
  const int runs = argc >= 5 ? std::max(1, std::atoi(argv[4])) : 7;
  const std::string other = argc >= 6 ? argv[5] : "";
  auto at = [&work](const char* name) { return (work / name).string(); };

  {
    const ProjectScene scene = makeProjectScene(items);
    glyphon::saveProjectFile(at("scene.gyf"), scene.Settings, scene.Backdrop, scene.Items);
    glyphon::saveBmpFile(at("same-size.bmp"), scene.Backdrop);
    const ProjectScene caption = makeProjectScene(1);
    glyphon::saveProjectFile(at("caption.gyf"), caption.Settings, caption.Backdrop, caption.Items);
    glyphon::saveJpegFile(at("photo.jpg"), syntheticPhoto(kSceneWidth, kSceneHeight));
  }
  const std::string bmpRef =
      "cat " + at("scene.gyf") + " >/dev/null && cp " + at("same-size.bmp") + " " + at("copy.bmp");
  const std::string captionRef = "djpeg " + at("photo.jpg") + " >" + at("photo.ppm") +
                                 " && cjpeg -quality 90 -outfile " + at("ref.jpg") + " " +
                                 at("photo.ppm");
  auto renderBmp = [&](const std::string& program) {
    return program + " " + at("scene.gyf") + " " + at("out.bmp");
  };
  auto renderCaption = [&](const std::string& program) {
    return program + " --backdrop " + at("photo.jpg") + " " + at("caption.gyf") + " " +
           at("caption.jpg");
  };
  std::vector<Measure> measures;
  measures.push_back({"BMP", {renderBmp(renderer)}, {}});
  measures.push_back({"caption", {renderCaption(renderer)}, {}});
  if (!other.empty()) {
    measures[0].commands.push_back(renderBmp(other));
    measures[1].commands.push_back(renderCaption(other));
  }
  measures[0].commands.push_back(bmpRef);
  measures[0].commands.push_back(bmpRef + " && sync");
  measures[1].commands.push_back(captionRef);

  for (Measure& m : measures) m.times.resize(m.commands.size());
  for (int run = 0; run < runs; ++run)
    for (Measure& m : measures)
      for (size_t c = 0; c < m.commands.size(); ++c) {
        const double ms = timeShell(m.commands[c]);
        if (ms < 0) {
          std::fprintf(stderr, "compare_render: failed: %s\n", m.commands[c].c_str());
          return 1;
        }
        m.times[c].push_back(ms);
      }

  std::printf("glyphon-render on a %d x %d canvas, median of %d runs\n", kSceneWidth, kSceneHeight,
              runs);
  std::printf("BMP, %d items (project %ju bytes):\n", items,
              std::uintmax_t(fs::file_size(at("scene.gyf"))));
  const double ours = median(measures[0].times[0]);
  const size_t ref = other.empty() ? 1 : 2;
  const double copy = median(measures[0].times[ref]), synced = median(measures[0].times[ref + 1]);
  std::printf("  ours:                   %8.1f ms\n", ours);
  if (!other.empty())
    std::printf("  other build:            %8.1f ms  (ours / other %.2f)\n",
                median(measures[0].times[1]), ours / median(measures[0].times[1]));
  std::printf("  cat + cp:               %8.1f ms  ratio %.2f (target at most 3)\n", copy,
              ours / copy);
  std::printf("  cat + cp + sync:        %8.1f ms  ratio %.2f\n", synced, ours / synced);
  std::printf("caption of a 12 MP JPEG (--backdrop, one item):\n");
  const double caption = median(measures[1].times[0]);
  const double tools = median(measures[1].times[ref]);
  std::printf("  ours:                   %8.1f ms\n", caption);
  if (!other.empty())
    std::printf("  other build:            %8.1f ms  (ours / other %.2f)\n",
                median(measures[1].times[1]), caption / median(measures[1].times[1]));
  std::printf("  djpeg + cjpeg -q 90:    %8.1f ms  ratio %.2f (target at most 1.5)\n", tools,
              caption / tools);
  return 0;
}
