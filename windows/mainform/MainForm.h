// The main window: menus, the left tool panel, the canvas view, the text
// panel and the status bar. It owns the composition and the canvas settings
// for the whole run of the program and hands every command to its handler.
//
// The window shows the composition and never computes pixels itself: it
// reads its widgets, calls the composition, and writes its widgets back when
// the composition reports a change.
#pragma once

#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/core/Bitmap.h"
#include "engine/core/Composition.h"
#include "engine/core/Drag.h"
#include "engine/core/StyleRendering.h"
#include "engine/core/UndoHistory.h"
#include "engine/documents/CanvasSettings.h"
#include "engine/printing/PrintLayout.h"

class QAction;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;
class QTimer;

namespace glyphon {

class AbandonedCopy;
class Autosaver;
class CanvasView;
class ColorBox;
class ImageBox;
class TTransForm;

class TMainForm : public QMainWindow, private CompositionListener {
  Q_OBJECT

 public:
  // programFolder: the program's data folder, without a trailing separator
  // (the default picture lies in its "pic" folder). arguments: the command
  // line without the program name; the first one names a project file.
  // Construction runs the whole start-up; its failures are reported in
  // message boxes and start-up goes on.
  TMainForm(QString programFolder, QStringList arguments, QWidget* parent = nullptr);
  ~TMainForm() override;

  [[nodiscard]] const Composition& composition() const { return m_composition; }
  [[nodiscard]] Composition& composition() { return m_composition; }
  [[nodiscard]] const QString& programFolder() const { return m_programFolder; }
  // The path of the default backdrop picture.
  [[nodiscard]] QString defaultPicturePath() const;
  // The project file named on the command line, or empty.
  [[nodiscard]] const QString& commandLineProject() const { return m_commandLineProject; }
  // The text of status-bar panel 0 to 3.
  [[nodiscard]] QString statusText(int panel) const;

  // What the window holds, read-only: the commands below, the dialogs they
  // open and the configuration file and style catalogue read at start-up
  // are the ways to change it. The members they return are described where
  // they are declared.
  [[nodiscard]] const CanvasSettings& settings() const { return Settings; }
  [[nodiscard]] const PrintLayout& printSettings() const { return PrintSettings; }
  [[nodiscard]] int32_t languageIndex() const { return LanguageIndex; }
  [[nodiscard]] const QString& projectPath() const { return ProjectPath; }
  [[nodiscard]] bool askBeforeDiscard() const { return AskBeforeDiscard; }
  [[nodiscard]] int32_t styleKindId() const { return StyleKindId; }
  [[nodiscard]] int32_t styleFontIndex() const { return StyleFontIndex; }
  [[nodiscard]] const QString& styleFolder() const { return StyleFolder; }
  [[nodiscard]] const QString& pluginFileName() const { return PluginFileName; }
  [[nodiscard]] const Bitmap& sampleBitmap() const { return SampleBitmap; }
  [[nodiscard]] const DragState& dragState() const { return m_drag; }

