// What the window tests share: finding a window's widgets by name, message
// boxes that record what would be shown and answer questions from a script,
// file dialogs that answer from a script, and picture files made on the
// spot.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <deque>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/core/Bitmap.h"
#include "engine/documents/BmpCodec.h"
#include "engine/documents/JpegCodec.h"
#include "windows/shell/FileDialogs.h"
#include "windows/shell/MessageBoxes.h"

namespace glyphon::testing {

// The one widget, action or menu of window whose object name is name and
// which is a T, however deep it lies. None, or more than one, fails the
// test and ends it with an exception, so that no test goes on with a null
// pointer.
template <typename T>
T* namedChild(const QObject& window, const QString& name) {
  const QList<T*> found = window.findChildren<T*>(name);
  if (found.size() == 1) return found.front();
  const std::string what = (found.empty() ? "no " : "more than one ") +
                           std::string(T::staticMetaObject.className()) + " named \"" +
                           name.toStdString() + "\" in " + window.objectName().toStdString();
  ADD_FAILURE() << what;
  throw std::runtime_error(what);
}

inline QAction* namedAction(const QObject& window, const QString& name) {
  return namedChild<QAction>(window, name);
}

inline QPushButton* namedButton(const QObject& window, const QString& name) {
  return namedChild<QPushButton>(window, name);
}

struct ShownMessage {
  QWidget* owner = nullptr;
  MessageRequest request;
};

// Records every box; OK boxes answer Ok, questions take the next scripted
// answer. A question nobody scripted fails the test and answers Cancel.
class RecordingMessageBoxes final : public MessageBoxes {
 public:
  RecordingMessageBoxes() : m_scope(*this) {}

  MessageAnswer show(QWidget* owner, const MessageRequest& request) override {
    shown.push_back({owner, request});
    if (request.buttons == MessageButtons::Ok) return MessageAnswer::Ok;
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected question: " << request.text.toStdString();
      return MessageAnswer::Cancel;
    }
    const MessageAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }

  // The texts of the boxes shown so far.
  [[nodiscard]] std::vector<std::string> texts() const {
    std::vector<std::string> result;
    for (const ShownMessage& m : shown) result.push_back(m.request.text.toStdString());
    return result;
  }

  std::vector<ShownMessage> shown;
  std::deque<MessageAnswer> answers;

 private:
  ScopedMessageBoxes m_scope;
};

// Answers each dialog with the next scripted path ("" cancels) and records
// the requests. A dialog nobody scripted fails the test and is cancelled.
class ScriptedFileDialogs final : public FileDialogs {
 public:
  ScriptedFileDialogs() : m_scope(*this) {}

  QString choose(QWidget*, const FileDialogRequest& request) override {
    requests.push_back(request);
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected file dialog: " << request.caption.toStdString();
      return {};
    }
    const QString answer = answers.front();
    answers.pop_front();
    return answer;
  }

  // Takes the filter entry from filterAnswers, the first entry when none is
  // scripted.
  FileDialogChoice chooseWithFilter(QWidget* owner, const FileDialogRequest& request) override {
    int filterIndex = 0;
    if (!filterAnswers.empty()) {
      filterIndex = filterAnswers.front();
      filterAnswers.pop_front();
    }
    return {choose(owner, request), filterIndex};
  }

  std::vector<FileDialogRequest> requests;
  std::deque<QString> answers;
  std::deque<int> filterAnswers;

 private:
  ScopedFileDialogs m_scope;
};

// A picture whose every pixel differs from its neighbours, so that a stretch
// that samples the wrong pixel shows: red = x, green = y, blue = x + y.
inline Bitmap patternPicture(int32_t width, int32_t height) {
  Bitmap picture(width, height);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x)
      picture.setPixel(x, y, rgb(uint8_t(x), uint8_t(y), uint8_t(x + y)));
  return picture;
}

// A picture of one colour; JPEG keeps a flat colour within a step or two.
inline Bitmap flatPicture(int32_t width, int32_t height, Color color) {
  Bitmap picture(width, height);
  fillRect(picture, picture.bounds(), color);
  return picture;
}

inline void writeJpeg(const QString& path, const Bitmap& picture) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  saveJpegFile(path.toStdString(), picture);
}

inline void writeBmp(const QString& path, const Bitmap& picture) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  saveBmpFile(path.toStdString(), picture);
}

// True when every channel of a and b differs by at most tolerance.
inline bool closeColors(Color a, Color b, int tolerance) {
  return std::abs(int(redOf(a)) - int(redOf(b))) <= tolerance &&
         std::abs(int(greenOf(a)) - int(greenOf(b))) <= tolerance &&
         std::abs(int(blueOf(a)) - int(blueOf(b))) <= tolerance;
}

// Runs action as soon as the next modal dialog has opened, from inside its
// event loop. The dialog is found as the application's active modal widget.
template <typename Dialog>
void whenDialogOpens(std::function<void(Dialog&)> action) {
  QTimer::singleShot(0, [action] {
    auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) {
      ADD_FAILURE() << "no dialog opened";
      return;
    }
    action(*dialog);
  });
}

}  // namespace glyphon::testing
