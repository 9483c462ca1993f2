#include "engine/printing/PrintUnits.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "engine/core/IniFile.h"

namespace glyphon {
namespace {

constexpr int32_t R = 96;
constexpr PrintUnit kPixel = PrintUnit::Pixel;
constexpr PrintUnit kInch = PrintUnit::Inch;
constexpr PrintUnit kCentimeter = PrintUnit::Centimeter;
constexpr PrintUnit kMillimeter = PrintUnit::Millimeter;
constexpr PrintUnit kUnit7 = PrintUnit(7);
constexpr PrintUnit kNoUnit = PrintUnit(-1);

// The 600 dpi printer whose printable area is 8 x 11 inches.
constexpr PrinterFigures kPrinter600{600, 600, 4800, 6600};

TEST(UnitToPixels, RoundsToWholeScreenPixelsHalvesToEven) {
  struct Case {
    PrintUnit unit;
    double value;
    int32_t pixels;
  };
  const Case cases[] = {
      {kInch, 0.5, 48},
      {kInch, 1, 96},
      {kInch, 8.333, 800},
      {kInch, -0.167, -16},
      {kMillimeter, 1, 4},
      {kCentimeter, 1, 38},
      {kCentimeter, 5, 189},
      {kCentimeter, 2, 76},
      {kPixel, 2.5, 2},
      {kPixel, 3.5, 4},
      {kPixel, -2.5, -2},
      {kPixel, 228, 228},
      {kUnit7, 3, 0},
      {PrintUnit(9), 20, 0},
      {kNoUnit, 1, 0},
      {kInch, 1e300, INT32_MAX},
      {kInch, -1e300, INT32_MIN},
  };
  for (const Case& c : cases)
    EXPECT_EQ(UnitToPixels(c.unit, c.value, R), c.pixels)
        << "unit " << int(c.unit) << " value " << c.value;
  // Another screen resolution.
  EXPECT_EQ(UnitToPixels(kInch, 1, 120), 120);
  EXPECT_EQ(UnitToPixels(kCentimeter, 1, 120), 47);  // 47.24
}

TEST(PixelsToUnit, ExpressesPixelsWithoutRounding) {
  EXPECT_EQ(formatGeneral(PixelsToUnit(38, kInch, R), "."), "0.395833333333333");
  EXPECT_DOUBLE_EQ(PixelsToUnit(96, kCentimeter, R), 2.54);
  EXPECT_DOUBLE_EQ(PixelsToUnit(96, kMillimeter, R), 25.4);
  EXPECT_DOUBLE_EQ(PixelsToUnit(240, kInch, R), 2.5);
  EXPECT_EQ(PixelsToUnit(-16, kPixel, R), -16);
  EXPECT_EQ(PixelsToUnit(96, kUnit7, R), 0);
  EXPECT_EQ(PixelsToUnit(96, kNoUnit, R), 0);
  EXPECT_EQ(PixelsToUnit(96, kInch, 0), 0);
}

TEST(ReexpressInUnit, PassesThroughWholeScreenPixels) {
  struct Case {
    double value;
    PrintUnit from, to;
    const char* shown;
  };
  const Case cases[] = {
      {1, kCentimeter, kInch, "0.395833333333333"},
      {1, kInch, kCentimeter, "2.54"},
      {8.333, kInch, kCentimeter, "21.1666666666667"},
      {2.375, kInch, kPixel, "228"},
      {3.7, kPixel, kMillimeter, "1.05833333333333"},  // 4 pixels
      {5, kInch, kUnit7, "0"},
      {5, kUnit7, kInch, "0"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(formatGeneral(reexpressInUnit(c.value, c.from, c.to, R), "."), c.shown) << c.value;
}

TEST(FormatFixed, RoundsToTheGivenDecimals) {
  struct Case {
    double value;
    int decimals;
    const char* text;
  };
  const Case cases[] = {
      {800.0 / 96, 3, "8.333"},
      {6.25, 3, "6.250"},
      {-16.0 / 96, 3, "-0.167"},
      {0, 3, "0.000"},
      {96, 2, "96.00"},
      {100, 2, "100.00"},
      {23.5, 3, "23.500"},
      {141.0 / 96, 3, "1.469"},
      // An exact half goes away from zero (6 pixels are 0.0625 inch).
      {0.0625, 3, "0.063"},
      {-0.0625, 3, "-0.063"},
      {0.125, 2, "0.13"},
      // 1.0005 and 9.9995 lie just below the half as doubles.
      {1.0005, 3, "1.000"},
      {9.9995, 3, "9.999"},
      {9.9996, 3, "10.000"},
      {-0.0004, 3, "0.000"},
      {2.5, 0, "3"},
      {1e20, 2, "100000000000000000000.00"},
  };
  for (const Case& c : cases) EXPECT_EQ(formatFixed(c.value, c.decimals, "."), c.text) << c.value;
  EXPECT_EQ(formatFixed(2.5, 3, ","), "2,500");
  EXPECT_EQ(formatFixed(-16.0 / 96, 3, ","), "-0,167");
}

TEST(PageSize, FromPrinterFiguresAndFromPaperSize) {
  EXPECT_EQ(pageFromPrinter(kPrinter600, R), (PixelSize{768, 1056}));
  EXPECT_EQ(pageFromPrinter({300, 600, 2400, 6600}, R), (PixelSize{768, 1056}));
  EXPECT_EQ(pageFromPrinter({0, 0, 2400, 6600}, R), (PixelSize{0, 0}));
  // Letter, in thousandths of an inch, upright and lying.
  EXPECT_EQ(pageFromPaper(8500, 11000, R), (PixelSize{816, 1056}));
  EXPECT_EQ(pageFromPaper(11000, 8500, R), (PixelSize{1056, 816}));
  // A4: 793.632 and 1122.528 pixels.
  EXPECT_EQ(pageFromPaper(8268, 11693, R), (PixelSize{794, 1123}));
  // Halves go to the even neighbour: 0.5 and 1.5 pixels.
  EXPECT_EQ(pageFromPaper(5, 15, 100), (PixelSize{0, 2}));
}

TEST(FitToPage, FillsTheWidthOrTheHeightWhicheverComesFirst) {
  struct Case {
    PixelSize page, picture, fitted;
  };
  const Case cases[] = {
      {{768, 1056}, {800, 600}, {768, 576}},   // 1.76 >= 0.96: width-limited
      {{768, 1056}, {600, 800}, {768, 1024}},  // 1.32 >= 1.28: width-limited
      {{1056, 768}, {800, 600}, {1024, 768}},  // 1.28 < 1.32: height-limited
      {{800, 600}, {400, 300}, {800, 600}},    // equal ratios: width-limited
      {{768, 1056}, {7, 3}, {768, 329}},       // 329.14 truncated
      {{768, 1056}, {0, 600}, {0, 0}},        {{768, 1056}, {800, 0}, {0, 0}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(fitToPage(c.page, c.picture), c.fitted)
        << c.picture.Width << " x " << c.picture.Height;
  EXPECT_EQ(formatFixed(scalePercent(576, 600), 2, "."), "96.00");
  EXPECT_EQ(scalePercent(1, 0), 0);
}

TEST(ScaleAndAspect, NaturalSizeScaledAndTheOtherSideFollows) {
  EXPECT_EQ(scaledSize({800, 600}, 100), (PixelSize{800, 600}));
  EXPECT_EQ(scaledSize({800, 600}, 40), (PixelSize{320, 240}));
  EXPECT_EQ(scaledSize({5, 3}, 50), (PixelSize{2, 2}));  // 2.5 and 1.5
  EXPECT_EQ(scaledSize({800, 600}, 1e12), (PixelSize{INT32_MAX, INT32_MAX}));

  EXPECT_EQ(widthForHeight(288, {800, 600}), 384);
  EXPECT_EQ(heightForWidth(189, {800, 600}), 141);
  EXPECT_EQ(heightForWidth(799, {800, 600}), 599);  // 599.25 truncated
  EXPECT_EQ(widthForHeight(-10, {800, 600}), -13);  // toward zero
  EXPECT_EQ(widthForHeight(INT32_MAX, {800, 600}), INT32_MAX);
  EXPECT_EQ(widthForHeight(288, {800, 0}), 0);
  EXPECT_EQ(heightForWidth(189, {0, 600}), 0);
}

TEST(CentredOffset, TruncatesTowardZero) {
  EXPECT_EQ(centredOffset(1056, 576), 240);
  EXPECT_EQ(centredOffset(1056, 1024), 16);
  EXPECT_EQ(centredOffset(768, 768), 0);
  EXPECT_EQ(centredOffset(768, 1000), -116);
  EXPECT_EQ(centredOffset(768, 1001), -116);  // not -117
  EXPECT_EQ(centredOffset(INT32_MIN, INT32_MAX), -INT32_MAX);
}

TEST(DirectPrintRectangle, FromTheStoredLayout) {
  struct Case {
    const char* name;
    PrintLayout layout;
    Placement device;
  };
  PrintLayout fitted;  // FitPage and Center, as stored by default
  PrintLayout natural;
  natural.FitPage = false;
  PrintLayout half;
  half.FitPage = false;
  half.Center = false;
  half.Scale = 50;
  half.Left = 1;
  half.Top = 2;
  half.TopUnit = kCentimeter;
  PrintLayout defaults;  // 20 inches from the corner
  defaults.Center = false;
  PrintLayout noTopUnit = defaults;
  noTopUnit.TopUnit = PrintUnit(9);
  PrintLayout pixels = half;
  pixels.Scale = 12.5;
  pixels.Left = -16;
  pixels.LeftUnit = kPixel;
  const Case cases[] = {
      {"fit and centre", fitted, {0, 1500, 4800, 3600}},
      {"scale 100, centred", natural, {-100, 1425, 5000, 3750}},
      {"scale 50 at 1 in, 2 cm", half, {600, 475, 2500, 1875}},
      {"20 inches off the page", defaults, {12000, 12000, 4800, 3600}},
      {"unit 9 puts the top at 0", noTopUnit, {12000, 0, 4800, 3600}},
      {"scale 12.5 at -16 pixels", pixels, {-100, 475, 625, 469}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(directPrintRectangle(c.layout, kPrinter600, {800, 600}, R), c.device) << c.name;

  // A picture taller than wide on the same page: height 1024 of 1056.
  EXPECT_EQ(directPrintRectangle(fitted, kPrinter600, {600, 800}, R),
            (Placement{0, 100, 4800, 6400}));
  // Printer and picture of different shapes: 300 x 600 dpi, landscape.
  EXPECT_EQ(directPrintRectangle(fitted, {300, 600, 3300, 4800}, {800, 600}, R),
            (Placement{50, 0, 3200, 4800}));
  // Nothing to scale, or a printer that reports no resolution.
  EXPECT_EQ(directPrintRectangle(fitted, kPrinter600, {0, 0}, R), (Placement{2400, 3300, 0, 0}));
  EXPECT_EQ(directPrintRectangle(fitted, {0, 0, 4800, 6600}, {800, 600}, R), Placement{});
}

TEST(DialogPrintRectangle, ScalesScreenPixelsByThePrinterResolution) {
  EXPECT_EQ(dialogPrintRectangle({0, 240, 768, 576}, kPrinter600, R),
            (Placement{0, 1500, 4800, 3600}));
  EXPECT_EQ(dialogPrintRectangle({-16, 228, 800, 600}, {300, 600, 0, 0}, R),
            (Placement{-50, 1425, 2500, 3750}));
  // 1 pixel at 600 / 96 is 6.25 device pixels; 3 pixels are 18.75.
  EXPECT_EQ(dialogPrintRectangle({1, 3, 1, 3}, kPrinter600, R), (Placement{6, 19, 6, 19}));
  EXPECT_EQ(dialogPrintRectangle({1, 1, 1, 1}, kPrinter600, 0), Placement{});
}

TEST(PreviewRectangles, PageInThePanelAndPictureOnThePage) {
  EXPECT_EQ(previewPageRectangle({257, 257}, {768, 1056}), (Placement{35, 0, 186, 257}));
  EXPECT_EQ(previewPageRectangle({257, 257}, {1056, 768}), (Placement{0, 35, 257, 186}));
  EXPECT_EQ(previewPageRectangle({257, 257}, {800, 800}), (Placement{0, 0, 257, 257}));
  EXPECT_EQ(previewPageRectangle({257, 257}, {0, 0}), (Placement{128, 0, 0, 257}));

  EXPECT_EQ(previewPictureRectangle({0, 240, 768, 576}, {186, 257}, {768, 1056}),
            (Placement{0, 58, 186, 140}));
  // Fit off and centred: -16 and 228 pixels, 800 x 600.
  EXPECT_EQ(previewPictureRectangle({-16, 228, 800, 600}, {186, 257}, {768, 1056}),
            (Placement{-3, 55, 193, 146}));
  EXPECT_EQ(previewPictureRectangle({1, 1, 1, 1}, {186, 257}, {0, 0}), Placement{});
}

}  // namespace
}  // namespace glyphon
