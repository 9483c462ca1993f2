#include "engine/documents/JpegCodec.h"

// jpeglib.h needs FILE and size_t declared before it.
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include <jpeglib.h>
// After jpeglib.h: the message codes depend on its configuration macros,
// and without them every code from JWRN_BOGUS_ICC on is off by two.
#include <jerror.h>

#include "engine/core/Error.h"
#include "engine/core/FileIO.h"

namespace glyphon {

namespace {

// libjpeg reports a fatal error by calling error_exit, which must not
// return. We longjmp out of it; so that no C++ destructor is ever skipped,
// every setjmp lives in one of the small C-style functions below, which hold
// only plain C data and call nothing but libjpeg.

// A progressive picture may hold any number of scans, each a full pass over
// the coefficients; real pictures have a dozen or so. Capping them keeps a
// small hostile file from keeping the decoder busy for minutes.
constexpr int kMaxScans = 1000;

constexpr int64_t kDecodeMaxPixels = Bitmap::kDecodeMaxPixels;

struct ErrorManager {
  jpeg_error_mgr pub;  // first, so that a j_common_ptr's err can be cast back
  jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
  // libjpeg's code of the failure and its first two numbers; code is -1
  // when the message is our own.
  int code;
  int parms[2];
};

void onErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  err->code = cinfo->err->msg_code;
  err->parms[0] = cinfo->err->msg_parm.i[0];
  err->parms[1] = cinfo->err->msg_parm.i[1];
  std::longjmp(err->jump, 1);
}

// libjpeg only warns about a truncated file or corrupt entropy data and then
// fills in grey; such a picture is refused instead. Warnings about metadata
// that does not affect the pixels are let through. Trace messages (level 0
// and above) are dropped.
void onEmitMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;
  const int code = cinfo->err->msg_code;
  if (code == JWRN_JFIF_MAJOR || code == JWRN_ADOBE_XFORM || code == JWRN_BOGUS_ICC) return;
  onErrorExit(cinfo);
}

void onProgress(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  auto* dinfo = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (dinfo->input_scan_number <= kMaxScans) return;
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  std::snprintf(err->message, sizeof err->message, "The JPEG picture has more than %d scans",
                kMaxScans);
  std::longjmp(err->jump, 1);
}

void initErrorManager(ErrorManager* err) {
  jpeg_std_error(&err->pub);
  err->pub.error_exit = onErrorExit;
  err->pub.emit_message = onEmitMessage;
  err->message[0] = '\0';
  err->code = -1;
}

// The failure in err in words a user understands, for pictures the user
// chose; libjpeg's own text stays in brackets where it is not plain enough.
std::string plainMessage(const ErrorManager& err) {
  switch (err.code) {
    case -1:
      return err.message;
    case JERR_NO_SOI: {
      char text[80];
      std::snprintf(text, sizeof text, "Not a JPEG picture (it starts with the bytes %02x %02x)",
                    err.parms[0] & 0xFF, err.parms[1] & 0xFF);
      return text;
    }
    case JERR_INPUT_EMPTY:
      return "The file is empty";
    case JERR_INPUT_EOF:
    case JWRN_JPEG_EOF:
      return "The JPEG picture is cut short";
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_MUST_RESYNC:
    case JWRN_EXTRANEOUS_DATA:
    case JWRN_NOT_SEQUENTIAL:
    case JERR_BAD_DCT_COEF:
      return "The JPEG picture's data is damaged";
    case JERR_SOF_UNSUPPORTED:
      return "This kind of JPEG picture (lossless or hierarchical) is not supported";
    case JERR_BAD_PRECISION:
      return "JPEG pictures with " + std::to_string(err.parms[0]) +
             " bits per sample are not supported";
    case JERR_EMPTY_IMAGE:
    case JERR_NO_IMAGE:
      return "The JPEG picture holds no picture";
    default:
      return std::string("The JPEG picture is damaged (") + err.message + ")";
  }
}

