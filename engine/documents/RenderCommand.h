// The command line of glyphon-render. Its main lives above the engine
// (services/documents/RenderProgram.cpp), where the style catalogue can be
// read, and hands it in here.
#pragma once

#include "engine/documents/BatchRender.h"

namespace glyphon {

// Runs glyphon-render with argc and argv; styles finds the plug-in of a style kind for --text
// and --table. Returns the exit status.
[[nodiscard]] int renderMain(int argc, char** argv, const StyleResolver& styles);

}  // namespace glyphon
