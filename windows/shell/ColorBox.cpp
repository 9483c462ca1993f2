#include "windows/shell/ColorBox.h"

#include <QColorDialog>
#include <QPainter>
#include <QPixmap>
#include <array>

namespace glyphon {

namespace {

struct NamedColor {
  const char* name;
  Color color;
};

// The sixteen colours of the classic palette, in its order.
constexpr std::array<NamedColor, 16> kStandardColors{{
    {"Black", rgb(0, 0, 0)},
    {"Maroon", rgb(128, 0, 0)},
    {"Green", rgb(0, 128, 0)},
    {"Olive", rgb(128, 128, 0)},
    {"Navy", rgb(0, 0, 128)},
    {"Purple", rgb(128, 0, 128)},
    {"Teal", rgb(0, 128, 128)},
    {"Gray", rgb(128, 128, 128)},
    {"Silver", rgb(192, 192, 192)},
    {"Red", rgb(255, 0, 0)},
    {"Lime", rgb(0, 255, 0)},
    {"Yellow", rgb(255, 255, 0)},
    {"Blue", rgb(0, 0, 255)},
    {"Fuchsia", rgb(255, 0, 255)},
    {"Aqua", rgb(0, 255, 255)},
    {"White", rgb(255, 255, 255)},
}};

QColor toQColor(Color c) { return QColor(redOf(c), greenOf(c), blueOf(c)); }

QIcon swatch(Color c) {
  QPixmap pixmap(16, 12);
  pixmap.fill(toQColor(c));
  QPainter painter(&pixmap);
  painter.setPen(Qt::black);
  painter.drawRect(0, 0, pixmap.width() - 1, pixmap.height() - 1);
  return QIcon(pixmap);
}

std::optional<Color> chooseWithDialog(QWidget* owner, Color initial) {
  const QColor chosen = QColorDialog::getColor(toQColor(initial), owner);
  if (!chosen.isValid()) return std::nullopt;
  return rgb(uint8_t(chosen.red()), uint8_t(chosen.green()), uint8_t(chosen.blue()));
}

}  // namespace

ColorBox::ColorBox(QWidget* parent) : QComboBox(parent), m_chooser(&chooseWithDialog) {
  addItem(swatch(0), tr("Custom..."), QVariant::fromValue<uint>(0));
  for (const NamedColor& entry : kStandardColors)
    addItem(swatch(entry.color), tr(entry.name), QVariant::fromValue<uint>(entry.color));
  setSizeAdjustPolicy(QComboBox::AdjustToContents);
  setCurrentIndex(1);
  m_lastIndex = currentIndex();
  connect(this, &QComboBox::activated, this, &ColorBox::entryActivated);
}

Color ColorBox::selected() const { return Color(currentData().toUInt()); }

Color ColorBox::customColor() const { return Color(itemData(kCustomIndex).toUInt()); }

void ColorBox::setSelected(Color color) {
  color &= 0xFFFFFF;
  for (int i = kCustomIndex + 1; i < count(); ++i) {
    if (Color(itemData(i).toUInt()) == color) {
      setCurrentIndex(i);
      m_lastIndex = i;
      return;
    }
  }
  setCustomColor(color);
  setCurrentIndex(kCustomIndex);
  m_lastIndex = kCustomIndex;
}

void ColorBox::setCustomColor(Color color) {
  setItemData(kCustomIndex, QVariant::fromValue<uint>(color));
  setItemIcon(kCustomIndex, swatch(color));
}

void ColorBox::entryActivated(int index) {
  if (index == kCustomIndex) {
    // Picking the custom entry asks for its colour; cancelling goes back to
    // the entry selected before.
    const std::optional<Color> chosen = m_chooser ? m_chooser(this, customColor()) : std::nullopt;
    if (!chosen) {
      setCurrentIndex(m_lastIndex);
      return;
    }
    setCustomColor(*chosen & 0xFFFFFF);
    setCurrentIndex(kCustomIndex);
  }
  m_lastIndex = index;
  emit colorChanged(selected());
}

}  // namespace glyphon
