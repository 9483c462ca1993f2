// glyphon-render's main: the engine's command (engine/documents/RenderMain.cpp)
// with the style catalogue, so that --text and --table render with the
// plug-ins the editor uses. Qt Core only: no display is needed.
#include "engine/documents/RenderCommand.h"
#include "services/shell/StyleSources.h"

int main(int argc, char** argv) {
  return glyphon::renderMain(argc, argv, glyphon::installedStyleSource);
}
