// Project files: a file laid out by hand field by field, round trips, files
// of other writers and every kind of damage.
#include "engine/documents/ProjectFile.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "engine/core/Composition.h"
#include "engine/core/Error.h"
#include "tests/engine/documents/BmpTestBuilder.h"

namespace glyphon {
namespace {

using test::BmpImage;
using test::paddedRows;
using test::put32;

// A picture whose pixels all differ: red = x, green = y, blue = seed.
Bitmap pattern(int32_t width, int32_t height, uint8_t seed) {
  Bitmap b(width, height);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) b.setPixel(x, y, rgb(uint8_t(x * 7), uint8_t(y * 5), seed));
  return b;
}

// The BMP image of picture laid out by hand: 24 or 32 bits per pixel
// (BI_RGB, or BI_BITFIELDS with its three masks), rows bottom-up.
std::vector<uint8_t> handBmp(const Bitmap& picture, uint16_t bits = 24, bool bitfields = false) {
  std::vector<std::vector<uint8_t>> rows;
  for (int32_t y = picture.height() - 1; y >= 0; --y) {
    std::vector<uint8_t> row;
    for (int32_t x = 0; x < picture.width(); ++x) {
      const Color c = picture.pixel(x, y);
      row.insert(row.end(), {blueOf(c), greenOf(c), redOf(c)});
      if (bits == 32) row.push_back(0xEE);  // unused byte: must not leak into a channel
    }
    rows.push_back(row);
  }
  BmpImage image;
  image.width = picture.width();
  image.height = picture.height();
  image.bitCount = bits;
  image.pixels = paddedRows(rows);
  image.sizeImage = uint32_t(image.pixels.size());
  if (bitfields) {
    image.compression = 3;
    image.masks = {0xFF0000, 0xFF00, 0xFF};
  }
  return image.bytes();
}

// A project file written field by field from the layout tables.
struct HandProject {
  std::vector<uint8_t> bytes;

