// Writing style kinds into a style catalogue and taking them out again: what
// an installer of style kinds does, so that the editor finds them.
//
// A style folder F made for registering holds the kinds' plug-ins and, for
// each kind N, the folder F/N with its pictures and a file F/N/style.ini:
//
//   [Style]
//   name=Glyphon Script          the caption in the template menu
//   data=libglyphon-style-N.so   the plug-in library inside F
#pragma once

#include <QString>
#include <QStringList>

class QSettings;

namespace glyphon {

// What a registration did, by style kind id.
struct RegistrationReport {
  QStringList registered;  // written
  QStringList kept;        // left as the catalogue had them
  QStringList removed;     // taken out
};

// The key a registration adds to the entries it writes, so that it can tell
// them from entries someone else wrote.
inline const char* const kRegisteredByKey = "registeredBy";
inline const char* const kRegisteredByValue = "glyphon-styles";

// Registers every kind of styleFolder (each subfolder named by a decimal id
// with a style.ini that gives a name and a data) in catalogue: name, Path
// (styleFolder made absolute, without a trailing "/") and data. An entry the
// catalogue already has for the id is kept as it is, with one exception:
// an entry this function wrote earlier whose plug-in file is gone (its build
// or installed tree was removed) is replaced. Throws Error when styleFolder
// holds no kind or the catalogue cannot be written.
RegistrationReport registerStyleKinds(QSettings& catalogue, const QString& styleFolder);

// Removes every entry of catalogue whose Path is styleFolder (made absolute);
// other entries stay. Throws Error when the catalogue cannot be written.
RegistrationReport unregisterStyleKinds(QSettings& catalogue, const QString& styleFolder);

}  // namespace glyphon
