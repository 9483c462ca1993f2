// Project files (".gyf"): the whole composition in one flat little-endian
// file, so that it can be opened and edited again.
//
// Layout: a 15-byte signature; the canvas settings (BKPicPath as a 4-byte
// length and its bytes, DefaultBKPic and SameAsBKPic as one byte each,
// Width, Height and Color as 4 bytes each); the backdrop as a complete BMP
// image; an item flag byte (1 when item blocks follow, else 0); then one
// block per text item from the bottom-most to the topmost, up to the end of
// the file: Rect (four signed 4-byte values), StyleKind, StyleFont,
// SizeIndex, Color, the text as a 4-byte length (at most 255) and its bytes
// (UTF-8; files of older writers hold an 8-bit code page, read as Latin-1),
// Opacity, and the item's rendering as a complete BMP image. There is no
// item count, checksum or trailer.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "engine/core/Bitmap.h"
#include "engine/core/ByteStream.h"
#include "engine/core/TextItem.h"
#include "engine/documents/CanvasSettings.h"

namespace glyphon {

// The signature every project file we write starts with: "1.23R" and ten
// zero bytes. Readers skip these bytes without looking at them, so files of
// other versions and writers open alike.
inline constexpr std::array<uint8_t, 15> kProjectSignature{'1', '.', '2', '3', 'R'};

// Most pixels the pictures of one project (backdrop and renderings) may hold
// in all, so that a small file of tiny compressed or 1-bit pictures cannot
// make the reader allocate more memory than a real composition ever needs.
inline constexpr int64_t kMaxProjectPixels = int64_t(1) << 28;

// A project as read from a file: complete and checked, ready to replace the
// composition as it is.
struct ProjectData {
  CanvasSettings Settings;
  // The backdrop as stored: never empty, possibly of another size than the
  // canvas the settings make today.
  Bitmap Backdrop;
  // Bottom to top; every item has a rendering.
  std::vector<std::unique_ptr<TTextItem>> Items;
};

// Throws Error unless a composition with this backdrop can be stored: a
// file without a backdrop picture could never be opened again.
void checkProjectBackdrop(const Bitmap& backdrop);

// The bytes of a project file for settings, backdrop and items (bottom to
// top). Pictures are stored as 24-bit BMP images; an item without a
// rendering is stored with a 1 x 1 black one, which draws nothing either.
// Throws Error when backdrop is empty (no reader could open the file) or a
// text is longer than TTextItem::kMaxTextLength bytes (items cut theirs when they are made, at a
// character boundary).
[[nodiscard]] std::vector<uint8_t> writeProject(const CanvasSettings& settings,
                                                const Bitmap& backdrop,
                                                std::span<const std::unique_ptr<TTextItem>> items);
// The same bytes into out, which is cleared first and keeps its capacity,
// so that a writer of many copies does not map fresh memory for each.
void writeProject(std::vector<uint8_t>& out, const CanvasSettings& settings, const Bitmap& backdrop,
                  std::span<const std::unique_ptr<TTextItem>> items);

// Reads the bytes of a project file. Any signature is accepted, "\" in
// BKPicPath is read as "/", BMP images of any form the BMP reader takes
// (24 and 32 bits with or without colour masks among them) are accepted,
// and bytes after an item flag of 0 are ignored. Every length is checked
// against the data before it is used; a damaged or truncated file throws
// Error saying what is wrong ("the file ends inside item 3", ...), and
// nothing partial is ever handed back. Pictures that would hold more than
// maxPixels in all are refused before they are decoded.
[[nodiscard]] ProjectData readProject(std::span<const uint8_t> data,
                                      int64_t maxPixels = kMaxProjectPixels);
// The same from a stream, to its end. A failure of the stream's file is
// thrown as the stream gives it.
[[nodiscard]] ProjectData readProject(ByteStream& data, int64_t maxPixels = kMaxProjectPixels);

// Takes the settings and the stored backdrop of a project, once both (and
// the item flag) are read.
using ProjectHeadSink = std::function<void(CanvasSettings settings, Bitmap backdrop)>;
// Takes one item, complete with its rendering.
using ProjectItemSink = std::function<void(std::unique_ptr<TTextItem> item)>;
// Reads the project in data as readProject does, with the same checks and
// messages, but hands the parts over as soon as each is read and keeps
// none: onHead once, then onItem for each item from the bottom-most to the
// topmost. A renderer that draws each item and lets it go never holds the
// renderings of a large project all at once. The rest of the file is not
// yet checked when a part is handed over: a damaged file throws after
// some parts went out.
void readProject(ByteStream& data, const ProjectHeadSink& onHead, const ProjectItemSink& onItem,
                 int64_t maxPixels = kMaxProjectPixels);

// Reads the project file at path, each picture straight from the file into
// its bitmap. Throws Error naming the file: the file layer's "Cannot open
// file ..." or "Cannot read file ...", or "The project file "<path>" cannot
// be opened: <what readProject found>".
[[nodiscard]] ProjectData loadProjectFile(const std::string& path);
// Reads the project file at path part by part (see readProject with sinks),
// with loadProjectFile's messages. What the sinks throw passes unchanged.
void streamProjectFile(const std::string& path, const ProjectHeadSink& onHead,
                       const ProjectItemSink& onItem);

// Writes a project file (see writeProject) through writeWholeFile, so that
// a failure leaves the previous file as it was.
void saveProjectFile(const std::string& path, const CanvasSettings& settings,
                     const Bitmap& backdrop, std::span<const std::unique_ptr<TTextItem>> items);

}  // namespace glyphon
