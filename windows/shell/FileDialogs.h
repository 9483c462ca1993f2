// The file dialogs of the editor, behind one small interface so that tests
// can answer them.
//
// Every window asks for file names through fileDialogs(), one process-wide
// provider. The default provider shows QFileDialog (the platform's own
// dialog where there is one); tests install their own (ScopedFileDialogs).
#pragma once

#include <QString>

#include "engine/core/ScopedOverride.h"

class QWidget;

namespace glyphon {

// The filter of the picture open dialogs (New Format's Browse and Import
// Backdrop). Linux file names are case-sensitive, so the upper-case spellings
// are listed as well: a file named PHOTO.JPG is a JPEG picture too.
inline const char* const kOpenPictureFilter =
    "All (*.jpg *.jpeg *.bmp *.png *.webp *.tif *.tiff *.heic *.heif *.avif "
    "*.JPG *.JPEG *.BMP *.PNG *.WEBP *.TIF *.TIFF *.HEIC *.HEIF *.AVIF);;"
    "JPEG Image File (*.jpg *.JPG);;"
    "JPEG Image File (*.jpeg *.JPEG);;"
    "Bitmaps (*.bmp *.BMP);;"
    "PNG Image File (*.png *.PNG);;"
    "WebP Image File (*.webp *.WEBP);;"
    "TIFF Image File (*.tif *.tiff *.TIF *.TIFF);;"
    "HEIC and AVIF Image File (*.heic *.heif *.avif *.HEIC *.HEIF *.AVIF)";

// One dialog as the user would see it. filter uses Qt's form: entries
// separated by ";;", the first one selected.
struct FileDialogRequest {
  enum class Kind { Open, Save };
  Kind kind = Kind::Open;
  QString caption;
  QString filter;
  // Save dialogs: the extension added to a typed name that has none (no dot).
  QString defaultSuffix;
  // Save dialogs: the added extension follows the filter entry selected
  // (its first pattern, "*.bmp" giving "bmp"), starting from defaultSuffix.
  bool suffixFollowsFilter = false;
};

// What the user chose: the file's path (empty when cancelled) and the index
// of the filter entry selected when they accepted, from 0.
struct FileDialogChoice {
  QString path;
  int filterIndex = 0;
};

// Returns the chosen file's path, or an empty string when the user cancels.
class FileDialogs {
 public:
  virtual ~FileDialogs() = default;
  // owner may be null.
  virtual QString choose(QWidget* owner, const FileDialogRequest& request) = 0;
  // The same, also telling which filter entry was selected; providers that
  // do not know report the first.
  virtual FileDialogChoice chooseWithFilter(QWidget* owner, const FileDialogRequest& request) {
    return {choose(owner, request), 0};
  }
};

// The provider every window uses: the QFileDialog one unless a test has
// installed another.
[[nodiscard]] FileDialogs& fileDialogs();

// Installs a replacement for its own lifetime (see ScopedOverride).
using ScopedFileDialogs = ScopedOverride<FileDialogs>;

// The picture open dialog: an existing picture file of a format the loader
// reads, or empty.
[[nodiscard]] QString openPictureFileName(QWidget* owner);

}  // namespace glyphon
