#include "TextScene.h"

#include <dlfcn.h>
#include <fontconfig/fontconfig.h>
#include <fribidi.h>
#include <ft2build.h>
#include <hb-ft.h>
#include <hb.h>
#include FT_FREETYPE_H
#include FT_GLYPH_H
#include FT_STROKER_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <utility>

namespace glyphon_styles {

namespace {

// The face every style falls back to: DejaVu is on every Debian desktop.
const char* const kFallbackFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

// Largest planes a style works on: the styles keep several planes of floats,
// so a text that would need more is set smaller. Within the editor's
// 65535-pixel side limit.
constexpr double kMaxPixels = 8.0 * 1024 * 1024;
constexpr int kMaxSide = 65535;
constexpr double kMinPixelSize = 2;

// Shades at or below this are background in a rendering.
constexpr int kBackgroundShade = 4;

constexpr char32_t kReplacement = 0xFFFD;

// Prefix put before every font path; empty except when the tests point the
// styles at another file system tree to see how they fare without fonts.
std::string fontRoot() {
  const char* root = std::getenv("GLYPHON_STYLES_FONT_ROOT");
  return root ? root : "";
}

// The host unloads a plug-in after every call, and with it fontconfig when
// nothing else in the process uses it: its start (reading the configuration
// and the font caches) would then be paid on every call, and its state lost
// each time. Keeping the library in the process makes that a cost of the
// first call only.
void keepFontconfigLoaded() {
  static void* const handle = dlopen("libfontconfig.so.1", RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
  (void)handle;
}

// Decodes UTF-8, reading each ill-formed byte as U+FFFD, and splits it into
// lines at CR LF, a lone CR and a lone LF. Other control characters (C0,
// DEL, C1) are dropped: no face draws them.
std::vector<std::u32string> decodeLines(std::string_view text) {
  std::vector<std::u32string> lines(1);
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  for (size_t i = 0; i < text.size();) {
    const unsigned char lead = byte(i);
    char32_t c = kReplacement;
    size_t length = 1;
    if (lead < 0x80) {
      c = lead;
    } else {
      size_t more = lead >= 0xF0 && lead <= 0xF4 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 ? 1 : 0;
      if (lead > 0xF4) more = 0;
      char32_t value = lead & (0x3F >> more);
      size_t k = 1;
      for (; k <= more && i + k < text.size() && (byte(i + k) & 0xC0) == 0x80; ++k)
        value = (value << 6) | (byte(i + k) & 0x3F);
      const char32_t least = more == 1 ? 0x80 : more == 2 ? 0x800 : 0x10000;
      if (more > 0 && k == more + 1 && value >= least && value <= 0x10FFFF &&
          (value < 0xD800 || value > 0xDFFF)) {
        c = value;
        length = k;
      }
    }
    i += length;
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i < text.size() && text[i] == '\n') ++i;
      lines.emplace_back();
    } else if (c >= 32 && !(c >= 0x7F && c <= 0x9F)) {
      lines.back().push_back(c);
    }
  }
  return lines;
}

// Characters that belong to the one before them when faces are chosen:
// marks, joiners and variation selectors.
bool attachesToPrevious(char32_t c) {
  switch (hb_unicode_general_category(hb_unicode_funcs_get_default(), c)) {
    case HB_UNICODE_GENERAL_CATEGORY_NON_SPACING_MARK:
    case HB_UNICODE_GENERAL_CATEGORY_SPACING_MARK:
    case HB_UNICODE_GENERAL_CATEGORY_ENCLOSING_MARK:
      return true;
    default:
      return c == 0x200C || c == 0x200D || (c >= 0xFE00 && c <= 0xFE0F) ||
             (c >= 0xE0100 && c <= 0xE01EF) || (c >= 0x1F3FB && c <= 0x1F3FF);
  }
}

// Scripts whose letters join or hang from a line: spacing between letters
// would tear them apart, so the styles' tracking leaves them alone.
bool isTracked(hb_script_t script) {
  return script == HB_SCRIPT_LATIN || script == HB_SCRIPT_GREEK || script == HB_SCRIPT_CYRILLIC ||
         script == HB_SCRIPT_COMMON || script == HB_SCRIPT_ARMENIAN || script == HB_SCRIPT_GEORGIAN;
}

struct Placement {
  int face;  // index into the scene's faces
  FT_UInt glyph;
  int x;         // pen position plus offset, layout pixels
  int baseline;  // layout pixels, y down (the glyph's vertical offset included)
};

// A glyph of one face.
struct GlyphKey {
  int face;
  FT_UInt glyph;
  bool operator<(const GlyphKey& o) const {
    return face != o.face ? face < o.face : glyph < o.glyph;
  }
};

// The kinds of coverage a glyph is drawn as.
struct Variant {
  enum Kind { Fill, Outline, Grown } kind = Fill;
  float radius = 0;
  bool operator<(const Variant& o) const {
    return kind != o.kind ? kind < o.kind : radius < o.radius;
  }
};

// A piece of a line set in one go: one face, one script, one bidi level.
struct Run {
  size_t begin, end;  // characters of the line
  int face;
  hb_script_t script;
  FriBidiLevel level;
};

}  // namespace

