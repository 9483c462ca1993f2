// Thumbnails of project files, for file managers: a small picture of the
// composition made from what the file stores alone.
#pragma once

#include <cstdint>
#include <string>

#include "engine/core/Bitmap.h"
#include "engine/documents/ProjectFile.h"

namespace glyphon {

// The composition as it was saved, shrunk to at most maxSide pixels on its
// longer side (shrinkToFit): the stored backdrop at its stored size with
// every stored rendering drawn over it, bottom to top. Neither the picture
// the settings name nor a style plug-in is touched, so a file from anywhere
// draws the same on any machine. Consumes project. Precondition:
// maxSide > 0.
[[nodiscard]] Bitmap projectThumbnail(ProjectData project, int32_t maxSide);

// Reads the project file at projectPath and writes its thumbnail to
// outputPath as PNG, whatever its name. Throws Error, before anything is
// written, when the project cannot be read or maxSide is not positive.
void writeProjectThumbnail(const std::string& projectPath, int32_t maxSide,
                           const std::string& outputPath);

}  // namespace glyphon
