// Opening addresses outside the program: web pages and the help page in the
// browser, "mailto:" addresses in the mail program.
//
// Every window opens addresses through urlOpener(), one process-wide opener.
// The default one asks the desktop (QDesktopServices); tests install their
// own (ScopedUrlOpener) to record what would be opened.
#pragma once

#include <QUrl>

#include "engine/core/ScopedOverride.h"

class QWidget;

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

// Opens a page of the program's (help, more style kinds) through urlOpener().
// When nothing takes it (no browser is set up), an information box tells the
// user where the page lies on disk, or its address for a web page, so that
// they can open it themselves. Returns whether a handler took it.
bool openPageOrSayWhere(QWidget* owner, const QUrl& page);

}  // namespace glyphon