struct TextScene::Impl {
  struct Face {
    FT_Face face = nullptr;
    hb_font_t* font = nullptr;
    std::string file;
    int index = 0;
  };

  FT_Library library = nullptr;
  // faces[0] is the style's own (or DejaVu's); the others came from
  // fontconfig for characters it lacks.
  std::vector<Face> faces;
  std::map<std::pair<std::string, int>, int> faceByFile;
  std::map<char32_t, int> faceByCharacter;
  hb_buffer_t* buffer = nullptr;
  bool ok = false;
  float scale = 1.0f;
  int margin = 0;
  int width = 0, height = 0;
  int originX = 0, originY = 0;  // where layout (0, 0) lies on the planes
  std::vector<Placement> placements;
  std::vector<size_t> firstOfLine;        // index into placements, one past the end last
  std::map<GlyphKey, FT_Glyph> outlines;  // at the size set
  std::vector<float> rowPosition;
  // Coverage planes made so far, by kind and radius: the looks ask for the
  // same ones several times.
  std::map<Variant, Plane> planes;

  ~Impl() {
    clearGlyphs();
    if (buffer) hb_buffer_destroy(buffer);
    for (Face& f : faces) {
      if (f.font) hb_font_destroy(f.font);
      FT_Done_Face(f.face);
    }
    if (library) FT_Done_FreeType(library);
  }

  void clearGlyphs() {
    for (auto& [key, glyph] : outlines) FT_Done_Glyph(glyph);
    outlines.clear();
  }

  // The index of the face at path, opening it the first time; -1 when it
  // does not open or has no outlines.
  int addFace(const std::string& path, int index) {
    const auto known = faceByFile.find({path, index});
    if (known != faceByFile.end()) return known->second;
    FT_Face face = nullptr;
    int result = -1;
    if (FT_New_Face(library, path.c_str(), index, &face) == 0) {
      if (FT_IS_SCALABLE(face)) {
        faces.push_back({face, nullptr, path, index});
        result = int(faces.size()) - 1;
      } else {
        FT_Done_Face(face);
      }
    }
    faceByFile[{path, index}] = result;
    return result;
  }

  bool openFace(const char* file) {
    const std::string root = fontRoot();
    for (const char* candidate : {file, kFallbackFont})
      if (candidate != nullptr && addFace(root + candidate, 0) == 0) return true;
    return false;
  }

  // The weight of the style's face in fontconfig's terms, so that fallback
  // letters look as heavy as the style's own.
  int styleWeight() const {
    FT_Face face = faces[0].face;
    if (const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        os2 != nullptr && os2->usWeightClass > 0)
      return FcWeightFromOpenType(os2->usWeightClass);
    return (face->style_flags & FT_STYLE_FLAG_BOLD) ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR;
  }

