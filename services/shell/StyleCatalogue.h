// The style catalogue: which style kinds are installed and where their
// plug-ins and pictures lie. It lives in the user's settings store
// (organisation "Vantry", application "Glyphon"; on Linux the INI file
// $XDG_CONFIG_HOME/Vantry/Glyphon.conf), one group per style kind named by
// its id, with the keys "name", "Path" and "data". The editor only reads it;
// whoever installs a style kind writes its entry.
#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class QSettings;

namespace glyphon {

inline const char* const kStyleCatalogueOrganization = "Vantry";
inline const char* const kStyleCatalogueApplication = "Glyphon";

// The keys of a style kind's group.
inline const char* const kStyleKindNameKey = "name";
inline const char* const kStyleKindPathKey = "Path";
inline const char* const kStyleKindDataKey = "data";

// One entry of the template menu.
struct StyleKindEntry {
  int32_t id = 0;
  // The kind's name with the blanks around it removed.
  QString caption;
  friend bool operator==(const StyleKindEntry&, const StyleKindEntry&) = default;
};

// Where a style kind's files lie; both empty when the catalogue does not know
// the kind, either empty when its key is missing.
struct StyleLocation {
  QString folder;          // "Path": the style folder, no trailing separator
  QString pluginFileName;  // "data": the plug-in library inside the folder
  friend bool operator==(const StyleLocation&, const StyleLocation&) = default;
};

// The id a group name stands for: the name without surrounding blanks, read
// as a decimal integer that fits 32 bits; nothing for any other name.
[[nodiscard]] std::optional<int32_t> styleKindId(const QString& groupName);

class StyleCatalogue {
 public:
  // The user's catalogue, userStoreFile().
  StyleCatalogue();
  // A catalogue kept in the INI file at iniFile.
  explicit StyleCatalogue(QString iniFile);

  // The style kinds to list in the template menu, in the store's order
  // (ascending group names): every group whose name is an id (see
  // styleKindId; other groups are skipped) and that has a "name". Creates an
  // empty store first when there is none; a store that cannot be created or
  // read lists nothing.
  [[nodiscard]] std::vector<StyleKindEntry> templateEntries() const;

  // The folder and plug-in of style kind id; empty parts for what the
  // catalogue does not hold. Reads the store afresh, so an entry edited while
  // the editor runs counts from the next call on. Never creates anything.
  [[nodiscard]] StyleLocation location(int32_t id) const;

  // The file the catalogue is kept in.
  [[nodiscard]] QString fileName() const;

  // The file of the user's catalogue: $XDG_CONFIG_HOME/Vantry/Glyphon.conf
  // (default ~/.config/Vantry/Glyphon.conf), the file QSettings uses for
  // organisation "Vantry", application "Glyphon" on Linux.
  [[nodiscard]] static QString userStoreFile();
  // Opens the user's catalogue for writing (for the tools that register
  // style kinds).
  [[nodiscard]] static std::unique_ptr<QSettings> openUserStore();

 private:
  [[nodiscard]] std::unique_ptr<QSettings> open() const;

  QString m_iniFile;  // empty for the user's catalogue
};

// The string value of key in the current group of settings, the key's letter
// case ignored when there is no exact match (the keys of the store this
// format comes from are case-insensitive). A value the INI reader split at
// its commas is joined again. Nothing when the key is absent.
[[nodiscard]] std::optional<QString> catalogueValue(const QSettings& settings, const QString& key);

}  // namespace glyphon
