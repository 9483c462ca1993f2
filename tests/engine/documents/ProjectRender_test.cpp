// Opening and rendering a project without a window, and the glyphon-render
// command line.
#include "engine/documents/ProjectRender.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "engine/core/Error.h"
#include "engine/core/FileIO.h"
#include "engine/documents/BmpCodec.h"
#include "engine/documents/JpegCodec.h"
#include "engine/documents/ProjectFile.h"

namespace glyphon {
namespace {

namespace fs = std::filesystem;

Bitmap pattern(int32_t width, int32_t height) {
  Bitmap b(width, height);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) b.setPixel(x, y, rgb(uint8_t(x), uint8_t(y), 77));
  return b;
}

// A rendering that covers its whole area (red is coverage); tinted with any
// colour it stays pure red.
Bitmap solidCoverage(int32_t width, int32_t height) {
  Bitmap b(width, height);
  fillRect(b, b.bounds(), rgb(255, 0, 0));
  return b;
}

class ProjectRenderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = fs::temp_directory_path() /
             ("glyphon-render-test-" + std::to_string(::getpid()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder);
    fs::create_directories(folder / "pic");
    saveBmpFile(path("tiny.bmp"), Bitmap(1, 1));
    saveJpegFile(path("pic/default.jpg"), pattern(40, 30));
    saveBmpFile(path("custom.bmp"), pattern(20, 10));
  }
  void TearDown() override { fs::remove_all(folder); }

  [[nodiscard]] std::string path(const std::string& name) const { return (folder / name).string(); }

  // A project of a 16 x 12 backdrop and one opaque red item.
  void writeProjectFile(const std::string& name, const CanvasSettings& settings) const {
    std::vector<std::unique_ptr<TTextItem>> items;
    auto item = std::make_unique<TTextItem>();
    item->Rect = {2, 3, 6, 5};
    item->Color = rgb(0, 200, 255);
    item->Bitmap = std::make_shared<const Bitmap>(solidCoverage(2, 2));
    items.push_back(std::move(item));
    saveProjectFile(path(name), settings, pattern(16, 12), items);
  }

  RenderRequest request(const std::string& project, const std::string& output) const {
    return {path(project), path(output), "", path("pic/default.jpg")};
  }

  fs::path folder;
};

TEST_F(ProjectRenderTest, NewDecidesTheCanvasFromThePictureOrTheGivenSize) {
  const std::string defaultPicture = path("pic/default.jpg");
  struct Case {
    CanvasSettings settings;
    int32_t width, height;
    std::string problem;
  };
  const std::string custom = path("custom.bmp");
  const Case cases[] = {
      {{"ignored.bmp", true, true, 1, 1, 0}, 40, 30, ""},
      {{custom, false, true, 1, 1, 0}, 20, 10, ""},
      {{custom, false, false, 300, 200, 0}, 300, 200, ""},
      {{path("gone.jpg"), false, true, 1, 1, 0},
       0,
       0,
       "the picture \"" + path("gone.jpg") + "\" does not exist"},
      {{path("tiny.bmp"), false, false, 0, 5, 0},
       0,
       0,
       "A canvas of 0 x 5 pixels is not possible: width and height must be 1 or more"},
  };
  for (const Case& c : cases) {
    const CanvasDecision d = decideCanvasSize(c.settings, defaultPicture);
    EXPECT_EQ(d.Width, c.width) << c.settings.BKPicPath;
    EXPECT_EQ(d.Height, c.height) << c.settings.BKPicPath;
    EXPECT_EQ(d.Problem, c.problem);
  }
  fs::copy_file(custom, path("custom.gif"));
  EXPECT_NE(decideCanvasSize({path("custom.gif"), false, true, 1, 1, 0}, defaultPicture)
                .Problem.find("is not a picture file: its name must end in bmp, jpg, jpeg, png, "
                              "webp, tif, tiff, heic, heif or avif"),
            std::string::npos);
  // The content decides the format: a picture named .png that holds a BMP
  // or JPEG is read.
  fs::copy_file(custom, path("custom.png"));
  EXPECT_EQ(decideCanvasSize({path("custom.png"), false, true, 1, 1, 0}, defaultPicture).Problem,
            "");
}

