// An address opener for tests: records what the program would open in the
// browser or the mail program, and opens nothing.
#pragma once

#include <QString>
#include <QUrl>
#include <vector>

#include "windows/shell/UrlOpener.h"

namespace glyphon::testing {

class RecordingUrlOpener final : public UrlOpener {
 public:
  RecordingUrlOpener() : m_scope(*this) {}

  bool open(const QUrl& url) override {
    opened.push_back(url.toString());
    return handled;
  }

  std::vector<QString> opened;
  // What open answers: false stands for a desktop with nothing to open the
  // address (no browser, no mail program).
  bool handled = true;

 private:
  ScopedUrlOpener m_scope;
};

}  // namespace glyphon::testing
