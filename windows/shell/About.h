// The about box: the program's picture and version, and links to its web
// site and its support e-mail address. It changes nothing in the program.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace glyphon {

// The web site and the support address the about box links to. The reserved
// ".example" name stands in until the project has a site of its own.
inline const char* const kWebSiteAddress = "https://glyphon.example/";
inline const char* const kSupportMailAddress = "support@glyphon.example";

class TAboutForm : public QDialog {
  Q_OBJECT

 public:
  explicit TAboutForm(QWidget* owner);

  // A click on LabelURL opens its text; a click on LabelMail opens
  // "mailto:" followed by its text. Space or Enter on a focused link does
  // the same.
  void LabelURLClick();
  void LabelMailClick();

  QLabel* ImageAbout = nullptr;
  QLabel* LabelVersion = nullptr;
  QLabel* LabelWebsite = nullptr;
  QLabel* LabelURL = nullptr;
  QLabel* LabelEmailinfo = nullptr;
  QLabel* LabelMail = nullptr;
  // "&OK": closes the box, as Enter and Esc do.
  QPushButton* suiButton1 = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace glyphon