TEST_F(ProjectRenderTest, TheStoredBackdropIsStretchedToTheNewCanvasOrKept) {
  const Bitmap stored = pattern(8, 6);
  const Bitmap wide = openedBackdrop(stored, 16, 3);
  ASSERT_EQ(wide.width(), 16);
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 16; ++x) EXPECT_EQ(wide.pixel(x, y), stored.pixel(x / 2, y * 2));
  EXPECT_EQ(openedBackdrop(stored, 0, 0), stored);
}

TEST_F(ProjectRenderTest, TheDataFolderIsBesideTheProgramOrInItsShareFolder) {
  EXPECT_EQ(programDataFolderFor(folder.string()), folder.string());
  fs::create_directories(folder / "prefix/bin");
  fs::create_directories(folder / "prefix/share/glyphon-editor");
  EXPECT_EQ(programDataFolderFor(path("prefix/bin")), path("prefix/share/glyphon-editor"));
  fs::create_directories(folder / "lonely/bin");
  EXPECT_EQ(programDataFolderFor(path("lonely/bin")), path("lonely/bin"));
  EXPECT_EQ(defaultPictureIn("/opt/g"), "/opt/g/pic/default.jpg");
}

TEST_F(ProjectRenderTest, RenderingComposesTheItemsOnTheOpenedBackdrop) {
  // The canvas takes the custom picture's 20 x 10; the stored 16 x 12
  // backdrop is stretched to it and the item lies on top.
  writeProjectFile("a.gyf", {path("custom.bmp"), false, true, 1, 1, 0});
  EXPECT_TRUE(renderProjectFile(request("a.gyf", "out.bmp")).empty());
  const Bitmap out = loadBmpFile(path("out.bmp"));
  ASSERT_EQ(out.width(), 20);
  ASSERT_EQ(out.height(), 10);
  EXPECT_EQ(out.pixel(0, 0), pattern(16, 12).pixel(0, 0));
  EXPECT_EQ(out.pixel(19, 9), pattern(16, 12).pixel(19 * 16 / 20, 9 * 12 / 10));
  EXPECT_EQ(out.pixel(3, 4), rgb(255, 0, 0));

  // Another backdrop, stretched to the same canvas as Import Backdrop does.
  RenderRequest other = request("a.gyf", "other.jpg");
  other.BackdropPath = path("pic/default.jpg");
  EXPECT_TRUE(renderProjectFile(other).empty());
  const Bitmap jpeg = loadJpegFile(path("other.jpg"));
  EXPECT_EQ(jpeg.width(), 20);
  EXPECT_EQ(jpeg.height(), 10);
}

TEST_F(ProjectRenderTest, ATransparentBackdropShowsTheProjectsCanvasColour) {
  if (!fs::exists("/usr/bin/convert")) GTEST_SKIP() << "no ImageMagick (see tools/setup.sh)";
  const Color canvas = rgb(10, 120, 230);
  writeProjectFile("a.gyf", {"", true, true, 1, 1, canvas});
  ASSERT_EQ(std::system(("/usr/bin/convert -size 5x5 xc:none PNG32:" + path("clear.png")).c_str()),
            0);
  RenderRequest r = request("a.gyf", "out.bmp");
  r.BackdropPath = path("clear.png");
  (void)renderProjectFile(r);
  const Bitmap out = loadBmpFile(path("out.bmp"));
  EXPECT_EQ(out.pixel(out.width() - 1, out.height() - 1), canvas);
  EXPECT_EQ(out.pixel(0, 0), canvas);
}

TEST_F(ProjectRenderTest, AMissingNewPictureKeepsTheSavedSizeWithAWarning) {
  writeProjectFile("a.gyf", {path("moved.jpg"), false, true, 1, 1, 0});
  const std::vector<std::string> warnings = renderProjectFile(request("a.gyf", "out.bmp"));
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0], "the picture \"" + path("moved.jpg") +
                             "\" does not exist; the backdrop keeps the size it was saved with "
                             "(16 x 12)");
  EXPECT_EQ(loadBmpFile(path("out.bmp")).width(), 16);
}

