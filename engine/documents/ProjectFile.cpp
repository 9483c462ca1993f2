#include "engine/documents/ProjectFile.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <utility>

#include "engine/core/Error.h"
#include "engine/core/FileIO.h"
#include "engine/core/TextRules.h"
#include "engine/documents/BmpCodec.h"

namespace glyphon {

namespace {

constexpr size_t kItemFixedBytes = 36;   // Rect, StyleKind, StyleFont, SizeIndex, Color, m
constexpr size_t kBmpHeadersBytes = 54;  // file header and BITMAPINFOHEADER

void put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

void putBytes(std::vector<uint8_t>& out, const void* bytes, size_t count) {
  if (count == 0) return;
  const size_t at = out.size();
  out.resize(at + count);
  std::memcpy(out.data() + at, bytes, count);
}

void putText(std::vector<uint8_t>& out, std::string_view text) {
  put32(out, uint32_t(text.size()));
  putBytes(out, text.data(), text.size());
}

// Bytes appendBmp writes for a picture of this size.
uint64_t bmpImageBytes(const Bitmap& bitmap) {
  return kBmpHeadersBytes + (uint64_t(bitmap.width()) * 3 + 3) / 4 * 4 * uint64_t(bitmap.height());
}

// What an item without a rendering is stored with: one black pixel, which
// the compositor treats as background.
const Bitmap& blankRendering() {
  static const Bitmap blank(1, 1);
  return blank;
}

const Bitmap& renderingOf(const TTextItem& item) {
  return item.Bitmap && !item.Bitmap->isEmpty() ? *item.Bitmap : blankRendering();
}

// Reads the fields of a project file one after the other and refuses every
// length that reaches past the end of the data.
class ProjectReader {
 public:
  ProjectReader(ByteStream& in, int64_t maxPixels) : m_in(in), m_maxPixels(maxPixels) {}

  [[nodiscard]] uint64_t left() const { return m_in.left(); }
  [[nodiscard]] bool atEnd() const { return m_in.atEnd(); }

  void skip(size_t count, const std::string& whereItEnds) {
    need(count, whereItEnds);
    m_in.skip(count);
  }
  [[nodiscard]] uint32_t u32(const std::string& whereItEnds) {
    need(4, whereItEnds);
    uint8_t p[4];
    m_in.read(p, 4);
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
  }
  [[nodiscard]] int32_t i32(const std::string& whereItEnds) {
    return static_cast<int32_t>(u32(whereItEnds));
  }
  [[nodiscard]] bool boolean(const std::string& whereItEnds) { return byte(whereItEnds) != 0; }
  [[nodiscard]] uint8_t byte(const std::string& whereItEnds) {
    need(1, whereItEnds);
    uint8_t b = 0;
    m_in.read(&b, 1);
    return b;
  }
  // count bytes as text; the caller has checked count against left().
  [[nodiscard]] std::string text(size_t count) {
    std::string s(count, '\0');
    m_in.read(s.data(), count);
    return s;
  }

  // One BMP image; what names it in messages ("the backdrop picture").
  [[nodiscard]] Bitmap picture(const std::string& what) {
    checkPixelBudget(what);
    try {
      return readBmpImage(m_in);
    } catch (const Error& e) {
      // The file's own failure is not a fault of the picture.
      if (m_in.failed()) throw;
      const std::string_view reason = e.what();
      if (reason == "Stream read error") throw Error("the file ends inside " + what);
      if (reason == "Bitmap image is not valid")
        throw Error(what + " is not a BMP image (it does not start with \"BM\")");
      throw Error(what + " is not valid: " + std::string(reason));
    }
  }

 private:
  void need(size_t count, const std::string& whereItEnds) const {
    if (left() < count) throw Error(whereItEnds);
  }

