// A drop-down list of colours: one custom entry first, then the sixteen
// standard colours, each with a swatch. Selecting a colour that is not a
// standard one puts it into the custom entry and selects that.
#pragma once

#include <QComboBox>
#include <functional>
#include <optional>

#include "engine/core/Geometry.h"

namespace glyphon {

class ColorBox : public QComboBox {
  Q_OBJECT

 public:
  // Asks the user for a colour, starting from the current one; empty when
  // the user cancels. The default shows QColorDialog.
  using ColorChooser = std::function<std::optional<Color>(QWidget* owner, Color initial)>;

  explicit ColorBox(QWidget* parent = nullptr);

  // The colour of the selected entry.
  [[nodiscard]] Color selected() const;
  // Selects color: its standard entry when there is one, else the custom
  // entry, which takes the colour.
  void setSelected(Color color);
  [[nodiscard]] Color customColor() const;

  void setColorChooser(ColorChooser chooser) { m_chooser = std::move(chooser); }

  static constexpr int kCustomIndex = 0;

 signals:
  // The user picked another colour (not sent by setSelected).
  void colorChanged(glyphon::Color color);

 private:
  void entryActivated(int index);
  void setCustomColor(Color color);

  ColorChooser m_chooser;
  int m_lastIndex = -1;
};

}  // namespace glyphon