TEST_F(ProjectRenderTest, FailuresWriteNothing) {
  writeProjectFile("a.gyf", {"", true, true, 1, 1, 0});
  std::vector<uint8_t> damaged = readWholeFile(path("a.gyf"));
  damaged.resize(damaged.size() - 3);
  writeWholeFile(path("damaged.gyf"), damaged);
  RenderRequest badBackdrop = request("a.gyf", "out.jpg");
  badBackdrop.BackdropPath = path("none.bmp");
  const RenderRequest failing[] = {request("a.gyf", "out.tif"), request("none.gyf", "out.jpg"),
                                   request("damaged.gyf", "out.jpg"), badBackdrop};
  for (const RenderRequest& r : failing) {
    EXPECT_THROW((void)renderProjectFile(r), Error) << r.OutputPath;
    EXPECT_FALSE(fs::exists(r.OutputPath)) << r.OutputPath;
  }
}

// Items are drawn while the file is still being read; a damaged file must
// still be reported before a --backdrop that cannot be read, as when the
// whole file was read first, and the other way round only for a sound file.
TEST_F(ProjectRenderTest, ADamagedFileIsReportedBeforeAnUnreadableBackdrop) {
  writeProjectFile("a.gyf", {"", true, true, 1, 1, 0});
  std::vector<uint8_t> damaged = readWholeFile(path("a.gyf"));
  damaged.resize(damaged.size() - 3);
  writeWholeFile(path("damaged.gyf"), damaged);
  auto errorOf = [this](const std::string& project) {
    RenderRequest r = request(project, "out.bmp");
    r.BackdropPath = path("none.bmp");
    try {
      (void)renderProjectFile(r);
    } catch (const Error& e) {
      EXPECT_FALSE(fs::exists(r.OutputPath));
      return std::string(e.what());
    }
    return std::string("(no error)");
  };
  EXPECT_EQ(errorOf("damaged.gyf"), "The project file \"" + path("damaged.gyf") +
                                        "\" cannot be opened: the file ends inside the picture "
                                        "of item 1");
  EXPECT_NE(errorOf("a.gyf").find("none.bmp"), std::string::npos) << errorOf("a.gyf");
}

// A fixed pseudo-random project: a noisy backdrop of odd width (BMP rows are
// padded) and items of text-like renderings at 1:1, enlarged and shrunk,
// partly off the canvas, at opacities from none to beyond full.
void writePinnedProject(const std::string& file, const CanvasSettings& settings) {
  uint32_t state = 12345;
  auto next = [&state](uint32_t range) {
    state = state * 1664525u + 1013904223u;
    return (state >> 8) % range;
  };
  Bitmap backdrop(301, 203);
  for (int32_t y = 0; y < backdrop.height(); ++y)
    for (int32_t x = 0; x < backdrop.width(); ++x)
      backdrop.setPixel(x, y,
                        rgb(uint8_t(x + next(9)), uint8_t(y * 2 + next(5)), uint8_t(next(256))));
  const uint8_t levels[] = {0, 0, 0, 3, 4, 5, 6, 40, 64, 100, 127, 128, 200, 255, 255, 255};
  const int opacities[] = {100, 100, 100, 0, 1, 37, 50, 99, -5, 150};
  std::vector<std::unique_ptr<TTextItem>> items;
  for (int n = 0; n < 60; ++n) {
    const int32_t w = 1 + int32_t(next(90)), h = 1 + int32_t(next(50));
    Bitmap mask(w, h);
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) {
        const uint8_t v = levels[next(16)];
        mask.setPixel(x, y, rgb(v, uint8_t(next(256)), uint8_t(next(256))));
      }
    auto item = std::make_unique<TTextItem>();
    const int32_t left = int32_t(next(360)) - 30, top = int32_t(next(250)) - 25;
    // Half the items at their rendering's size, the rest stretched.
    const bool natural = n % 2 == 0;
    item->Rect = {left, top, left + (natural ? w : 1 + int32_t(next(150))),
                  top + (natural ? h : 1 + int32_t(next(90)))};
    item->Color = rgb(uint8_t(next(256)), uint8_t(next(256)), uint8_t(next(256)));
    item->Opacity = opacities[next(10)];
    item->Bitmap = std::make_shared<const Bitmap>(std::move(mask));
    items.push_back(std::move(item));
  }
  saveProjectFile(file, settings, backdrop, items);
}

