#include "windows/shell/FileDialogs.h"

#include <QFileDialog>
#include <QRegularExpression>

namespace glyphon {

namespace {

// The extension of the first pattern of a filter entry ("Bitmaps (*.bmp
// *.BMP)" gives "bmp"), or empty.
QString firstPatternSuffix(const QString& entry) {
  static const QRegularExpression pattern(QStringLiteral("\\(\\*\\.([^ )*?]+)"));
  const QRegularExpressionMatch match = pattern.match(entry);
  return match.hasMatch() ? match.captured(1) : QString();
}

class QtFileDialogs final : public FileDialogs {
 public:
  QString choose(QWidget* owner, const FileDialogRequest& request) override {
    return chooseWithFilter(owner, request).path;
  }

  FileDialogChoice chooseWithFilter(QWidget* owner, const FileDialogRequest& request) override {
    QFileDialog dialog(owner, request.caption, QString(), request.filter);
    if (request.kind == FileDialogRequest::Kind::Open) {
      dialog.setAcceptMode(QFileDialog::AcceptOpen);
      dialog.setFileMode(QFileDialog::ExistingFile);
    } else {
      dialog.setAcceptMode(QFileDialog::AcceptSave);
      dialog.setFileMode(QFileDialog::AnyFile);
      dialog.setDefaultSuffix(request.defaultSuffix);
      if (request.suffixFollowsFilter)
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                         [&dialog](const QString& entry) {
                           const QString suffix = firstPatternSuffix(entry);
                           if (!suffix.isEmpty()) dialog.setDefaultSuffix(suffix);
                         });
    }
    if (dialog.exec() != QDialog::Accepted) return {};
    const QStringList chosen = dialog.selectedFiles();
    const int filterIndex = int(dialog.nameFilters().indexOf(dialog.selectedNameFilter()));
    return {chosen.isEmpty() ? QString() : chosen.front(), filterIndex < 0 ? 0 : filterIndex};
  }
};

QtFileDialogs g_qtFileDialogs;

}  // namespace

FileDialogs& fileDialogs() { return ScopedOverride<FileDialogs>::currentOr(g_qtFileDialogs); }

QString openPictureFileName(QWidget* owner) {
  return fileDialogs().choose(owner, {FileDialogRequest::Kind::Open, QStringLiteral("Open"),
                                      QString::fromUtf8(kOpenPictureFilter), QString()});
}

}  // namespace glyphon
