// The editor's calls of the style plug-ins. Every call runs in the style
// helper (StyleHost.h), never in the editor's process: the helper loads the
// style's library, lets its render export draw a text into a bitmap, and
// unloads it again; the bitmap comes back here.
//
// A plug-in that crashes, hangs past the time limit, ends its process,
// writes outside its bitmap or breaks the bitmap contract makes these
// functions throw PluginFailure, whose messageFor() tells the user what
// happened; RenderingCancelled when the user cancels through the wait in
// force (renderWait()). Either way nothing of the editor's state changed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/core/Bitmap.h"
#include "engine/core/PluginCall.h"
#include "engine/core/PluginFailure.h"

namespace glyphon {

// Renders text with the plug-in styleFolder + "/" + pluginFileName and returns the bitmap it
// drew (possibly 0 x 0). Returns std::nullopt, and reports nothing, when the library does not
// load or lacks the render export. dateDigits and text are passed as zero-terminated strings;
// text should already have passed filterMemoText. This is the original export only, even when
// the plug-in has the text export; renderTextWithPlugin below prefers the text export.
[[nodiscard]] std::optional<Bitmap> renderWithPlugin(const std::string& styleFolder,
                                                     const std::string& pluginFileName,
                                                     const std::string& dateDigits,
                                                     int32_t styleFont, const std::string& text);

// A rendering and the contract it was drawn through.
struct PluginRendering {
  Bitmap bitmap;
  PluginContract contract = PluginContract::Ascii;
  // The scale the bitmap was asked for: the requested one for Text, always 1 for Ascii (the
  // caller stretches an Ascii rendering itself).
  double scale = 1.0;
};

// Which contract the plug-in styleFolder + "/" + pluginFileName speaks; std::nullopt when it
// does not load or has no render export at all, and also when loading it fails in any of the
// ways above or is cancelled (rendering with it then tells the user). Never throws those.
[[nodiscard]] std::optional<PluginContract> pluginContract(const std::string& styleFolder,
                                                           const std::string& pluginFileName);

// Renders utf8Text at scale (1 = the style's natural size) with the plug-in, through its text
// export when it has one. A Text plug-in gets wellFormedUtf8(utf8Text) and the scale clamped to
// GLYPHON_TEXT_SCALE_MIN..GLYPHON_TEXT_SCALE_MAX. An Ascii plug-in gets exactly what
// renderWithPlugin hands it after filterMemoText(utf8Text), and no scale: the caller learns from
// the result's contract that it must stretch, and from charactersFilteredOut what was lost.
// Returns std::nullopt as renderWithPlugin does, and also for a scale that is not finite.
[[nodiscard]] std::optional<PluginRendering> renderTextWithPlugin(const std::string& styleFolder,
                                                                  const std::string& pluginFileName,
                                                                  const std::string& dateDigits,
                                                                  int32_t styleFont,
                                                                  std::string_view utf8Text,
                                                                  double scale = 1.0);

}  // namespace glyphon
