// The widgets of the main window and their arrangement.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QVBoxLayout>

#include "windows/mainform/CanvasView.h"
#include "windows/shell/ColorBox.h"
#include "windows/mainform/MainForm.h"

namespace glyphon {

namespace {

// The grey around the canvas; the canvas view paints the same grey around
// the canvas, so the view looks the same where its picture ends.
const QColor kSurroundGrey(128, 128, 128);

// The icon theme's icon when the desktop has one, else the style's own.
QIcon commandIcon(const char* themeName, QStyle::StandardPixmap fallback) {
  return QIcon::fromTheme(QString::fromLatin1(themeName),
                          QApplication::style()->standardIcon(fallback));
}

QAction* addCommand(QMenu* menu, const char* objectName, const QString& caption,
                    const QKeySequence& shortcut = {}, const QIcon& icon = {}) {
  QAction* action = menu->addAction(icon, caption);
  action->setObjectName(QString::fromLatin1(objectName));
  action->setShortcut(shortcut);
  return action;
}

QPushButton* addCommandButton(QWidget* parent, QBoxLayout* layout, const char* objectName,
                              const QString& caption, const QIcon& icon) {
  auto* button = new QPushButton(icon, caption, parent);
  button->setObjectName(QString::fromLatin1(objectName));
  button->setMinimumSize(96, 33);
  button->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  layout->addWidget(button);
  return button;
}

}  // namespace

void TMainForm::buildMenus() {
  QMenuBar* bar = menuBar();
  bar->setObjectName(QStringLiteral("MainMenu"));

  MenuFile = bar->addMenu(tr("&File"));
  MenuFile->setObjectName(QStringLiteral("MenuFile"));
  MenuNew = addCommand(MenuFile, "MenuNew", tr("Ne&w"), QKeySequence(Qt::CTRL | Qt::Key_N),
                       commandIcon("document-new", QStyle::SP_FileIcon));
  MenuNewFormat = addCommand(MenuFile, "MenuNewFormat", tr("&New Format..."));
  MenuOpenProject = addCommand(MenuFile, "MenuOpenProject", tr("&Open Project"), {},
                               commandIcon("document-open", QStyle::SP_DialogOpenButton));
  MenuOpenRecent = MenuFile->addMenu(tr("Open &Recent"));
  MenuOpenRecent->setObjectName(QStringLiteral("MenuOpenRecent"));
  MenuFile->addSeparator();
  MenuSaveProject = addCommand(MenuFile, "MenuSaveProject", tr("Sa&ve Project"),
                               QKeySequence(Qt::CTRL | Qt::Key_S),
                               commandIcon("document-save", QStyle::SP_DialogSaveButton));
  SaveProjectAs1 = addCommand(MenuFile, "SaveProjectAs1", tr("Save &Project As"), {},
                              commandIcon("document-save-as", QStyle::SP_DialogSaveButton));
  MenuSavePicture = addCommand(MenuFile, "MenuSavePicture", tr("&Save Picture"),
                               QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S));
  MenuFile->addSeparator();
  MenuSetWallpaper =
      addCommand(MenuFile, "MenuSetWallpaper", tr("Set &Wallpaper"), {},
                 commandIcon("preferences-desktop-wallpaper", QStyle::SP_DesktopIcon));
  MenuFile->addSeparator();
  MenuImportBackdrop = addCommand(MenuFile, "MenuImportBackdrop", tr("Import Backdrop"),
                                  QKeySequence(Qt::CTRL | Qt::Key_B),
                                  commandIcon("insert-image", QStyle::SP_DirOpenIcon));
  MenuFile->addSeparator();
  MenuPaperSetting = addCommand(MenuFile, "MenuPaperSetting", tr("P&aper Settings..."));
  MenuPrintPreview = addCommand(MenuFile, "MenuPrintPreview", tr("Print Pre&view..."), {},
                                QIcon::fromTheme(QStringLiteral("document-print-preview")));
  MenuPrint = addCommand(MenuFile, "MenuPrint", tr("&Print..."), {},
                         QIcon::fromTheme(QStringLiteral("document-print")));
  MenuFile->addSeparator();
  MenuExit = addCommand(MenuFile, "MenuExit", tr("E&xit"), {},
                        QIcon::fromTheme(QStringLiteral("application-exit")));

