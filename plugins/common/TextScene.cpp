#include "TextScene.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_GLYPH_H
#include FT_STROKER_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>

namespace glyphon_styles {

namespace {

// The face every style falls back to: DejaVu is on every Debian desktop.
const char* const kFallbackFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

// Largest planes a style works on: the styles keep several planes of floats,
// so a text that would need more is set smaller. Within the editor's
// 65535-pixel side limit.
constexpr double kMaxPixels = 8.0 * 1024 * 1024;
constexpr int kMaxSide = 65535;
constexpr int kMinPixelSize = 2;

// Shades at or below this are background in a rendering.
constexpr int kBackgroundShade = 4;

// Prefix put before every font path; empty except when the tests point the
// styles at another file system tree to see how they fare without fonts.
std::string fontRoot() {
  const char* root = std::getenv("GLYPHON_STYLES_FONT_ROOT");
  return root ? root : "";
}

struct Placement {
  FT_UInt glyph;
  int x;         // pen position, layout pixels
  int baseline;  // layout pixels, y down
};

// The kinds of coverage a glyph is drawn as.
struct Variant {
  enum Kind { Fill, Outline, Grown } kind = Fill;
  float radius = 0;
  bool operator<(const Variant& o) const {
    return kind != o.kind ? kind < o.kind : radius < o.radius;
  }
};

}  // namespace

struct TextScene::Impl {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  bool ok = false;
  float scale = 1.0f;
  int margin = 0;
  int width = 0, height = 0;
  int originX = 0, originY = 0;  // where layout (0, 0) lies on the planes
  std::vector<Placement> placements;
  std::map<FT_UInt, FT_Glyph> outlines;  // at the size set
  std::vector<float> rowPosition;
  // Coverage planes made so far, by kind and radius: the looks ask for the
  // same ones several times.
  std::map<Variant, Plane> planes;

  ~Impl() {
    clearGlyphs();
    if (face) FT_Done_Face(face);
    if (library) FT_Done_FreeType(library);
  }

  void clearGlyphs() {
    for (auto& [index, glyph] : outlines) FT_Done_Glyph(glyph);
    outlines.clear();
  }

  bool openFace(const char* file) {
    const std::string root = fontRoot();
    for (const char* candidate : {file, kFallbackFont}) {
      if (candidate == nullptr) continue;
      const std::string path = root + candidate;
      if (FT_New_Face(library, path.c_str(), 0, &face) == 0) {
        if (FT_IS_SCALABLE(face)) return true;
        FT_Done_Face(face);
      }
      face = nullptr;
    }
    return false;
  }

