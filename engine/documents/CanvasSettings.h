// The settings a new canvas is made from. They live in the configuration
// file and at the head of every project file.
#pragma once

#include <cstdint>
#include <string>

#include "engine/core/Geometry.h"

namespace glyphon {

struct CanvasSettings {
  // The custom background picture, used as it is (a relative path resolves
  // against the current directory). Ignored while DefaultBKPic is set.
  std::string BKPicPath = "pic/default.jpg";
  // Use the default picture of the program's data folder.
  bool DefaultBKPic = true;
  // The canvas takes the picture's own size; otherwise it is Width x Height
  // and the picture is stretched to it, whatever its aspect.
  bool SameAsBKPic = true;
  int32_t Width = 800;
  int32_t Height = 600;
  // The canvas colour: transparent pixels of the backdrop picture are
  // composed over it.
  glyphon::Color Color = 0xFFFFFF;

  friend bool operator==(const CanvasSettings&, const CanvasSettings&) = default;
};

}  // namespace glyphon
