#include "engine/documents/PictureLoader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "engine/core/Error.h"
#include "engine/core/FileIO.h"
#include "engine/documents/BmpCodec.h"
#include "engine/documents/JpegCodec.h"

namespace glyphon {
namespace {

namespace fs = std::filesystem;

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
    const PictureLoadResult r = loadPicture(path(name));
    ASSERT_TRUE(r.picture.has_value()) << name;
    EXPECT_TRUE(r.message.empty());
    EXPECT_EQ(r.picture->width(), 6);
    EXPECT_EQ(r.picture->height(), 4);
  }
  saveBmpFile(path("d.Bmp"), b);
  const PictureLoadResult r = loadPicture(path("d.Bmp"));
  ASSERT_TRUE(r.picture.has_value());
  EXPECT_EQ(*r.picture, b);
}

TEST_F(PictureLoaderFiles, OtherExtensionsGiveTheFormatMessage) {
  const std::vector<uint8_t> jpeg = encodeJpeg(picture());
  fs::create_directories(m_dir / "pictures.jpg");
  for (const char* name : {"e.jpe", "f.gif", "pictures.jpg/plain"}) {
    writeWholeFile(path(name), jpeg);
    const PictureLoadResult r = loadPicture(path(name));
    EXPECT_FALSE(r.picture.has_value()) << name;
    EXPECT_EQ(r.message, "Picture format must be bmp, jpeg or jpg!") << name;
  }
}

TEST_F(PictureLoaderFiles, MissingFileGivesItsPathOnTheSecondLine) {
  for (const std::string& missing : {path("none.jpg"), path("pictures.bmp")}) {
    if (missing.ends_with(".bmp")) fs::create_directories(missing);  // a folder is no picture
    const PictureLoadResult r = loadPicture(missing);
    EXPECT_FALSE(r.picture.has_value());
    const size_t cr = r.message.find('\r');
    ASSERT_NE(cr, std::string::npos);
    EXPECT_EQ(r.message.substr(0, cr), "Picture does not exists!");
    EXPECT_EQ(r.message.substr(cr + 1), missing);
  }
}

TEST_F(PictureLoaderFiles, ContentThatDoesNotMatchTheExtensionFailsInTheDecoder) {
  saveJpegFile(path("really-jpeg.bmp"), picture());
  EXPECT_THROW(
      {
        try {
          (void)loadPicture(path("really-jpeg.bmp"));
        } catch (const Error& e) {
          EXPECT_STREQ(e.what(), "Bitmap image is not valid");
          throw;
        }
      },
      Error);
  saveBmpFile(path("really-bmp.jpg"), picture());
  EXPECT_THROW((void)loadPicture(path("really-bmp.jpg")), Error);
}

}  // namespace
}  // namespace glyphon
