#include "bench/ToolTiming.h"

#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <fstream>

extern char** environ;

namespace glyphon::bench {

double millisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

void writePpm(const std::string& path, const Bitmap& picture) {
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << picture.width() << ' ' << picture.height() << "\n255\n";
  std::vector<char> row(picture.stride());
  for (int32_t y = 0; y < picture.height(); ++y) {
    const uint8_t* bgr = picture.row(y);
    for (size_t i = 0; i < row.size(); i += 3) {
      row[i] = char(bgr[i + 2]);
      row[i + 1] = char(bgr[i + 1]);
      row[i + 2] = char(bgr[i]);
    }
    out.write(row.data(), std::streamsize(row.size()));
  }
}

int runTool(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

}  // namespace glyphon::bench
