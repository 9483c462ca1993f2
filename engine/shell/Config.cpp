#include "engine/shell/Config.h"

#include <filesystem>
#include <system_error>

#include "engine/core/Error.h"

namespace glyphon {

namespace {

constexpr std::string_view kSystem = "System";
constexpr std::string_view kPrint = "PrintPrew";

void makeFolder(const std::string& folder) {
  std::error_code ignored;  // a failure shows when the file is read or written
  std::filesystem::create_directories(folder, ignored);
}

std::string configPath(const std::string& folder) {
  return folder + "/" + std::string(kConfigFileName);
}

PrintUnit readUnit(const IniFile& file, std::string_view key, PrintUnit fallback) {
  return PrintUnit(file.readInteger(kPrint, key, int32_t(fallback)));
}

}  // namespace

Configuration readConfiguration(const IniFile& file, std::string_view decimalSeparator) {
  const Configuration defaults;
  Configuration c;
  CanvasSettings& s = c.Canvas;
  const CanvasSettings& ds = defaults.Canvas;
  s.BKPicPath = file.readString(kSystem, "BKPicPath", ds.BKPicPath);
  s.DefaultBKPic = file.readBool(kSystem, "DefaultBKPic", ds.DefaultBKPic);
  s.SameAsBKPic = file.readBool(kSystem, "SameAsBKPic", ds.SameAsBKPic);
  s.Width = file.readInteger(kSystem, "Width", ds.Width);
  s.Height = file.readInteger(kSystem, "Height", ds.Height);
  s.Color = Color(file.readInteger(kSystem, "Color", int32_t(ds.Color)));

  PrintLayout& p = c.Print;
  const PrintLayout& dp = defaults.Print;
  p.Top = file.readFloat(kPrint, "Top", dp.Top, decimalSeparator);
  p.Left = file.readFloat(kPrint, "Left", dp.Left, decimalSeparator);
  p.TopUnit = readUnit(file, "TopUnit", dp.TopUnit);
  p.LeftUnit = readUnit(file, "LeftUnit", dp.LeftUnit);
  p.Center = file.readBool(kPrint, "Center", dp.Center);
  p.Scale = file.readFloat(kPrint, "Scale", dp.Scale, decimalSeparator);
  p.FitPage = file.readBool(kPrint, "FitPage", dp.FitPage);
  p.WidthUnit = readUnit(file, "WidthUnit", dp.WidthUnit);
  p.HeightUnit = readUnit(file, "HeightUnit", dp.HeightUnit);
  p.BorderBox = file.readBool(kPrint, "BorderBox", dp.BorderBox);
  return c;
}

IniFile configurationFile(const Configuration& config, std::string_view decimalSeparator) {
  IniFile file;
  const CanvasSettings& s = config.Canvas;
  file.writeString(kSystem, "BKPicPath", s.BKPicPath);
  file.writeBool(kSystem, "DefaultBKPic", s.DefaultBKPic);
  file.writeBool(kSystem, "SameAsBKPic", s.SameAsBKPic);
  file.writeInteger(kSystem, "Width", s.Width);
  file.writeInteger(kSystem, "Height", s.Height);
  file.writeInteger(kSystem, "Color", int32_t(s.Color));

  const PrintLayout& p = config.Print;
  file.writeFloat(kPrint, "Top", p.Top, decimalSeparator);
  file.writeFloat(kPrint, "Left", p.Left, decimalSeparator);
  file.writeInteger(kPrint, "TopUnit", int32_t(p.TopUnit));
  file.writeInteger(kPrint, "LeftUnit", int32_t(p.LeftUnit));
  file.writeBool(kPrint, "Center", p.Center);
  file.writeFloat(kPrint, "Scale", p.Scale, decimalSeparator);
  file.writeBool(kPrint, "FitPage", p.FitPage);
  file.writeInteger(kPrint, "WidthUnit", int32_t(p.WidthUnit));
  file.writeInteger(kPrint, "HeightUnit", int32_t(p.HeightUnit));
  file.writeBool(kPrint, "BorderBox", p.BorderBox);
  return file;
}

Configuration loadConfiguration(const std::string& folder, std::string_view decimalSeparator) {
  makeFolder(folder);
  return readConfiguration(IniFile::load(configPath(folder)), decimalSeparator);
}

void saveConfiguration(const std::string& folder, const Configuration& config,
                       std::string_view decimalSeparator) {
  const IniFile file = configurationFile(config, decimalSeparator);
  makeFolder(folder);
  const std::string path = configPath(folder);
  try {
    file.save(path);
  } catch (const Error&) {
    throw Error("Unable to write to " + path);
  }
}

}  // namespace glyphon