  MenuEdit = bar->addMenu(tr("&Edit"));
  MenuEdit->setObjectName(QStringLiteral("MenuEdit"));
  // Their captions name the step they would undo or redo (MainForm_Undo.cpp).
  MenuUndo = addCommand(MenuEdit, "MenuUndo", tr("&Undo"), QKeySequence(Qt::CTRL | Qt::Key_Z),
                        QIcon::fromTheme(QStringLiteral("edit-undo")));
  MenuRedo = addCommand(MenuEdit, "MenuRedo", tr("&Redo"), QKeySequence(Qt::CTRL | Qt::Key_Y),
                        QIcon::fromTheme(QStringLiteral("edit-redo")));
  MenuRedo->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
  MenuEdit->addSeparator();
  MenuAddText =
      addCommand(MenuEdit, "MenuAddText", tr("&Add Text"), QKeySequence(Qt::CTRL | Qt::Key_A),
                 QIcon::fromTheme(QStringLiteral("list-add")));
  MenuModifyText =
      addCommand(MenuEdit, "MenuModifyText", tr("&Modify Text"), QKeySequence(Qt::CTRL | Qt::Key_M),
                 QIcon::fromTheme(QStringLiteral("document-edit")));
  MenuDelete = addCommand(MenuEdit, "MenuDelete", tr("&Delete Text"), QKeySequence(Qt::Key_Delete),
                          commandIcon("edit-delete", QStyle::SP_TrashIcon));
  MenuEdit->addSeparator();
  MenuCut = addCommand(MenuEdit, "MenuCut", tr("Cu&t"), QKeySequence(Qt::CTRL | Qt::Key_X),
                       QIcon::fromTheme(QStringLiteral("edit-cut")));
  MenuCopy = addCommand(MenuEdit, "MenuCopy", tr("&Copy"), QKeySequence(Qt::CTRL | Qt::Key_C),
                        QIcon::fromTheme(QStringLiteral("edit-copy")));
  MenuPaste = addCommand(MenuEdit, "MenuPaste", tr("&Paste"), QKeySequence(Qt::CTRL | Qt::Key_V),
                         QIcon::fromTheme(QStringLiteral("edit-paste")));
  MenuEdit->addSeparator();
  MenuPreview =
      addCommand(MenuEdit, "MenuPreview", tr("&Preview..."), QKeySequence(Qt::CTRL | Qt::Key_P),
                 QIcon::fromTheme(QStringLiteral("view-fullscreen")));

  MenuView = bar->addMenu(tr("&View"));
  MenuView->setObjectName(QStringLiteral("MenuView"));
  MenuZoomIn =
      addCommand(MenuView, "MenuZoomIn", tr("Zoom &In"), QKeySequence(Qt::CTRL | Qt::Key_Plus),
                 QIcon::fromTheme(QStringLiteral("zoom-in")));
  // Ctrl+= is the same key without Shift on most layouts.
  MenuZoomIn->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
  MenuZoomOut =
      addCommand(MenuView, "MenuZoomOut", tr("Zoom &Out"), QKeySequence(Qt::CTRL | Qt::Key_Minus),
                 QIcon::fromTheme(QStringLiteral("zoom-out")));
  MenuFitInWindow = addCommand(MenuView, "MenuFitInWindow", tr("&Fit in Window"),
                               QKeySequence(Qt::CTRL | Qt::Key_0),
                               QIcon::fromTheme(QStringLiteral("zoom-fit-best")));
  MenuActualSize =
      addCommand(MenuView, "MenuActualSize", tr("&Actual Size"), QKeySequence(Qt::CTRL | Qt::Key_1),
                 QIcon::fromTheme(QStringLiteral("zoom-original")));

  // The style kinds of the catalogue go above the separator.
  MenuGlyphonTemplate = bar->addMenu(tr("&Glyphon Template"));
  MenuGlyphonTemplate->setObjectName(QStringLiteral("MenuGlyphonTemplate"));
  MenuGlyphonTemplate->addSeparator();
  MenuMoreGlyphon = addCommand(MenuGlyphonTemplate, "MenuMoreGlyphon", tr("&More Glyphon..."));

  MenuHelp = bar->addMenu(tr("&Help"));
  MenuHelp->setObjectName(QStringLiteral("MenuHelp"));
  MenuHelpTopic = addCommand(MenuHelp, "MenuHelpTopic", tr("Help &Contents"), {},
                             commandIcon("help-contents", QStyle::SP_DialogHelpButton));
  MenuHelp->addSeparator();
  MenuCheckforupdates = addCommand(MenuHelp, "MenuCheckforupdates", tr("Check For &Updates"), {},
                                   QIcon::fromTheme(QStringLiteral("system-software-update")));
  MenuHelp->addSeparator();
  MenuAbout = addCommand(MenuHelp, "MenuAbout", tr("&About..."), {},
                         QIcon::fromTheme(QStringLiteral("help-about")));
}

