#include "windows/shell/UrlOpener.h"

#include <QDesktopServices>

namespace glyphon {

namespace {

class DesktopUrlOpener final : public UrlOpener {
 public:
  bool open(const QUrl& url) override { return QDesktopServices::openUrl(url); }
};

DesktopUrlOpener g_desktopOpener;

}  // namespace

UrlOpener& urlOpener() { return ScopedOverride<UrlOpener>::currentOr(g_desktopOpener); }

}  // namespace glyphon