  HandProject& raw(const std::vector<uint8_t>& more) {
    bytes.insert(bytes.end(), more.begin(), more.end());
    return *this;
  }
  HandProject& u8(uint8_t v) {
    bytes.push_back(v);
    return *this;
  }
  HandProject& i32(int64_t v) {
    put32(bytes, uint32_t(v));
    return *this;
  }
  HandProject& text(const std::string& s) {
    i32(int64_t(s.size()));
    bytes.insert(bytes.end(), s.begin(), s.end());
    return *this;
  }
  HandProject& header(const std::string& path, bool defaultPic, bool sameSize, int32_t width,
                      int32_t height, Color color) {
    raw({'1', '.', '2', '3', 'R', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    return text(path).u8(defaultPic).u8(sameSize).i32(width).i32(height).i32(color);
  }
  HandProject& item(const Rect& r, int32_t kind, int32_t font, int32_t size, Color color,
                    const std::string& s, int32_t opacity, const std::vector<uint8_t>& bmp) {
    i32(r.Left).i32(r.Top).i32(r.Right).i32(r.Bottom).i32(kind).i32(font).i32(size).i32(color);
    return text(s).i32(opacity).raw(bmp);
  }
};

std::unique_ptr<TTextItem> makeItem(const std::string& text, const Bitmap& rendering,
                                    int32_t left = 1) {
  auto item = std::make_unique<TTextItem>();
  item->Rect = {left, 2, left + 40, 22};
  item->StyleKind = 10002;
  item->StyleFont = 3;
  item->SizeIndex = 9;
  item->Color = rgb(1, 2, 3);
  item->Text = text;
  item->Opacity = 40;
  item->Bitmap = std::make_shared<const Bitmap>(rendering);
  return item;
}

void expectSameItem(const TTextItem& a, const TTextItem& b) {
  EXPECT_EQ(a.Rect, b.Rect);
  EXPECT_EQ(a.StyleKind, b.StyleKind);
  EXPECT_EQ(a.StyleFont, b.StyleFont);
  EXPECT_EQ(a.SizeIndex, b.SizeIndex);
  EXPECT_EQ(a.Color, b.Color);
  EXPECT_EQ(a.Text, b.Text);
  EXPECT_EQ(a.Opacity, b.Opacity);
  ASSERT_TRUE(a.Bitmap && b.Bitmap);
  EXPECT_EQ(*a.Bitmap, *b.Bitmap);
}

std::string readError(const std::vector<uint8_t>& bytes) {
  try {
    (void)readProject(bytes);
  } catch (const Error& e) {
    return e.what();
  }
  return "(no error)";
}

TEST(ProjectFileTest, AFileLaidOutByHandOpensAndOurWriterMatchesItByteForByte) {
  const Bitmap backdrop = pattern(5, 3, 9);
  const Bitmap first = pattern(3, 2, 100), second = pattern(4, 1, 200);
  HandProject hand;
  hand.header("pic/default.jpg", true, false, 640, -480, 0x00112233);
  // With a 15-byte path the booleans lie at 34 and 35 and the backdrop at 48.
  ASSERT_EQ(hand.bytes.size(), 48u);
  EXPECT_EQ(hand.bytes[34], 1);
  EXPECT_EQ(hand.bytes[36], 640 & 0xFF);
  hand.raw(handBmp(backdrop)).u8(1);
  hand.item({-5, 6, 70, 80}, 10001, 2, 4, 0x00ABCDEF, "Hello", 75, handBmp(first));
  hand.item({1, 2, 3, 4}, 10003, 0, 9, 0, "", 100, handBmp(second));

  const ProjectData read = readProject(hand.bytes);
  EXPECT_EQ(read.Settings, (CanvasSettings{"pic/default.jpg", true, false, 640, -480, 0x00112233}));
  EXPECT_EQ(read.Backdrop, backdrop);
  ASSERT_EQ(read.Items.size(), 2u);
  const TTextItem& bottom = *read.Items[0];
  EXPECT_EQ(bottom.Rect, (Rect{-5, 6, 70, 80}));
  EXPECT_EQ(bottom.StyleKind, 10001);
  EXPECT_EQ(bottom.StyleFont, 2);
  EXPECT_EQ(bottom.SizeIndex, 4);
  EXPECT_EQ(bottom.Color, 0x00ABCDEFu);
  EXPECT_EQ(bottom.Text, "Hello");
  EXPECT_EQ(bottom.Opacity, 75);
  EXPECT_EQ(*bottom.Bitmap, first);
  EXPECT_EQ(read.Items[1]->Text, "");
  EXPECT_EQ(*read.Items[1]->Bitmap, second);

  EXPECT_EQ(writeProject(read.Settings, read.Backdrop, read.Items), hand.bytes);
}

TEST(ProjectFileTest, FilesOfOtherWritersOpen) {
  // Another signature, a Windows path, true-colour 32-bit pictures with and
  // without colour masks, and a boolean written as 7.
  const Bitmap backdrop = pattern(3, 3, 1), a = pattern(2, 2, 2), b = pattern(5, 1, 3);
  HandProject hand;
  hand.raw({'9', '.', '9', '9', 'X', 1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  hand.text("C:\\Pictures\\sea.jpg").u8(0).u8(7).i32(800).i32(600).i32(0xFFFFFF);
  hand.raw(handBmp(backdrop, 32)).u8(1);
  hand.item({0, 0, 2, 2}, 1, 0, 0, 0, "a", 100, handBmp(a, 32, true));
  hand.item({0, 0, 5, 1}, 1, 0, 0, 0, "b", 100, handBmp(b, 32));

  const ProjectData read = readProject(hand.bytes);
  EXPECT_EQ(read.Settings.BKPicPath, "C:/Pictures/sea.jpg");
  EXPECT_FALSE(read.Settings.DefaultBKPic);
  EXPECT_TRUE(read.Settings.SameAsBKPic);
  EXPECT_EQ(read.Backdrop, backdrop);
  ASSERT_EQ(read.Items.size(), 2u);
  EXPECT_EQ(*read.Items[0]->Bitmap, a);
  EXPECT_EQ(*read.Items[1]->Bitmap, b);
}

TEST(ProjectFileTest, WithoutItemsTheFlagIsZeroAndWhatFollowsIsIgnored) {
  const CanvasSettings settings{"x.bmp", false, true, 1, 2, 3};
  const Bitmap backdrop = pattern(4, 4, 4);
  std::vector<uint8_t> bytes = writeProject(settings, backdrop, {});
  EXPECT_EQ(bytes.back(), 0);
  EXPECT_EQ(bytes.size(), 15 + 4 + 5 + 14 + 54 + 4 * 12 + 1u);
  bytes.insert(bytes.end(), {'g', 'a', 'r', 'b', 'a', 'g', 'e'});
  const ProjectData read = readProject(bytes);
  EXPECT_EQ(read.Settings, settings);
  EXPECT_EQ(read.Backdrop, backdrop);
  EXPECT_TRUE(read.Items.empty());
}

TEST(ProjectFileTest, ItemsComeBackInStackingOrderWithTextsOfAnyAllowedLength) {
  std::vector<std::unique_ptr<TTextItem>> items;
  items.push_back(makeItem("", pattern(3, 3, 1), 1));
  items.push_back(makeItem(std::string(255, 'w'), pattern(2, 5, 2), 2));
  items.push_back(makeItem("top\r\nline", pattern(1, 1, 3), 3));
  const std::vector<uint8_t> bytes = writeProject(CanvasSettings(), pattern(6, 6, 0), items);
  const ProjectData read = readProject(bytes);
  ASSERT_EQ(read.Items.size(), 3u);
  for (size_t i = 0; i < 3; ++i) expectSameItem(*read.Items[i], *items[i]);

  items[0]->Text = std::string(256, 'x');
  EXPECT_THROW((void)writeProject(CanvasSettings(), pattern(6, 6, 0), items), Error);
}

TEST(ProjectFileTest, Utf8TextsComeBackAndOlderLatin1TextsOpenAsUtf8) {
  // German, Japanese, Arabic and an emoji; and a text of the most bytes an
  // item keeps, ending in a 3-byte character.
  std::string full;
  while (full.size() + 3 <= TTextItem::kMaxTextLength) full += "\xE6\x97\xA5";
  std::vector<std::unique_ptr<TTextItem>> items;
  items.push_back(
      makeItem("Gr\xC3\xBC\xC3\x9F"
               "e aus K\xC3\xB6ln",
               pattern(3, 2, 1)));
  items.push_back(
      makeItem("\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\r\n"
               "\xD9\x85\xD8\xB1\xD8\xAD\xD8\xA8\xD8\xA7 \xF0\x9F\x8E\x82",
               pattern(2, 2, 2)));
  items.push_back(makeItem(full, pattern(1, 3, 3)));
  items[2]->WholeText = full + "\xE6\x97\xA5 and more";  // the run's own, never stored
  const std::vector<uint8_t> bytes = writeProject(CanvasSettings(), pattern(6, 6, 0), items);
  const ProjectData read = readProject(bytes);
  ASSERT_EQ(read.Items.size(), 3u);
  for (size_t i = 0; i < 3; ++i) expectSameItem(*read.Items[i], *items[i]);
  EXPECT_EQ(read.Items[2]->Text.size(), 255u);
  EXPECT_TRUE(read.Items[2]->WholeText.empty());

  // A file of an older writer with text bytes of an 8-bit code page.
  const Bitmap backdrop = pattern(3, 3, 1), a = pattern(2, 2, 2);
  HandProject hand;
  hand.header("", true, true, 3, 3, 0).raw(handBmp(backdrop)).u8(1);
  hand.item({0, 0, 2, 2}, 1, 0, 0, 0, "caf\xE9 cr\xE8me", 100, handBmp(a));
  hand.item({0, 0, 2, 2}, 1, 0, 0, 0, std::string(255, '\xE9'), 100, handBmp(a));
  const ProjectData old = readProject(hand.bytes);
  ASSERT_EQ(old.Items.size(), 2u);
  EXPECT_EQ(old.Items[0]->Text, "caf\xC3\xA9 cr\xC3\xA8me");
  // Two bytes a character in UTF-8: 127 of them fit, whole.
  std::string e127;
  for (int i = 0; i < 127; ++i) e127 += "\xC3\xA9";
  EXPECT_EQ(old.Items[1]->Text, e127);
  // Written again, the file holds UTF-8 of at most 255 bytes per text.
  const ProjectData again = readProject(writeProject(old.Settings, old.Backdrop, old.Items));
  ASSERT_EQ(again.Items.size(), 2u);
  EXPECT_EQ(again.Items[1]->Text, e127);
}

TEST(ProjectFileTest, SelectingTheBottomItemStoresItOnTop) {
  Composition composition;
  composition.setBackdrop(pattern(50, 30, 0));
  for (const char* text : {"first", "second", "third"})
    composition.addItem(makeItem(text, pattern(2, 2, 1)));
  composition.SelectItem(composition.Queue().bottomItem());
  const ProjectData read = readProject(
      writeProject(CanvasSettings(), composition.BackdropBitmap(), composition.Queue().items()));
  ASSERT_EQ(read.Items.size(), 3u);
  EXPECT_EQ(read.Items[0]->Text, "second");
  EXPECT_EQ(read.Items[1]->Text, "third");
  EXPECT_EQ(read.Items[2]->Text, "first");
}

TEST(ProjectFileTest, ItemIdsAreNeitherWrittenNorRead) {
  std::vector<std::unique_ptr<TTextItem>> items;
  items.push_back(makeItem("one", pattern(2, 2, 1)));
  const std::vector<uint8_t> without = writeProject(CanvasSettings(), pattern(6, 6, 0), items);
  items[0]->Id = 77;
  EXPECT_EQ(writeProject(CanvasSettings(), pattern(6, 6, 0), items), without);
  // Read items get theirs when they enter the composition.
  const ProjectData read = readProject(without);
  ASSERT_EQ(read.Items.size(), 1u);
  EXPECT_EQ(read.Items[0]->Id, 0u);
}

TEST(ProjectFileTest, AnEmptyBackdropOrRenderingCannotMakeAnUnreadableFile) {
  try {
    (void)writeProject(CanvasSettings(), Bitmap(), {});
    ADD_FAILURE() << "an empty backdrop was written";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("no backdrop picture"), std::string::npos) << e.what();
  }
  std::vector<std::unique_ptr<TTextItem>> items;
  items.push_back(makeItem("no rendering", Bitmap()));
  items[0]->Bitmap.reset();
  const ProjectData read = readProject(writeProject(CanvasSettings(), pattern(2, 2, 0), items));
  ASSERT_EQ(read.Items.size(), 1u);
  EXPECT_EQ(*read.Items[0]->Bitmap, Bitmap(1, 1));  // black: draws nothing
}

TEST(ProjectFileTest, EveryTruncationIsRefusedWithWhereTheFileEnds) {
  HandProject hand;
  hand.header("p.jpg", true, true, 8, 8, 0);
  const size_t backdropAt = hand.bytes.size();
  hand.raw(handBmp(pattern(3, 2, 0))).u8(1);
  const size_t firstItemAt = hand.bytes.size();
  hand.item({0, 0, 1, 1}, 1, 0, 0, 0, "ab", 100, handBmp(pattern(2, 2, 0)));
  const size_t secondItemAt = hand.bytes.size();
  hand.item({0, 0, 1, 1}, 1, 0, 0, 0, "cd", 100, handBmp(pattern(1, 3, 0)));
  // Cut at an item boundary, the file is complete: it simply has fewer items.
  const std::set<size_t> complete = {firstItemAt, secondItemAt};

  for (size_t length = 0; length < hand.bytes.size(); ++length) {
    const std::vector<uint8_t> cut(hand.bytes.begin(), hand.bytes.begin() + ptrdiff_t(length));
    if (complete.count(length)) {
      EXPECT_EQ(readProject(cut).Items.size(), length == firstItemAt ? 0u : 1u);
      continue;
    }
    std::string expected;
    if (length < 19 || (length >= 24 && length < backdropAt)) {
      expected = "the file ends inside its header";
    } else if (length < 24) {
      expected = "the background picture path (5 bytes) reaches past the end of the file";
    } else if (length < firstItemAt - 1) {
      expected = "the file ends inside the backdrop picture";
    } else if (length == firstItemAt - 1) {
      expected = "the file ends after the backdrop picture, without its item flag";
    } else if (length < firstItemAt + 36 ||
               (length >= firstItemAt + 38 && length < firstItemAt + 42)) {
      expected = "the file ends inside item 1";
    } else if (length < firstItemAt + 38) {
      expected = "the text of item 1 (2 characters) reaches past the end of the file";
    } else if (length < secondItemAt) {
      expected = "the file ends inside the picture of item 1";
    } else if (length < secondItemAt + 42 &&
               (length < secondItemAt + 36 || length >= secondItemAt + 38)) {
      expected = "the file ends inside item 2";
    } else if (length < secondItemAt + 38) {
      expected = "the text of item 2 (2 characters) reaches past the end of the file";
    } else {
      expected = "the file ends inside the picture of item 2";
    }
    EXPECT_EQ(readError(cut), expected) << "cut at " << length;
  }
}

// A file in a folder of the test's own, removed with it.
class ProjectFileOnDiskTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_dir = std::filesystem::temp_directory_path() /
            ("glyphon-projectfile-" + std::to_string(::getpid()));
    std::filesystem::create_directories(m_dir);
  }
  void TearDown() override { std::filesystem::remove_all(m_dir); }
  std::string write(const std::vector<uint8_t>& bytes, size_t length) const {
    const std::string path = (m_dir / "cut.gyf").string();
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(length));
    return path;
  }
  std::filesystem::path m_dir;
};

// The file is read picture by picture, straight into the bitmaps; whatever
// it holds, the result or the message must be what the same bytes in memory
// give. Pictures larger than the reader's buffer, a 32-bit picture (read
// whole before decoding) and padded rows take every road of the reader.
TEST_F(ProjectFileOnDiskTest, AFileOpensExactlyAsItsBytesDoWhereverItIsCut) {
  HandProject small;
  small.header("p.jpg", true, true, 8, 8, 0).raw(handBmp(pattern(3, 2, 0))).u8(1);
  small.item({0, 0, 1, 1}, 1, 0, 0, 0, "ab", 100, handBmp(pattern(2, 2, 0)));
  small.item({0, 0, 1, 1}, 1, 0, 0, 0, "cd", 100, handBmp(pattern(1, 3, 0)));

  HandProject large;
  large.header("C:\\big.jpg", false, true, 301, 300, 0x123456);
  std::vector<size_t> boundaries{large.bytes.size()};
  large.raw(handBmp(pattern(301, 300, 1))).u8(1);
  boundaries.push_back(large.bytes.size());
  large.item({5, 5, 200, 170}, 2, 1, 3, 0, "wide", 60, handBmp(pattern(200, 170, 2), 32, true));
  boundaries.push_back(large.bytes.size());
  large.item({0, 0, 3, 2}, 3, 0, 0, 0, "", 100, handBmp(pattern(3, 2, 3)));
  boundaries.push_back(large.bytes.size());
  large.item({0, 0, 700, 90}, 3, 0, 0, 0, "long rows", 100, handBmp(pattern(700, 90, 4)));
  boundaries.push_back(large.bytes.size());

  std::vector<size_t> largeCuts{large.bytes.size(), 0, 100000};
  for (size_t at : boundaries)
    for (size_t near : {at - 1, at, at + 1, at + 14, at + 54, at + 4000})
      if (near <= large.bytes.size()) largeCuts.push_back(near);
  std::vector<size_t> smallCuts;
  for (size_t length = 0; length <= small.bytes.size(); ++length) smallCuts.push_back(length);

  for (const auto& [file, cuts] :
       {std::pair{&small.bytes, &smallCuts}, std::pair{&large.bytes, &largeCuts}}) {
    for (size_t length : *cuts) {
      const std::vector<uint8_t> cut(file->begin(), file->begin() + ptrdiff_t(length));
      const std::string path = write(*file, length);
      const std::string expected = readError(cut);
      if (expected != "(no error)") {
        try {
          (void)loadProjectFile(path);
          ADD_FAILURE() << "cut at " << length << " opened";
        } catch (const Error& e) {
          EXPECT_EQ(e.what(), "The project file \"" + path + "\" cannot be opened: " + expected)
              << "cut at " << length;
        }
        continue;
      }
      const ProjectData fromMemory = readProject(cut);
      const ProjectData fromFile = loadProjectFile(path);
      EXPECT_EQ(fromFile.Settings, fromMemory.Settings);
      EXPECT_EQ(fromFile.Backdrop, fromMemory.Backdrop);
      ASSERT_EQ(fromFile.Items.size(), fromMemory.Items.size()) << "cut at " << length;
      for (size_t i = 0; i < fromFile.Items.size(); ++i)
        expectSameItem(*fromFile.Items[i], *fromMemory.Items[i]);
    }
  }
  EXPECT_EQ(loadProjectFile(write(large.bytes, large.bytes.size())).Items.size(), 3u);
}

// A file that shrinks while it is read is the system's failure, not damage
// in the project: its message is passed on as it is.
TEST_F(ProjectFileOnDiskTest, AFileThatShrinksWhileItIsReadFailsWithTheReadError) {
  HandProject hand;
  hand.header("", true, true, 1, 1, 0).raw(handBmp(pattern(400, 300, 0))).u8(0);
  const std::string path = write(hand.bytes, hand.bytes.size());
  ByteStream in(path);
  std::filesystem::resize_file(path, 1000);
  try {
    (void)readProject(in);
    ADD_FAILURE() << "a shrunk file was read";
  } catch (const Error& e) {
    EXPECT_EQ(e.what(), "Cannot read file \"" + path + "\". It became shorter while it was read");
  }
  EXPECT_TRUE(in.failed());
}

// Streamed, the parts come out in file order, each as soon as it is read;
// what a sink throws is its own and passes unchanged.
TEST_F(ProjectFileOnDiskTest, StreamedPartsComeInOrderAndASinksErrorPassesUnchanged) {
  HandProject hand;
  hand.header("", true, true, 4, 3, 0).raw(handBmp(pattern(4, 3, 0))).u8(1);
  hand.item({}, 1, 0, 0, 0, "one", 100, handBmp(pattern(2, 2, 1)));
  hand.item({}, 1, 0, 0, 0, "two", 100, handBmp(pattern(2, 2, 2)));
  const std::string path = write(hand.bytes, hand.bytes.size());
  std::vector<std::string> seen;
  streamProjectFile(
      path,
      [&](CanvasSettings s, Bitmap b) {
        seen.push_back(std::to_string(s.Width) + "x" + std::to_string(b.height()));
      },
      [&](std::unique_ptr<TTextItem> item) { seen.push_back(item->Text); });
  EXPECT_EQ(seen, (std::vector<std::string>{"4x3", "one", "two"}));

  int items = 0;
  try {
    streamProjectFile(
        path, [](CanvasSettings, Bitmap) {},
        [&items](std::unique_ptr<TTextItem>) {
          if (++items == 1) throw Error("the sink gave up");
        });
    ADD_FAILURE() << "the sink's error was lost";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "the sink gave up");
  }
  EXPECT_EQ(items, 1);
}

