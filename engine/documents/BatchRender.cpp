#include "engine/documents/BatchRender.h"

#include <utility>

#include "engine/core/Error.h"
#include "engine/core/PluginHost.h"
#include "engine/core/RenderedItem.h"
#include "engine/core/TextRules.h"
#include "engine/documents/PictureExport.h"
#include "engine/documents/PictureFormat.h"
#include "engine/documents/ProjectRender.h"

namespace glyphon {

namespace {

std::string kindName(int32_t styleKind) { return "style kind " + std::to_string(styleKind); }

}  // namespace

BatchRenderer::BatchRenderer(ProjectData project, const std::string& defaultPicture,
                             StyleResolver styles)
    : m_project(std::move(project)), m_styles(std::move(styles)) {
  const CanvasDecision canvas = decideCanvasSize(m_project.Settings, defaultPicture);
  if (!canvas.Problem.empty())
    m_warnings.push_back(canvas.Problem + "; the backdrop keeps the size it was saved with (" +
                         std::to_string(m_project.Backdrop.width()) + " x " +
                         std::to_string(m_project.Backdrop.height()) + ")");
  m_backdrop = openedBackdrop(std::move(m_project.Backdrop), canvas.Width, canvas.Height);
  m_project.Backdrop = Bitmap();
}

const BatchRenderer::Style& BatchRenderer::styleOf(int32_t styleKind) {
  if (const auto known = m_knownStyles.find(styleKind); known != m_knownStyles.end())
    return known->second;
  std::optional<StyleSource> source = m_styles ? m_styles(styleKind) : std::nullopt;
  if (!source || source->StyleFolder.empty() || source->PluginFileName.empty())
    throw Error(kindName(styleKind) + " is not in the style catalogue");
  const std::optional<PluginContract> contract =
      pluginContract(source->StyleFolder, source->PluginFileName);
  if (!contract)
    throw Error("the plug-in of " + kindName(styleKind) + " (" + source->StyleFolder + "/" +
                source->PluginFileName + ") does not load or has no render export");
  return m_knownStyles.emplace(styleKind, Style{std::move(*source), *contract}).first->second;
}

std::unique_ptr<TTextItem> BatchRenderer::renderedAgain(const TTextItem& item, int32_t number,
                                                        const std::string& text) {
  const std::string where = "item " + std::to_string(number) + ": ";
  if (wellFormedUtf8(text) != text) throw Error(where + "the text is not UTF-8");
  const std::string itemText = itemTextOf(memoTextOf(text));
  if (isBlankText(itemText)) throw Error(where + "the text is blank");
  const Style& style = styleOf(item.StyleKind);
  if (style.Contract == PluginContract::Ascii) {
    // Modify would leave these out; a batch must not publish a caption
    // with characters missing.
    const std::string leftOut = charactersFilteredOut(itemText);
    if (!leftOut.empty())
      throw Error(where + kindName(item.StyleKind) +
                  " draws only ASCII text and cannot draw these characters: " + leftOut);
  }
  const ItemChoice choice{item.Rect.Left, item.Rect.Top, item.StyleKind, item.StyleFont,
                          item.SizeIndex, item.Color,    itemText};
  std::unique_ptr<TTextItem> fresh;
  try {
    fresh = renderNewItem(style.Source, choice, NewItemRendering::FillRectangle);
  } catch (const PluginFailure& e) {
    throw Error(where + e.messageFor(kindName(item.StyleKind)));
  }
  if (!fresh) throw Error(where + "the plug-in of " + kindName(item.StyleKind) + " did not render");
  if (fresh->Bitmap->isEmpty())
    throw Error(where + kindName(item.StyleKind) + " drew nothing for this text");
  // Unlike Modify, a caption keeps its place in the design and its
  // transparency.
  fresh->Opacity = item.Opacity;
  return fresh;
}

std::vector<std::unique_ptr<TTextItem>> BatchRenderer::itemsWith(
    std::span<const TextChange> changes) {
  std::vector<std::unique_ptr<TTextItem>> items;
  items.reserve(m_project.Items.size());
  for (const auto& item : m_project.Items) {
    auto copy = std::make_unique<TTextItem>(*item);
    copy->Id = 0;
    items.push_back(std::move(copy));
  }
  for (const TextChange& change : changes) {
    if (change.Item < 1 || size_t(change.Item) > items.size())
      throw Error("item " + std::to_string(change.Item) + " does not exist: the project has " +
                  std::to_string(items.size()) + (items.size() == 1 ? " item" : " items"));
    auto& slot = items[size_t(change.Item) - 1];
    slot = renderedAgain(*slot, change.Item, change.Text);
  }
  return items;
}

Bitmap BatchRenderer::backdropOf(const std::string& backdropPath) const {
  if (backdropPath.empty()) return m_backdrop;
  return loadReplacementBackdrop(backdropPath, m_project.Settings.Color, m_backdrop.width(),
                                 m_backdrop.height());
}

Bitmap BatchRenderer::canvasOf(std::span<const std::unique_ptr<TTextItem>> items,
                               const std::string& backdropPath) const {
  if (backdropPath.empty()) return composeCanvas(m_backdrop, items);
  return composeCanvas(backdropOf(backdropPath), items);
}

void BatchRenderer::renderPicture(std::span<const TextChange> changes,
                                  const std::string& backdropPath, const std::string& outputPath) {
  const std::optional<PictureFormat> format = writtenFormatOfName(outputPath);
  if (!format)
    throw Error("the output \"" + outputPath +
                "\" must end in .jpg, .jpeg (JPEG), .bmp (BMP), .png (PNG) or .webp (WebP)");
  const auto items = itemsWith(changes);
  writePictureFile(outputPath, canvasOf(items, backdropPath), *format);
}

void BatchRenderer::saveProject(const std::string& path,
                                std::span<const std::unique_ptr<TTextItem>> items,
                                const std::string& backdropPath) const {
  saveProjectFile(path, m_project.Settings, backdropOf(backdropPath), items);
}

}  // namespace glyphon
