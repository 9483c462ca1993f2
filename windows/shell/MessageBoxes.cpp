#include "windows/shell/MessageBoxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>

namespace glyphon {

namespace {

// The modal QMessageBox of the platform style.
class QtMessageBoxes final : public MessageBoxes {
 public:
  MessageAnswer show(QWidget* owner, const MessageRequest& request) override {
    QMessageBox box(iconOf(request.icon), request.caption, displayText(request.text),
                    QMessageBox::NoButton, owner);
    box.setTextFormat(Qt::PlainText);
    switch (request.buttons) {
      case MessageButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
        break;
      case MessageButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
        break;
      case MessageButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    }
    const QMessageBox::StandardButton order[] = {QMessageBox::Yes, QMessageBox::No,
                                                 QMessageBox::Cancel};
    for (int i = 0; i < request.buttonTexts.size() && i < 3; ++i)
      if (QAbstractButton* button = box.button(order[i])) button->setText(request.buttonTexts[i]);
    if (owner == nullptr) box.setWindowModality(Qt::ApplicationModal);
    switch (box.exec()) {
      case QMessageBox::Yes:
        return MessageAnswer::Yes;
      case QMessageBox::No:
        return MessageAnswer::No;
      case QMessageBox::Cancel:
        return MessageAnswer::Cancel;
      default:
        return MessageAnswer::Ok;
    }
  }

 private:
  static QMessageBox::Icon iconOf(MessageIcon icon) {
    switch (icon) {
      case MessageIcon::Error:
        return QMessageBox::Critical;
      case MessageIcon::Question:
        return QMessageBox::Question;
      case MessageIcon::Warning:
        return QMessageBox::Warning;
      case MessageIcon::None:
        return QMessageBox::NoIcon;
      case MessageIcon::Information:
        break;
    }
    return QMessageBox::Information;
  }

  // Callers break lines with a carriage return; a plain-text label breaks
  // only at a line feed.
  static QString displayText(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QChar('\r'), QChar('\n'));
    return text;
  }
};

QtMessageBoxes g_qtMessageBoxes;

}  // namespace

MessageBoxes& messageBoxes() { return ScopedOverride<MessageBoxes>::currentOr(g_qtMessageBoxes); }

void errorBox(QWidget* owner, const QString& text) {
  (void)messageBoxes().show(owner, {MessageIcon::Error, QStringLiteral("Error"), text});
}

void informationBox(QWidget* owner, const QString& text) {
  (void)messageBoxes().show(owner, {MessageIcon::Information, QStringLiteral("Information"), text});
}

MessageAnswer askSaveChanges(QWidget* owner) {
  return messageBoxes().show(
      owner,
      {MessageIcon::Question, QStringLiteral("New"),
       QStringLiteral("The project has been modified,\rdo you want to save it before a new task?"),
       MessageButtons::YesNoCancel});
}

QString generalErrorText(const QString& failure) {
  if (failure.endsWith(QChar('.'))) return failure;
  return failure + QChar('.');
}

void showGeneralError(QWidget* owner, const QString& failure) {
  (void)messageBoxes().show(
      owner, {MessageIcon::Error, QString::fromUtf8(kApplicationTitle), generalErrorText(failure)});
}

}  // namespace glyphon
