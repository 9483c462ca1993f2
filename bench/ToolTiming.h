// What the scripts that time us against a command-line tool share: a
// clock, the median of runs, the canvas written as a PPM for the tool, and
// running the tool once.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "engine/core/Bitmap.h"

namespace glyphon::bench {

using Clock = std::chrono::steady_clock;

[[nodiscard]] double millisecondsSince(Clock::time_point start);

// The middle value of v (the upper one of an even count); v must not be empty.
[[nodiscard]] double median(std::vector<double> v);

// Writes picture as a binary PPM (P6), the input the tools read.
void writePpm(const std::string& path, const Bitmap& picture);

// Runs args[0] (looked up on PATH unless it holds a slash) with args once;
// returns its exit status, or -1 when it cannot start or does not exit.
int runTool(std::vector<std::string> args);

}  // namespace glyphon::bench