  // Refuses a picture that would take the project past m_maxPixels, from
  // the size in its info header, before anything is allocated for it. The
  // BMP reader checks everything else about the header.
  void checkPixelBudget(const std::string& what) {
    if (left() < 14 + 12) return;
    const uint8_t* p = m_in.peek(14 + 12).data() + 14;
    auto le16 = [](const uint8_t* q) { return int64_t(q[0] | (q[1] << 8)); };
    auto le32 = [](const uint8_t* q) {
      return int64_t(static_cast<int32_t>(uint32_t(q[0]) | (uint32_t(q[1]) << 8) |
                                          (uint32_t(q[2]) << 16) | (uint32_t(q[3]) << 24)));
    };
    const int64_t headerSize = le32(p);
    int64_t width = 0, height = 0;
    if (headerSize == 12) {
      width = le16(p + 4);
      height = le16(p + 6);
    } else {
      width = le32(p + 4);
      height = std::abs(le32(p + 8));
    }
    if (width <= 0 || height <= 0) return;
    const int64_t pixels = width * height;
    // A single picture beyond the bitmap limits is the BMP reader's to refuse.
    if (pixels > Bitmap::kMaxPixels) return;
    if (m_pixels + pixels > m_maxPixels)
      throw Error(what + " would take the pictures of the project past " +
                  std::to_string(m_maxPixels) + " pixels in all");
    m_pixels += pixels;
  }

