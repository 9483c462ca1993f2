// Thumbnails of projects for file managers, and the shrinking they are made
// with.
#include "engine/documents/ProjectThumbnail.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/Error.h"
#include "engine/core/Queue.h"
#include "engine/core/ShrinkToFit.h"
#include "engine/documents/PictureLoader.h"

namespace glyphon {
namespace {

namespace fs = std::filesystem;

struct ShrinkCase {
  int32_t width, height, maxWidth, maxHeight;
  int32_t expectedWidth, expectedHeight;
};

TEST(ShrinkToFitTest, KeepsTheShapeAndNeverStretchesUp) {
  const ShrinkCase cases[] = {
      {1920, 1080, 256, 256, 256, 144},  // the longer side reaches the limit
      {1080, 1920, 128, 128, 72, 128},
      {4000, 3000, 1024, 1024, 1024, 768},
      {100, 10, 8, 8, 8, 1},  // a side never shrinks below one pixel
      {1000, 1, 10, 10, 10, 1},
      {90, 70, 128, 128, 90, 70},  // already fits: unchanged
      {300, 200, 90, 70, 90, 60},  // the narrower limit decides
  };
  for (const ShrinkCase& c : cases) {
    const Bitmap out = shrinkToFit(Bitmap(c.width, c.height), c.maxWidth, c.maxHeight);
    EXPECT_EQ(out.width(), c.expectedWidth) << c.width << "x" << c.height;
    EXPECT_EQ(out.height(), c.expectedHeight) << c.width << "x" << c.height;
  }
}

TEST(ShrinkToFitTest, EachPixelIsTheRoundedMeanOfItsBlock) {
  // 4 x 2 into 2 x 1: two 2 x 2 blocks.
  Bitmap source(4, 2);
  source.setPixel(0, 0, rgb(0, 0, 0));
  source.setPixel(1, 0, rgb(255, 10, 1));
  source.setPixel(0, 1, rgb(255, 10, 1));
  source.setPixel(1, 1, rgb(255, 11, 0));
  for (int32_t x = 2; x < 4; ++x)
    for (int32_t y = 0; y < 2; ++y) source.setPixel(x, y, rgb(7, 200, 99));
  const Bitmap out = shrinkToFit(source, 2, 2);
  ASSERT_EQ(out.width(), 2);
  ASSERT_EQ(out.height(), 1);
  // (0 + 255 * 3) / 4 = 191.25, (31) / 4 = 7.75, 2 / 4 = 0.5 rounds up.
  EXPECT_EQ(out.pixel(0, 0), rgb(191, 8, 1));
  EXPECT_EQ(out.pixel(1, 0), rgb(7, 200, 99));
  // A thin line is kept as a shade, not dropped as sampling would.
  Bitmap line(10, 10);
  fillRect(line, {0, 4, 10, 5}, rgb(250, 250, 250));
  EXPECT_EQ(shrinkToFit(line, 1, 1).pixel(0, 0), rgb(25, 25, 25));
}

class ProjectThumbnailTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = fs::temp_directory_path() /
             ("glyphon-thumbnail-test-" + std::to_string(::getpid()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder);
    fs::create_directories(folder);
  }
  void TearDown() override { fs::remove_all(folder); }

  [[nodiscard]] std::string path(const std::string& name) const { return (folder / name).string(); }

  // A 400 x 200 blue canvas with a red item over its left half, and a
  // second item at half opacity on the right, of a style kind no catalogue
  // knows.
  static std::vector<std::unique_ptr<TTextItem>> items() {
    std::vector<std::unique_ptr<TTextItem>> list;
    for (int32_t i = 0; i < 2; ++i) {
      auto item = std::make_unique<TTextItem>();
      item->Rect = i == 0 ? Rect{0, 0, 200, 200} : Rect{200, 0, 400, 200};
      item->StyleKind = 99999;
      item->Color = rgb(255, 0, 0);
      item->Opacity = i == 0 ? 100 : 50;
      item->Text = "x";
      auto rendering = std::make_shared<Bitmap>(20, 20);
      fillRect(*rendering, rendering->bounds(), rgb(255, 0, 0));
      item->Bitmap = rendering;
      list.push_back(std::move(item));
    }
    return list;
  }
  static Bitmap backdrop() {
    Bitmap b(400, 200);
    fillRect(b, b.bounds(), rgb(0, 0, 255));
    return b;
  }

  fs::path folder;
};

TEST_F(ProjectThumbnailTest, DrawsTheStoredRenderingsOverTheStoredBackdrop) {
  CanvasSettings settings;
  // Neither picture exists: the thumbnail does not need them.
  settings.BKPicPath = "/nowhere/backdrop.jpg";
  settings.DefaultBKPic = false;
  saveProjectFile(path("p.gyf"), settings, backdrop(), items());
  // File managers hand over output names of their own: PNG is written
  // whatever the name says.
  writeProjectThumbnail(path("p.gyf"), 128, path("thumb.tmp"));
  fs::copy_file(path("thumb.tmp"), path("thumb.png"));
  const std::optional<Bitmap> thumbnail = loadPicture(path("thumb.png"), rgb(0, 0, 0)).picture;
  ASSERT_TRUE(thumbnail);
  ASSERT_EQ(thumbnail->width(), 128);
  ASSERT_EQ(thumbnail->height(), 64);
  // The same as drawing the whole canvas and shrinking it.
  Bitmap canvas = backdrop();
  for (const auto& item : items()) TQueueData::DrawItem(item.get(), canvas);
  EXPECT_EQ(*thumbnail, shrinkToFit(canvas, 128, 128));
  EXPECT_EQ(thumbnail->pixel(10, 10), canvas.pixel(10, 10));
  EXPECT_NE(thumbnail->pixel(100, 30), thumbnail->pixel(10, 10));
}

TEST_F(ProjectThumbnailTest, AProjectThatCannotBeReadWritesNothing) {
  EXPECT_THROW(writeProjectThumbnail(path("missing.gyf"), 128, path("a.png")), Error);
  std::vector<uint8_t> bytes{'1', '.', '2', '3', 'R'};
  bytes.resize(40, 0xFF);  // a path length far beyond the end of the file
  {
    std::FILE* f = std::fopen(path("damaged.gyf").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
  EXPECT_THROW(writeProjectThumbnail(path("damaged.gyf"), 128, path("b.png")), Error);
  saveProjectFile(path("p.gyf"), CanvasSettings{}, backdrop(), {});
  EXPECT_THROW(writeProjectThumbnail(path("p.gyf"), 0, path("c.png")), Error);
  for (const char* name : {"a.png", "b.png", "c.png"}) EXPECT_FALSE(fs::exists(path(name)));
}

}  // namespace
}  // namespace glyphon
