#include "windows/shell/MessageBoxes.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <new>
#include <stdexcept>

#include "tests/windows/shell/WindowTestSupport.h"

namespace glyphon {
namespace {

using testing::RecordingMessageBoxes;

TEST(MessageBoxes, ErrorAndInformationBoxesHaveTheirCaptionsIconsAndOk) {
  RecordingMessageBoxes boxes;
  QWidget owner;
  errorBox(&owner, QStringLiteral("Picture does not exists!\r/x.jpg"));
  informationBox(nullptr, QStringLiteral("Done"));
  ASSERT_EQ(boxes.shown.size(), 2u);
  EXPECT_EQ(boxes.shown[0].owner, &owner);
  EXPECT_EQ(boxes.shown[0].request.caption, "Error");
  EXPECT_EQ(boxes.shown[0].request.icon, MessageIcon::Error);
  EXPECT_EQ(boxes.shown[0].request.buttons, MessageButtons::Ok);
  EXPECT_EQ(boxes.shown[0].request.text, "Picture does not exists!\r/x.jpg");
  EXPECT_EQ(boxes.shown[1].owner, nullptr);
  EXPECT_EQ(boxes.shown[1].request.caption, "Information");
  EXPECT_EQ(boxes.shown[1].request.icon, MessageIcon::Information);
  EXPECT_EQ(boxes.shown[1].request.buttons, MessageButtons::Ok);
}

TEST(MessageBoxes, GeneralErrorTextEndsInOneFullStop) {
  EXPECT_EQ(generalErrorText("JPEG error #53"), "JPEG error #53.");
  EXPECT_EQ(generalErrorText("Bitmap image is not valid."), "Bitmap image is not valid.");
  EXPECT_EQ(generalErrorText("Out of memory!"), "Out of memory!.");
  EXPECT_EQ(generalErrorText(""), ".");
}

TEST(MessageBoxes, RunCommandTurnsEveryFailureIntoTheGeneralErrorMessage) {
  RecordingMessageBoxes boxes;
  bool after = false;
  EXPECT_FALSE(runCommand(nullptr, [&] {
    throw Error("Cannot open file \"/x.bmp\". No such file or directory");
    after = true;
  }));
  EXPECT_FALSE(after);
  EXPECT_FALSE(runCommand(nullptr, [] { throw std::bad_alloc(); }));
  EXPECT_FALSE(runCommand(nullptr, [] { throw std::runtime_error("Stream read error."); }));
  EXPECT_TRUE(runCommand(nullptr, [&] { after = true; }));
  EXPECT_TRUE(after);

  ASSERT_EQ(boxes.shown.size(), 3u);
  for (const testing::ShownMessage& m : boxes.shown) {
    EXPECT_EQ(m.request.caption, "Glyphon Editor");
    EXPECT_EQ(m.request.icon, MessageIcon::Error);
    EXPECT_EQ(m.request.buttons, MessageButtons::Ok);
  }
  EXPECT_EQ(boxes.texts(),
            (std::vector<std::string>{"Cannot open file \"/x.bmp\". No such file or directory.",
                                      "Out of memory.", "Stream read error."}));
}

TEST(MessageBoxes, ScopedPresenterIsRestoredAfterwards) {
  MessageBoxes* const original = &messageBoxes();
  {
    RecordingMessageBoxes outer;
    {
      RecordingMessageBoxes inner;
      EXPECT_EQ(&messageBoxes(), &inner);
    }
    EXPECT_EQ(&messageBoxes(), &outer);
  }
  EXPECT_EQ(&messageBoxes(), original);
}

// The real boxes: what a user sees, read from the open QMessageBox.
struct SeenBox {
  QString title, text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
};

TEST(MessageBoxes, QtBoxesBreakLinesAtCarriageReturns) {
  SeenBox seen;
  QTimer::singleShot(0, [&seen] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    seen = {box->windowTitle(), box->text(), box->icon(), box->standardButtons()};
    box->button(QMessageBox::Ok)->click();
  });
  errorBox(nullptr, QStringLiteral("Picture does not exists!\r/pic/a.jpg"));
  EXPECT_EQ(seen.title, "Error");
  EXPECT_EQ(seen.text, "Picture does not exists!\n/pic/a.jpg");
  EXPECT_EQ(seen.icon, QMessageBox::Critical);
  EXPECT_EQ(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}

TEST(MessageBoxes, QtSaveChangesQuestionAnswersWithTheButtonPressed) {
  for (const auto& [button, answer] : {std::pair{QMessageBox::Yes, MessageAnswer::Yes},
                                       std::pair{QMessageBox::No, MessageAnswer::No},
                                       std::pair{QMessageBox::Cancel, MessageAnswer::Cancel}}) {
    SeenBox seen;
    QTimer::singleShot(0, [&seen, button = button] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      seen = {box->windowTitle(), box->text(), box->icon(), box->standardButtons()};
      box->button(button)->click();
    });
    EXPECT_EQ(askSaveChanges(nullptr), answer);
    EXPECT_EQ(seen.title, "New");
    EXPECT_EQ(seen.text,
              "The project has been modified,\ndo you want to save it before a new task?");
    EXPECT_EQ(seen.icon, QMessageBox::Question);
    EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
  }
}

}  // namespace
}  // namespace glyphon
