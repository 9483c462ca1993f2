// A picture as a decoder hands it over, before the loader finishes it for
// the canvas: colour pixels as the file stores them, the transparency, the
// colour profile and the EXIF block that says how the camera was held.
#pragma once

#include <climits>
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
// writing it: the decoder writes each row where rowToWrite says, top-down,
// and calls rowsDecoded as rows become final, and for pictures of a
// megapixel and more a second thread converts them to sRGB and turns them
// into place, so that on two cores finishing costs little beside decoding;
// once decoding is over, the decoding thread shares the rows still
// waiting. A picture that turns is then decoded into a ring of rows
// rather than a picture of its own, which saves memory and keeps the rows
// in the cache until they are turned; when the ring is full the decoding
// thread finishes rows itself. finish() gives what finishPicture gives.
// Destroying it unfinished (the decoder failed) stops the thread.
class StreamingFinish {
 public:
  // A width x height picture (of a valid size) with the ICC profile
  // iccProfile and the EXIF orientation orientation.
  StreamingFinish(int32_t width, int32_t height, const std::vector<uint8_t>& iccProfile,
                  int orientation);
  ~StreamingFinish();
  StreamingFinish(const StreamingFinish&) = delete;
  StreamingFinish& operator=(const StreamingFinish&) = delete;

  // Where the decoder writes row y (width * 3 bytes, blue, green, red),
  // asked for each row in turn from 0: rows [0, y) are then final. May
  // finish earlier rows, or wait for them, before it returns.
  [[nodiscard]] uint8_t* rowToWrite(int32_t y);
  // Rows [0, rows) are final. Cheap; call it every few rows.
  void rowsDecoded(int32_t rows);
  // Every row is decoded: waits for the rest of the work.
  [[nodiscard]] Bitmap finish();

 private:
  // Who holds a claim of rows.
  enum Finisher { kWorker = 0, kDecoder = 1 };
  void work();
  // Takes the next decoded rows not yet taken by either thread, [from, to),
  // never more than one band of kBandRows (claims never cross a multiple of
  // it); false when none are left (or the work is stopped). With
  // waitForRows, first waits until enough are decoded or decoding is over.
  // Called with m_mutex held (lock).
  bool claimRows(std::unique_lock<std::mutex>& lock, Finisher who, bool waitForRows, int32_t& from,
                 int32_t& to);
  // Finishes rows [from, to), claimed by who, and gives the claim back.
  void finishClaim(Finisher who, int32_t from, int32_t to);
  void finishRows(int32_t from, int32_t to);
  // Rows below this are finished (their ring rows may be written again).
  [[nodiscard]] int32_t finishedBelow() const;
  [[nodiscard]] uint8_t* sourceRow(int32_t y);

  static constexpr int32_t kBandRows = 64;

  int32_t m_width, m_height;
  int m_orientation;
  std::function<void(uint8_t*, size_t)> m_convert;     // empty when the colours stay
  std::shared_ptr<const MatrixShaperToSrgb> m_matrix;  // the tables of m_convert, if a matrix's
  // The decoded rows: the whole picture, or (m_ringRows above 0) the last
  // m_ringRows rows, row y in row y % m_ringRows.
  Bitmap m_pixels;
  int32_t m_ringRows = 0;
  Bitmap m_turned;
  // Rows below this may be written without asking; the decoding thread's own.
  int32_t m_writableBelow = 0;
  std::mutex m_mutex;
  std::condition_variable m_changed;  // more rows decoded, or stopped
  std::condition_variable m_freed;    // a claim was finished
  int32_t m_decoded = 0;
  int32_t m_claimed = 0;  // rows [0, m_claimed) are taken by one of the threads
  // The first row of the claim each finisher is working on, or none.
  static constexpr int32_t kNoClaim = INT32_MAX;
  int32_t m_working[2] = {kNoClaim, kNoClaim};
  bool m_stopped = false;
  std::thread m_worker;  // last: started once everything above is set
};

}  // namespace glyphon
