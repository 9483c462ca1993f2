// The memo's text and an item's text: the memo shows line breaks as "\n",
// items keep them and plug-ins receive them as CR LF.
#pragma once

#include <QString>
#include <string>

namespace glyphon {

// The item form of the memo's text: CR LF line breaks, UTF-8.
[[nodiscard]] inline std::string itemTextOf(const QString& memoText) {
  QString text = memoText;
  text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
  return text.toStdString();
}

// The memo form of an item's text: "\n" line breaks, also for a lone CR.
[[nodiscard]] inline QString memoTextOf(const std::string& itemText) {
  QString text = QString::fromStdString(itemText);
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}

}  // namespace glyphon