// FNV-1a of a file's bytes.
uint64_t fileChecksum(const std::string& file) {
  uint64_t hash = 14695981039346656037ull;
  for (uint8_t byte : readWholeFile(file)) hash = (hash ^ byte) * 1099511628211ull;
  return hash;
}

TEST_F(ProjectRenderTest, RenderedPicturesStayByteForByteAsTheyWere) {
  // The checksums were taken from the renderer before its speed work; any
  // change to a pixel or a byte of the BMP writer shows here.
  writePinnedProject(path("same.gyf"), {"", true, false, 301, 203, rgb(1, 2, 3)});
  writePinnedProject(path("stretched.gyf"), {"", true, false, 350, 180, rgb(1, 2, 3)});
  saveBmpFile(path("other.bmp"), pattern(97, 61));
  RenderRequest replaced = request("same.gyf", "replaced.bmp");
  replaced.BackdropPath = path("other.bmp");
  const std::pair<RenderRequest, uint64_t> cases[] = {
      {request("same.gyf", "same.bmp"), 15634182678237715225ull},
      {request("stretched.gyf", "stretched.bmp"), 7736615661156635455ull},
      {replaced, 14553610820513203148ull},
  };
  for (const auto& [r, checksum] : cases) {
    EXPECT_TRUE(renderProjectFile(r).empty()) << r.OutputPath;
    EXPECT_EQ(fileChecksum(r.OutputPath), checksum) << r.OutputPath;
  }
}

