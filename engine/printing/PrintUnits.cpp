#include "engine/printing/PrintUnits.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "engine/core/Arith.h"

namespace glyphon {

namespace {

constexpr double kCentimetersPerInch = 2.54;
constexpr double kMillimetersPerInch = 25.4;

[[nodiscard]] int32_t roundedInt32(double v) { return saturateToInt32(roundHalfEven(v)); }

// a * b / c with the product in integers and the quotient in floating
// point, rounded; 0 when c is 0.
[[nodiscard]] int32_t scaledRounded(int64_t a, int64_t b, int64_t c) {
  if (c == 0) return 0;
  return roundedInt32(double(a * b) / double(c));
}

// a * b div c, truncating; 0 when c is 0.
[[nodiscard]] int32_t scaledTruncated(int64_t a, int64_t b, int64_t c) {
  if (c == 0) return 0;
  return saturateToInt32(truncDiv(a * b, c));
}

// Adds one to the last digit of a string of decimal digits (a point may
// stand between them), carrying leftwards; "9.99" becomes "10.00".
void incrementDigits(std::string& digits) {
  for (size_t i = digits.size(); i-- > 0;) {
    if (digits[i] == '.') continue;
    if (digits[i] != '9') {
      ++digits[i];
      return;
    }
    digits[i] = '0';
  }
  digits.insert(digits.begin(), '1');
}

}  // namespace

int32_t UnitToPixels(PrintUnit unit, double value, int32_t screenDpi) {
  const double r = screenDpi;
  switch (unit) {
    case PrintUnit::Pixel:
      return roundedInt32(value);
    case PrintUnit::Inch:
      return roundedInt32(value * r);
    case PrintUnit::Centimeter:
      return roundedInt32(value * r / kCentimetersPerInch);
    case PrintUnit::Millimeter:
      return roundedInt32(value * r / kMillimetersPerInch);
  }
  return 0;
}

double PixelsToUnit(int32_t pixels, PrintUnit unit, int32_t screenDpi) {
  if (unit == PrintUnit::Pixel) return pixels;
  if (screenDpi == 0) return 0;
  const double r = screenDpi;
  switch (unit) {
    case PrintUnit::Pixel:
      break;
    case PrintUnit::Inch:
      return pixels / r;
    case PrintUnit::Centimeter:
      return pixels * kCentimetersPerInch / r;
    case PrintUnit::Millimeter:
      return pixels * kMillimetersPerInch / r;
  }
  return 0;
}

double reexpressInUnit(double value, PrintUnit from, PrintUnit to, int32_t screenDpi) {
  return PixelsToUnit(UnitToPixels(from, value, screenDpi), to, screenDpi);
}

std::string formatFixed(double value, int decimals, std::string_view decimalSeparator) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  decimals = std::clamp(decimals, 0, 20);
  // The exact decimal expansion of a double ends within 1074 places after
  // the point, so these digits decide the rounding without any error.
  constexpr int kExactPlaces = 1100;
  std::string buffer(kExactPlaces + 400, '\0');
  const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(),
                                       std::fabs(value), std::chars_format::fixed, kExactPlaces);
  if (ec != std::errc()) return "0";
  buffer.resize(size_t(end - buffer.data()));
  const size_t point = buffer.find('.');
  std::string digits = buffer.substr(0, point + (decimals > 0 ? size_t(decimals) + 1 : 0));
  if (buffer[point + size_t(decimals) + 1] >= '5') incrementDigits(digits);

  const bool zero = digits.find_first_not_of("0.") == std::string::npos;
  std::string out = (value < 0 && !zero) ? "-" : "";
  const size_t dot = digits.find('.');
  if (dot == std::string::npos) return out + digits;
  return out + digits.substr(0, dot) + std::string(decimalSeparator) + digits.substr(dot + 1);
}

PixelSize pageFromPrinter(const PrinterFigures& printer, int32_t screenDpi) {
  return {scaledRounded(printer.Width, screenDpi, printer.DpiX),
          scaledRounded(printer.Height, screenDpi, printer.DpiY)};
}

PixelSize pageFromPaper(int32_t widthThousandths, int32_t heightThousandths, int32_t screenDpi) {
  return {scaledRounded(screenDpi, widthThousandths, 1000),
          scaledRounded(screenDpi, heightThousandths, 1000)};
}

