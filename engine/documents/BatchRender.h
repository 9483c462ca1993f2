// Rendering one design many times with other texts: a project is read once,
// and each picture starts from it, some items' texts replaced and rendered
// afresh by their style plug-ins the way Modify renders them in the editor.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/core/Bitmap.h"
#include "engine/core/PluginCall.h"
#include "engine/core/StyleRendering.h"
#include "engine/core/TextItem.h"
#include "engine/documents/ProjectFile.h"

namespace glyphon {

// The plug-in of a style kind, as the style catalogue names it; std::nullopt for a kind it does
// not know.
using StyleResolver = std::function<std::optional<StyleSource>(int32_t styleKind)>;

// A new text for item Item (1 is the bottom item, as a project stores them).
struct TextChange {
  int32_t Item = 0;
  std::string Text;  // UTF-8; lines broken by "\n", CR LF or CR
};

class BatchRenderer {
 public:
  // project as read from a file; defaultPicture is the picture New uses while DefaultBKPic is
  // set (it decides the canvas size, as when the editor opens the project).
  BatchRenderer(ProjectData project, const std::string& defaultPicture, StyleResolver styles);

  [[nodiscard]] size_t itemCount() const { return m_project.Items.size(); }
  // What a user should read once (the canvas New could not make).
  [[nodiscard]] const std::vector<std::string>& warnings() const { return m_warnings; }

  // The project's items with changes applied, bottom to top: each changed item rendered afresh
  // with its text by the plug-in of its style kind and its style font, at its size index and
  // colour, placed at its top-left corner and filling the rectangle that gives, as Modify makes
  // it; it keeps its place in the stack and its opacity. The others are shared, unchanged.
  // Throws Error naming the item for an item number out of range, a blank or ill-formed text, a
  // style kind the catalogue lacks, a plug-in that fails, does not load or draws nothing, and a
  // text holding characters an ASCII-only style cannot draw.
  [[nodiscard]] std::vector<std::unique_ptr<TTextItem>> itemsWith(
      std::span<const TextChange> changes);

  // The canvas of items over the project's backdrop, or over the picture at backdropPath
  // (stretched to the canvas, as --backdrop) when it is not empty.
  [[nodiscard]] Bitmap canvasOf(std::span<const std::unique_ptr<TTextItem>> items,
                                const std::string& backdropPath) const;

  // Renders the picture with changes and backdropPath and writes it to outputPath, whose
  // extension chooses the format. Nothing is written when anything fails (Error).
  void renderPicture(std::span<const TextChange> changes, const std::string& backdropPath,
                     const std::string& outputPath);

  // Writes the project with items in place of its own, and the picture at backdropPath as its
  // backdrop when that is not empty.
  void saveProject(const std::string& path, std::span<const std::unique_ptr<TTextItem>> items,
                   const std::string& backdropPath) const;

 private:
  [[nodiscard]] Bitmap backdropOf(const std::string& backdropPath) const;

  struct Style {
    StyleSource Source;
    PluginContract Contract = PluginContract::Ascii;
  };
  const Style& styleOf(int32_t styleKind);
  std::unique_ptr<TTextItem> renderedAgain(const TTextItem& item, int32_t number,
                                           const std::string& text);

  ProjectData m_project;
  Bitmap m_backdrop;  // the project's backdrop at the canvas size
  StyleResolver m_styles;
  std::map<int32_t, Style> m_knownStyles;
  std::vector<std::string> m_warnings;
};

}  // namespace glyphon
