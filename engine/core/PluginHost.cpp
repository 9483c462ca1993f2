#include "engine/core/PluginHost.h"

#include <cmath>
#include <utility>

#include "engine/core/StyleHost.h"

namespace glyphon {

namespace {

PluginAnswer ask(PluginCallKind kind, const std::string& styleFolder,
                 const std::string& pluginFileName, const std::string& dateDigits,
                 int32_t styleFont, std::string_view text, double scale) {
  PluginCall call;
  call.Kind = kind;
  call.LibraryPath = styleFolder + "/" + pluginFileName;
  call.DateDigits = dateDigits;
  call.StyleFont = styleFont;
  call.Text = std::string(text);
  call.Scale = scale;
  return StyleHost::shared().call(call, renderWait());
}

}  // namespace

std::optional<Bitmap> renderWithPlugin(const std::string& styleFolder,
                                       const std::string& pluginFileName,
                                       const std::string& dateDigits, int32_t styleFont,
                                       const std::string& text) {
  PluginAnswer answer =
      ask(PluginCallKind::Render, styleFolder, pluginFileName, dateDigits, styleFont, text, 1.0);
  if (answer.Status != PluginCallStatus::Done) return std::nullopt;
  return std::move(answer.Picture);
}

std::optional<PluginContract> pluginContract(const std::string& styleFolder,
                                             const std::string& pluginFileName) {
  try {
    const PluginAnswer answer =
        ask(PluginCallKind::Contract, styleFolder, pluginFileName, "", 0, "", 1.0);
    if (answer.Status != PluginCallStatus::Done) return std::nullopt;
    return answer.Contract;
  } catch (const PluginFailure&) {
  } catch (const RenderingCancelled&) {
  }
  return std::nullopt;
}

std::optional<PluginRendering> renderTextWithPlugin(const std::string& styleFolder,
                                                    const std::string& pluginFileName,
                                                    const std::string& dateDigits,
                                                    int32_t styleFont, std::string_view utf8Text,
                                                    double scale) {
  if (!std::isfinite(scale)) return std::nullopt;
  PluginAnswer answer = ask(PluginCallKind::RenderText, styleFolder, pluginFileName, dateDigits,
                            styleFont, utf8Text, scale);
  if (answer.Status != PluginCallStatus::Done) return std::nullopt;
  return PluginRendering{std::move(answer.Picture), answer.Contract, answer.Scale};
}

}  // namespace glyphon