  // The face fontconfig offers for c, close to the style's weight; -1 when
  // no outline face on the system has it.
  int fallbackFor(char32_t c) {
    const auto known = faceByCharacter.find(c);
    if (known != faceByCharacter.end()) return known->second;
    // A fallback face already open that has the character is taken first:
    // the letters of one script then come from one face, and fontconfig's
    // match, which weighs every font on the system, runs about once a
    // script.
    for (size_t f = 1; f < faces.size(); ++f)
      if (FT_Get_Char_Index(faces[f].face, FT_ULong(c)) != 0) return faceByCharacter[c] = int(f);
    int result = -1;
    keepFontconfigLoaded();
    FcPattern* pattern = FcPatternCreate();
    FcCharSet* charset = FcCharSetCreate();
    if (pattern != nullptr && charset != nullptr && FcCharSetAddChar(charset, FcChar32(c))) {
      FcPatternAddCharSet(pattern, FC_CHARSET, charset);
      FcPatternAddInteger(pattern, FC_WEIGHT, styleWeight());
      FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
      FcPatternAddBool(pattern, FC_OUTLINE, FcTrue);
      FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
      FcDefaultSubstitute(pattern);
      FcResult matched = FcResultNoMatch;
      if (FcPattern* font = FcFontMatch(nullptr, pattern, &matched); font != nullptr) {
        FcChar8* file = nullptr;
        int index = 0;
        FcCharSet* covered = nullptr;
        if (FcPatternGetString(font, FC_FILE, 0, &file) == FcResultMatch &&
            FcPatternGetCharSet(font, FC_CHARSET, 0, &covered) == FcResultMatch &&
            FcCharSetHasChar(covered, FcChar32(c))) {
          FcPatternGetInteger(font, FC_INDEX, 0, &index);
          const int face = addFace(reinterpret_cast<const char*>(file), index);
          if (face >= 0 && FT_Get_Char_Index(faces[size_t(face)].face, FT_ULong(c)) != 0)
            result = face;
        }
        FcPatternDestroy(font);
      }
    }
    if (charset) FcCharSetDestroy(charset);
    if (pattern) FcPatternDestroy(pattern);
    faceByCharacter[c] = result;
    return result;
  }

  // The face each character of the line is drawn from.
  std::vector<int> facesOf(const std::u32string& line) {
    std::vector<int> chosen(line.size(), 0);
    for (size_t i = 0; i < line.size(); ++i) {
      const char32_t c = line[i];
      if (i > 0 && attachesToPrevious(c)) {
        chosen[i] = chosen[i - 1];
      } else if (FT_Get_Char_Index(faces[0].face, FT_ULong(c)) == 0 && c != ' ') {
        // With no face for it, the style's own face draws its missing-glyph
        // box.
        chosen[i] = std::max(0, fallbackFor(c));
      }
    }
    return chosen;
  }

