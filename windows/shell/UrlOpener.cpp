#include "windows/shell/UrlOpener.h"

#include <QDesktopServices>

namespace glyphon {

namespace {

class DesktopUrlOpener final : public UrlOpener {
 public:
  bool open(const QUrl& url) override { return QDesktopServices::openUrl(url); }
};

DesktopUrlOpener g_desktopOpener;
UrlOpener* g_current = &g_desktopOpener;

}  // namespace

UrlOpener& urlOpener() { return *g_current; }

ScopedUrlOpener::ScopedUrlOpener(UrlOpener& opener) : m_previous(g_current) { g_current = &opener; }

ScopedUrlOpener::~ScopedUrlOpener() { g_current = m_previous; }

}  // namespace glyphon