TEST(ProjectFileTest, DamagedFieldsAreRefusedWithWhatIsWrong) {
  const std::vector<uint8_t> bmp = handBmp(pattern(2, 2, 0));
  std::vector<uint8_t> notBmp = bmp;
  notBmp[0] = 'X';
  struct Case {
    HandProject file;
    const char* message;
  };
  std::vector<Case> cases;
  cases.push_back({HandProject().header("", true, true, 1, 1, 0).raw(notBmp).u8(0),
                   "the backdrop picture is not a BMP image (it does not start with \"BM\")"});
  cases.push_back({HandProject()
                       .header("", true, true, 1, 1, 0)
                       .raw(bmp)
                       .u8(1)
                       .item({}, 0, 0, 0, 0, "", 0, notBmp),
                   "the picture of item 1 is not a BMP image (it does not start with \"BM\")"});
  cases.push_back({HandProject()
                       .header("", true, true, 1, 1, 0)
                       .raw(bmp)
                       .u8(1)
                       .item({}, 0, 0, 0, 0, std::string(256, 'a'), 0, bmp),
                   "item 1 has a text of 256 characters; at most 255 are allowed"});
  HandProject hugePath;
  hugePath.raw(std::vector<uint8_t>(15, 0)).i32(0xFFFFFFFF).raw(bmp);
  cases.push_back({hugePath,
                   "the background picture path (4294967295 bytes) reaches past the end of the "
                   "file"});
  std::vector<uint8_t> zeroWidth = bmp;
  zeroWidth[18] = 0;
  cases.push_back({HandProject().header("", true, true, 1, 1, 0).raw(zeroWidth).u8(0),
                   "the backdrop picture is not valid: Invalid bitmap size 0 x 2"});
  for (const Case& c : cases) EXPECT_EQ(readError(c.file.bytes), c.message);
}

TEST(ProjectFileTest, PicturesPastThePixelBudgetAreRefusedBeforeDecoding) {
  HandProject hand;
  hand.header("", true, true, 1, 1, 0).raw(handBmp(pattern(10, 10, 0))).u8(1);
  hand.item({}, 0, 0, 0, 0, "", 0, handBmp(pattern(5, 4, 0)));
  EXPECT_EQ(readProject(hand.bytes, 120).Items.size(), 1u);
  try {
    (void)readProject(hand.bytes, 119);
    ADD_FAILURE() << "read past the budget";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(),
                 "the picture of item 1 would take the pictures of the project past 119 pixels in "
                 "all");
  }
}

}  // namespace
}  // namespace glyphon
