// Opening addresses outside the program: web pages and the help page in the
// browser, "mailto:" addresses in the mail program.
//
// Every window opens addresses through urlOpener(), one process-wide opener.
// The default one asks the desktop (QDesktopServices); tests install their
// own (ScopedUrlOpener) to record what would be opened.
#pragma once

#include <QUrl>

#include "engine/core/ScopedOverride.h"

namespace glyphon {

class UrlOpener {
 public:
  virtual ~UrlOpener() = default;
  // Hands url to the desktop's handler for its scheme. Returns whether a
  // handler took it; nothing is reported to the user either way.
  virtual bool open(const QUrl& url) = 0;
};

// The opener every window uses: the desktop one unless a test has installed
// another.
[[nodiscard]] UrlOpener& urlOpener();

// Installs a replacement for its own lifetime (see ScopedOverride).
using ScopedUrlOpener = ScopedOverride<UrlOpener>;

}  // namespace glyphon
