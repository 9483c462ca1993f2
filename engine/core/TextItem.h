// One text item of the picture: where it lies, how it was made, and the
// untinted rendering the compositor blends onto the canvas.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/core/Bitmap.h"
#include "engine/core/Geometry.h"

namespace glyphon {

struct TTextItem {
  // The most bytes of UTF-8 Text holds; whoever creates an item cuts longer
  // text at a character boundary.
  static constexpr size_t kMaxTextLength = 255;

  // Placement on the canvas; the rendering is stretched to its size. It may
  // lie partly or wholly outside the canvas, and a damaged project file may
  // give any four values.
  glyphon::Rect Rect;
  int32_t StyleKind = 0;     // style kind id the item was rendered with
  int32_t StyleFont = 0;     // style font index within that kind, from 0
  int32_t SizeIndex = 0;     // 0..9 for "10".."100" percent of the rendered size
  glyphon::Color Color = 0;  // tint applied when compositing, never baked in
  std::string Text;          // UTF-8, at most kMaxTextLength bytes
  int32_t Opacity = 100;     // percent; 100 is opaque, 0 invisible
  // The plug-in's rendering: black is background, red is coverage, greys
  // shade. Renderings never change once made, so copies of an item share it.
  // May be null (draws nothing).
  std::shared_ptr<const glyphon::Bitmap> Bitmap;
  // The whole text Bitmap was rendered from, when known: Add and Modify set
  // it, as Text may keep only its start. Project files store Text only, so
  // an item read from one leaves it empty. A fresh rendering of the item at
  // another size renders this text, so that it shows what the old one did.
  std::string WholeText;
  // Who the item is for the rest of the run, whatever happens to its
  // address: the undo history names items by it. 0 until the item first
  // enters an item list, which gives it one; an item taken out and put back
  // keeps it, and a copy (TQueueData::CopyItem) starts at 0 again and so
  // gets one of its own. Project files do not store it.
  uint64_t Id = 0;
};

}  // namespace glyphon