// The encoder writes straight into a vector whose capacity is reserved up
// front for the largest picture it is likely to make (address space only:
// pages are touched as the data arrives), so the data is normally never
// moved or copied. libjpeg's own memory destination doubles its buffer and
// copies it, and the result then has to be copied once more, which costs
// more than the encoding itself on a loaded machine.
struct VectorDestination {
  jpeg_destination_mgr pub;  // first, so that cinfo->dest can be cast back
  std::vector<uint8_t>* out;
};

constexpr size_t kDestinationStep = size_t(1) << 16;

// Makes room for kDestinationStep bytes after the first used ones. Out of
// memory is reported through libjpeg's error exit once nothing is left to
// unwind in this frame.
void growDestination(j_compress_ptr cinfo, size_t used) {
  auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
  bool outOfMemory = false;
  try {
    dest->out->resize(used + kDestinationStep);
  } catch (const std::bad_alloc&) {
    outOfMemory = true;
  }
  if (outOfMemory) ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
  dest->pub.next_output_byte = dest->out->data() + used;
  dest->pub.free_in_buffer = kDestinationStep;
}

void initVectorDestination(j_compress_ptr cinfo) { growDestination(cinfo, 0); }

// Called when the whole free space is used up.
boolean emptyVectorDestination(j_compress_ptr cinfo) {
  growDestination(cinfo, reinterpret_cast<VectorDestination*>(cinfo->dest)->out->size());
  return TRUE;
}

void termVectorDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
  dest->out->resize(dest->out->size() - dest->pub.free_in_buffer);
}

// Each returns 1 on success and 0 with err->message set on failure.

