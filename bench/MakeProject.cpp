// Writes the benchmark project (see ProjectScene.h) at a given size, for the
// scripts that time programs opening it.
//
//   make_project OUTPUT.gyf WIDTH HEIGHT ITEMS
#include <cstdio>
#include <cstdlib>

#include "bench/ProjectScene.h"
#include "engine/core/Error.h"
#include "engine/documents/ProjectFile.h"

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: make_project OUTPUT.gyf WIDTH HEIGHT ITEMS\n");
    return 2;
  }
  try {
    const glyphon::bench::ProjectScene scene = glyphon::bench::makeProjectScene(
        std::atoi(argv[4]), std::atoi(argv[2]), std::atoi(argv[3]));
    glyphon::saveProjectFile(argv[1], scene.Settings, scene.Backdrop, scene.Items);
  } catch (const glyphon::Error& e) {
    std::fprintf(stderr, "make_project: %s\n", e.what());
    return 1;
  }
  return 0;
}