  ByteStream& m_in;
  int64_t m_maxPixels;
  int64_t m_pixels = 0;
};

std::unique_ptr<TTextItem> readItem(ProjectReader& in, size_t number) {
  const std::string name = "item " + std::to_string(number);
  const std::string endsInside = "the file ends inside " + name;
  auto item = std::make_unique<TTextItem>();
  item->Rect.Left = in.i32(endsInside);
  item->Rect.Top = in.i32(endsInside);
  item->Rect.Right = in.i32(endsInside);
  item->Rect.Bottom = in.i32(endsInside);
  item->StyleKind = in.i32(endsInside);
  item->StyleFont = in.i32(endsInside);
  item->SizeIndex = in.i32(endsInside);
  item->Color = in.u32(endsInside);
  const uint32_t length = in.u32(endsInside);
  if (length > TTextItem::kMaxTextLength)
    throw Error(name + " has a text of " + std::to_string(length) + " characters; at most " +
                std::to_string(TTextItem::kMaxTextLength) + " are allowed");
  if (length > in.left())
    throw Error("the text of " + name + " (" + std::to_string(length) +
                " characters) reaches past the end of the file");
  // Files written before texts were UTF-8 hold bytes of an 8-bit code page.
  item->Text = itemTextFromFile(in.text(length));
  item->Opacity = in.i32(endsInside);
  item->Bitmap = std::make_shared<const Bitmap>(in.picture("the picture of " + name));
  return item;
}

}  // namespace

void checkProjectBackdrop(const Bitmap& backdrop) {
  if (backdrop.isEmpty())
    throw Error(
        "The composition has no backdrop picture (the start-up picture was missing), so it "
        "cannot be saved as a project; make a new canvas first");
}

std::vector<uint8_t> writeProject(const CanvasSettings& settings, const Bitmap& backdrop,
                                  std::span<const std::unique_ptr<TTextItem>> items) {
  std::vector<uint8_t> out;
  writeProject(out, settings, backdrop, items);
  return out;
}

void writeProject(std::vector<uint8_t>& out, const CanvasSettings& settings, const Bitmap& backdrop,
                  std::span<const std::unique_ptr<TTextItem>> items) {
  checkProjectBackdrop(backdrop);
  // Sized first, so that the buffer never moves while pictures go in.
  uint64_t size = kProjectSignature.size() + 4 + settings.BKPicPath.size() + 2 + 12 +
                  bmpImageBytes(backdrop) + 1;
  for (const auto& item : items) {
    if (item->Text.size() > TTextItem::kMaxTextLength)
      throw Error("A text of " + std::to_string(item->Text.size()) +
                  " characters cannot be stored; at most " +
                  std::to_string(TTextItem::kMaxTextLength) + " are allowed");
    size += kItemFixedBytes + item->Text.size() + 4 + bmpImageBytes(renderingOf(*item));
  }

  out.clear();
  out.reserve(size_t(size));
  putBytes(out, kProjectSignature.data(), kProjectSignature.size());
  putText(out, settings.BKPicPath);
  out.push_back(settings.DefaultBKPic ? 1 : 0);
  out.push_back(settings.SameAsBKPic ? 1 : 0);
  put32(out, uint32_t(settings.Width));
  put32(out, uint32_t(settings.Height));
  put32(out, settings.Color);
  appendBmp(out, backdrop);
  out.push_back(items.empty() ? 0 : 1);
  for (const auto& item : items) {
    put32(out, uint32_t(item->Rect.Left));
    put32(out, uint32_t(item->Rect.Top));
    put32(out, uint32_t(item->Rect.Right));
    put32(out, uint32_t(item->Rect.Bottom));
    put32(out, uint32_t(item->StyleKind));
    put32(out, uint32_t(item->StyleFont));
    put32(out, uint32_t(item->SizeIndex));
    put32(out, item->Color);
    putText(out, item->Text);
    put32(out, uint32_t(item->Opacity));
    appendBmp(out, renderingOf(*item));
  }
}

void readProject(ByteStream& data, const ProjectHeadSink& onHead, const ProjectItemSink& onItem,
                 int64_t maxPixels) {
  ProjectReader in(data, maxPixels);
  CanvasSettings settings;
  const std::string inHeader = "the file ends inside its header";
  in.skip(kProjectSignature.size(), inHeader);
  const uint32_t pathLength = in.u32(inHeader);
  if (pathLength > in.left())
    throw Error("the background picture path (" + std::to_string(pathLength) +
                " bytes) reaches past the end of the file");
  settings.BKPicPath = in.text(pathLength);
  // Written on Windows, the path may separate its folders with "\".
  std::replace(settings.BKPicPath.begin(), settings.BKPicPath.end(), '\\', '/');
  settings.DefaultBKPic = in.boolean(inHeader);
  settings.SameAsBKPic = in.boolean(inHeader);
  settings.Width = in.i32(inHeader);
  settings.Height = in.i32(inHeader);
  settings.Color = in.u32(inHeader);
  Bitmap backdrop = in.picture("the backdrop picture");

  const bool hasItems =
      in.byte("the file ends after the backdrop picture, without its item flag") != 0;
  onHead(std::move(settings), std::move(backdrop));
  if (!hasItems) return;
  for (size_t number = 1; !in.atEnd(); ++number) onItem(readItem(in, number));
}

ProjectData readProject(ByteStream& data, int64_t maxPixels) {
  ProjectData project;
  readProject(
      data,
      [&project](CanvasSettings settings, Bitmap backdrop) {
        project.Settings = std::move(settings);
        project.Backdrop = std::move(backdrop);
      },
      [&project](std::unique_ptr<TTextItem> item) { project.Items.push_back(std::move(item)); },
      maxPixels);
  return project;
}

ProjectData readProject(std::span<const uint8_t> data, int64_t maxPixels) {
  ByteStream in(data);
  return readProject(in, maxPixels);
}

void streamProjectFile(const std::string& path, const ProjectHeadSink& onHead,
                       const ProjectItemSink& onItem) {
  // Each picture is read from the file straight into its bitmap: the file's
  // bytes are never held whole beside the pictures made from them.
  ByteStream in(path);
  // What the callers' own steps throw is theirs, not the file's.
  bool callerFailed = false;
  auto guarded = [&callerFailed](auto& step, auto&&... args) {
    try {
      step(std::forward<decltype(args)>(args)...);
    } catch (...) {
      callerFailed = true;
      throw;
    }
  };
  try {
    readProject(
        in,
        [&](CanvasSettings settings, Bitmap backdrop) {
          guarded(onHead, std::move(settings), std::move(backdrop));
        },
        [&](std::unique_ptr<TTextItem> item) { guarded(onItem, std::move(item)); });
  } catch (const Error& e) {
    if (in.failed() || callerFailed) throw;
    throw Error("The project file \"" + path + "\" cannot be opened: " + e.what());
  }
}

ProjectData loadProjectFile(const std::string& path) {
  ProjectData project;
  streamProjectFile(
      path,
      [&project](CanvasSettings settings, Bitmap backdrop) {
        project.Settings = std::move(settings);
        project.Backdrop = std::move(backdrop);
      },
      [&project](std::unique_ptr<TTextItem> item) { project.Items.push_back(std::move(item)); });
  return project;
}

void saveProjectFile(const std::string& path, const CanvasSettings& settings,
                     const Bitmap& backdrop, std::span<const std::unique_ptr<TTextItem>> items) {
  writeWholeFile(path, writeProject(settings, backdrop, items));
}

}  // namespace glyphon
