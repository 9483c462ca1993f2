// One call of a style plug-in, made inside the process that runs it: the
// library is loaded for the call, its render export draws into a picture of
// a PixelStore, and the library is unloaded again on every path. The editor
// never runs this itself: the helper glyphon-style-host does, and the
// editor asks the helper (StyleHost.h). Benchmarks call it to compare.
#pragma once

#include <cstdint>
#include <string>

#include "engine/core/Bitmap.h"

namespace glyphon {

// Which render export a plug-in speaks. Ascii: only the original export (printable ASCII at
// the style's natural size). Text: the text export too (any UTF-8 text, at any scale).
enum class PluginContract : uint8_t { Ascii, Text };

// What a call asks of the plug-in.
enum class PluginCallKind : uint8_t {
  Render,      // the original export with Text as it is
  RenderText,  // the text export when the plug-in has it, else the original one with the
               // character filter's ASCII of Text
  Contract,    // only which exports the library has
};

struct PluginCall {
  PluginCallKind Kind = PluginCallKind::RenderText;
  std::string LibraryPath;  // the style folder + "/" + the plug-in file
  std::string DateDigits;
  int32_t StyleFont = 0;
  std::string Text;
  double Scale = 1.0;  // RenderText only
};

// Where the picture lives while the plug-in draws into it.
class PixelStore {
 public:
  virtual ~PixelStore() = default;
  // Makes the picture width x height with every byte 0. Returns false, leaving the picture as
  // it was, when the size is negative, beyond Bitmap's limits or finds no memory. After a
  // successful call pixels() is the new first byte and earlier pointers are invalid.
  virtual bool resize(int32_t width, int32_t height) = 0;
  [[nodiscard]] virtual uint8_t* pixels() = 0;
};

// A PixelStore in a Bitmap of this process.
class BitmapStore final : public PixelStore {
 public:
  bool resize(int32_t width, int32_t height) override;
  uint8_t* pixels() override { return m_bitmap.data(); }
  // The picture drawn; the store is empty afterwards.
  [[nodiscard]] Bitmap take() { return std::move(m_bitmap); }

 private:
  Bitmap m_bitmap;
};

enum class PluginCallStatus : uint8_t {
  NotAPlugin,     // the library does not load or lacks the original export
  Done,           // drawn (or, for Contract, looked up)
  BrokeContract,  // the plug-in overwrote a field of the bitmap it was handed
};

struct PluginCallResult {
  PluginCallStatus Status = PluginCallStatus::NotAPlugin;
  PluginContract Contract = PluginContract::Ascii;
  // The scale the picture was drawn at: the asked one, clamped, for the text export; 1 else.
  double Scale = 1.0;
  int32_t Width = 0;  // of the store's picture when Done
  int32_t Height = 0;
};

// Makes the call; the picture is left in store. A RenderText call whose scale is not finite,
// or whose text is longer than the text export can be told, is NotAPlugin.
[[nodiscard]] PluginCallResult callPlugin(const PluginCall& call, PixelStore& store);

}  // namespace glyphon
