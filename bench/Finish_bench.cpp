// Finishing a 24-megapixel (6000 x 4000) photo against decoding it: the JPEG
// decode, the quarter turn of EXIF orientation 6, the conversion from an
// Adobe RGB profile to sRGB, decode plus finishing one after the other, and
// decode with the finishing alongside (the loader's way for JPEG). Finishing
// should add at most 15 % to the decode. The decode and the finishing
// alongside also give the processor time of all threads (CPU column): on a
// busy machine the wall clock waits for a processor, and with two idle
// cores the alongside time is about the larger of the decode's time and
// half of all the work.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "bench/Photo.h"
#include "engine/core/FileIO.h"
#include "engine/documents/DecodedPicture.h"
#include "engine/documents/JpegCodec.h"

namespace glyphon::bench {
namespace {

constexpr int32_t kWidth = 6000, kHeight = 4000;

const std::vector<uint8_t>& jpeg() {
  static const std::vector<uint8_t> bytes = encodeJpeg(syntheticPhoto(kWidth, kHeight));
  return bytes;
}

const std::vector<uint8_t>& adobeRgb() {
  static const std::vector<uint8_t> profile =
      readWholeFile("/usr/share/color/icc/compatibleWithAdobeRGB1998.icc");
  return profile;
}

// An EXIF block (little-endian TIFF header, one directory) saying
// orientation 6, as a phone held upright writes it.
std::vector<uint8_t> exifTurnedClockwise() {
  return {'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x12, 0x01, 3, 0, 1, 0, 0, 0, 6, 0, 0, 0, 0, 0, 0, 0};
}

void BM_DecodeJpeg24MP(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(decodeJpegPicture(jpeg()));
}
BENCHMARK(BM_DecodeJpeg24MP)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

void BM_Orientation6_24MP(benchmark::State& state) {
  Bitmap picture = decodeJpeg(jpeg());
  for (auto _ : state) picture = applyOrientation(std::move(picture), 6);
}
BENCHMARK(BM_Orientation6_24MP)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_AdobeRgbToSrgb24MP(benchmark::State& state) {
  Bitmap picture = decodeJpeg(jpeg());
  for (auto _ : state) benchmark::DoNotOptimize(convertToSrgb(picture, adobeRgb()));
}
BENCHMARK(BM_AdobeRgbToSrgb24MP)->Unit(benchmark::kMillisecond)->UseRealTime();

// The conversion's cost per pixel on one thread: a megapixel less one row
// is converted on the calling thread alone; read the CPU column.
void BM_AdobeRgbToSrgbOneThread(benchmark::State& state) {
  Bitmap picture = decodeJpeg(jpeg());
  Bitmap part(1000, 1000);
  for (int32_t y = 0; y < part.height(); ++y)
    std::copy_n(picture.row(y), size_t(part.width()) * 3, part.row(y));
  for (auto _ : state) benchmark::DoNotOptimize(convertToSrgb(part, adobeRgb()));
  state.SetItemsProcessed(state.iterations() * int64_t(part.width()) * part.height());
}
BENCHMARK(BM_AdobeRgbToSrgbOneThread)->Unit(benchmark::kMillisecond);

// What a loader does with a phone photo: decode, then the profile, the
// transparency (none) and the orientation.
void BM_DecodeAndFinish24MP(benchmark::State& state) {
  for (auto _ : state) {
    DecodedPicture picture = decodeJpegPicture(jpeg());
    picture.iccProfile = adobeRgb();
    picture.exif = exifTurnedClockwise();
    benchmark::DoNotOptimize(finishPicture(std::move(picture), 0));
  }
}
BENCHMARK(BM_DecodeAndFinish24MP)->Unit(benchmark::kMillisecond)->UseRealTime();

// The photo with an APP1 EXIF segment saying orientation (none for 1) and,
// when profiled, an APP2 segment with the Adobe RGB profile after the SOI.
std::vector<uint8_t> taggedJpeg(bool profiled, int orientation) {
  std::vector<uint8_t> tagged(jpeg().begin(), jpeg().begin() + 2);
  if (orientation != 1) {
    std::vector<uint8_t> exif = exifTurnedClockwise();
    exif[18] = uint8_t(orientation);
    const size_t exifLength = 2 + 6 + exif.size();
    tagged.insert(tagged.end(), {0xFF, 0xE1, uint8_t(exifLength >> 8), uint8_t(exifLength)});
    tagged.insert(tagged.end(), {'E', 'x', 'i', 'f', 0, 0});
    tagged.insert(tagged.end(), exif.begin(), exif.end());
  }
  if (profiled) {
    const size_t iccLength = 2 + 14 + adobeRgb().size();
    tagged.insert(tagged.end(), {0xFF, 0xE2, uint8_t(iccLength >> 8), uint8_t(iccLength)});
    const char kIcc[] = "ICC_PROFILE\0\1\1";
    tagged.insert(tagged.end(), kIcc, kIcc + 14);
    tagged.insert(tagged.end(), adobeRgb().begin(), adobeRgb().end());
  }
  tagged.insert(tagged.end(), jpeg().begin() + 2, jpeg().end());
  return tagged;
}

// The same, as the loader does it for JPEG: the rows are finished on a
// second thread while later rows are decoded. Argument 1: with the Adobe
// RGB profile; 0: an sRGB phone photo, only turned.
void BM_DecodeFinishingAlongside24MP(benchmark::State& state) {
  const std::vector<uint8_t> tagged = taggedJpeg(state.range(0) != 0, 6);
  for (auto _ : state) benchmark::DoNotOptimize(decodeFinishedJpeg(tagged));
}
BENCHMARK(BM_DecodeFinishingAlongside24MP)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("profile")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
// The same with the processor time of the decoding thread alone (CPU
// column): with two idle cores the wall clock follows it whenever the
// finishing thread keeps up, so it is the figure to hold against the
// decode alone on a busy machine.
BENCHMARK(BM_DecodeFinishingAlongside24MP)
    ->Name("BM_DecodeFinishingAlongside24MP/decoding_thread")
    ->Arg(0)
    ->Arg(1)
    ->ArgName("profile")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// An Adobe RGB photo that stands upright: converted alongside, in place.
void BM_DecodeProfileAlongside24MP(benchmark::State& state) {
  const std::vector<uint8_t> tagged = taggedJpeg(true, 1);
  for (auto _ : state) benchmark::DoNotOptimize(decodeFinishedJpeg(tagged));
}
BENCHMARK(BM_DecodeProfileAlongside24MP)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

}  // namespace
}  // namespace glyphon::bench

BENCHMARK_MAIN();
