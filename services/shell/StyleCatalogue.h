// The style catalogue: which style kinds are installed and where their
// plug-ins and pictures lie. It lives in the user's settings store
// (organisation "Vantry", application "Glyphon"; on Linux the INI file
// $XDG_CONFIG_HOME/Vantry/Glyphon.conf), one group per style kind named by
// its id, with the keys "name", "Path" and "data". Behind it stand the
// system-wide stores of the same name in each folder of $XDG_CONFIG_DIRS
// (default /etc/xdg), where a package registers the kinds it installs for
// every user: an entry of the user's own always wins, and a system-wide
// entry serves whoever has none for that id. The editor only reads the
// catalogue; whoever installs a style kind writes its entry.
#pragma once

#include <QString>
#include <QStringList>
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
  // The user's catalogue, userStoreFile(), backed by the system-wide ones,
  // systemStoreFiles(); both are worked out afresh on every read.
  StyleCatalogue();
  // A catalogue kept in the INI file at iniFile alone.
  explicit StyleCatalogue(QString iniFile);

  // The style kinds to list in the template menu, ordered by their group
  // names as one store orders them (ascending): every group whose name is an
  // id (see styleKindId; other groups are skipped) and that has a "name".
  // For an id the user's store holds, its entry counts, listed or not; the
  // system-wide stores add the ids the user's store lacks, the first of
  // them that holds an id giving its entry. Creates an empty user store
  // first when there is none; a store that cannot be created or read lists
  // nothing.
  [[nodiscard]] std::vector<StyleKindEntry> templateEntries() const;

  // The folder and plug-in of style kind id, from the first store that
  // holds the id; empty parts for what that entry does not hold. Reads the
  // stores afresh, so an entry edited while the editor runs counts from the
  // next call on. Never creates anything.
  [[nodiscard]] StyleLocation location(int32_t id) const;

  // The file the catalogue writes to and reads first: the user's store.
  [[nodiscard]] QString fileName() const;

  // The file of the user's catalogue: $XDG_CONFIG_HOME/Vantry/Glyphon.conf
  // (default ~/.config/Vantry/Glyphon.conf), the file QSettings uses for
  // organisation "Vantry", application "Glyphon" on Linux.
  [[nodiscard]] static QString userStoreFile();
  // The system-wide catalogues, in the order they are read:
  // <folder>/Vantry/Glyphon.conf for each absolute folder of
  // $XDG_CONFIG_DIRS, or /etc/xdg when it names none.
  [[nodiscard]] static QStringList systemStoreFiles();
  // Opens the user's catalogue for writing (for the tools that register
  // style kinds).
  [[nodiscard]] static std::unique_ptr<QSettings> openUserStore();
  // Opens the first system-wide catalogue for writing (what a package
  // registers its kinds in).
  [[nodiscard]] static std::unique_ptr<QSettings> openSystemStore();

 private:
  // The stores to read, first the one whose entries win.
  [[nodiscard]] QStringList storeFiles() const;

  QString m_iniFile;  // empty for the user's catalogue
};

// The string value of key in the current group of settings, the key's letter
// case ignored when there is no exact match (the keys of the store this
// format comes from are case-insensitive). A value the INI reader split at
// its commas is joined again. Nothing when the key is absent.
[[nodiscard]] std::optional<QString> catalogueValue(const QSettings& settings, const QString& key);

}  // namespace glyphon