  // Commands. Each is what a menu entry, a button or a key does; the widgets
  // themselves are the window's own (tests find them by object name).
  void ButtonNewClick();
  void MenuNewFormatClick();
  void ButtonBackdropClick();
  void MenuExitClick();
  // Project files and picture export (MainForm_Project.cpp). OpenProject
  // asks for a file when path is blank; SaveProjectToFile writes the
  // composition to path and throws Error when it cannot, leaving the old
  // file, Modified and the status bar as they were.
  void MenuOpenProjectClick();
  void MenuSaveProjectClick();
  void SaveProjectAs1Click();
  void ButtonSaveClick();
  void OpenProject(const QString& path);
  void SaveProjectToFile(const QString& path);
  // File > Open Recent: opens the project at path, one of the recent list;
  // a file that is gone is taken off the list with a note.
  void MenuOpenRecentClick(const QString& path);
  // The recent projects, newest first, as File > Open Recent lists them.
  [[nodiscard]] const QStringList& recentProjects() const { return m_recentProjects; }
  // What a drop on the window does: a project file (".gyf") opens, with the
  // save-changes prompt; any other file opens as a new canvas of the
  // picture's own size, as New Format with "same as the picture" does.
  void openDroppedFile(const QString& path);
  void ButtonWallpaperClick();
  void MenuPreviewClick();
  // Printing (windows/mainform/MainForm_Print.cpp): the paper of the current
  // printer, the print preview dialog that edits PrintSettings, and direct
  // printing with PrintSettings.
  void MenuPaperSettingClick();
  void MenuPrintPreviewClick();
  void MenuPrintClick();
  // The Help menu (MainForm_Help.cpp): the help page in the browser, the
  // update check and the about box.
  void MenuHelpTopicClick();
  void MenuCheckforupdatesClick();
  void MenuAboutClick();
  // The help page the Help menu opens.
  [[nodiscard]] QString helpPagePath() const;
  // Lays the canvas out again for the current size of the canvas view.
  void ScrollBoxResize();
  // The View menu (MainForm_View.cpp): zoom steps about the middle of the
  // view, Fit in Window (the zoom then follows the window's size) and
  // Actual Size (one canvas pixel per device pixel). The status bar shows
  // the zoom (zoomText).
  void MenuZoomInClick();
  void MenuZoomOutClick();
  void MenuFitInWindowClick();
  void MenuActualSizeClick();
  [[nodiscard]] QString zoomText() const;
  // The arrow keys on the canvas view: moves the selected item by (dx, dy)
  // canvas pixels; presses in a row are one step of the history.
  void nudgeSelected(int dx, int dy);
  // Escape on the canvas view: hides the handles, as a press on empty
  // canvas does.
  void ImageScreenEscape();
  // Style commands (MainForm_Style.cpp): choosing a style kind in the
  // template menu, the page about more style kinds, choosing a style font
  // (a click on toolbar picture index), and re-tinting the preview for the
  // colour chosen.
  void MenuGlyphonTypeClick(int32_t styleKindId);
  void MenuMoreGlyphonClick();
  void selectStyleFont(int32_t index);
  void ColorBoxColorChange();
  // Editing commands (windows/mainform/MainForm_Edit.cpp). Add and Modify render the
  // memo text with the current style; Delete, Cut, Copy and Paste act on the
  // selected item and the internal clipboard; ButtonTrans shows or hides the
  // transparency window, whose slider changes reach TrackBarTransChange.
  void ButtonAddClick();
  void ButtonModifyClick();
  void MenuDeleteClick();
  void MenuCutClick();
  void MenuCopyClick();
  void MenuPasteClick();
  void ButtonTransClick();
  void TrackBarTransChange(int position);
  // The key filter of the memo for a style of the ASCII export: whether
  // typed text may go in. Characters above code 126 are refused; control
  // keys pass.
  [[nodiscard]] static bool MemoTextKeyPress(const QString& typed);
  // Whether the current style's plug-in has the text export, so that the
  // memo takes any text and Add and Modify render it whole.
  [[nodiscard]] bool memoTakesAnyText() const { return m_memoTakesAnyText; }
  // What of typed text the memo takes with the current style: all of it
  // with the text export, else the characters MemoTextKeyPress lets pass.
  // The characters refused are named in the status note.
  [[nodiscard]] QString typedTextKept(const QString& typed);
  // The pointer on the canvas view (windows/mainform/MainForm_Mouse.cpp), at positions
  // of the view; the view maps them to canvas pixels.
  void ImageScreenMouseDown(int32_t X, int32_t Y);
  void ImageScreenMouseMove(int32_t X, int32_t Y);
  void ImageScreenMouseUp(int32_t X, int32_t Y);
  // The undo history (windows/mainform/MainForm_Undo.cpp). Every change of the picture
  // by Add, Modify, Delete, Cut, Paste, a drag, a fade or Import Backdrop
  // is a step of history(); New, New Format and Open Project forget them
  // all (clearHistory). The steps keep at most the set number of bytes of
  // bitmaps alive (256 MiB unless set); the oldest go first.
  void MenuUndoClick();
  void MenuRedoClick();
  void clearHistory();
  void setHistoryLimit(size_t bytes);
  [[nodiscard]] size_t historyBytes() const;
  [[nodiscard]] const UndoHistory& history() const { return m_history; }
  // Autosave and recovery (windows/mainform/MainForm_Autosave.cpp). While
  // the composition is modified, a recovery copy is written on another
  // thread right after the first change (following a save, New, Open or
  // the start) and then every interval (a minute unless set, or
  // GLYPHON_AUTOSAVE_INTERVAL_MS says otherwise) when something changed;
  // it goes when the composition is saved or discarded and when the window
  // closes. offerRecovery offers the copies of editors that are gone, one
  // by one, newest first (the start does, once the window is up).
  void offerRecovery();
  void setAutosaveInterval(int milliseconds);
  // Copies written and failed so far.
  struct AutosaveCounts {
    int written = 0;
    int failed = 0;
  };
  [[nodiscard]] AutosaveCounts autosaveCounts() const { return m_autosaveCounts; }
  // Whether the composition is modified and the recovery copy holds it as
  // it is now.
  [[nodiscard]] bool recoveryCopyCurrent() const;
  // Returns once the copy handed over is written and the window knows.
  void waitForAutosave();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Building the widgets (MainForm_Layout.cpp).
  void buildMenus();
  void buildToolPanel();
  void buildCanvasView();
  void buildTextPanel();
  void buildStatusBar();