// keepMetadata keeps the APP1 (EXIF) and APP2 (ICC profile) segments.
int startDecompress(j_decompress_ptr cinfo, ErrorManager* err, const uint8_t* data, size_t size,
                    bool keepMetadata) {
  if (setjmp(err->jump)) return 0;
  jpeg_create_decompress(cinfo);
  jpeg_mem_src(cinfo, data, (unsigned long)size);
  if (keepMetadata) {
    jpeg_save_markers(cinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_save_markers(cinfo, JPEG_APP0 + 2, 0xFFFF);
  }
  jpeg_read_header(cinfo, TRUE);
  return 1;
}

// The ICC profile spread over the APP2 segments, or none (*profile null)
// when there is none or its pieces do not fit together. The profile is
// malloc'ed; the caller frees it.
int readIccProfile(j_decompress_ptr cinfo, ErrorManager* err, JOCTET** profile, unsigned* length) {
  *profile = nullptr;
  *length = 0;
  if (setjmp(err->jump)) return 0;
  if (!jpeg_read_icc_profile(cinfo, profile, length)) {
    *profile = nullptr;
    *length = 0;
  }
  return 1;
}

uint8_t mul255(unsigned a, unsigned b) { return uint8_t((a * b + 127) / 255); }

// One CMYK row to BGR. Adobe writes CMYK inverted (0 means full ink).
void cmykToBgr(const uint8_t* in, uint8_t* out, unsigned width, bool inverted) {
  for (unsigned x = 0; x < width; ++x, in += 4, out += 3) {
    unsigned c = in[0], m = in[1], y = in[2], k = in[3];
    if (!inverted) {
      c = 255 - c;
      m = 255 - m;
      y = 255 - y;
      k = 255 - k;
    }
    out[0] = mul255(y, k);
    out[1] = mul255(m, k);
    out[2] = mul255(c, k);
  }
}

// Where row y of the picture goes; asked for each row in turn.
using RowAt = uint8_t* (*)(void* context, unsigned y);
// Told every few rows how many rows of the picture are final.
using RowsDone = void (*)(void* context, unsigned rows);

// Decodes all rows to where rowAt says. cmykRow, when given, receives each
// CMYK row before it is converted.
int finishDecompress(j_decompress_ptr cinfo, ErrorManager* err, RowAt rowAt, uint8_t* cmykRow,
                     RowsDone rowsDone, void* context) {
  if (setjmp(err->jump)) return 0;
  jpeg_start_decompress(cinfo);
  if (cinfo->output_components != (cmykRow ? 4 : 3) || cinfo->output_width != cinfo->image_width ||
      cinfo->output_height != cinfo->image_height) {
    std::snprintf(err->message, sizeof err->message, "Unexpected JPEG decoder output layout");
    return 0;
  }
  while (cinfo->output_scanline < cinfo->output_height) {
    uint8_t* dest = rowAt(context, cinfo->output_scanline);
    JSAMPROW row = cmykRow ? cmykRow : dest;
    if (jpeg_read_scanlines(cinfo, &row, 1) != 1) {
      std::snprintf(err->message, sizeof err->message, "The JPEG decoder stopped early");
      return 0;
    }
    if (cmykRow) cmykToBgr(cmykRow, dest, cinfo->output_width, cinfo->saw_Adobe_marker);
    if (rowsDone && cinfo->output_scanline % 16 == 0) rowsDone(context, cinfo->output_scanline);
  }
  jpeg_finish_decompress(cinfo);
  return 1;
}

int compress(j_compress_ptr cinfo, ErrorManager* err, const uint8_t* pixels, unsigned width,
             unsigned height, size_t stride, jpeg_destination_mgr* destination) {
  if (setjmp(err->jump)) return 0;
  jpeg_create_compress(cinfo);
  cinfo->dest = destination;
  cinfo->image_width = width;
  cinfo->image_height = height;
  cinfo->input_components = 3;
  cinfo->in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(cinfo);
  jpeg_set_quality(cinfo, kJpegQuality, TRUE);
  jpeg_start_compress(cinfo, TRUE);
  while (cinfo->next_scanline < cinfo->image_height) {
    // libjpeg only reads the rows it is given.
    JSAMPROW row = const_cast<uint8_t*>(pixels + size_t(cinfo->next_scanline) * stride);
    jpeg_write_scanlines(cinfo, &row, 1);
  }
  jpeg_finish_compress(cinfo);
  return 1;
}

struct DecompressGuard {
  jpeg_decompress_struct* cinfo;
  ~DecompressGuard() { jpeg_destroy_decompress(cinfo); }
};

struct FreeGuard {
  void* memory;
  ~FreeGuard() { std::free(memory); }
};

// Decodes data; when picture is given, its pixels, ICC profile and EXIF
// block are filled in and failures are told in plain words.
// Decodes data; with picture, also hands over its profile and EXIF block,
// and with finishing, finishes the pixels (profile, orientation) while
// decoding them and clears both.
Bitmap decode(std::span<const uint8_t> data, DecodedPicture* picture, bool finishing = false) {
  const bool plain = picture != nullptr;
  jpeg_decompress_struct cinfo{};
  ErrorManager err;
  initErrorManager(&err);
  cinfo.err = &err.pub;
  DecompressGuard guard{&cinfo};
  auto fail = [&]() { return Error(plain ? plainMessage(err) : std::string(err.message)); };
  if (!startDecompress(&cinfo, &err, data.data(), data.size(), plain)) throw fail();
  if (picture) {
    JOCTET* profile = nullptr;
    unsigned length = 0;
    if (!readIccProfile(&cinfo, &err, &profile, &length)) throw fail();
    const FreeGuard profileGuard{profile};
    if (profile) picture->iccProfile.assign(profile, profile + length);
    static const uint8_t kExifHeader[] = {'E', 'x', 'i', 'f', 0, 0};
    for (jpeg_saved_marker_ptr m = cinfo.marker_list; m; m = m->next) {
      if (m->marker != JPEG_APP0 + 1 || m->data_length < sizeof kExifHeader ||
          std::memcmp(m->data, kExifHeader, sizeof kExifHeader) != 0)
        continue;
      picture->exif.assign(m->data + sizeof kExifHeader, m->data + m->data_length);
      break;  // the first one; any later one is not EXIF's
    }
  }

  bool cmyk = false;
  switch (cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
    case JCS_YCbCr:
    case JCS_RGB:
      cinfo.out_color_space = JCS_EXT_BGR;
      break;
    case JCS_CMYK:
    case JCS_YCCK:
      cinfo.out_color_space = JCS_CMYK;
      cmyk = true;
      break;
    default:
      throw Error("JPEG pictures with " + std::to_string(cinfo.num_components) +
                  " colour components are not supported");
  }

  // Before jpeg_start_decompress, which allocates the coefficient buffers of
  // progressive pictures.
  Bitmap::checkSize(cinfo.image_width, cinfo.image_height);
  if (int64_t(cinfo.image_width) * cinfo.image_height > kDecodeMaxPixels)
    throw Error("The picture is too large (" + std::to_string(cinfo.image_width) + " x " +
                std::to_string(cinfo.image_height) + " pixels)");
  jpeg_progress_mgr progress{};
  progress.progress_monitor = onProgress;
  cinfo.progress = &progress;

  std::unique_ptr<uint8_t[]> cmykRow;
  if (cmyk) cmykRow = std::make_unique<uint8_t[]>(size_t(cinfo.image_width) * 4);
  if (!finishing) {
    // The decoder writes every row or fails.
    Bitmap bitmap = Bitmap::uninitialized(int32_t(cinfo.image_width), int32_t(cinfo.image_height));
    const RowAt rowAt = [](void* context, unsigned y) {
      return static_cast<Bitmap*>(context)->row(int32_t(y));
    };
    if (!finishDecompress(&cinfo, &err, rowAt, cmykRow.get(), nullptr, &bitmap)) throw fail();
    return bitmap;
  }
  StreamingFinish streaming(int32_t(cinfo.image_width), int32_t(cinfo.image_height),
                            picture->iccProfile, orientationOf(picture->exif));
  const RowAt rowAt = [](void* context, unsigned y) {
    return static_cast<StreamingFinish*>(context)->rowToWrite(int32_t(y));
  };
  const RowsDone rowsDone = [](void* context, unsigned rows) {
    static_cast<StreamingFinish*>(context)->rowsDecoded(int32_t(rows));
  };
  if (!finishDecompress(&cinfo, &err, rowAt, cmykRow.get(), rowsDone, &streaming)) throw fail();
  picture->iccProfile.clear();
  picture->exif.clear();
  return streaming.finish();
}

}  // namespace

