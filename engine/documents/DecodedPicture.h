// A picture as a decoder hands it over, before the loader finishes it for
// the canvas: colour pixels as the file stores them, the transparency, the
// colour profile and the EXIF block that says how the camera was held.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/core/Bitmap.h"
#include "engine/core/Geometry.h"

namespace glyphon {

class MatrixShaperToSrgb;

struct DecodedPicture {
  // The colour of every pixel, in the file's own colour space and the
  // file's own row order turned top-down (orientation not yet applied).
  Bitmap pixels;
  // One opacity byte per pixel (0 transparent, 255 opaque), rows top-down
  // like pixels; empty when the picture has no transparency.
  std::vector<uint8_t> alpha;
  // The embedded ICC profile, empty when the file carries none (the
  // picture is then taken as sRGB).
  std::vector<uint8_t> iccProfile;
  // The EXIF block (TIFF header onwards, as in a JPEG APP1 segment after
  // "Exif\0\0"), empty when the file carries none.
  std::vector<uint8_t> exif;
};

// How a picture without an ICC profile describes its colours instead, as
// HEIF and AVIF files do: the CIE x, y chromaticities of its red, green and
// blue primaries and of its white, and the curve from its values to light.
struct Chromaticities {
  double redX, redY, greenX, greenY, blueX, blueY, whiteX, whiteY;
};
enum class TransferCurve { Srgb, Linear, Gamma22, Gamma28 };

// An ICC profile (matrix and curves) for those colours, made by Little CMS;
// empty when the chromaticities do not make a profile.
[[nodiscard]] std::vector<uint8_t> rgbProfileOf(const Chromaticities& colours, TransferCurve curve);

// The picture ready for the canvas: its colours converted from the embedded
// ICC profile to sRGB, its transparent pixels composed over background
// ("Color" of the canvas settings), then turned as the EXIF orientation
// says. A profile or EXIF block that cannot be read is ignored: the picture
// is then taken as sRGB, upright. Consumes picture.pixels.
[[nodiscard]] Bitmap finishPicture(DecodedPicture&& picture, Color background);

// Composes pixels over background where alpha (one byte per pixel, same
// layout as pixels) is below 255: out = (c * a + bg * (255 - a) + 127) / 255.
void composeOverBackground(Bitmap& pixels, const std::vector<uint8_t>& alpha, Color background);

// Converts pixels from the colours of the RGB or grey ICC profile to sRGB,
// perceptual intent (relative colorimetric for the usual matrix profiles,
// which have no perceptual tables). Returns false and leaves the pixels
// alone when the profile cannot be read or describes other colours (CMYK
// pictures are made RGB by their decoder).
bool convertToSrgb(Bitmap& pixels, const std::vector<uint8_t>& iccProfile);

// The orientation in an EXIF block (TIFF header onwards): 1 to 8 as the
// Orientation tag of its first directory says; 1 when the block is empty,
// damaged, has no such tag or gives a value outside 1 to 8.
[[nodiscard]] int orientationOf(const std::vector<uint8_t>& exif);

// The picture as it is to be seen when its EXIF orientation is orientation:
// 1 unchanged, 2 mirrored left to right, 3 turned half round, 4 mirrored top
// to bottom, 5 mirrored about the top-left to bottom-right diagonal, 6 turned
// a quarter clockwise, 7 mirrored about the other diagonal, 8 turned a
// quarter anticlockwise. Any other value leaves the picture unchanged.
[[nodiscard]] Bitmap applyOrientation(Bitmap picture, int orientation);

// Finishes a picture without transparency while its decoder is still
// writing it: the decoder fills pixels top-down and calls rowsDecoded as
// rows become final, and for pictures of a megapixel and more a second
// thread converts them to sRGB and turns them into place, so that on two
// cores finishing costs little beside decoding; once decoding is over, the
// decoding thread shares the rows still waiting. finish() gives what
// finishPicture gives. Destroying it unfinished (the decoder failed) stops
// the thread. pixels must outlive it and keep its size.
class StreamingFinish {
 public:
  StreamingFinish(Bitmap& pixels, const std::vector<uint8_t>& iccProfile, int orientation);
  ~StreamingFinish();
  StreamingFinish(const StreamingFinish&) = delete;
  StreamingFinish& operator=(const StreamingFinish&) = delete;

  // Rows [0, rows) of pixels are final. Cheap; call it every few rows.
  void rowsDecoded(int32_t rows);
  // Every row is decoded: waits for the rest of the work.
  [[nodiscard]] Bitmap finish();

 private:
  void work();
  // Takes the next decoded rows not yet taken by either thread, [from, to);
  // false when none are left (or the work is stopped). With waitForBand,
  // first waits until a band of them is decoded or decoding is over.
  bool claimRows(bool waitForBand, int32_t& from, int32_t& to);
  void finishRows(int32_t from, int32_t to);

  Bitmap& m_pixels;
  int m_orientation;
  std::function<void(uint8_t*, size_t)> m_convert;     // empty when the colours stay
  std::shared_ptr<const MatrixShaperToSrgb> m_matrix;  // the tables of m_convert, if a matrix's
  Bitmap m_turned;
  std::mutex m_mutex;
  std::condition_variable m_changed;
  int32_t m_decoded = 0;
  int32_t m_claimed = 0;  // rows [0, m_claimed) are taken by one of the threads
  bool m_stopped = false;
  std::thread m_worker;  // last: started once everything above is set
};

}  // namespace glyphon