  void FormCreate(QStringList arguments);
  void FormDestroy();

  // The style catalogue and its toolbars (MainForm_Style.cpp).
  // Start-up: kind 10001, style font 0, the template menu, the catalogue
  // entry, the toolbar and the preview.
  void setUpStyles();
  // Start-up: selects style font 0 and reports the first style picture that
  // could not be read during start-up, if any.
  void selectStartStyleFont();
  void buildTemplateMenu();
  void buildStyleToolBar();
  void buildStylePreview();
  // Reads the catalogue entry of the kind into StyleFolder and
  // PluginFileName, and learns which export its plug-in has.
  void readStyleEntry(int32_t styleKindId);
  // Loads the five toolbar pictures of the current kind; a picture that
  // cannot be read is left empty. Returns the first failure's message.
  QString loadStyleFontImages();
  // Makes index the current style font and shows its sample; a sample that
  // cannot be read leaves the preview black. Returns the failure's message.
  QString loadStyleFont(int32_t index);
  // Shows SampleBitmap in PreviewImage, tinted with the chosen colour.
  void showStylePreview();
  // The path of a style picture of the current kind ("desc1.gph", "1.gph").
  [[nodiscard]] QString stylePicturePath(const QString& fileName) const;

  // Editing (windows/mainform/MainForm_Edit.cpp): connects the edit commands, the
  // canvas pointer and the transparency window, and creates that window.
  void setUpEditing();
  // Connects the Help menu (MainForm_Help.cpp).
  void setUpHelp();
  // Connects the View menu and the canvas view's keys (MainForm_View.cpp).
  void setUpView();
  void showZoom(double zoom);
  // Reads the screen resolution and connects the printing commands
  // (windows/mainform/MainForm_Print.cpp).
  void setUpPrinting();
  // The memo text with CR LF line breaks as the current style renders it:
  // whole for a style of the text export; otherwise through the character
  // filter, written back into the memo when that changed it, with what was
  // left out named in the status note.
  std::string filteredMemoText();
  // Learns whether the current style's plug-in has the text export
  // (MainForm_Edit.cpp); forgets the status note about the previous one.
  void updateStyleContract();
  // Shows text in the status note; empty text hides it.
  void setStatusNote(const QString& text);
  // Names the characters (UTF-8) the current style cannot draw in the
  // status note.
  void noteCharactersLeftOut(const std::string& leftOut);
  // The item's rendering made afresh by its style kind's plug-in for rect,
  // the end of a drag that resized it; null when the item keeps its
  // rendering stretched (see renderResized).
  std::shared_ptr<const Bitmap> renderingFor(const TTextItem& item, const Rect& rect);
  // The checks Add and Modify share; shows the first failure's message and
  // moves the focus to the control to fix.
  bool checkEditInput(const std::string& text);
  // A new item rendered from text by the current style's plug-in at the
  // corner (x0, y0) with the size and colour chosen, keeping the rendering
  // kept says (see renderNewItem); null when the plug-in does not load or
  // lacks its export, and when it failed, drew nothing (the user is told of
  // both) or the user cancelled.
  std::unique_ptr<TTextItem> renderItem(int32_t x0, int32_t y0, const std::string& text,
                                        NewItemRendering kept);
  // Ends a drag in progress without moving anything, for commands that
  // change the selection while the button is held.
  void cancelDrag();
  // The undo history (windows/mainform/MainForm_Undo.cpp): ties the Undo and
  // Redo entries to it; does a step and records it (a step that fails
  // records nothing and clears the history; its error goes on to the
  // caller).
  void setUpHistory();
  void pushStep(std::unique_ptr<UndoStep> step);