void TMainForm::buildToolPanel() {
  PanelToolBar = new QFrame(this);
  PanelToolBar->setObjectName(QStringLiteral("PanelToolBar"));
  PanelToolBar->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
  auto* layout = new QVBoxLayout(PanelToolBar);
  layout->setContentsMargins(4, 12, 4, 4);
  layout->setSpacing(12);

  ButtonNew = addCommandButton(PanelToolBar, layout, "ButtonNew", tr("&New"),
                               commandIcon("document-new", QStyle::SP_FileIcon));
  ButtonBackdrop = addCommandButton(PanelToolBar, layout, "ButtonBackdrop", tr("&Backdrop"),
                                    commandIcon("insert-image", QStyle::SP_DirOpenIcon));
  ButtonSave = addCommandButton(PanelToolBar, layout, "ButtonSave", tr("&Save"),
                                commandIcon("document-save", QStyle::SP_DialogSaveButton));
  ButtonWallpaper =
      addCommandButton(PanelToolBar, layout, "ButtonWallpaper", tr("&Wallpaper"),
                       commandIcon("preferences-desktop-wallpaper", QStyle::SP_DesktopIcon));
  ButtonTrans = addCommandButton(PanelToolBar, layout, "ButtonTrans", tr("&Transparency"),
                                 commandIcon("view-visible", QStyle::SP_TitleBarShadeButton));

  // The style-font toolbar: one picture button per style font of the
  // current style kind, scrolled vertically in steps of 40.
  layout->addSpacing(12);
  ScrollBoxToolBar = new QScrollArea(PanelToolBar);
  ScrollBoxToolBar->setObjectName(QStringLiteral("ScrollBoxToolBar"));
  ScrollBoxToolBar->setMinimumWidth(96);
  ScrollBoxToolBar->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  ScrollBoxToolBar->verticalScrollBar()->setSingleStep(40);
  ScrollBoxToolBar->setWidgetResizable(true);
  ToolBarContent = new QWidget(ScrollBoxToolBar);
  ToolBarContent->setObjectName(QStringLiteral("ToolBarContent"));
  auto* toolBarLayout = new QVBoxLayout(ToolBarContent);
  toolBarLayout->setContentsMargins(2, 2, 2, 2);
  toolBarLayout->addStretch(1);
  ScrollBoxToolBar->setWidget(ToolBarContent);
  layout->addWidget(ScrollBoxToolBar, 1);
}

void TMainForm::buildCanvasView() {
  ScrollBox = new QScrollArea(this);
  ScrollBox->setObjectName(QStringLiteral("ScrollBox"));
  ScrollBox->setFrameShape(QFrame::NoFrame);
  ScrollBox->setAlignment(Qt::AlignCenter);
  ScrollBox->setWidgetResizable(false);
  QPalette grey = ScrollBox->palette();
  grey.setColor(QPalette::Window, kSurroundGrey);
  ScrollBox->viewport()->setPalette(grey);
  ScrollBox->viewport()->setAutoFillBackground(true);
  ScrollBox->horizontalScrollBar()->setSingleStep(20);
  ScrollBox->verticalScrollBar()->setSingleStep(20);

  ImageScreen = new CanvasView(m_composition, ScrollBox);
  ImageScreen->setObjectName(QStringLiteral("ImageScreen"));
  ScrollBox->installEventFilter(this);
}