  // Splits the line into runs of one face, one script and one bidi level, in
  // visual order (left to right).
  static std::vector<Run> runsOf(const std::u32string& line, const std::vector<int>& face) {
    const size_t n = line.size();
    std::vector<Run> runs;
    if (n == 0) return runs;
    std::vector<FriBidiChar> chars(line.begin(), line.end());
    std::vector<FriBidiCharType> types(n);
    std::vector<FriBidiBracketType> brackets(n);
    std::vector<FriBidiLevel> levels(n, 0);
    fribidi_get_bidi_types(chars.data(), FriBidiStrIndex(n), types.data());
    fribidi_get_bracket_types(chars.data(), FriBidiStrIndex(n), types.data(), brackets.data());
    FriBidiParType direction = FRIBIDI_PAR_ON;
    if (fribidi_get_par_embedding_levels_ex(types.data(), brackets.data(), FriBidiStrIndex(n),
                                            &direction, levels.data()) == 0)
      std::fill(levels.begin(), levels.end(), FriBidiLevel(0));

    // Characters common to all scripts (spaces, digits, punctuation) and
    // marks take the script of their neighbours.
    hb_unicode_funcs_t* unicode = hb_unicode_funcs_get_default();
    std::vector<hb_script_t> scripts(n);
    hb_script_t last = HB_SCRIPT_INVALID;
    for (size_t i = 0; i < n; ++i) {
      hb_script_t s = hb_unicode_script(unicode, line[i]);
      if (s == HB_SCRIPT_COMMON || s == HB_SCRIPT_INHERITED || s == HB_SCRIPT_UNKNOWN) s = last;
      scripts[i] = last = s;
    }
    hb_script_t next = HB_SCRIPT_COMMON;
    for (size_t i = n; i-- > 0;) {
      if (scripts[i] == HB_SCRIPT_INVALID) scripts[i] = next;
      next = scripts[i];
    }

    for (size_t i = 0; i < n; ++i) {
      if (!runs.empty() && runs.back().face == face[i] && runs.back().script == scripts[i] &&
          runs.back().level == levels[i]) {
        runs.back().end = i + 1;
      } else {
        runs.push_back({i, i + 1, face[i], scripts[i], levels[i]});
      }
    }
    // Reversing every sequence of runs at a level or above, from the highest
    // level down to the lowest odd one, gives the visual order.
    int highest = 0, lowestOdd = 256;
    for (const Run& r : runs) {
      highest = std::max(highest, int(r.level));
      if (r.level % 2 == 1) lowestOdd = std::min(lowestOdd, int(r.level));
    }
    for (int level = highest; level >= lowestOdd && level > 0; --level) {
      for (size_t i = 0; i < runs.size();) {
        if (int(runs[i].level) < level) {
          ++i;
          continue;
        }
        size_t j = i;
        while (j < runs.size() && int(runs[j].level) >= level) ++j;
        std::reverse(runs.begin() + ptrdiff_t(i), runs.begin() + ptrdiff_t(j));
        i = j;
      }
    }
    return runs;
  }

  // The glyph's outline at the size set, loaded once; null when the face
  // has no outline for it.
  FT_Glyph outlineOf(const GlyphKey& key) {
    auto found = outlines.find(key);
    if (found == outlines.end()) {
      FT_Glyph glyph = nullptr;
      FT_Face face = faces[size_t(key.face)].face;
      if (FT_Load_Glyph(face, key.glyph, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0 ||
          face->glyph->format != FT_GLYPH_FORMAT_OUTLINE || FT_Get_Glyph(face->glyph, &glyph) != 0)
        glyph = nullptr;
      found = outlines.emplace(key, glyph).first;
    }
    return found->second;
  }

  bool setSize(double pixelSize) {
    for (Face& f : faces) {
      FT_Size_RequestRec request{};
      request.type = FT_SIZE_REQUEST_TYPE_NOMINAL;
      request.width = request.height = FT_Long(std::lround(pixelSize * 64));
      if (FT_Request_Size(f.face, &request) != 0) return false;
      if (f.font == nullptr) {
        f.font = hb_ft_font_create_referenced(f.face);
        hb_ft_font_set_load_flags(f.font, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP);
      } else {
        hb_ft_font_changed(f.font);
      }
    }
    return true;
  }

  // Sets one line's runs from pen position 0; returns the line's width.
  double setLine(const std::u32string& line, const std::vector<Run>& runs, int baseline,
                 float tracking) {
    double pen = 0;
    double lastTracking = 0;
    for (const Run& run : runs) {
      hb_buffer_clear_contents(buffer);
      hb_buffer_add_utf32(buffer, reinterpret_cast<const uint32_t*>(line.data()), int(line.size()),
                          unsigned(run.begin), int(run.end - run.begin));
      hb_buffer_set_direction(buffer, run.level % 2 ? HB_DIRECTION_RTL : HB_DIRECTION_LTR);
      hb_buffer_set_script(buffer, run.script);
      hb_buffer_guess_segment_properties(buffer);
      hb_shape(faces[size_t(run.face)].font, buffer, nullptr, 0);
      unsigned count = 0;
      const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer, &count);
      const hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(buffer, &count);
      const double spacing = isTracked(run.script) ? tracking : 0.0;
      for (unsigned g = 0; g < count; ++g) {
        placements.push_back({run.face, info[g].codepoint,
                              int(std::lround(pen + pos[g].x_offset / 64.0)),
                              baseline - int(std::lround(pos[g].y_offset / 64.0))});
        pen += pos[g].x_advance / 64.0;
        if (pos[g].x_advance != 0) {
          pen += spacing;
          lastTracking = spacing;
        }
      }
    }
    return std::max(0.0, pen - lastTracking);
  }