  // New, New Format and Import Backdrop (MainForm_New.cpp). newCanvas
  // returns whether it made a new canvas.
  bool newCanvas();
  // What New makes from Settings, decided before anything changes: the
  // picture as loaded and the canvas size. Empty when New makes no canvas,
  // after telling the user why (errors it throws go on to the caller).
  struct NewCanvasPlan {
    Bitmap picture;
    int32_t width = 0;
    int32_t height = 0;
  };
  std::optional<NewCanvasPlan> planNewCanvas();
  // The status panels New fills for a plan.
  void showNewCanvasSizes(const NewCanvasPlan& plan);
  void newFormat();
  void importBackdrop();
  // The save-changes prompt; returns whether the command may go on.
  bool confirmDiscard();
  // Saves the project before a command discards it; returns whether the
  // command may go on. Saving projects arrives with the project files.
  bool saveProjectBeforeDiscard();

  // Project files and picture export (MainForm_Project.cpp): connects the
  // commands; the steps of Open, Save (asking for a name when askForName
  // or when there is no ProjectPath; returns whether it saved) and Save
  // Picture; and the question before a modified picture is closed.
  void setUpProjects();
  void openProject(QString path);
  bool saveProject(bool askForName);
  void saveCanvasPicture();
  bool confirmClose();
  // The recent list after path was opened or saved, stored and shown.
  void rememberProject(const QString& path);
  void buildRecentMenu();
  // The title: the project's file name and the unsaved mark, or the
  // program's name alone before the first save.
  void updateTitle();

  // Autosave (MainForm_Autosave.cpp): starts the writer and its timers;
  // follows the modified state; hands a snapshot over, with the copies of
  // editors that are gone that it replaces; hears of the write; recovers
  // an abandoned copy.
  void setUpAutosave();
  void autosaveModifiedChanged(bool modified);
  void autosaveTick();
  void writeRecoveryCopy(std::vector<AbandonedCopy> replaced);
  void autosaveFinished(uint64_t ticket, bool written, const QString& error);
  void recoverFrom(AbandonedCopy copy);

  // Set Wallpaper and Preview (MainForm_Output.cpp).
  void setWallpaper();
  void showPreview();
  // Where Set Wallpaper writes the picture, in the user's data folder.
  static QString wallpaperPath();

  void setStatusText(int panel, const QString& text);

  // CompositionListener.
  void canvasChanged(const Rect& canvasRect) override;
  void canvasReplaced() override;
  void modifiedChanged(bool modified) override;

  // The settings New makes a canvas from. New Format edits them.
  CanvasSettings Settings;
  // The print layout; its Width and Height last only for the run. Settings
  // and PrintSettings are read from the configuration file at start-up and
  // written back when the window goes.
  PrintLayout PrintSettings;
  // The language of the translated dialogs: an entry of the language list
  // (languageFileNames), or -1 for English.
  int32_t LanguageIndex = -1;
  // The project file the composition was last saved to or opened from.
  QString ProjectPath;
  // Whether New asks before it discards a modified composition. Cleared
  // only while start-up, New Format and Open Project run New themselves.
  bool AskBeforeDiscard = true;

  // The current style: the kind (its id in the style catalogue), its style
  // font (0 to 4), and the kind's folder and plug-in file as the catalogue
  // gave them at the last choice of kind or style font (empty when it holds
  // no such entry). New items are rendered with them.
  int32_t StyleKindId = 10001;
  int32_t StyleFontIndex = 0;
  QString StyleFolder;
  QString PluginFileName;
  // The sample of the current style font as loaded, before tinting.
  Bitmap SampleBitmap;

  // The main menu.
  QMenu* MenuFile = nullptr;
  QMenu* MenuEdit = nullptr;
  QMenu* MenuView = nullptr;
  QMenu* MenuGlyphonTemplate = nullptr;
  QMenu* MenuHelp = nullptr;
  QAction* MenuNew = nullptr;
  QAction* MenuNewFormat = nullptr;
  QAction* MenuOpenProject = nullptr;
  QMenu* MenuOpenRecent = nullptr;
  QAction* MenuSaveProject = nullptr;
  QAction* SaveProjectAs1 = nullptr;
  QAction* MenuSavePicture = nullptr;
  QAction* MenuSetWallpaper = nullptr;
  QAction* MenuImportBackdrop = nullptr;
  QAction* MenuPaperSetting = nullptr;
  QAction* MenuPrintPreview = nullptr;
  QAction* MenuPrint = nullptr;
  QAction* MenuExit = nullptr;
  QAction* MenuUndo = nullptr;
  QAction* MenuRedo = nullptr;
  QAction* MenuAddText = nullptr;
  QAction* MenuModifyText = nullptr;
  QAction* MenuDelete = nullptr;
  QAction* MenuCut = nullptr;
  QAction* MenuCopy = nullptr;
  QAction* MenuPaste = nullptr;
  QAction* MenuPreview = nullptr;
  QAction* MenuZoomIn = nullptr;
  QAction* MenuZoomOut = nullptr;
  QAction* MenuFitInWindow = nullptr;
  QAction* MenuActualSize = nullptr;
  QAction* MenuMoreGlyphon = nullptr;
  QAction* MenuHelpTopic = nullptr;
  QAction* MenuCheckforupdates = nullptr;
  QAction* MenuAbout = nullptr;

