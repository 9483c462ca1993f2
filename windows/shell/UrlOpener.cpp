#include "windows/shell/UrlOpener.h"

#include <QDesktopServices>
#include <QDir>

#include "windows/shell/MessageBoxes.h"

namespace glyphon {

namespace {

class DesktopUrlOpener final : public UrlOpener {
 public:
  bool open(const QUrl& url) override { return QDesktopServices::openUrl(url); }
};

DesktopUrlOpener g_desktopOpener;

}  // namespace

UrlOpener& urlOpener() { return ScopedOverride<UrlOpener>::currentOr(g_desktopOpener); }

bool openPageOrSayWhere(QWidget* owner, const QUrl& page) {
  if (urlOpener().open(page)) return true;
  const QString where = page.isLocalFile()
                            ? QObject::tr("It lies at:") + QLatin1Char('\r') +
                                  QDir::toNativeSeparators(page.toLocalFile())
                            : QObject::tr("Its address is:") + QLatin1Char('\r') + page.toString();
  informationBox(owner, QObject::tr("No program could open the page.") + QLatin1Char('\r') + where);
  return false;
}

}  // namespace glyphon
