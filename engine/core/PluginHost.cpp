#include "engine/core/PluginHost.h"

#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <utility>

#include "engine/core/TextRules.h"

#include "glyphon/style_plugin.h"

namespace glyphon {

namespace {

// One render in progress: the bitmap the plug-in draws into and the C view
// of it that the plug-in is handed.
struct RenderTarget {
  Bitmap bitmap;
  GlyphonBitmap view{};
};

// The render running on this thread. resize() accepts only its view, so a
// plug-in that hands in a copy of the struct, or a scribbled host pointer,
// is refused instead of being followed.
thread_local RenderTarget* t_activeTarget = nullptr;

constexpr int32_t kResizeRefused = -1;

// Makes the view describe the host's bitmap as it now is. The pixels pointer
// changes with every resize, so this runs after each one.
void describeBitmap(RenderTarget& target) {
  target.view.width = target.bitmap.width();
  target.view.height = target.bitmap.height();
  target.view.stride = int32_t(target.bitmap.stride());
  target.view.pixels = target.bitmap.data();
}

extern "C" {
// Called by the plug-in across the C boundary: no exception may leave it.
static int32_t hostResize(GlyphonBitmap* self, int32_t width, int32_t height) noexcept {
  RenderTarget* target = t_activeTarget;
  if (target == nullptr || self != &target->view) return kResizeRefused;
  try {
    // Bitmap::resize checks the limits before it allocates and changes
    // nothing when it throws, so a refused size leaves the old picture.
    target->bitmap.resize(width, height);
  } catch (...) {
    return kResizeRefused;
  }
  describeBitmap(*target);
  return 0;
}
}  // extern "C"

// True when every field still says what the host put there; anything else
// means the plug-in wrote where it should not, and its pixels are not
// trusted.
bool viewIntact(const RenderTarget& target) {
  const GlyphonBitmap& v = target.view;
  return v.struct_size == sizeof(GlyphonBitmap) && v.api_version == GLYPHON_PLUGIN_API_VERSION &&
         v.width == target.bitmap.width() && v.height == target.bitmap.height() &&
         v.stride == int32_t(target.bitmap.stride()) && v.pixels == target.bitmap.data() &&
         v.host == &target && v.resize == &hostResize;
}

// Makes a target the active one for the length of a scope.
class ActiveTarget {
 public:
  explicit ActiveTarget(RenderTarget& target) : m_previous(t_activeTarget) {
    t_activeTarget = &target;
  }
  ~ActiveTarget() { t_activeTarget = m_previous; }
  ActiveTarget(const ActiveTarget&) = delete;
  ActiveTarget& operator=(const ActiveTarget&) = delete;

 private:
  RenderTarget* m_previous;
};

struct LibraryCloser {
  void operator()(void* handle) const noexcept { dlclose(handle); }
};
using LibraryHandle = std::unique_ptr<void, LibraryCloser>;

// A plug-in library loaded for one call, with whichever exports it has.
struct LoadedPlugin {
  LibraryHandle library;
  GlyphonRenderFunction render = nullptr;
  GlyphonRenderTextFunction renderText = nullptr;
};

std::optional<LoadedPlugin> loadPlugin(const std::string& styleFolder,
                                       const std::string& pluginFileName) {
  const std::string path = styleFolder + "/" + pluginFileName;
  LoadedPlugin plugin;
  plugin.library.reset(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL));
  if (!plugin.library) return std::nullopt;
  plugin.render = reinterpret_cast<GlyphonRenderFunction>(
      dlsym(plugin.library.get(), GLYPHON_PLUGIN_ENTRY_NAME));
  plugin.renderText = reinterpret_cast<GlyphonRenderTextFunction>(
      dlsym(plugin.library.get(), GLYPHON_PLUGIN_TEXT_ENTRY_NAME));
  // The original export is the one every plug-in must have; a library with
  // only the text export is not a style plug-in.
  if (plugin.render == nullptr) return std::nullopt;
  return plugin;
}

// Runs draw(view) against a fresh 0 x 0 bitmap and hands the bitmap back
// when the plug-in kept to the contract.
template <typename Draw>
std::optional<Bitmap> drawInto(const Draw& draw) {
  RenderTarget target;
  target.view.struct_size = sizeof(GlyphonBitmap);
  target.view.api_version = GLYPHON_PLUGIN_API_VERSION;
  target.view.host = &target;
  target.view.resize = &hostResize;
  describeBitmap(target);
  {
    const ActiveTarget active(target);
    draw(&target.view);
  }
  if (!viewIntact(target)) return std::nullopt;
  // The pixels are already in a bitmap of ours, sized to the rendering, so
  // the result takes them over instead of copying them once more.
  return std::move(target.bitmap);
}

}  // namespace

std::optional<Bitmap> renderWithPlugin(const std::string& styleFolder,
                                       const std::string& pluginFileName,
                                       const std::string& dateDigits, int32_t styleFont,
                                       const std::string& text) {
  const std::optional<LoadedPlugin> plugin = loadPlugin(styleFolder, pluginFileName);
  if (!plugin) return std::nullopt;
  return drawInto([&](GlyphonBitmap* view) {
    (void)plugin->render(dateDigits.c_str(), styleFont, text.c_str(), view);
  });
}

std::optional<PluginContract> pluginContract(const std::string& styleFolder,
                                             const std::string& pluginFileName) {
  const std::optional<LoadedPlugin> plugin = loadPlugin(styleFolder, pluginFileName);
  if (!plugin) return std::nullopt;
  return plugin->renderText != nullptr ? PluginContract::Text : PluginContract::Ascii;
}

std::optional<PluginRendering> renderTextWithPlugin(const std::string& styleFolder,
                                                    const std::string& pluginFileName,
                                                    const std::string& dateDigits,
                                                    int32_t styleFont, std::string_view utf8Text,
                                                    double scale) {
  if (!std::isfinite(scale)) return std::nullopt;
  const std::optional<LoadedPlugin> plugin = loadPlugin(styleFolder, pluginFileName);
  if (!plugin) return std::nullopt;

  PluginRendering rendering;
  std::optional<Bitmap> bitmap;
  if (plugin->renderText == nullptr) {
    const std::string ascii = filterMemoText(utf8Text);
    bitmap = drawInto([&](GlyphonBitmap* view) {
      (void)plugin->render(dateDigits.c_str(), styleFont, ascii.c_str(), view);
    });
  } else {
    rendering.contract = PluginContract::Text;
    rendering.scale = std::clamp(scale, GLYPHON_TEXT_SCALE_MIN, GLYPHON_TEXT_SCALE_MAX);
    const std::string text = wellFormedUtf8(utf8Text);
    if (text.size() > size_t(std::numeric_limits<int32_t>::max())) return std::nullopt;
    bitmap = drawInto([&](GlyphonBitmap* view) {
      GlyphonTextRequest request{};
      request.struct_size = sizeof(GlyphonTextRequest);
      request.version = GLYPHON_TEXT_REQUEST_VERSION;
      request.style_font = styleFont;
      request.text_length = int32_t(text.size());
      request.scale = rendering.scale;
      request.date_digits = dateDigits.c_str();
      request.text = text.c_str();
      request.bitmap = view;
      (void)plugin->renderText(&request);
    });
  }
  if (!bitmap) return std::nullopt;
  rendering.bitmap = std::move(*bitmap);
  return rendering;
}

}  // namespace glyphon
