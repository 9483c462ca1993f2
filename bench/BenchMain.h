// The main() of a benchmark that takes the item count as its first
// argument: bench [ITEMS] [benchmark flags].
#pragma once

#include <benchmark/benchmark.h>

#include "bench/Masks.h"

namespace glyphon::bench {

// Sets items from the first argument (fallback without one), then runs the
// registered benchmarks with the rest of the arguments.
inline int runWithItemCount(int argc, char** argv, int& items, int fallback) {
  items = itemCountArgument(argc, argv, fallback);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

}  // namespace glyphon::bench
