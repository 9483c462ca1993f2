// The host side of the style plug-ins: loads a style's library, lets its
// render export draw a text into a bitmap of ours, and unloads it again.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/core/Bitmap.h"

namespace glyphon {

// Renders text with the plug-in styleFolder + "/" + pluginFileName and returns the bitmap it
// drew (possibly 0 x 0). Returns std::nullopt, and reports nothing, when the library does not
// load, lacks the render export, or breaks the bitmap contract (writes over a field of the
// bitmap it was handed). The library is loaded for this one call and unloaded on every path.
// dateDigits and text are passed as zero-terminated strings; text should already have passed
// filterMemoText. This is the original export only, even when the plug-in has the text export;
// renderTextWithPlugin below prefers the text export.
[[nodiscard]] std::optional<Bitmap> renderWithPlugin(const std::string& styleFolder,
                                                     const std::string& pluginFileName,
                                                     const std::string& dateDigits,
                                                     int32_t styleFont, const std::string& text);

// Which render export a plug-in speaks. Ascii: only the original export (printable ASCII at
// the style's natural size). Text: the text export too (any UTF-8 text, at any scale).
enum class PluginContract { Ascii, Text };

// A rendering and the contract it was drawn through.
struct PluginRendering {
  Bitmap bitmap;
  PluginContract contract = PluginContract::Ascii;
  // The scale the bitmap was asked for: the requested one for Text, always 1 for Ascii (the
  // caller stretches an Ascii rendering itself).
  double scale = 1.0;
};

// Which contract the plug-in styleFolder + "/" + pluginFileName speaks; std::nullopt when it
// does not load or has no render export at all. Loads and unloads the library.
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
