#include "windows/mainform/MainForm.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>
#include <utility>

#include "engine/documents/Autosaver.h"
#include "services/shell/UserConfig.h"
#include "windows/mainform/CanvasView.h"
#include "windows/shell/ColorBox.h"
#include "windows/shell/MessageBoxes.h"

namespace glyphon {

namespace {

// The text colour the editor starts with: red 104, green 255, blue 119.
constexpr Color kStartColor = rgb(104, 255, 119);

// The font sizes offered: 10 to 100 percent of the rendered size.
constexpr int kFontSizeCount = 10;
constexpr int kStartFontSizeIndex = 4;  // "50"

// The size the window is designed for, used when it is not maximised.
constexpr QSize kDesignedSize(1018, 753);

}  // namespace

TMainForm::TMainForm(QString programFolder, QStringList arguments, QWidget* parent)
    : QMainWindow(parent), m_programFolder(std::move(programFolder)) {
  setObjectName(QStringLiteral("MainForm"));
  setWindowTitle(QString::fromUtf8(kApplicationTitle));

  buildMenus();
  buildToolPanel();
  buildCanvasView();
  buildTextPanel();
  buildStatusBar();

  auto* central = new QWidget(this);
  auto* right = new QVBoxLayout;
  right->setContentsMargins(0, 0, 0, 0);
  right->setSpacing(4);
  right->addWidget(ScrollBox, 1);
  right->addWidget(suiPanel1);
  auto* layout = new QHBoxLayout(central);
  layout->setContentsMargins(0, 0, 4, 2);
  layout->setSpacing(0);
  layout->addWidget(PanelToolBar);
  layout->addLayout(right, 1);
  setCentralWidget(central);

  connect(MenuNew, &QAction::triggered, this, &TMainForm::ButtonNewClick);
  connect(ButtonNew, &QPushButton::clicked, this, &TMainForm::ButtonNewClick);
  connect(MenuNewFormat, &QAction::triggered, this, &TMainForm::MenuNewFormatClick);
  connect(MenuImportBackdrop, &QAction::triggered, this, &TMainForm::ButtonBackdropClick);
  connect(ButtonBackdrop, &QPushButton::clicked, this, &TMainForm::ButtonBackdropClick);
  connect(MenuExit, &QAction::triggered, this, &TMainForm::MenuExitClick);
  connect(MenuSetWallpaper, &QAction::triggered, this, &TMainForm::ButtonWallpaperClick);
  connect(ButtonWallpaper, &QPushButton::clicked, this, &TMainForm::ButtonWallpaperClick);
  connect(MenuPreview, &QAction::triggered, this, &TMainForm::MenuPreviewClick);
  setUpEditing();
  setUpHelp();
  setUpProjects();
  setUpPrinting();
  setUpView();
  setUpAutosave();

  // Restored from maximised, the window has its designed size, centred, or
  // the screen's size where that is smaller.
  QSize size = kDesignedSize;
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    size = size.boundedTo(screen->availableGeometry().size());
    QRect frame(QPoint(), size);
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
  resize(size);

  FormCreate(std::move(arguments));
}

TMainForm::~TMainForm() {
  // The application may quit without closing the window first.
  FormDestroy();
  m_composition.setListener(nullptr);
}

void TMainForm::FormCreate(QStringList arguments) {
  // The composition starts with no bitmaps, no items, no clipboard item and
  // unmodified; ProjectPath is empty.
  m_composition.setListener(this);
  modifiedChanged(m_composition.Modified());

  ColorBoxColor->setSelected(kStartColor);

  const Configuration config = loadUserConfiguration();
  Settings = config.Canvas;
  PrintSettings = config.Print;

  AskBeforeDiscard = false;
  ButtonNewClick();
  AskBeforeDiscard = true;

  // The translated dialogs stay English unless GLYPHON_LANGUAGE names a
  // language file.
  LanguageIndex = chosenLanguageIndex(m_programFolder);

  // The style kind 10001 and its first style font, the template menu, the
  // style-font toolbar and the style preview.
  setUpStyles();

  // The project named on the command line opens without a question, since
  // nothing is modified yet; further arguments are ignored.
  if (!arguments.isEmpty()) m_commandLineProject = arguments.front();
  if (!m_commandLineProject.trimmed().isEmpty()) OpenProject(m_commandLineProject);

  for (int i = 1; i <= kFontSizeCount; ++i) ComboBoxFontSize->addItem(QString::number(10 * i));
  ComboBoxFontSize->setCurrentIndex(kStartFontSizeIndex);

  selectStartStyleFont();

  // Copies of editors that crashed are offered once the window is up.
  QTimer::singleShot(0, this, &TMainForm::offerRecovery);
}

void TMainForm::closeEvent(QCloseEvent* event) {
  // A modified picture is offered for saving first; Cancel, or a save that
  // did not happen, keeps the window open.
  if (!m_destroyed && m_composition.Modified() && !confirmClose()) {
    event->ignore();
    return;
  }
  FormDestroy();
  event->accept();
}

void TMainForm::FormDestroy() {
  if (m_destroyed) return;
  m_destroyed = true;
  // A configuration file that cannot be written is reported and the old one
  // kept; shut-down goes on.
  runCommand(this, [this] { saveUserConfiguration({Settings, PrintSettings}); });
  // Closed normally: the recovery copy goes, once a write under way ends.
  m_autosaver.reset();
  // closeEvent has offered to save a modified picture. The bitmaps, the
  // clipboard item and the item list belong to the composition and go with
  // the window.
}

void TMainForm::MenuExitClick() { close(); }

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ScrollBox && event->type() == QEvent::Resize) ScrollBoxResize();
  return QMainWindow::eventFilter(watched, event);
}

void TMainForm::ScrollBoxResize() {
  runCommand(this, [this] { ImageScreen->LayoutScreen(); });
}

QString TMainForm::defaultPicturePath() const {
  return m_programFolder + QStringLiteral("/pic/default.jpg");
}

QString TMainForm::statusText(int panel) const {
  if (panel < 0 || size_t(panel) >= m_statusPanels.size()) return {};
  return m_statusPanels[size_t(panel)]->text();
}

void TMainForm::setStatusText(int panel, const QString& text) {
  m_statusPanels[size_t(panel)]->setText(text);
}

void TMainForm::canvasChanged(const Rect& canvasRect) { ImageScreen->canvasChanged(canvasRect); }

void TMainForm::canvasReplaced() { ImageScreen->canvasReplaced(); }

void TMainForm::modifiedChanged(bool modified) {
  setStatusText(2, modified ? tr("Modified") : tr("Unmodified"));
  setWindowModified(modified);
  // Every refresh ends here, also one that only shows or hides handles.
  ImageScreen->syncHandles();
  autosaveModifiedChanged(modified);
}

}  // namespace glyphon
