#include "bench/ProjectScene.h"

#include <algorithm>
#include <random>
#include <string>

#include "bench/Masks.h"

namespace glyphon::bench {

ProjectScene makeProjectScene(int items, int32_t width, int32_t height) {
  ProjectScene scene;
  scene.Settings.SameAsBKPic = false;
  scene.Settings.Width = width;
  scene.Settings.Height = height;

  std::mt19937 rng(11);
  scene.Backdrop = Bitmap(width, height);
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* row = scene.Backdrop.row(y);
    for (int32_t x = 0; x < width; ++x) {
      const int grain = int(rng() % 9) - 4;
      row[3 * x] = uint8_t(std::clamp(60 + x * 150 / width + grain, 0, 255));
      row[3 * x + 1] = uint8_t(std::clamp(40 + y * 180 / height + grain, 0, 255));
      row[3 * x + 2] = uint8_t(std::clamp(200 - (x + y) * 120 / (width + height), 0, 255));
    }
  }

  std::shared_ptr<const Bitmap> renderings[8];
  for (uint32_t i = 0; i < 8; ++i)
    renderings[i] = std::make_shared<const Bitmap>(textLikeRendering(600, 200, 20 + i));
  for (int i = 0; i < items; ++i) {
    auto item = std::make_unique<TTextItem>();
    const int32_t x = int32_t(rng() % (width - 600)), y = int32_t(rng() % (height - 200));
    item->Rect = {x, y, x + 600, y + 200};
    item->StyleKind = 10001 + i % 3;
    item->SizeIndex = 9;
    item->Color = rgb(uint8_t(rng()), uint8_t(rng()), uint8_t(rng()));
    item->Text = "Item " + std::to_string(i);
    item->Opacity = i % 4 == 0 ? 60 : 100;
    item->Bitmap = renderings[i % 8];
    scene.Items.push_back(std::move(item));
  }
  return scene;
}

}  // namespace glyphon::bench
