#include "engine/documents/PictureLoader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "engine/core/Error.h"
#include "engine/core/FileIO.h"
#include "engine/documents/BmpCodec.h"
#include "engine/documents/JpegCodec.h"

namespace glyphon {
namespace {

namespace fs = std::filesystem;

constexpr Color kWhite = 0xFFFFFF;

class PictureLoaderFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    m_dir = fs::temp_directory_path() / ("glyphon-loader-" + std::to_string(::getpid()));
    fs::create_directories(m_dir);
  }
  void TearDown() override { fs::remove_all(m_dir); }
  std::string path(const std::string& name) const { return (m_dir / name).string(); }

  static Bitmap picture() {
    Bitmap b(6, 4);
    fillRect(b, {0, 0, 3, 4}, rgb(200, 30, 30));
    return b;
  }
  fs::path m_dir;
};

TEST_F(PictureLoaderFiles, LoadsByExtension) {
  const Bitmap b = picture();
  for (const char* name : {"a.JpEg", "b.jpeg", "c.JPG"}) {
    saveJpegFile(path(name), b);
    const PictureLoadResult r = loadPicture(path(name), kWhite);
    ASSERT_TRUE(r.picture.has_value()) << name;
    EXPECT_TRUE(r.message.empty());
    EXPECT_EQ(r.picture->width(), 6);
    EXPECT_EQ(r.picture->height(), 4);
  }
  saveBmpFile(path("d.Bmp"), b);
  const PictureLoadResult r = loadPicture(path("d.Bmp"), kWhite);
  ASSERT_TRUE(r.picture.has_value());
  EXPECT_EQ(*r.picture, b);
}

TEST_F(PictureLoaderFiles, OtherExtensionsGiveTheFormatMessage) {
  const std::vector<uint8_t> jpeg = encodeJpeg(picture());
  fs::create_directories(m_dir / "pictures.jpg");
  for (const char* name : {"e.jpe", "f.gif", "pictures.jpg/plain"}) {
    writeWholeFile(path(name), jpeg);
    const PictureLoadResult r = loadPicture(path(name), kWhite);
    EXPECT_FALSE(r.picture.has_value()) << name;
    EXPECT_EQ(r.message,
              "Picture format must be bmp, jpg, jpeg, png, webp, tif, tiff, heic, heif or avif!")
        << name;
  }
}

TEST_F(PictureLoaderFiles, MissingFileGivesItsPathOnTheSecondLine) {
  for (const std::string& missing : {path("none.jpg"), path("pictures.bmp")}) {
    if (missing.ends_with(".bmp")) fs::create_directories(missing);  // a folder is no picture
    const PictureLoadResult r = loadPicture(missing, kWhite);
    EXPECT_FALSE(r.picture.has_value());
    const size_t cr = r.message.find('\r');
    ASSERT_NE(cr, std::string::npos);
    EXPECT_EQ(r.message.substr(0, cr), "Picture does not exists!");
    EXPECT_EQ(r.message.substr(cr + 1), missing);
  }
}

TEST_F(PictureLoaderFiles, ContentOfNoKnownFormatFailsInTheDecoderOfItsExtension) {
  const std::vector<uint8_t> text = {'h', 'e', 'l', 'l', 'o'};
  writeWholeFile(path("not-a-picture.bmp"), text);
  EXPECT_THROW(
      {
        try {
          (void)loadPicture(path("not-a-picture.bmp"), kWhite);
        } catch (const Error& e) {
          EXPECT_STREQ(e.what(), "'not-a-picture.bmp': Bitmap image is not valid");
          throw;
        }
      },
      Error);
  writeWholeFile(path("not-a-picture.jpg"), text);
  EXPECT_THROW((void)loadPicture(path("not-a-picture.jpg"), kWhite), Error);
}

// Every format is read by what the file holds; the name only has to carry an
// accepted extension.
TEST_F(PictureLoaderFiles, EveryFormatOpensByItsContentWhateverItsName) {
  if (!fs::exists("/usr/bin/convert")) GTEST_SKIP() << "no ImageMagick (see tools/setup.sh)";
  const Bitmap b = picture();
  saveBmpFile(path("source.bmp"), b);
  struct Case {
    const char* made;
    const char* convertOptions;
  };
  const Case cases[] = {{"p.png", ""},
                        {"w.webp", "-define webp:lossless=true"},
                        {"t.tif", "-compress lzw"},
                        {"j.jpg", ""}};
  for (const Case& c : cases) {
    const std::string made = path(c.made);
    ASSERT_EQ(std::system(("/usr/bin/convert " + path("source.bmp") + " " + c.convertOptions +
                           " " + made + " 2>/dev/null")
                              .c_str()),
              0)
        << c.made;
    for (const char* name : {"as-named", "misnamed.jpg", "misnamed.bmp", "misnamed.PNG"}) {
      const std::string file = std::string(name) == "as-named" ? made : path(name);
      if (file != made) fs::copy_file(made, file, fs::copy_options::overwrite_existing);
      const PictureLoadResult r = loadPicture(file, kWhite);
      ASSERT_TRUE(r.picture.has_value()) << c.made << " as " << name;
      if (std::string(c.made) == "j.jpg") {
        EXPECT_EQ(r.picture->width(), b.width());
        EXPECT_EQ(r.picture->height(), b.height());
      } else {
        EXPECT_EQ(*r.picture, b) << c.made << " as " << name;
      }
    }
  }
}

TEST_F(PictureLoaderFiles, TransparentPixelsShowTheCanvasColour) {
  if (!fs::exists("/usr/bin/convert")) GTEST_SKIP() << "no ImageMagick (see tools/setup.sh)";
  // Clear, 60 % opaque blue, opaque green.
  ASSERT_EQ(std::system(("/usr/bin/convert -size 1x1 xc:'rgba(255,0,0,0)' xc:'rgba(0,0,255,0.6)' "
                         "xc:'rgb(0,255,0)' +append -depth 8 PNG32:" +
                         path("clear.png"))
                            .c_str()),
            0);
  const Color canvas = rgb(200, 100, 50);
  const PictureLoadResult r = loadPicture(path("clear.png"), canvas);
  ASSERT_TRUE(r.picture.has_value());
  EXPECT_EQ(r.picture->pixel(0, 0), canvas);
  // 0.6 * 255 = 153: (c * 153 + bg * 102 + 127) / 255 per channel.
  EXPECT_EQ(r.picture->pixel(1, 0),
            rgb((200 * 102 + 127) / 255, (100 * 102 + 127) / 255, (255 * 153 + 50 * 102 + 127) / 255));
  EXPECT_EQ(r.picture->pixel(2, 0), rgb(0, 255, 0));
}

TEST_F(PictureLoaderFiles, ADecoderFailureNamesTheFile) {
  const std::vector<uint8_t> cutPng = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0};
  writeWholeFile(path("holiday.png"), cutPng);
  try {
    (void)loadPicture(path("holiday.png"), kWhite);
    ADD_FAILURE() << "a cut PNG was read";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "'holiday.png': The PNG picture is cut short");
  }
  const std::vector<uint8_t> notJpeg = {0xe9, 0x97, 0, 1};
  writeWholeFile(path("holiday.jpg"), notJpeg);
  try {
    (void)loadPicture(path("holiday.jpg"), kWhite);
    ADD_FAILURE() << "a JPEG without its marker was read";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()).rfind("'holiday.jpg': ", 0), 0u) << e.what();
  }
}

}  // namespace
}  // namespace glyphon
