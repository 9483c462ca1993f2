// The modal message boxes of the editor and the guard that turns an
// unexpected failure of a command into the general error message.
//
// Every window shows its boxes through messageBoxes(), one process-wide
// presenter. The default presenter shows a QMessageBox; tests install their
// own (ScopedMessageBoxes) to record what would be shown and to answer
// questions without a user.
#pragma once

#include <QString>
#include <QStringList>
#include <exception>
#include <new>
#include <utility>

#include "engine/core/Error.h"
#include "engine/core/ScopedOverride.h"

class QWidget;

namespace glyphon {

// The title of the application: the main window's title and the caption of
// the general error message.
inline const char* const kApplicationTitle = "Glyphon Editor";

enum class MessageIcon { Error, Information, Question, Warning, None };
enum class MessageButtons { Ok, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Yes, No, Cancel };

// One box as the user would see it. A "\r" in text breaks the line.
struct MessageRequest {
  MessageIcon icon = MessageIcon::Information;
  QString caption;
  QString text;
  MessageButtons buttons = MessageButtons::Ok;
  // Captions in place of the standard ones, in the order Yes, No, Cancel
  // (the answers stay Yes, No, Cancel); empty keeps the standard captions.
  QStringList buttonTexts = {};
};

// Shows one modal box and returns the button the user pressed. Closing a box
// without a button answers Cancel (Yes/No/Cancel), No (Yes/No) or Ok.
class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // owner may be null; the box is then modal to the whole application.
  virtual MessageAnswer show(QWidget* owner, const MessageRequest& request) = 0;
};

// The presenter every window uses: the QMessageBox one unless a test has
// installed another.
[[nodiscard]] MessageBoxes& messageBoxes();

// Installs a replacement for its own lifetime (see ScopedOverride).
using ScopedMessageBoxes = ScopedOverride<MessageBoxes>;

// Error box: caption "Error", error icon, OK.
void errorBox(QWidget* owner, const QString& text);

// Information box: caption "Information", information icon, OK.
void informationBox(QWidget* owner, const QString& text);

// The question asked before New, New Format and Open Project discard a
// modified composition: caption "New", question icon, Yes / No / Cancel.
[[nodiscard]] MessageAnswer askSaveChanges(QWidget* owner);

// The text of the general error message: the failure's text with a full stop
// appended when it does not already end in one.
[[nodiscard]] QString generalErrorText(const QString& failure);

// The general error message: caption kApplicationTitle, error icon, OK.
void showGeneralError(QWidget* owner, const QString& failure);

// Runs one command. An unexpected failure ends the command where it happened
// and reaches the user as the general error message; the program goes on.
// Returns whether the command ran to its end.
template <typename Command>
bool runCommand(QWidget* owner, Command&& command) {
  try {
    std::forward<Command>(command)();
    return true;
  } catch (const Error& e) {
    showGeneralError(owner, QString::fromUtf8(e.what()));
  } catch (const std::bad_alloc&) {
    showGeneralError(owner, QStringLiteral("Out of memory"));
  } catch (const std::exception& e) {
    showGeneralError(owner, QString::fromUtf8(e.what()));
  }
  return false;
}

}  // namespace glyphon
