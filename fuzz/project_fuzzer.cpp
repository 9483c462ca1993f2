// Fuzz target: the project file reader. Any bytes give either a complete,
// checked project or a clean refusal. A project that is read must hold what
// the reader promises, and writing it out again must give a file that reads
// back the same.
#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/core/Error.h"
#include "engine/documents/ProjectFile.h"

namespace {

// Small enough that runs are not spent filling huge bitmaps.
constexpr int64_t kFuzzMaxPixels = int64_t(1) << 20;

bool sameItems(const glyphon::ProjectData& a, const glyphon::ProjectData& b) {
  if (a.Items.size() != b.Items.size()) return false;
  for (size_t i = 0; i < a.Items.size(); ++i) {
    const glyphon::TTextItem& x = *a.Items[i];
    const glyphon::TTextItem& y = *b.Items[i];
    if (!(x.Rect == y.Rect) || x.StyleKind != y.StyleKind || x.StyleFont != y.StyleFont ||
        x.SizeIndex != y.SizeIndex || x.Color != y.Color || x.Text != y.Text ||
        x.Opacity != y.Opacity || !(*x.Bitmap == *y.Bitmap))
      return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  glyphon::ProjectData project;
  try {
    project = glyphon::readProject(std::span<const uint8_t>(data, size), kFuzzMaxPixels);
  } catch (const glyphon::Error&) {
    return 0;
  }
  if (project.Backdrop.isEmpty()) __builtin_trap();
  for (const auto& item : project.Items)
    if (!item->Bitmap || item->Bitmap->isEmpty() ||
        item->Text.size() > glyphon::TTextItem::kMaxTextLength)
      __builtin_trap();

  const std::vector<uint8_t> written =
      glyphon::writeProject(project.Settings, project.Backdrop, project.Items);
  const glyphon::ProjectData again = glyphon::readProject(written, kFuzzMaxPixels);
  if (!(again.Settings == project.Settings) || !(again.Backdrop == project.Backdrop) ||
      !sameItems(again, project))
    __builtin_trap();
  return 0;
}
