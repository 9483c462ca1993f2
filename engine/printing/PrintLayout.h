// Where on the printed page the picture goes and how large it is printed.
// The record lives in the configuration file from one run to the next;
// Width and Height are not stored and last only for the run.
#pragma once

#include <cstdint>

namespace glyphon {

// A length unit of the print layout, an index into the unit lists of the
// print dialog. Any other value may come from the configuration file and
// stays as it is: it is a unit in which every length is 0.
enum class PrintUnit : int32_t { Pixel = 0, Inch = 1, Centimeter = 2, Millimeter = 3 };

struct PrintLayout {
  // Distance from the page's top and left edges to the picture's, in
  // TopUnit and LeftUnit; not used while Center is set. The defaults are 20
  // inches, which matter only once centring is switched off.
  double Top = 20.0;
  double Left = 20.0;
  PrintUnit TopUnit = PrintUnit::Inch;
  PrintUnit LeftUnit = PrintUnit::Inch;
  bool Center = true;
  // Print size in percent of the natural size, for direct printing without
  // FitPage.
  double Scale = 100.0;
  // Scale the picture, aspect kept, until it fills the page's width or height.
  bool FitPage = true;
  // Print size as the print dialog last showed it, in HeightUnit and
  // WidthUnit. Recomputed whenever the dialog opens.
  double Height = 0.0;
  double Width = 0.0;
  PrintUnit HeightUnit = PrintUnit::Inch;
  PrintUnit WidthUnit = PrintUnit::Inch;
  // State of the print dialog's hidden "Display Border Box" check box.
  bool BorderBox = true;

  friend bool operator==(const PrintLayout&, const PrintLayout&) = default;
};

}  // namespace glyphon