  // Lays the text out at pixelSize; false when a face refuses the size.
  bool layout(const std::vector<std::u32string>& lines, const std::vector<std::vector<Run>>& runs,
              double pixelSize, float tracking) {
    clearGlyphs();
    placements.clear();
    firstOfLine.clear();
    if (!setSize(pixelSize)) return false;
    FT_Face main = faces[0].face;
    const double lineHeight = std::max<double>(main->size->metrics.height / 64.0, pixelSize);
    std::vector<double> widths;
    for (size_t i = 0; i < lines.size(); ++i) {
      firstOfLine.push_back(placements.size());
      widths.push_back(
          setLine(lines[i], runs[i], int(std::lround(double(i) * lineHeight)), tracking));
    }
    firstOfLine.push_back(placements.size());
    const double widest = widths.empty() ? 0.0 : *std::max_element(widths.begin(), widths.end());
    for (size_t i = 0; i + 1 < firstOfLine.size(); ++i) {
      const int shift = int(std::lround((widest - widths[i]) / 2));
      for (size_t p = firstOfLine[i]; p < firstOfLine[i + 1]; ++p) placements[p].x += shift;
    }

    // The ink's bounds, from the outlines' boxes.
    long left = 0, top = 0, right = 0, bottom = 0;
    bool any = false;
    for (const Placement& p : placements) {
      FT_Glyph glyph = outlineOf({p.face, p.glyph});
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
    if (const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(main, FT_SFNT_OS2));
        os2 != nullptr && os2->version >= 2 && os2->sCapHeight > 0)
      capHeight = FT_MulFix(os2->sCapHeight, main->size->metrics.y_scale) / 64.0;
    const double ascender = main->size->metrics.ascender / 64.0;
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
    // Each glyph is stroked and rasterised once however often it is set.
    // (Rasterising every other glyph on a second thread took longer by the
    // clock on a busy machine, waiting for that thread to be given a
    // processor.)
    std::map<GlyphKey, size_t> indexOf;
    std::vector<FT_Glyph> bitmaps;
    std::vector<size_t> glyphOf(placements.size());
    for (size_t i = 0; i < placements.size(); ++i) {
      const GlyphKey key{placements[i].face, placements[i].glyph};
      const auto [found, added] = indexOf.emplace(key, bitmaps.size());
      if (added) {
        FT_Glyph glyph = nullptr;
        if (FT_Glyph source = outlineOf(key);
            source != nullptr && FT_Glyph_Copy(source, &glyph) == 0) {
          bool good = stroker == nullptr || FT_Glyph_Stroke(&glyph, stroker, 1) == 0;
          good = good && FT_Glyph_To_Bitmap(&glyph, FT_RENDER_MODE_NORMAL, nullptr, 1) == 0;
          if (!good) {
            FT_Done_Glyph(glyph);
            glyph = nullptr;
          }
        }
        bitmaps.push_back(glyph);
      }
      glyphOf[i] = found->second;
    }

    // Coverage of each grey level of a bitmap.
    float coverage[256];
    for (int level = 0; level < 256; ++level) coverage[level] = float(level) / 255.0f;
    for (size_t i = 0; i < placements.size(); ++i) {
      const Placement& p = placements[i];
      const FT_Glyph glyph = bitmaps[glyphOf[i]];
      if (glyph == nullptr) continue;
      const auto* bitmapGlyph = reinterpret_cast<FT_BitmapGlyph>(glyph);
      const FT_Bitmap& bitmap = bitmapGlyph->bitmap;
      if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) continue;
      const int x0 = originX + p.x + bitmapGlyph->left;
      const int y0 = originY + p.baseline - bitmapGlyph->top;
      // The part of the bitmap that falls on the plane.
      const int rowBegin = std::max(0, -y0), rowEnd = std::min(int(bitmap.rows), height - y0);
      const int colBegin = std::max(0, -x0), colEnd = std::min(int(bitmap.width), width - x0);
      for (int row = rowBegin; row < rowEnd; ++row) {
        const unsigned char* src = bitmap.buffer + ptrdiff_t(row) * bitmap.pitch;
        float* dst = plane.row(y0 + row) + x0;
        // A level of 0 leaves the coverage as it is (it is never below 0).
        for (int col = colBegin; col < colEnd; ++col)
          dst[col] = std::max(dst[col], coverage[src[col]]);
      }
    }
    for (FT_Glyph glyph : bitmaps)
      if (glyph) FT_Done_Glyph(glyph);
    if (stroker) FT_Stroker_Done(stroker);
  }
};

