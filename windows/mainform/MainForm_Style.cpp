// The main window's style choice: the template menu of style kinds, the
// style-font toolbar, the tinted style preview and the page about getting
// more style kinds.
#include <QAction>
#include <QBoxLayout>
#include <QFrame>
#include <QMenu>
#include <QUrl>
#include <exception>
#include <new>
#include <string>

#include "engine/core/Error.h"
#include "engine/documents/StylePicture.h"
#include "windows/shell/ColorBox.h"
#include "windows/shell/ImageBox.h"
#include "windows/mainform/MainForm.h"
#include "windows/shell/MessageBoxes.h"
#include "services/shell/StyleCatalogue.h"
#include "windows/shell/UrlOpener.h"

namespace glyphon {

namespace {

// The style kind the editor starts with.
constexpr int32_t kStartStyleKindId = 10001;

// Size of a toolbar picture and the distance from one to the next.
constexpr QSize kStyleFontImageSize(90, 70);
constexpr int kStyleFontImageGap = 2;

// Size of the style preview's picture.
constexpr int32_t kPreviewWidth = 320;
constexpr int32_t kPreviewHeight = 170;

// The page that tells how to install more style kinds, in the program's
// data folder.
const char* const kMoreStylesPage = "/help/styles.html";

// Runs step. When it fails, returns false and keeps the failure's text in
// firstFailure, unless that already holds an earlier one.
template <typename Step>
bool runGuarded(Step&& step, QString& firstFailure) {
  QString failure;
  try {
    step();
    return true;
  } catch (const std::bad_alloc&) {
    failure = QStringLiteral("Out of memory");
  } catch (const std::exception& e) {
    failure = QString::fromUtf8(e.what());
  }
  if (firstFailure.isEmpty()) firstFailure = failure;
  return false;
}

// A caption shown as it is: "&" is a letter, not an access key.
QString literalCaption(const QString& caption) {
  QString escaped = caption;
  return escaped.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

}  // namespace

void TMainForm::setUpStyles() {
  StyleKindId = kStartStyleKindId;
  StyleFontIndex = 0;
  connect(MenuMoreGlyphon, &QAction::triggered, this, &TMainForm::MenuMoreGlyphonClick);
  connect(ColorBoxColor, &ColorBox::colorChanged, this, &TMainForm::ColorBoxColorChange);
  buildTemplateMenu();
  readStyleEntry(StyleKindId);
  buildStyleToolBar();
  buildStylePreview();
}

void TMainForm::selectStartStyleFont() {
  QString failure = loadStyleFont(0);
  // Start-up reports one picture that could not be read, the first, and
  // goes on; the editor always opens.
  if (!m_startUpStyleError.isEmpty()) failure = m_startUpStyleError;
  m_startUpStyleError.clear();
  if (!failure.isEmpty()) showGeneralError(this, failure);
}

void TMainForm::buildTemplateMenu() {
  runCommand(this, [this] {
    // The kinds go above the separator, in the catalogue's order.
    QAction* separator = MenuGlyphonTemplate->actions().value(0);
    for (const StyleKindEntry& entry : StyleCatalogue().templateEntries()) {
      auto* action = new QAction(literalCaption(entry.caption), MenuGlyphonTemplate);
      action->setObjectName(QStringLiteral("MenuGlyphonType%1").arg(entry.id));
      action->setData(entry.id);
      action->setCheckable(false);
      const int32_t id = entry.id;
      connect(action, &QAction::triggered, this, [this, id] { MenuGlyphonTypeClick(id); });
      MenuGlyphonTemplate->insertAction(separator, action);
    }
  });
}

void TMainForm::buildStyleToolBar() {
  auto* layout = qobject_cast<QBoxLayout*>(ToolBarContent->layout());
  layout->setSpacing(kStyleFontImageGap);
  for (int32_t n = 0; n < int32_t(StyleFontImages.size()); ++n) {
    auto* image = new ImageBox(ToolBarContent);
    image->setObjectName(QStringLiteral("StyleFontImage%1").arg(n + 1));
    image->setFixedSize(kStyleFontImageSize);
    image->setCursor(Qt::PointingHandCursor);
    image->setToolTip(tr("Style font %1").arg(n + 1));
    connect(image, &ImageBox::clicked, this, [this, n] { selectStyleFont(n); });
    layout->insertWidget(n, image, 0, Qt::AlignHCenter);
    StyleFontImages[size_t(n)] = image;
  }
  m_startUpStyleError = loadStyleFontImages();
}

void TMainForm::buildStylePreview() {
  PreviewFrame = new QFrame(PanelGlyphon);
  PreviewFrame->setObjectName(QStringLiteral("PreviewFrame"));
  PreviewFrame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  PreviewFrame->setLineWidth(1);
  const int frame = PreviewFrame->frameWidth();
  PreviewFrame->setFixedSize(kPreviewWidth + 2 * frame, kPreviewHeight + 2 * frame);
  PreviewImage = new ImageBox(PreviewFrame);
  PreviewImage->setObjectName(QStringLiteral("PreviewImage"));
  PreviewImage->setGeometry(frame, frame, kPreviewWidth, kPreviewHeight);
  PreviewImage->setPicture(Bitmap(kPreviewWidth, kPreviewHeight));
  // One pixel inside the panel's own frame; the panel grows when that frame
  // leaves too little room.
  const QMargins panelFrame = PanelGlyphon->contentsMargins();
  const QSize needed(PreviewFrame->width() + panelFrame.left() + panelFrame.right() + 2,
                     PreviewFrame->height() + panelFrame.top() + panelFrame.bottom() + 2);
  PanelGlyphon->setFixedSize(PanelGlyphon->minimumSize().expandedTo(needed));
  PreviewFrame->move(panelFrame.left() + 1, panelFrame.top() + 1);
}

void TMainForm::readStyleEntry(int32_t styleKindId) {
  const StyleLocation location = StyleCatalogue().location(styleKindId);
  StyleFolder = location.folder;
  PluginFileName = location.pluginFileName;
  updateStyleContract();
}

QString TMainForm::stylePicturePath(const QString& fileName) const {
  return StyleFolder + QLatin1Char('/') + QString::number(StyleKindId) + QLatin1Char('/') +
         fileName;
}

QString TMainForm::loadStyleFontImages() {
  QString firstFailure;
  for (size_t n = 0; n < StyleFontImages.size(); ++n) {
    Bitmap picture;
    // A kind the catalogue gives no folder has no pictures to look for.
    if (!StyleFolder.isEmpty()) {
      const QString path = stylePicturePath(QStringLiteral("desc%1.gph").arg(n + 1));
      const bool loaded =
          runGuarded([&] { picture = loadStylePicture(path.toStdString()); }, firstFailure);
      if (!loaded) picture = Bitmap();
    }
    StyleFontImages[n]->setPicture(std::move(picture));
  }
  return firstFailure;
}

QString TMainForm::loadStyleFont(int32_t index) {
  readStyleEntry(StyleKindId);
  StyleFontIndex = index;
  QString failure;
  SampleBitmap = Bitmap();
  if (!StyleFolder.isEmpty()) {
    const QString path = stylePicturePath(QStringLiteral("%1.gph").arg(index + 1));
    runGuarded([&] { SampleBitmap = loadStylePicture(path.toStdString()); }, failure);
  }
  showStylePreview();
  return failure;
}

void TMainForm::showStylePreview() {
  PreviewImage->setPicture(
      stylePreview(SampleBitmap, kPreviewWidth, kPreviewHeight, ColorBoxColor->selected()));
}

void TMainForm::selectStyleFont(int32_t index) {
  runCommand(this, [this, index] {
    const QString failure = loadStyleFont(index);
    if (!failure.isEmpty()) throw Error(failure.toStdString());
  });
}

void TMainForm::MenuGlyphonTypeClick(int32_t styleKindId) {
  runCommand(this, [this, styleKindId] {
    readStyleEntry(styleKindId);
    if (styleKindId == StyleKindId) return;
    StyleKindId = styleKindId;
    StyleFontIndex = 0;
    // Every picture of the new kind is tried; the first failure is reported.
    QString failure = loadStyleFontImages();
    const QString sampleFailure = loadStyleFont(0);
    if (failure.isEmpty()) failure = sampleFailure;
    if (!failure.isEmpty()) throw Error(failure.toStdString());
  });
}

void TMainForm::MenuMoreGlyphonClick() {
  (void)openPageOrSayWhere(this,
                           QUrl::fromLocalFile(m_programFolder + QLatin1String(kMoreStylesPage)));
}

void TMainForm::ColorBoxColorChange() {
  runCommand(this, [this] { showStylePreview(); });
}

}  // namespace glyphon
