// Speed of project files and picture export on a 4000 x 3000 canvas with
// 100 items of 600 x 200: saving and opening the project (the file written
// to and read from the disk), and the JPEG and BMP export of the canvas.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "bench/ProjectScene.h"
#include "engine/core/Composition.h"
#include "engine/documents/PictureExport.h"
#include "engine/documents/ProjectFile.h"
#include "engine/documents/ProjectRender.h"

namespace glyphon::bench {
namespace {

const ProjectScene& scene() {
  static const ProjectScene s = makeProjectScene();
  return s;
}

std::string scratchFile(const char* name) {
  return (std::filesystem::temp_directory_path() /
          ("glyphon-bench-" + std::to_string(::getpid()) + "-" + name))
      .string();
}

// Save Project: the file built in memory and written through a temporary
// file that is flushed to the disk and renamed over the old one.
void BM_SaveProject(benchmark::State& state) {
  const std::string path = scratchFile("save.gyf");
  for (auto _ : state) saveProjectFile(path, scene().Settings, scene().Backdrop, scene().Items);
  state.counters["file_MB"] = double(std::filesystem::file_size(path)) / 1e6;
  std::filesystem::remove(path);
}
BENCHMARK(BM_SaveProject)->Unit(benchmark::kMillisecond)->UseRealTime();

// The project file's bytes alone, without the disk.
void BM_WriteProjectBytes(benchmark::State& state) {
  for (auto _ : state)
    benchmark::DoNotOptimize(writeProject(scene().Settings, scene().Backdrop, scene().Items));
}
BENCHMARK(BM_WriteProjectBytes)->Unit(benchmark::kMillisecond)->UseRealTime();

// Open Project: the file read and checked, then the composition replaced
// (every item composited, the screen image laid out).
void BM_OpenProject(benchmark::State& state) {
  const std::string path = scratchFile("open.gyf");
  saveProjectFile(path, scene().Settings, scene().Backdrop, scene().Items);
  Composition composition;
  for (auto _ : state) {
    ProjectData project = loadProjectFile(path);
    composition.setBackdropAndItems(
        openedBackdrop(std::move(project.Backdrop), kSceneWidth, kSceneHeight),
        std::move(project.Items));
  }
  std::filesystem::remove(path);
}
BENCHMARK(BM_OpenProject)->Unit(benchmark::kMillisecond)->UseRealTime();

// The reader alone, from bytes in memory.
void BM_ReadProjectBytes(benchmark::State& state) {
  const std::vector<uint8_t> bytes =
      writeProject(scene().Settings, scene().Backdrop, scene().Items);
  for (auto _ : state) benchmark::DoNotOptimize(readProject(bytes));
}
BENCHMARK(BM_ReadProjectBytes)->Unit(benchmark::kMillisecond)->UseRealTime();

const Bitmap& canvas() {
  static const Bitmap c = composeCanvas(scene().Backdrop, scene().Items);
  return c;
}

// Save Picture: encode the canvas (range 0: JPEG, 1: BMP) and write the file.
void BM_ExportPicture(benchmark::State& state) {
  const PictureFormat format = state.range(0) == 0 ? PictureFormat::Jpeg : PictureFormat::Bmp;
  const std::string path = scratchFile(format == PictureFormat::Jpeg ? "x.jpg" : "x.bmp");
  for (auto _ : state) writePictureFile(path, canvas(), format);
  state.counters["file_MB"] = double(std::filesystem::file_size(path)) / 1e6;
  std::filesystem::remove(path);
}
BENCHMARK(BM_ExportPicture)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace glyphon::bench

BENCHMARK_MAIN();
