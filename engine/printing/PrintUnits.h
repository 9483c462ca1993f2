// The arithmetic of the print layout: the four length units and the
// conversions between them, the text forms in which the print dialog shows
// its numbers, and where the picture goes on the page, in the dialog's
// preview and on the printer.
//
// Every layout length is reckoned in whole screen pixels at the screen's
// resolution screenDpi (pixels per inch, commonly 96); one picture pixel is
// one screen pixel. Rounding is to the nearest integer with halves to the
// even neighbour, integer divisions truncate toward zero, and results that
// leave the 32-bit range saturate. A division by zero (an empty picture, a
// page or a resolution of 0) gives 0 instead of failing.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/printing/PrintLayout.h"

namespace glyphon {

// The captions of the units in index order, as the unit lists show them.
inline constexpr std::array<std::string_view, 4> kPrintUnitNames = {"Pixel", "Inch", "centimeter",
                                                                    "millimeter"};

// What the printer reports of itself: its resolution in dots per inch across
// and down, and the size of its printable area in device pixels.
struct PrinterFigures {
  int32_t DpiX = 0;
  int32_t DpiY = 0;
  int32_t Width = 0;
  int32_t Height = 0;
};

struct PixelSize {
  int32_t Width = 0;
  int32_t Height = 0;
  friend constexpr bool operator==(const PixelSize&, const PixelSize&) = default;
};

// A rectangle by its corner and size, as the printer and the preview take it.
struct Placement {
  int32_t X = 0;
  int32_t Y = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  friend constexpr bool operator==(const Placement&, const Placement&) = default;
};

// value in unit as whole screen pixels, rounded; 0 for an unknown unit.
[[nodiscard]] int32_t UnitToPixels(PrintUnit unit, double value, int32_t screenDpi);

// pixels expressed in unit, not rounded; 0 for an unknown unit.
[[nodiscard]] double PixelsToUnit(int32_t pixels, PrintUnit unit, int32_t screenDpi);

// value in unit from re-expressed in unit to, through whole screen pixels.
[[nodiscard]] double reexpressInUnit(double value, PrintUnit from, PrintUnit to, int32_t screenDpi);

// value with exactly decimals digits after decimalSeparator ("0.000" for 3),
// an exact half rounded away from zero; no minus sign when it rounds to 0.
[[nodiscard]] std::string formatFixed(double value, int decimals,
                                      std::string_view decimalSeparator);

// The page in screen pixels from the printer's printable area.
[[nodiscard]] PixelSize pageFromPrinter(const PrinterFigures& printer, int32_t screenDpi);

// The page in screen pixels from a paper size in thousandths of an inch.
[[nodiscard]] PixelSize pageFromPaper(int32_t widthThousandths, int32_t heightThousandths,
                                      int32_t screenDpi);

// The picture scaled, aspect kept, until it fills the page's width or height
// (equal ratios count as width-limited), in whole pixels.
[[nodiscard]] PixelSize fitToPage(PixelSize page, PixelSize picture);

// size in percent of natural: size * 100 / natural.
[[nodiscard]] double scalePercent(int32_t size, int32_t natural);

// The picture at scale percent of its size, each side rounded.
[[nodiscard]] PixelSize scaledSize(PixelSize picture, double scale);

// The width that keeps the picture's aspect for height: height * w div h.
[[nodiscard]] int32_t widthForHeight(int32_t height, PixelSize picture);

// The height that keeps the picture's aspect for width: width * h div w.
[[nodiscard]] int32_t heightForWidth(int32_t width, PixelSize picture);

// Where a length size starts when centred in page: (page - size) div 2,
// negative when it is larger than the page.
[[nodiscard]] int32_t centredOffset(int32_t page, int32_t size);

// The device rectangle of direct printing: the layout's stored values, the
// picture fitted (FitPage) or scaled by Scale, centred or at Left and Top
// snapped to screen pixels, worked out in inches and then multiplied by the
// printer's resolution. Width and Height of the layout are not used.
[[nodiscard]] Placement directPrintRectangle(const PrintLayout& layout,
                                             const PrinterFigures& printer, PixelSize picture,
                                             int32_t screenDpi);

// The device rectangle of printing from the print dialog: a rectangle in
// screen pixels scaled by the printer's resolution, each side rounded.
[[nodiscard]] Placement dialogPrintRectangle(const Placement& screenPixels,
                                             const PrinterFigures& printer, int32_t screenDpi);

// Where the page preview lies in its panel: as large as the panel allows
// with the page's aspect (truncated), centred.
[[nodiscard]] Placement previewPageRectangle(PixelSize panel, PixelSize page);

// Where a rectangle of the page (screen pixels) lies in a page preview of
// the size preview, each edge truncated.
[[nodiscard]] Placement previewPictureRectangle(const Placement& screenPixels, PixelSize preview,
                                                PixelSize page);

}  // namespace glyphon
