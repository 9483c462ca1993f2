#include "engine/core/StepMemory.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace glyphon {
namespace {

std::shared_ptr<const Bitmap> rendering(int32_t width, int32_t height) {
  return std::make_shared<const Bitmap>(width, height);
}

std::unique_ptr<TTextItem> itemWith(std::shared_ptr<const Bitmap> bitmap) {
  auto item = std::make_unique<TTextItem>();
  item->Bitmap = std::move(bitmap);
  return item;
}

TEST(StepMemory, BitmapBytesCountThreeBytesAPixel) {
  EXPECT_EQ(bitmapBytes(Bitmap()), 0u);
  EXPECT_EQ(bitmapBytes(Bitmap(7, 3)), 63u);
  EXPECT_EQ(bitmapBytes(Bitmap(1920, 1080)), 6220800u);
}

TEST(StepMemory, ARenderingCountsOnlyWhenTheHistoryAloneKeepsIt) {
  // a: only in step 0. b: shared by steps 0 and 2, charged to 2. c: also in
  // the picture (held outside), free. d: a null rendering.
  auto a = itemWith(rendering(10, 10));   // 300 bytes
  auto b1 = itemWith(rendering(20, 10));  // 600 bytes
  auto b2 = itemWith(b1->Bitmap);
  auto c = itemWith(rendering(30, 10));
  auto inPicture = itemWith(c->Bitmap);
  auto d = itemWith(nullptr);
  const std::vector<StepHoldings> steps{
      {{a.get(), b1.get()}, 0},
      {{c.get(), d.get()}, 1000},  // a replaced backdrop of 1000 bytes
      {{b2.get()}, 0},
      {{}, 0},
  };
  EXPECT_EQ(bytesKeptAlive(steps), (std::vector<size_t>{300, 1000, 600, 0}));

  // Once the picture lets go of it, c is the history's alone.
  inPicture.reset();
  const std::vector<StepHoldings> cAlone{{{c.get()}, 0}};
  EXPECT_EQ(bytesKeptAlive(cAlone), (std::vector<size_t>{900}));
}

TEST(StepMemory, TheOldestStepsGoUntilTheRestFits) {
  auto a = itemWith(rendering(10, 10));  // 300
  auto b = itemWith(rendering(20, 10));  // 600
  auto b2 = itemWith(b->Bitmap);         // b again, in the newest step
  const std::vector<StepHoldings> steps{
      {{a.get()}, 0}, {{b.get()}, 0}, {{}, 50}, {{b2.get()}, 100}};
  // Figures 300, 0, 50, 700: total 1050.
  struct Case {
    size_t limit, drop;
  };
  for (const Case c : {Case{5000, 0}, Case{1050, 0}, Case{1049, 1}, Case{750, 1}, Case{749, 3},
                       Case{700, 3}, Case{699, 4}, Case{0, 4}}) {
    EXPECT_EQ(stepsToDrop(steps, c.limit), c.drop) << "limit " << c.limit;
  }
  EXPECT_EQ(stepsToDrop({}, 0), 0u);
}

}  // namespace
}  // namespace glyphon