TextScene::TextScene(const FaceSettings& settings, std::string_view utf8Text, double scale)
    : m(std::make_unique<Impl>()) {
  if (FT_Init_FreeType(&m->library) != 0) {
    m->library = nullptr;
    return;
  }
  if (!m->openFace(settings.fontFile)) return;
  m->buffer = hb_buffer_create();
  if (!hb_buffer_allocation_successful(m->buffer)) return;
  // Faces and the order of the runs do not depend on the size: worked out
  // once, before the sizes are tried.
  const std::vector<std::u32string> lines = decodeLines(utf8Text);
  std::vector<std::vector<Run>> runs;
  for (const std::u32string& line : lines) runs.push_back(Impl::runsOf(line, m->facesOf(line)));

  if (!(scale > 0) || !std::isfinite(scale)) scale = 1.0;
  const double natural = std::max(settings.pixelSize, 1);
  double pixelSize = std::max(natural * scale, kMinPixelSize);
  // A text too large for the planes is set smaller, in a few rounds since
  // the margin does not shrink in proportion to the letters.
  for (int round = 0; round < 6; ++round) {
    m->scale = float(pixelSize / natural);
    m->margin = std::max(1, int(std::lround(settings.margin * m->scale)));
    if (!m->layout(lines, runs, pixelSize, settings.tracking * m->scale)) return;
    if (m->fits()) {
      m->ok = true;
      return;
    }
    const double shrink = std::min({std::sqrt(kMaxPixels / (double(m->width) * m->height)),
                                    double(kMaxSide) / m->width, double(kMaxSide) / m->height});
    const double smaller = std::floor(pixelSize * std::min(shrink, 1.0) * 0.95);
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

std::vector<std::vector<TextScene::SetGlyph>> TextScene::glyphLines() const {
  std::vector<std::vector<SetGlyph>> lines;
  for (size_t i = 0; i + 1 < m->firstOfLine.size(); ++i) {
    lines.emplace_back();
    for (size_t p = m->firstOfLine[i]; p < m->firstOfLine[i + 1]; ++p) {
      const Impl::Face& face = m->faces[size_t(m->placements[p].face)];
      lines.back().push_back({face.file, face.index, m->placements[p].glyph});
    }
  }
  return lines;
}

TextScene::Crop TextScene::crop(const Plane& shades) {
  const int w = shades.width(), h = shades.height();
  std::vector<unsigned char, LargeAllocator<unsigned char>> grey(size_t(w) * size_t(h));
  int left = w, right = -1, top = h, bottom = -1;
  for (int y = 0; y < h; ++y) {
    const float* in = shades.row(y);
    unsigned char* out = grey.data() + size_t(y) * size_t(w);
    // Shades from 4.5 up round to 5 .. 255; the conversion goes through int
    // so that the loop vectorises.
    for (int x = 0; x < w; ++x) {
      const float v = std::min(in[x], 255.0f) + 0.5f;
      out[x] = v < kBackgroundShade + 1.0f ? 0 : (unsigned char)(int)v;
    }
    // The row's ink, looked for from both ends.
    int first = 0;
    while (first < w && out[first] == 0) ++first;
    if (first == w) continue;
    int last = w - 1;
    while (out[last] == 0) --last;
    left = std::min(left, first), right = std::max(right, last);
    top = std::min(top, y), bottom = y;
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
