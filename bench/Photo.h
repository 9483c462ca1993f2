// A synthetic photograph for the picture benchmarks: smooth gradients with a
// little grain, so that codecs neither find it trivially flat nor pure noise.
#pragma once

#include <cstdint>

#include "engine/core/Bitmap.h"

namespace glyphon::bench {

[[nodiscard]] Bitmap syntheticPhoto(int32_t width, int32_t height);

}  // namespace glyphon::bench
