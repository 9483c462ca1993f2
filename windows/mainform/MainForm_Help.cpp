// The Help menu: the help page, the update check and the about box.
#include <QAction>
#include <QUrl>

#include "engine/shell/Language.h"
#include "windows/mainform/MainForm.h"
#include "windows/shell/About.h"
#include "windows/shell/MessageBoxes.h"
#include "windows/shell/Update.h"
#include "windows/shell/UrlOpener.h"

namespace glyphon {

namespace {

// The help page, in the program's data folder.
const char* const kHelpPage = "/help/index.html";

}  // namespace

void TMainForm::setUpHelp() {
  connect(MenuHelpTopic, &QAction::triggered, this, &TMainForm::MenuHelpTopicClick);
  connect(MenuCheckforupdates, &QAction::triggered, this, &TMainForm::MenuCheckforupdatesClick);
  connect(MenuAbout, &QAction::triggered, this, &TMainForm::MenuAboutClick);
}

QString TMainForm::helpPagePath() const { return m_programFolder + QLatin1String(kHelpPage); }

void TMainForm::MenuHelpTopicClick() {
  (void)openPageOrSayWhere(this, QUrl::fromLocalFile(helpPagePath()));
}

void TMainForm::MenuCheckforupdatesClick() {
  runCommand(this, [this] {
    TUpdateForm form(this, systemUpdateSource());
    form.LoadTexts(loadLanguage(m_programFolder.toStdString(), LanguageIndex));
    form.exec();
  });
}

void TMainForm::MenuAboutClick() {
  runCommand(this, [this] {
    TAboutForm form(this);
    form.exec();
  });
}

}  // namespace glyphon
