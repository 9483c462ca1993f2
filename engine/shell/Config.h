// The configuration file cfg.ini: the canvas settings New makes a canvas
// from (section System) and the print layout (section PrintPrew). Read once
// at start-up and written once at exit; the file holds exactly these two
// sections with their sixteen keys, so anything else an older file held is
// dropped at the next exit.
#pragma once

#include <string>
#include <string_view>

#include "engine/core/IniFile.h"
#include "engine/documents/CanvasSettings.h"
#include "engine/printing/PrintLayout.h"

namespace glyphon {

inline constexpr std::string_view kConfigFileName = "cfg.ini";

struct Configuration {
  CanvasSettings Canvas;
  // Width and Height are not stored: they stay 0 when read.
  PrintLayout Print;

  friend bool operator==(const Configuration&, const Configuration&) = default;
};

// The settings file holds: every key missing, or a number that does not
// parse, takes its default. Floating-point values are read with
// decimalSeparator, the one of the user's number format.
[[nodiscard]] Configuration readConfiguration(const IniFile& file,
                                              std::string_view decimalSeparator);

// Both sections with every stored key, in the order the file keeps them.
// Throws Error for a BKPicPath with a line break, which no INI line holds.
[[nodiscard]] IniFile configurationFile(const Configuration& config,
                                        std::string_view decimalSeparator);

// Reads folder/cfg.ini, creating folder (and its parents) first when it is
// missing. A folder that cannot be made, a missing file or one that cannot
// be read gives the defaults; nothing is reported.
[[nodiscard]] Configuration loadConfiguration(const std::string& folder,
                                              std::string_view decimalSeparator);

// Replaces folder/cfg.ini with config, creating folder (and its parents)
// when missing. The file is written whole to a temporary file and renamed
// over the old one, so a failure keeps the old file as it was. Throws Error
// "Unable to write to <path of cfg.ini>" when the file cannot be written.
void saveConfiguration(const std::string& folder, const Configuration& config,
                       std::string_view decimalSeparator);

}  // namespace glyphon