  // The left tool panel.
  QFrame* PanelToolBar = nullptr;
  QPushButton* ButtonNew = nullptr;
  QPushButton* ButtonBackdrop = nullptr;
  QPushButton* ButtonSave = nullptr;
  QPushButton* ButtonWallpaper = nullptr;
  QPushButton* ButtonTrans = nullptr;
  // Holds the style-font toolbar; its content widget is ToolBarContent.
  QScrollArea* ScrollBoxToolBar = nullptr;
  QWidget* ToolBarContent = nullptr;
  // The pictures of the five style fonts of the current kind, named
  // StyleFontImage1 to StyleFontImage5.
  std::array<ImageBox*, 5> StyleFontImages{};

  // The canvas view in its scroll box.
  QScrollArea* ScrollBox = nullptr;
  CanvasView* ImageScreen = nullptr;
  // The zoom of the canvas view, in the status bar.
  QLabel* ZoomPanel = nullptr;

  // The text panel.
  QGroupBox* suiPanel1 = nullptr;
  QFrame* PanelGlyphon = nullptr;
  // The style preview in PanelGlyphon: the sample of the current style
  // font, 320 x 170, tinted with the chosen colour.
  QFrame* PreviewFrame = nullptr;
  ImageBox* PreviewImage = nullptr;
  ColorBox* ColorBoxColor = nullptr;
  QComboBox* ComboBoxFontSize = nullptr;
  QPlainTextEdit* MemoText = nullptr;
  QPushButton* ButtonAdd = nullptr;
  QPushButton* ButtonModify = nullptr;
  QPushButton* ButtonDel = nullptr;

  // The transparency window, a child of this window, hidden until
  // ButtonTrans shows it.
  TTransForm* TransForm = nullptr;

  // The pointer on the canvas: the drag a press on an item armed, and the
  // handle zone the last move found (the mode of the next drag).
  DragState m_drag;

  QString m_programFolder;
  QString m_commandLineProject;
  Composition m_composition;
  std::array<QLabel*, 4> m_statusPanels{};
  // Beside the panels: which characters the current style cannot draw,
  // after the memo lost some; hidden otherwise.
  QLabel* m_statusNote = nullptr;
  // Whether the current style's plug-in has the text export.
  bool m_memoTakesAnyText = false;
  bool m_destroyed = false;
  // The first style picture failure of start-up, reported once at its end.
  QString m_startUpStyleError;
  // The undo history, which the Edit menu shows; the number of the slider
  // gesture under way (changes with one number fold into one step); true
  // while a step is undone or redone, when the slider only follows the item.
  UndoHistory m_history;
  int m_fadeGesture = 0;
  // The number of the burst of arrow keys under way; a press on the canvas
  // starts the next.
  int m_nudgeGesture = 1;
  QStringList m_recentProjects;
  bool m_replayingHistory = false;
  // The writer of recovery copies (null once the window is closed), the
  // minute's timer and the one that writes right after a first change.
  std::unique_ptr<Autosaver> m_autosaver;
  QTimer* m_autosaveTimer = nullptr;
  QTimer* m_autosaveSoon = nullptr;
  // Changes the copy does not hold yet; whether a copy of the modified
  // composition exists or is on its way.
  bool m_changedSinceCopy = false;
  bool m_copyKept = false;
  // The number of the newest snapshot handed over, and of the newest the
  // writer told of, with how it went.
  uint64_t m_copyHandedOver = 0;
  uint64_t m_copyDone = 0;
  bool m_copyDoneWritten = false;
  AutosaveCounts m_autosaveCounts;
  bool m_autosaveNoteShown = false;
};

}  // namespace glyphon