// Runs glyphon-render with arguments; returns its exit status and what it
// printed on standard error. A run that hangs is ended after 20 s (status
// 124), so that it fails the test rather than holding up the suite.
std::pair<int, std::string> runRenderer(const std::string& arguments) {
  const std::string command = "timeout 20 " + std::string(GLYPHON_BUILD_DIR) + "/glyphon-render " +
                              arguments + " 2>&1 >/dev/null";
  FILE* pipe = ::popen(command.c_str(), "r");
  std::string output;
  char buffer[256];
  while (pipe && std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
  const int status = pipe ? ::pclose(pipe) : -1;
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

TEST_F(ProjectRenderTest, TheCommandLineReportsOnStandardErrorWithItsExitStatus) {
  writeProjectFile("a.gyf", {path("custom.bmp"), false, true, 1, 1, 0});
  const std::string project = path("a.gyf");
  EXPECT_EQ(runRenderer(project + " " + path("ok.jpg")), std::make_pair(0, std::string()));
  EXPECT_EQ(loadJpegFile(path("ok.jpg")).width(), 20);
  EXPECT_EQ(
      runRenderer("--backdrop " + path("pic/default.jpg") + " " + project + " " + path("ok.bmp"))
          .first,
      0);

  const auto usage = runRenderer(project);
  EXPECT_EQ(usage.first, 2);
  EXPECT_NE(usage.second.find("usage: glyphon-render"), std::string::npos) << usage.second;
  EXPECT_EQ(runRenderer("--frobnicate " + project + " x.jpg").first, 2);
  EXPECT_EQ(runRenderer(project + " x.jpg --backdrop").first, 2);

  const auto missing = runRenderer(path("none.gyf") + " " + path("no.jpg"));
  EXPECT_EQ(missing.first, 1);
  EXPECT_EQ(missing.second.rfind("glyphon-render: Cannot open file \"" + path("none.gyf"), 0), 0u)
      << missing.second;
  EXPECT_FALSE(fs::exists(path("no.jpg")));

  // A damaged backdrop is named once, with its folder, and what is wrong
  // with it follows in the loader's words.
  writeWholeFile(path("holiday.jpg"), std::vector<uint8_t>{0xE9, 0x97, 'h', 'i'});
  const auto damaged =
      runRenderer("--backdrop " + path("holiday.jpg") + " " + project + " " + path("no.png"));
  EXPECT_EQ(damaged, std::make_pair(1, "glyphon-render: the picture \"" + path("holiday.jpg") +
                                           "\" cannot be read: Not a JPEG picture (it starts "
                                           "with the bytes e9 97)\n"));
  EXPECT_FALSE(fs::exists(path("no.png")));
}

TEST_F(ProjectRenderTest, TheCommandLineWritesPngAndWebpByTheOutputsExtension) {
  writeProjectFile("a.gyf", {path("custom.bmp"), false, true, 1, 1, 0});
  const std::string project = path("a.gyf");
  ASSERT_EQ(runRenderer(project + " " + path("ref.bmp")).first, 0);
  const Bitmap reference = loadBmpFile(path("ref.bmp"));
  ASSERT_EQ(runRenderer(project + " " + path("out.PNG")), std::make_pair(0, std::string()));
  const std::vector<uint8_t> png = readWholeFile(path("out.PNG"));
  ASSERT_GT(png.size(), 8u);
  EXPECT_EQ(std::string(png.begin() + 1, png.begin() + 4), "PNG");
  ASSERT_EQ(runRenderer(project + " " + path("out.webp")), std::make_pair(0, std::string()));
  const std::vector<uint8_t> webp = readWholeFile(path("out.webp"));
  ASSERT_GT(webp.size(), 12u);
  EXPECT_EQ(std::string(webp.begin() + 8, webp.begin() + 12), "WEBP");
  // Both hold the rendering: the PNG exactly, read back by ImageMagick.
  ASSERT_EQ(
      std::system(
          ("/usr/bin/convert " + path("out.PNG") + " -depth 8 bmp3:" + path("back.bmp")).c_str()),
      0);
  EXPECT_EQ(loadBmpFile(path("back.bmp")), reference);

  const auto refused = runRenderer(project + " " + path("out.tif"));
  EXPECT_EQ(refused.first, 1);
  EXPECT_NE(refused.second.find(".png (PNG) or .webp (WebP)"), std::string::npos) << refused.second;
  EXPECT_FALSE(fs::exists(path("out.tif")));
}

// A named pipe, a device or a folder named as the project or the backdrop
// is refused at once: reading would wait for a writer for ever, or go on
// to the size limit.
TEST_F(ProjectRenderTest, TheCommandLineRefusesWhatIsNotAFileAtOnce) {
  writeProjectFile("a.gyf", {path("custom.bmp"), false, true, 1, 1, 0});
  ASSERT_EQ(::mkfifo(path("pipe.gyf").c_str(), 0600), 0);
  ASSERT_EQ(::mkfifo(path("pipe.bmp").c_str(), 0600), 0);
  fs::create_directories(path("folder.gyf"));
  const std::string out = " " + path("out.jpg");
  const std::string fifo = "It is a named pipe (FIFO), not a regular file";
  const std::pair<std::string, std::string> cases[] = {
      {path("pipe.gyf") + out, "Cannot open file \"" + path("pipe.gyf") + "\". " + fifo},
      {"/dev/zero" + out,
       "Cannot open file \"/dev/zero\". It is a character device, not a regular file"},
      {path("folder.gyf") + out, "Cannot open file \"" + path("folder.gyf") + "\". Is a directory"},
      {"--backdrop " + path("pipe.bmp") + " " + path("a.gyf") + out, fifo},
  };
  for (const auto& [arguments, message] : cases) {
    const auto [status, output] = runRenderer(arguments);
    EXPECT_EQ(status, 1) << arguments;
    EXPECT_NE(output.find(message), std::string::npos) << output;
    EXPECT_FALSE(fs::exists(path("out.jpg")));
  }
}

}  // namespace
}  // namespace glyphon