void TMainForm::buildTextPanel() {
  suiPanel1 = new QGroupBox(tr("Glyphon Panel"), this);
  suiPanel1->setObjectName(QStringLiteral("suiPanel1"));
  suiPanel1->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

  // The preview of the current style font in the selected colour.
  PanelGlyphon = new QFrame(suiPanel1);
  PanelGlyphon->setObjectName(QStringLiteral("PanelGlyphon"));
  PanelGlyphon->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  PanelGlyphon->setFixedSize(326, 176);
  QPalette white = PanelGlyphon->palette();
  white.setColor(QPalette::Window, Qt::white);
  PanelGlyphon->setPalette(white);
  PanelGlyphon->setAutoFillBackground(true);

  auto* labelColor = new QLabel(tr("Font Color:"), suiPanel1);
  labelColor->setObjectName(QStringLiteral("Label3"));
  ColorBoxColor = new ColorBox(suiPanel1);
  ColorBoxColor->setObjectName(QStringLiteral("ColorBoxColor"));
  ColorBoxColor->setMinimumWidth(103);
  labelColor->setBuddy(ColorBoxColor);

  auto* labelSize = new QLabel(tr("Font Size:"), suiPanel1);
  labelSize->setObjectName(QStringLiteral("Label2"));
  ComboBoxFontSize = new QComboBox(suiPanel1);
  ComboBoxFontSize->setObjectName(QStringLiteral("ComboBoxFontSize"));
  ComboBoxFontSize->setMinimumWidth(103);
  labelSize->setBuddy(ComboBoxFontSize);

  auto* labelText = new QLabel(tr("Input Text:"), suiPanel1);
  labelText->setObjectName(QStringLiteral("Label1"));
  MemoText = new QPlainTextEdit(suiPanel1);
  MemoText->setObjectName(QStringLiteral("MemoText"));
  MemoText->setLineWrapMode(QPlainTextEdit::NoWrap);
  MemoText->setMinimumSize(200, 120);
  MemoText->setTabChangesFocus(true);
  labelText->setBuddy(MemoText);

  ButtonAdd = new QPushButton(tr("&Add"), suiPanel1);
  ButtonAdd->setObjectName(QStringLiteral("ButtonAdd"));
  ButtonModify = new QPushButton(tr("&Modify"), suiPanel1);
  ButtonModify->setObjectName(QStringLiteral("ButtonModify"));
  ButtonDel = new QPushButton(tr("&Delete"), suiPanel1);
  ButtonDel->setObjectName(QStringLiteral("ButtonDel"));
  auto* buttons = new QVBoxLayout;
  buttons->setSpacing(23);
  buttons->addStretch(1);
  for (QPushButton* button : {ButtonAdd, ButtonModify, ButtonDel}) {
    button->setMinimumSize(75, 25);
    buttons->addWidget(button);
  }

  // Colour and size above the memo, the memo's label between them, the
  // buttons beside the memo: the panel then fits a window 1024 pixels wide.
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(8);
  grid->setVerticalSpacing(4);
  grid->addWidget(labelColor, 0, 0);
  grid->addWidget(ColorBoxColor, 0, 1);
  grid->addItem(new QSpacerItem(16, 0, QSizePolicy::Fixed), 0, 2);
  grid->addWidget(labelSize, 0, 3);
  grid->addWidget(ComboBoxFontSize, 0, 4);
  grid->addWidget(labelText, 1, 0, 1, 6, Qt::AlignLeft | Qt::AlignBottom);
  grid->addWidget(MemoText, 2, 0, 1, 6);
  grid->addLayout(buttons, 2, 6);
  grid->setColumnStretch(5, 1);

  auto* layout = new QHBoxLayout(suiPanel1);
  layout->setContentsMargins(9, 6, 12, 9);
  layout->setSpacing(8);
  layout->addWidget(PanelGlyphon, 0, Qt::AlignTop);
  layout->addLayout(grid, 1);
}

void TMainForm::buildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("StatusBar"));
  const QFontMetrics metrics(bar->font());
  // Designed widths, widened where the font needs more for the longest text.
  const std::array<int, 3> widths{
      std::max(200,
               metrics.horizontalAdvance(QStringLiteral("Source picture size: 65535 x 65535"))),
      std::max(200,
               metrics.horizontalAdvance(QStringLiteral("Object picture size: 65535 x 65535"))),
      std::max(80, metrics.horizontalAdvance(QStringLiteral("Unmodified")) + 12)};
  for (size_t i = 0; i < m_statusPanels.size(); ++i) {
    auto* panel = new QLabel(bar);
    panel->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
    panel->setContentsMargins(4, 0, 4, 0);
    if (i < widths.size()) {
      panel->setMinimumWidth(widths[i]);
      bar->addWidget(panel);
    } else {
      // The project path takes the rest of the bar.
      panel->setMinimumWidth(50);
      bar->addWidget(panel, 1);
    }
    m_statusPanels[i] = panel;
  }
  // The zoom of the canvas view, at the right end.
  ZoomPanel = new QLabel(bar);
  ZoomPanel->setObjectName(QStringLiteral("ZoomPanel"));
  ZoomPanel->setContentsMargins(4, 0, 4, 0);
  ZoomPanel->setMinimumWidth(metrics.horizontalAdvance(QStringLiteral("1600%")) + 12);
  ZoomPanel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  bar->addPermanentWidget(ZoomPanel);
}

}  // namespace glyphon
