// The host side of the style plug-ins: loads a style's library, lets its
// render export draw a text into a bitmap of ours, and unloads it again.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/core/Bitmap.h"

namespace glyphon {

// Renders text with the plug-in styleFolder + "/" + pluginFileName and returns the bitmap it
// drew (possibly 0 x 0). Returns std::nullopt, and reports nothing, when the library does not
// load, lacks the render export, or breaks the bitmap contract (writes over a field of the
// bitmap it was handed). The library is loaded for this one call and unloaded on every path.
// dateDigits and text are passed as zero-terminated strings; text should already have passed
// filterMemoText.
[[nodiscard]] std::optional<Bitmap> renderWithPlugin(const std::string& styleFolder,
                                                     const std::string& pluginFileName,
                                                     const std::string& dateDigits,
                                                     int32_t styleFont, const std::string& text);

}  // namespace glyphon
