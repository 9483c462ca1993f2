// The plug-ins of the installed style kinds, as the engine's renderings
// take them: where the style catalogue says they lie, with today's date
// digits.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <string>

#include "engine/core/StyleRendering.h"

namespace glyphon {

// Today's date in the user's short date format, as the plug-ins get it.
[[nodiscard]] std::string todaysDateDigits();

// The plug-in of a style folder and file as the catalogue names them.
[[nodiscard]] StyleSource styleSource(const QString& folder, const QString& pluginFileName);

// The plug-in of style kind id in the style catalogue (StyleCatalogue); std::nullopt when the
// catalogue does not know the kind.
[[nodiscard]] std::optional<StyleSource> installedStyleSource(int32_t id);

}  // namespace glyphon
