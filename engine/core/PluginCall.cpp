#include "engine/core/PluginCall.h"

#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <new>
#include <utility>

#include "engine/core/Error.h"
#include "engine/core/TextRules.h"

#include "glyphon/style_plugin.h"

namespace glyphon {

bool BitmapStore::resize(int32_t width, int32_t height) {
  try {
    // Bitmap::resize checks the limits before it allocates and changes
    // nothing when it throws, so a refused size leaves the old picture.
    m_bitmap.resize(width, height);
    return true;
  } catch (const Error&) {
  } catch (const std::bad_alloc&) {
  }
  return false;
}

namespace {

// One render in progress: the store the plug-in draws into and the C view
// of it that the plug-in is handed.
struct RenderTarget {
  PixelStore* store = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  GlyphonBitmap view{};
};

// The render running on this thread. resize() accepts only its view, so a
// plug-in that hands in a copy of the struct, or a scribbled host pointer,
// is refused instead of being followed.
thread_local RenderTarget* t_activeTarget = nullptr;

constexpr int32_t kResizeRefused = -1;

// Makes the view describe the store's picture as it now is. The pixels
// pointer changes with every resize, so this runs after each one.
void describeBitmap(RenderTarget& target) {
  target.view.width = target.width;
  target.view.height = target.height;
  target.view.stride = target.width * Bitmap::kBytesPerPixel;
  target.view.pixels = target.store->pixels();
}

extern "C" {
// Called by the plug-in across the C boundary: no exception may leave it.
static int32_t hostResize(GlyphonBitmap* self, int32_t width, int32_t height) noexcept {
  RenderTarget* target = t_activeTarget;
  if (target == nullptr || self != &target->view) return kResizeRefused;
  try {
    if (!target->store->resize(width, height)) return kResizeRefused;
  } catch (...) {
    return kResizeRefused;
  }
  target->width = width;
  target->height = height;
  describeBitmap(*target);
  return 0;
}
}  // extern "C"

// True when every field still says what the host put there; anything else
// means the plug-in wrote where it should not, and its pixels are not
// trusted.
bool viewIntact(RenderTarget& target) {
  const GlyphonBitmap& v = target.view;
  return v.struct_size == sizeof(GlyphonBitmap) && v.api_version == GLYPHON_PLUGIN_API_VERSION &&
         v.width == target.width && v.height == target.height &&
         v.stride == target.width * Bitmap::kBytesPerPixel && v.pixels == target.store->pixels() &&
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

bool loadPlugin(const std::string& path, LoadedPlugin& plugin) {
  plugin.library.reset(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL));
  if (!plugin.library) return false;
  plugin.render = reinterpret_cast<GlyphonRenderFunction>(
      dlsym(plugin.library.get(), GLYPHON_PLUGIN_ENTRY_NAME));
  plugin.renderText = reinterpret_cast<GlyphonRenderTextFunction>(
      dlsym(plugin.library.get(), GLYPHON_PLUGIN_TEXT_ENTRY_NAME));
  // The original export is the one every plug-in must have; a library with
  // only the text export is not a style plug-in.
  return plugin.render != nullptr;
}

// Runs draw(view) against a fresh 0 x 0 picture of store and says whether
// the plug-in kept to the contract.
template <typename Draw>
PluginCallStatus drawInto(PixelStore& store, PluginCallResult& result, const Draw& draw) {
  RenderTarget target;
  target.store = &store;
  if (!store.resize(0, 0)) return PluginCallStatus::NotAPlugin;
  target.view.struct_size = sizeof(GlyphonBitmap);
  target.view.api_version = GLYPHON_PLUGIN_API_VERSION;
  target.view.host = &target;
  target.view.resize = &hostResize;
  describeBitmap(target);
  {
    const ActiveTarget active(target);
    draw(&target.view);
  }
  if (!viewIntact(target)) return PluginCallStatus::BrokeContract;
  result.Width = target.width;
  result.Height = target.height;
  return PluginCallStatus::Done;
}

}  // namespace

PluginCallResult callPlugin(const PluginCall& call, PixelStore& store) {
  PluginCallResult result;
  if (call.Kind == PluginCallKind::RenderText && !std::isfinite(call.Scale)) return result;
  LoadedPlugin plugin;
  if (!loadPlugin(call.LibraryPath, plugin)) return result;
  const bool hasText = plugin.renderText != nullptr;
  result.Contract = hasText ? PluginContract::Text : PluginContract::Ascii;

  switch (call.Kind) {
    case PluginCallKind::Contract:
      result.Status = PluginCallStatus::Done;
      break;
    case PluginCallKind::Render:
      result.Status = drawInto(store, result, [&](GlyphonBitmap* view) {
        (void)plugin.render(call.DateDigits.c_str(), call.StyleFont, call.Text.c_str(), view);
      });
      break;
    case PluginCallKind::RenderText:
      if (!hasText) {
        const std::string ascii = filterMemoText(call.Text);
        result.Status = drawInto(store, result, [&](GlyphonBitmap* view) {
          (void)plugin.render(call.DateDigits.c_str(), call.StyleFont, ascii.c_str(), view);
        });
        break;
      }
      result.Scale = std::clamp(call.Scale, GLYPHON_TEXT_SCALE_MIN, GLYPHON_TEXT_SCALE_MAX);
      const std::string text = wellFormedUtf8(call.Text);
      if (text.size() > size_t(std::numeric_limits<int32_t>::max())) return PluginCallResult{};
      result.Status = drawInto(store, result, [&](GlyphonBitmap* view) {
        GlyphonTextRequest request{};
        request.struct_size = sizeof(GlyphonTextRequest);
        request.version = GLYPHON_TEXT_REQUEST_VERSION;
        request.style_font = call.StyleFont;
        request.text_length = int32_t(text.size());
        request.scale = result.Scale;
        request.date_digits = call.DateDigits.c_str();
        request.text = text.c_str();
        request.bitmap = view;
        (void)plugin.renderText(&request);
      });
      break;
  }
  return result;
}

}  // namespace glyphon