Bitmap decodeJpeg(std::span<const uint8_t> data) { return decode(data, nullptr); }

DecodedPicture decodeJpegPicture(std::span<const uint8_t> data) {
  DecodedPicture picture;
  picture.pixels = decode(data, &picture);
  return picture;
}

Bitmap decodeFinishedJpeg(std::span<const uint8_t> data) {
  DecodedPicture picture;
  return decode(data, &picture, true);
}

Bitmap loadJpegFile(const std::string& path) { return decodeJpeg(readWholeFile(path)); }

std::vector<uint8_t> encodeJpeg(const Bitmap& bitmap) {
  if (bitmap.isEmpty())
    throw Error("An empty picture (" + std::to_string(bitmap.width()) + " x " +
                std::to_string(bitmap.height()) + " pixels) cannot be stored as a JPEG picture");
  jpeg_compress_struct cinfo{};
  ErrorManager err;
  initErrorManager(&err);
  cinfo.err = &err.pub;
  // Quality 90 stays far below the size of the raw pixels.
  std::vector<uint8_t> out;
  out.reserve(bitmap.stride() * size_t(bitmap.height()) + kDestinationStep);
  VectorDestination destination{};
  destination.pub.init_destination = initVectorDestination;
  destination.pub.empty_output_buffer = emptyVectorDestination;
  destination.pub.term_destination = termVectorDestination;
  destination.out = &out;
  const int ok = compress(&cinfo, &err, bitmap.data(), unsigned(bitmap.width()),
                          unsigned(bitmap.height()), bitmap.stride(), &destination.pub);
  jpeg_destroy_compress(&cinfo);
  if (!ok) throw Error(err.message);
  return out;
}

void saveJpegFile(const std::string& path, const Bitmap& bitmap) {
  writeWholeFile(path, encodeJpeg(bitmap));
}

}  // namespace glyphon
