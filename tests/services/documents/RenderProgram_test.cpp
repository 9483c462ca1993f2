// glyphon-render's batches: --text, --save-project and --table, run as the
// real program with real style plug-ins found through a style catalogue in a
// temporary $XDG_CONFIG_HOME, checked against the editor's own road from a
// text to an item (renderNewItem, which Modify calls).
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "engine/core/Error.h"
#include "engine/core/TextRules.h"
#include "engine/documents/BmpCodec.h"
#include "engine/documents/CsvTable.h"
#include "engine/documents/ProjectFile.h"
#include "engine/documents/ProjectRender.h"
#include "services/shell/StyleSources.h"

namespace glyphon {
namespace {

namespace fs = std::filesystem;

constexpr int32_t kAscii = 10001;   // the echo style: the original export only
constexpr int32_t kText = 10002;    // the text echo style: any UTF-8, any scale
constexpr int32_t kScript = 10003;  // a sample style, drawing with real fonts

Bitmap pattern(int32_t width, int32_t height, uint8_t blue) {
  Bitmap b(width, height);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) b.setPixel(x, y, rgb(uint8_t(3 * x), uint8_t(5 * y), blue));
  return b;
}

// Runs glyphon-render with arguments; its exit status and standard error.
std::pair<int, std::string> runRenderer(const std::string& arguments) {
  const std::string command =
      std::string(GLYPHON_BUILD_DIR) + "/glyphon-render " + arguments + " 2>&1 >/dev/null";
  FILE* pipe = ::popen(command.c_str(), "r");
  std::string output;
  char buffer[512];
  while (pipe && std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
  const int status = pipe ? ::pclose(pipe) : -1;
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

std::string quoted(const std::string& text) { return "'" + text + "'"; }

class RenderProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = fs::temp_directory_path() /
             ("glyphon-batch-test-" + std::to_string(::getpid()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder);
    fs::create_directories(folder / "config" / "Vantry");
    ::setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
    ::setenv("XDG_CONFIG_DIRS", (folder / "none").c_str(), 1);
    // The helper that runs the plug-ins for renderNewItem here.
    ::setenv("GLYPHON_STYLE_HOST", GLYPHON_BUILD_DIR "/glyphon-style-host", 1);
    std::ofstream(folder / "config" / "Vantry" / "Glyphon.conf")
        << "[" << kAscii << "]\nname=Echo\nPath=" GLYPHON_TEST_PLUGIN_DIR
        << "\ndata=" GLYPHON_TEST_ECHO_STYLE "\n"
        << "[" << kText << "]\nname=Text echo\nPath=" GLYPHON_TEST_PLUGIN_DIR
        << "\ndata=" GLYPHON_TEST_TEXT_ECHO_STYLE "\n"
        << "[" << kScript << "]\nname=Script\nPath=" GLYPHON_SAMPLE_STYLE_DIR
        << "\ndata=" GLYPHON_SAMPLE_STYLE_FILE "\n";
    saveBmpFile(path("backdrop.bmp"), pattern(160, 90, 40));
    saveBmpFile(path("other.bmp"), pattern(80, 45, 200));
    CanvasSettings settings;
    settings.DefaultBKPic = false;
    settings.BKPicPath = path("backdrop.bmp");
    std::vector<std::unique_ptr<TTextItem>> items;
    // Item 1 (bottom): text echo, faded; item 2: the ASCII echo; item 3
    // (top): the sample style.
    items.push_back(item(kText, 1, 4, rgb(200, 30, 90), "Price", 60, {7, 9}));
    items.push_back(item(kAscii, 0, 9, rgb(20, 230, 90), "Name", 100, {30, 40}));
    items.push_back(item(kScript, 2, 3, rgb(250, 250, 10), "Hello", 100, {11, 50}));
    saveProjectFile(path("design.gyf"), settings, pattern(160, 90, 40), items);
  }
  void TearDown() override { fs::remove_all(folder); }

  static std::unique_ptr<TTextItem> item(int32_t kind, int32_t font, int32_t size, Color color,
                                         const std::string& text, int32_t opacity,
                                         std::pair<int32_t, int32_t> corner) {
    auto made = std::make_unique<TTextItem>();
    made->StyleKind = kind;
    made->StyleFont = font;
    made->SizeIndex = size;
    made->Color = color;
    made->Text = text;
    made->Opacity = opacity;
    Bitmap rendering(20, 8);
    fillRect(rendering, rendering.bounds(), rgb(180, 180, 180));
    made->Rect = {corner.first, corner.second, corner.first + 20, corner.second + 8};
    made->Bitmap = std::make_shared<const Bitmap>(std::move(rendering));
    return made;
  }

  [[nodiscard]] std::string path(const std::string& name) const { return (folder / name).string(); }

  // The picture Modify makes of the design with item number's text replaced: the editor's
  // road (renderNewItem, filling the rectangle) with the plug-in the catalogue names, the
  // stack and opacity kept.
  [[nodiscard]] Bitmap expected(const std::vector<std::pair<int32_t, std::string>>& texts,
                                const std::string& backdrop = "") const {
    ProjectData project = loadProjectFile(path("design.gyf"));
    for (const auto& [number, text] : texts) {
      auto& old = project.Items[size_t(number) - 1];
      const std::string itemText = itemTextOf(text);
      const ItemChoice choice{old->Rect.Left, old->Rect.Top, old->StyleKind, old->StyleFont,
                              old->SizeIndex, old->Color,    itemText};
      auto fresh = renderNewItem(*installedStyleSource(old->StyleKind), choice,
                                 NewItemRendering::FillRectangle);
      fresh->Opacity = old->Opacity;
      old = std::move(fresh);
    }
    Bitmap back = backdrop.empty()
                      ? std::move(project.Backdrop)
                      : loadReplacementBackdrop(backdrop, project.Settings.Color, 160, 90);
    return composeCanvas(back, project.Items);
  }

  void writeFile(const std::string& name, const std::string& content) const {
    std::ofstream(path(name), std::ios::binary) << content;
  }

  fs::path folder;
};

TEST_F(RenderProgramTest, TextRendersTheItemAfreshAsModifyDoesAndSavesTheProject) {
  const auto run = runRenderer(
      "--text 1=Gr\xC3\xBC\xC3\x9F"
      "e --text '3=Caf\xC3\xA9 au lait' "
      "--text 2=Bob --save-project " +
      path("out.gyf") + " " + path("design.gyf") + " " + path("out.bmp"));
  ASSERT_EQ(run, std::make_pair(0, std::string()));
  const Bitmap want = expected({{1,
                                 "Gr\xC3\xBC\xC3\x9F"
                                 "e"},
                                {3, "Caf\xC3\xA9 au lait"},
                                {2, "Bob"}});
  EXPECT_TRUE(loadBmpFile(path("out.bmp")) == want);
  EXPECT_FALSE(loadBmpFile(path("out.bmp")) == expected({}));

  // The project holds the new texts and renderings, the corners, sizes, colours and opacity
  // of the old items, and opens to the same picture.
  const ProjectData saved = loadProjectFile(path("out.gyf"));
  const ProjectData original = loadProjectFile(path("design.gyf"));
  ASSERT_EQ(saved.Items.size(), 3u);
  EXPECT_EQ(saved.Items[0]->Text,
            "Gr\xC3\xBC\xC3\x9F"
            "e");
  EXPECT_EQ(saved.Items[2]->Text, "Caf\xC3\xA9 au lait");
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(saved.Items[i]->Rect.Left, original.Items[i]->Rect.Left);
    EXPECT_EQ(saved.Items[i]->Rect.Top, original.Items[i]->Rect.Top);
    EXPECT_EQ(saved.Items[i]->SizeIndex, original.Items[i]->SizeIndex);
    EXPECT_EQ(saved.Items[i]->Color, original.Items[i]->Color);
    EXPECT_EQ(saved.Items[i]->Opacity, original.Items[i]->Opacity);
    EXPECT_EQ(saved.Items[i]->StyleKind, original.Items[i]->StyleKind);
  }
  EXPECT_TRUE(composeCanvas(saved.Backdrop, saved.Items) == want);
}

TEST_F(RenderProgramTest, TextThatCannotBeMadeWritesNothing) {
  const std::string tail = " " + path("design.gyf") + " " + path("out.bmp");
  const struct {
    std::string arguments, message;
  } cases[] = {
      {"--text 4=x", "item 4 does not exist: the project has 3 items"},
      {"--text 0=x", "item 0 does not exist"},
      {"--text '1=  '", "item 1: the text is blank"},
      // The ASCII style cannot draw a Greek letter: said, not left out.
      {"--text 1=ok --text 2=\xCE\xB1\xCE\xB2", "item 2: style kind 10001 draws only ASCII"},
  };
  for (const auto& c : cases) {
    const auto run = runRenderer(c.arguments + " --save-project " + path("out.gyf") + tail);
    EXPECT_EQ(run.first, 1) << c.arguments;
    EXPECT_NE(run.second.find(c.message), std::string::npos) << run.second;
    EXPECT_FALSE(fs::exists(path("out.bmp")));
    EXPECT_FALSE(fs::exists(path("out.gyf")));
  }
  // A style kind the catalogue does not know.
  std::vector<std::unique_ptr<TTextItem>> items;
  items.push_back(item(10009, 0, 9, 0, "x", 100, {0, 0}));
  saveProjectFile(path("unknown.gyf"), CanvasSettings(), pattern(8, 8, 0), items);
  const auto unknown = runRenderer("--text 1=y " + path("unknown.gyf") + " " + path("out.bmp"));
  EXPECT_EQ(unknown.first, 1);
  EXPECT_NE(unknown.second.find("style kind 10009 is not in the style catalogue"),
            std::string::npos)
      << unknown.second;
  EXPECT_FALSE(fs::exists(path("out.bmp")));
  // Wrong command lines.
  EXPECT_EQ(runRenderer("--text x " + tail).first, 2);
  EXPECT_EQ(runRenderer("--text 1=a --thumbnail 9" + tail).first, 2);
  EXPECT_EQ(runRenderer("--table t.csv" + tail).first, 2);
  EXPECT_EQ(runRenderer("--output 'x.jpg'" + tail).first, 2);
}

TEST_F(RenderProgramTest, ATableMakesOnePicturePerRowAndNamesTheBadOne) {
  // 50 rows of UTF-8 texts and backdrops, row 25 naming a missing picture.
  std::string csv = "1,backdrop,name\n";
  for (int row = 1; row <= 50; ++row) {
    const std::string backdrop = row == 25      ? path("missing.bmp")
                                 : row % 3 == 0 ? path("other.bmp")
                                 : row % 3 == 1 ? ""
                                                : path("backdrop.bmp");
    csv += "\"\xE2\x82\xAC " + std::to_string(row) + ",99 \xD7\x90\"," + backdrop + ",n" +
           std::to_string(row) + "\n";
  }
  writeFile("prices.csv", csv);
  const auto run = runRenderer("--table " + path("prices.csv") + " --output " +
                               quoted(path("out/{row}-{name}.bmp")) + " " + path("design.gyf"));
  EXPECT_EQ(run.first, 1);
  EXPECT_NE(run.second.find("line 26 (row 25): the picture \"" + path("missing.bmp")),
            std::string::npos)
      << run.second;
  EXPECT_NE(run.second.find("1 of 50 rows failed"), std::string::npos) << run.second;
  // Every row but the bad one has its picture, named by its row in the whole table.
  const auto expectEveryPictureButRow25 = [&] {
    for (int row = 1; row <= 50; ++row)
      EXPECT_EQ(
          fs::exists(path("out/" + std::to_string(row) + "-n" + std::to_string(row) + ".bmp")),
          row != 25)
          << row;
  };
  expectEveryPictureButRow25();
  // A row's picture is the picture --text makes.
  EXPECT_TRUE(loadBmpFile(path("out/3-n3.bmp")) ==
              expected({{1, "\xE2\x82\xAC 3,99 \xD7\x90"}}, path("other.bmp")));
  EXPECT_TRUE(loadBmpFile(path("out/4-n4.bmp")) == expected({{1, "\xE2\x82\xAC 4,99 \xD7\x90"}}));

  // Three processes sharing the table with --part make the same pictures, named by their row
  // in the whole table.
  fs::remove_all(folder / "out");
  for (int k = 1; k <= 3; ++k)
    EXPECT_EQ(
        runRenderer("--part " + std::to_string(k) + "/3 --table " + path("prices.csv") +
                    " --output " + quoted(path("out/{row}-{name}.bmp")) + " " + path("design.gyf"))
            .first,
        k == 25 % 3 ? 1 : 0);
  expectEveryPictureButRow25();
  EXPECT_TRUE(loadBmpFile(path("out/3-n3.bmp")) ==
              expected({{1, "\xE2\x82\xAC 3,99 \xD7\x90"}}, path("other.bmp")));
  EXPECT_EQ(
      runRenderer("--part 4/3 --table " + path("prices.csv") + " " + path("design.gyf")).first, 2);

  // --stop-on-error stops there.
  fs::remove_all(folder / "out");
  EXPECT_EQ(runRenderer("--stop-on-error --table " + path("prices.csv") + " --output " +
                        quoted(path("out/{row}-{name}.bmp")) + " " + path("design.gyf"))
                .first,
            1);
  EXPECT_TRUE(fs::exists(path("out/24-n24.bmp")));
  EXPECT_FALSE(fs::exists(path("out/26-n26.bmp")));
}

TEST_F(RenderProgramTest, QuotedFieldsLineBreaksOutputCellsAndBadRows) {
  // Row 1 spans lines 2 to 3; row 2 starts on line 4 and names its picture; row 3 (line 6,
  // after an empty line) has a cell in no column; row 4 asks the ASCII style for Cyrillic;
  // row 5 has an empty cell, which keeps the item's text, and a "/" in a placeholder.
  // Row 6 names its picture with a zero byte in it.
  static constexpr char kZeroInName[] = "a,b,\"x\0y.bmp\",g\r\n";
  writeFile("t.csv",
            "1,2,output,tag\r\n"
            "\"two\nlines, \"\"quoted\"\"\",Ann,,a\r\n"
            "x,Bob," +
                path("named.bmp") +
                ",b\r\n"
                "\r\n"
                "y,Cy,,c,surplus\r\n"
                "z,\xD0\x96,,d\r\n"
                ",,,e/f\r\n" +
                std::string(kZeroInName, sizeof kZeroInName - 1));
  const auto run = runRenderer("--table " + path("t.csv") + " --output " +
                               quoted(path("{row}{tag}.bmp")) + " " + path("design.gyf"));
  EXPECT_EQ(run.first, 1);
  EXPECT_NE(run.second.find("line 6 (row 3): cell 5 is in no column"), std::string::npos)
      << run.second;
  EXPECT_NE(run.second.find("line 7 (row 4): item 2: style kind 10001 draws only ASCII"),
            std::string::npos)
      << run.second;
  EXPECT_TRUE(loadBmpFile(path("1a.bmp")) == expected({{1, "two\nlines, \"quoted\""}, {2, "Ann"}}));
  EXPECT_TRUE(loadBmpFile(path("named.bmp")) == expected({{1, "x"}, {2, "Bob"}}));
  EXPECT_FALSE(fs::exists(path("3c.bmp")));
  EXPECT_FALSE(fs::exists(path("4d.bmp")));
  EXPECT_TRUE(loadBmpFile(path("5e_f.bmp")) == expected({}));
  EXPECT_NE(run.second.find("line 9 (row 6): the output name holds a zero byte"), std::string::npos)
      << run.second;
  EXPECT_FALSE(fs::exists(path("x")));

  // Tables refused whole: an item the project lacks, a placeholder naming no column, CSV
  // that is not valid.
  writeFile("bad1.csv", "1,7\na,b\n");
  writeFile("bad2.csv", "1\n\"a\"b\n");
  const auto item7 =
      runRenderer("--table " + path("bad1.csv") + " --output x.bmp " + path("design.gyf"));
  EXPECT_EQ(item7.first, 1);
  EXPECT_NE(item7.second.find("column \"7\" names an item the project does not have"),
            std::string::npos);
  const auto placeholder = runRenderer("--table " + path("t.csv") + " --output " +
                                       quoted(path("{nope}.bmp")) + " " + path("design.gyf"));
  EXPECT_NE(placeholder.second.find("placeholder {nope} names no column"), std::string::npos);
  const auto invalid =
      runRenderer("--table " + path("bad2.csv") + " --output x.bmp " + path("design.gyf"));
  EXPECT_EQ(invalid.first, 1);
  EXPECT_NE(invalid.second.find("line 2 is not valid CSV"), std::string::npos) << invalid.second;
}

TEST(CsvTable, KeepsFieldsAsWrittenAndKnowsTheLineOfEachRecord) {
  const std::vector<CsvRecord> records = parseCsv(
      "\xEF\xBB\xBF"
      "a, b ,\"c,d\"\n\n\"e\r\nf\",\"\"\n\"g\"\"h\"");
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].Line, 1);
  EXPECT_EQ(records[0].Cells, (std::vector<std::string>{"a", " b ", "c,d"}));
  EXPECT_EQ(records[1].Line, 3);
  EXPECT_EQ(records[1].Cells, (std::vector<std::string>{"e\r\nf", ""}));
  EXPECT_EQ(records[2].Line, 5);
  EXPECT_EQ(records[2].Cells, (std::vector<std::string>{"g\"h"}));
  EXPECT_THROW((void)parseCsv("a\n\"open\n"), Error);
}

}  // namespace
}  // namespace glyphon