  // The glyph's outline at the size set, loaded once; null when the face
  // has no outline for it.
  FT_Glyph outlineOf(FT_UInt index, double* advance) {
    auto found = outlines.find(index);
    if (found == outlines.end()) {
      FT_Glyph glyph = nullptr;
      if (FT_Load_Glyph(face, index, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0 ||
          face->glyph->format != FT_GLYPH_FORMAT_OUTLINE || FT_Get_Glyph(face->glyph, &glyph) != 0)
        glyph = nullptr;
      found = outlines.emplace(index, glyph).first;
    }
    if (advance != nullptr)
      *advance = found->second ? double(found->second->advance.x) / 65536.0 : 0.0;
    return found->second;
  }

  // Lays the text out at pixelSize; false when the face refuses the size.
  bool layout(const std::vector<std::string>& lines, int pixelSize, float tracking) {
    clearGlyphs();
    placements.clear();
    if (FT_Set_Pixel_Sizes(face, 0, FT_UInt(pixelSize)) != 0) return false;
    const double lineHeight = std::max<double>(face->size->metrics.height / 64.0, pixelSize);
    std::vector<double> widths;
    std::vector<size_t> firstOfLine;
    for (const std::string& line : lines) {
      firstOfLine.push_back(placements.size());
      double pen = 0;
      FT_UInt previous = 0;
      for (unsigned char c : line) {
        FT_UInt index = FT_Get_Char_Index(face, c);
        if (index == 0) index = FT_Get_Char_Index(face, '?');
        if (previous != 0 && index != 0 && FT_HAS_KERNING(face)) {
          FT_Vector kern{};
          if (FT_Get_Kerning(face, previous, index, FT_KERNING_UNFITTED, &kern) == 0)
            pen += kern.x / 64.0;
        }
        double advance = 0;
        outlineOf(index, &advance);
        placements.push_back({index, int(std::lround(pen)), 0});
        pen += advance + tracking;
        previous = index;
      }
      widths.push_back(line.empty() ? 0.0 : pen - tracking);
    }
    firstOfLine.push_back(placements.size());
    const double widest = widths.empty() ? 0.0 : *std::max_element(widths.begin(), widths.end());
    for (size_t i = 0; i + 1 < firstOfLine.size(); ++i) {
      const int shift = int(std::lround((widest - widths[i]) / 2));
      const int baseline = int(std::lround(double(i) * lineHeight));
      for (size_t p = firstOfLine[i]; p < firstOfLine[i + 1]; ++p) {
        placements[p].x += shift;
        placements[p].baseline = baseline;
      }
    }

    // The ink's bounds, from the outlines' boxes.
    long left = 0, top = 0, right = 0, bottom = 0;
    bool any = false;
    for (const Placement& p : placements) {
      FT_Glyph glyph = outlineOf(p.glyph, nullptr);
      if (glyph == nullptr) continue;
      FT_BBox box;
      FT_Glyph_Get_CBox(glyph, FT_GLYPH_BBOX_PIXELS, &box);
      if (box.xMax <= box.xMin || box.yMax <= box.yMin) continue;
      const long l = p.x + box.xMin, r = p.x + box.xMax;
      const long t = p.baseline - box.yMax, b = p.baseline - box.yMin;
      if (!any) {
        left = l, right = r, top = t, bottom = b;
        any = true;
      } else {
        left = std::min(left, l), right = std::max(right, r);
        top = std::min(top, t), bottom = std::max(bottom, b);
      }
    }
    if (!any) {
      width = height = 0;
      rowPosition.clear();
      return true;
    }
    // One pixel more on each side for the antialiased edges.
    originX = margin + 1 - int(left);
    originY = margin + 1 - int(top);
    width = int(right - left) + 2 * margin + 2;
    height = int(bottom - top) + 2 * margin + 2;

    // Where each row lies within its line: 0 at the capitals' height, 1 on
    // the baseline.
    double capHeight = 0.7 * pixelSize;
    if (const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        os2 != nullptr && os2->version >= 2 && os2->sCapHeight > 0)
      capHeight = FT_MulFix(os2->sCapHeight, face->size->metrics.y_scale) / 64.0;
    const double ascender = face->size->metrics.ascender / 64.0;
    const int lineCount = int(lines.size());
    rowPosition.assign(size_t(height), 0.0f);
    for (int y = 0; y < height; ++y) {
      const double ly = y - originY;
      const int line =
          std::clamp(int(std::floor((ly + lineHeight - ascender) / lineHeight)), 0, lineCount - 1);
      const double baseline = std::round(line * lineHeight);
      rowPosition[size_t(y)] = float((ly - (baseline - capHeight)) / capHeight);
    }
    return true;
  }

  [[nodiscard]] bool fits() const {
    return width <= kMaxSide && height <= kMaxSide && double(width) * height <= kMaxPixels;
  }

  const Plane& plane(const Variant& variant) {
    auto found = planes.find(variant);
    if (found == planes.end()) found = planes.emplace(variant, render(variant)).first;
    return found->second;
  }

  Plane render(const Variant& variant) {
    if (variant.kind == Variant::Grown) {
      // The glyphs with their outline drawn over them: one plane, without
      // keeping the outline's own.
      Plane plane = this->plane({Variant::Fill, 0});
      draw(plane, {Variant::Outline, variant.radius});
      return plane;
    }
    Plane plane(width, height);
    draw(plane, variant);
    return plane;
  }

  // Draws the glyphs or their outlines into plane, keeping the larger
  // coverage where they meet.
  void draw(Plane& plane, const Variant& variant) {
    FT_Stroker stroker = nullptr;
    if (variant.kind == Variant::Outline) {
      if (FT_Stroker_New(library, &stroker) != 0) return;
      FT_Stroker_Set(stroker, FT_Fixed(std::lround(variant.radius * 64)), FT_STROKER_LINECAP_ROUND,
                     FT_STROKER_LINEJOIN_ROUND, 0);
    }
    std::map<FT_UInt, FT_Glyph> bitmaps;
    for (const Placement& p : placements) {
      auto found = bitmaps.find(p.glyph);
      if (found == bitmaps.end()) {
        FT_Glyph glyph = nullptr;
        if (FT_Glyph source = outlineOf(p.glyph, nullptr);
            source != nullptr && FT_Glyph_Copy(source, &glyph) == 0) {
          bool good = stroker == nullptr || FT_Glyph_Stroke(&glyph, stroker, 1) == 0;
          good = good && FT_Glyph_To_Bitmap(&glyph, FT_RENDER_MODE_NORMAL, nullptr, 1) == 0;
          if (!good) {
            FT_Done_Glyph(glyph);
            glyph = nullptr;
          }
        }
        found = bitmaps.emplace(p.glyph, glyph).first;
      }
      if (found->second == nullptr) continue;
      const auto* bitmapGlyph = reinterpret_cast<FT_BitmapGlyph>(found->second);
      const FT_Bitmap& bitmap = bitmapGlyph->bitmap;
      if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) continue;
      const int x0 = originX + p.x + bitmapGlyph->left;
      const int y0 = originY + p.baseline - bitmapGlyph->top;
      for (int row = 0; row < int(bitmap.rows); ++row) {
        const int y = y0 + row;
        if (y < 0 || y >= height) continue;
        const unsigned char* src = bitmap.buffer + ptrdiff_t(row) * bitmap.pitch;
        float* dst = plane.row(y);
        for (int col = 0; col < int(bitmap.width); ++col) {
          const int x = x0 + col;
          if (x < 0 || x >= width || src[col] == 0) continue;
          dst[x] = std::max(dst[x], float(src[col]) / 255.0f);
        }
      }
    }
    for (auto& [index, glyph] : bitmaps)
      if (glyph) FT_Done_Glyph(glyph);
    if (stroker) FT_Stroker_Done(stroker);
  }
};

namespace {

// Splits at CR LF, lone CR and lone LF, keeping only printable ASCII.
std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines(1);
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      lines.emplace_back();
    } else if (c >= 32 && c <= 126) {
      lines.back().push_back(char(c));
    }
  }
  return lines;
}

}  // namespace