PixelSize fitToPage(PixelSize page, PixelSize picture) {
  if (picture.Width == 0 || picture.Height == 0) return {};
  const double heightRatio = double(page.Height) / picture.Height;
  const double widthRatio = double(page.Width) / picture.Width;
  if (heightRatio >= widthRatio)
    return {page.Width, scaledTruncated(page.Width, picture.Height, picture.Width)};
  return {scaledTruncated(page.Height, picture.Width, picture.Height), page.Height};
}

double scalePercent(int32_t size, int32_t natural) {
  if (natural == 0) return 0;
  return double(int64_t(size) * 100) / natural;
}

PixelSize scaledSize(PixelSize picture, double scale) {
  return {roundedInt32(picture.Width * scale / 100), roundedInt32(picture.Height * scale / 100)};
}

int32_t widthForHeight(int32_t height, PixelSize picture) {
  return scaledTruncated(height, picture.Width, picture.Height);
}

int32_t heightForWidth(int32_t width, PixelSize picture) {
  return scaledTruncated(width, picture.Height, picture.Width);
}

int32_t centredOffset(int32_t page, int32_t size) {
  return saturateToInt32(truncDiv(int64_t(page) - size, 2));
}

Placement directPrintRectangle(const PrintLayout& layout, const PrinterFigures& printer,
                               PixelSize picture, int32_t screenDpi) {
  if (printer.DpiX == 0 || printer.DpiY == 0 || screenDpi == 0) return {};
  // Everything in inches first.
  const double pw = double(printer.Width) / printer.DpiX;
  const double ph = double(printer.Height) / printer.DpiY;
  const double iw = double(picture.Width) / screenDpi;
  const double ih = double(picture.Height) / screenDpi;

  double w = 0;
  double h = 0;
  if (!layout.FitPage) {
    w = iw * layout.Scale / 100;
    h = ih * layout.Scale / 100;
  } else if (iw != 0 && ih != 0) {
    if (ph / ih >= pw / iw) {
      w = pw;
      h = pw * ih / iw;
    } else {
      h = ph;
      w = ph * iw / ih;
    }
  }

  double x = 0;
  double y = 0;
  if (layout.Center) {
    x = (pw - w) / 2;
    y = (ph - h) / 2;
  } else {
    x = reexpressInUnit(layout.Left, layout.LeftUnit, PrintUnit::Inch, screenDpi);
    y = reexpressInUnit(layout.Top, layout.TopUnit, PrintUnit::Inch, screenDpi);
  }
  return {roundedInt32(x * printer.DpiX), roundedInt32(y * printer.DpiY),
          roundedInt32(w * printer.DpiX), roundedInt32(h * printer.DpiY)};
}

Placement dialogPrintRectangle(const Placement& screenPixels, const PrinterFigures& printer,
                               int32_t screenDpi) {
  return {scaledRounded(screenPixels.X, printer.DpiX, screenDpi),
          scaledRounded(screenPixels.Y, printer.DpiY, screenDpi),
          scaledRounded(screenPixels.Width, printer.DpiX, screenDpi),
          scaledRounded(screenPixels.Height, printer.DpiY, screenDpi)};
}

Placement previewPageRectangle(PixelSize panel, PixelSize page) {
  PixelSize image;
  if (page.Width > page.Height) {
    image.Width = panel.Width;
    image.Height = scaledTruncated(panel.Width, page.Height, page.Width);
  } else {
    image.Height = panel.Height;
    image.Width = scaledTruncated(image.Height, page.Width, page.Height);
  }
  return {centredOffset(panel.Width, image.Width), centredOffset(panel.Height, image.Height),
          image.Width, image.Height};
}

Placement previewPictureRectangle(const Placement& screenPixels, PixelSize preview,
                                  PixelSize page) {
  return {scaledTruncated(screenPixels.X, preview.Width, page.Width),
          scaledTruncated(screenPixels.Y, preview.Height, page.Height),
          scaledTruncated(preview.Width, screenPixels.Width, page.Width),
          scaledTruncated(screenPixels.Height, preview.Height, page.Height)};
}

}  // namespace glyphon