TextScene::TextScene(const FaceSettings& settings, const std::string& text)
    : m(std::make_unique<Impl>()) {
  if (FT_Init_FreeType(&m->library) != 0) {
    m->library = nullptr;
    return;
  }
  if (!m->openFace(settings.fontFile)) return;
  const std::vector<std::string> lines = splitLines(text);
  int pixelSize = std::max(settings.pixelSize, kMinPixelSize);
  // A text too large for the planes is set smaller, in a few rounds since
  // the margin does not shrink in proportion to the letters.
  for (int round = 0; round < 6; ++round) {
    m->scale = float(pixelSize) / float(settings.pixelSize);
    m->margin = std::max(1, int(std::lround(settings.margin * m->scale)));
    if (!m->layout(lines, pixelSize, settings.tracking * m->scale)) return;
    if (m->fits()) {
      m->ok = true;
      return;
    }
    const double shrink = std::min({std::sqrt(kMaxPixels / (double(m->width) * m->height)),
                                    double(kMaxSide) / m->width, double(kMaxSide) / m->height});
    const int smaller = int(pixelSize * std::min(shrink, 1.0) * 0.95);
    if (smaller >= pixelSize || smaller < kMinPixelSize) return;
    pixelSize = smaller;
  }
}

TextScene::~TextScene() = default;

bool TextScene::ok() const { return m->ok; }
int TextScene::width() const { return m->width; }
int TextScene::height() const { return m->height; }
float TextScene::scale() const { return m->scale; }
int TextScene::px(float d) const { return std::max(1, int(std::lround(d * m->scale))); }

const Plane& TextScene::glyphs() const { return m->plane({Variant::Fill, 0}); }

const Plane& TextScene::outline(float radius) const {
  return m->plane({Variant::Outline, std::max(0.5f, radius * m->scale)});
}

const Plane& TextScene::grown(float radius) const {
  return m->plane({Variant::Grown, std::max(0.5f, radius * m->scale)});
}

const RowValues& TextScene::rowPosition() const { return m->rowPosition; }

TextScene::Crop TextScene::crop(const Plane& shades) {
  const int w = shades.width(), h = shades.height();
  std::vector<unsigned char, LargeAllocator<unsigned char>> grey(size_t(w) * size_t(h));
  int left = w, right = -1, top = h, bottom = -1;
  for (int y = 0; y < h; ++y) {
    const float* in = shades.row(y);
    unsigned char* out = grey.data() + size_t(y) * size_t(w);
    for (int x = 0; x < w; ++x) {
      const float v = std::min(in[x], 255.0f) + 0.5f;
      out[x] = v < kBackgroundShade + 1.0f ? 0 : (unsigned char)v;
      if (out[x] != 0) {
        left = std::min(left, x), right = std::max(right, x);
        top = std::min(top, y), bottom = std::max(bottom, y);
      }
    }
  }
  Crop cropped;
  if (right < 0) return cropped;
  cropped.width = right - left + 1;
  cropped.height = bottom - top + 1;
  cropped.grey.resize(size_t(cropped.width) * size_t(cropped.height));
  for (int y = 0; y < cropped.height; ++y)
    std::copy_n(grey.data() + size_t(top + y) * size_t(w) + size_t(left), cropped.width,
                cropped.grey.data() + size_t(y) * size_t(cropped.width));
  return cropped;
}

}  // namespace glyphon_styles
