#include "engine/documents/HeifSizes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/Error.h"

namespace glyphon {
namespace {

using Bytes = std::vector<uint8_t>;

void put(Bytes& out, uint64_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out.push_back(uint8_t(value >> (8 * i)));
}

Bytes box(const char* type, const Bytes& body) {
  Bytes out;
  put(out, 8 + body.size(), 4);
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Bits written most significant first, as video headers hold them.
class BitWriter {
 public:
  void bits(uint64_t value, int count) {
    for (int i = count - 1; i >= 0; --i) {
      if (m_used % 8 == 0) m_bytes.push_back(0);
      m_bytes.back() |= uint8_t(((value >> i) & 1) << (7 - m_used % 8));
      ++m_used;
    }
  }
  void golomb(uint64_t value) {
    int length = 0;
    while ((value + 1) >> length) ++length;
    bits(0, length - 1);
    bits(value + 1, length);
  }
  Bytes bytes() {
    while (m_used % 8) bits(1, 1);
    return m_bytes;
  }

 private:
  Bytes m_bytes;
  int m_used = 0;
};

// An HEVC sequence parameter set NAL unit declaring width x height.
Bytes hevcSequenceParameterSet(uint64_t width, uint64_t height) {
  BitWriter w;
  w.bits(0, 4);                 // sps_video_parameter_set_id
  w.bits(0, 3);                 // sps_max_sub_layers_minus1
  w.bits(1, 1);                 // sps_temporal_id_nesting_flag
  w.bits(0x1600000000ull, 40);  // general profile: Main, compatibility flags
  w.bits(0xFFFFFFFFFFull, 48);  // constraint flags (no zero bytes to escape)
  w.bits(93, 8);                // general_level_idc
  w.golomb(0);                  // sps_seq_parameter_set_id
  w.golomb(1);                  // chroma_format_idc 4:2:0
  w.golomb(width);
  w.golomb(height);
  return Bytes{0x42, 0x01} + w.bytes();
}

// An AV1 sequence header OBU (a reduced still-picture header) declaring
// width x height.
Bytes av1SequenceHeader(uint64_t width, uint64_t height) {
  BitWriter w;
  w.bits(0, 3);   // seq_profile
  w.bits(1, 1);   // still_picture
  w.bits(1, 1);   // reduced_still_picture_header
  w.bits(8, 5);   // seq_level_idx
  w.bits(15, 4);  // frame_width_bits_minus_1
  w.bits(15, 4);  // frame_height_bits_minus_1
  w.bits(width - 1, 16);
  w.bits(height - 1, 16);
  const Bytes payload = w.bytes();
  return Bytes{0x0A, uint8_t(payload.size())} + payload;
}

Bytes hvcC(const Bytes& sps) {
  Bytes body(22, 0);
  body[0] = 1;
  body[21] = 3;          // four-byte NAL unit lengths
  body.push_back(1);     // one array
  body.push_back(0x21);  // of sequence parameter sets
  put(body, 1, 2);
  put(body, sps.size(), 2);
  return box("hvcC", body + sps);
}

// A HEIF file of one item of type, its data in the idat box, and the given
// properties.
Bytes heif(const char* type, const Bytes& data, const Bytes& properties = {}) {
  Bytes infe = {2, 0, 0, 0};
  put(infe, 1, 2);  // item_ID
  put(infe, 0, 2);  // item_protection_index
  infe.insert(infe.end(), type, type + 4);
  infe.push_back(0);  // no name
  Bytes iinf = {0, 0, 0, 0};
  put(iinf, 1, 2);
  Bytes iloc = {1, 0, 0, 0, 0x44, 0x00};  // version 1; 4-byte offsets and lengths
  put(iloc, 1, 2);                        // one item
  put(iloc, 1, 2);                        // item_ID
  put(iloc, 1, 2);                        // in the idat box
  put(iloc, 0, 2);                        // data_reference_index
  put(iloc, 1, 2);                        // one extent
  put(iloc, 0, 4);
  put(iloc, data.size(), 4);
  const Bytes meta = Bytes{0, 0, 0, 0} + box("iinf", iinf + box("infe", infe)) + box("iloc", iloc) +
                     box("idat", data) + box("iprp", box("ipco", properties));
  return box("ftyp", {'h', 'e', 'i', 'c', 0, 0, 0, 0}) + box("meta", meta);
}

std::string refusalOf(const Bytes& file) {
  try {
    checkHeifDeclaredSizes(file);
  } catch (const Error& e) {
    return e.what();
  }
  return "";
}

Bytes lengthPrefixed(const Bytes& nal) {
  Bytes out;
  put(out, nal.size(), 4);
  return out + nal;
}

TEST(HeifSizesTest, HevcParameterSetsAreHeldToTheLimits) {
  // In the decoder configuration and in the coded data.
  const Bytes small = hevcSequenceParameterSet(4032, 3024);
  EXPECT_EQ(refusalOf(heif("hvc1", lengthPrefixed(small), hvcC(small))), "");
  EXPECT_EQ(refusalOf(heif("hvc1", {}, hvcC(hevcSequenceParameterSet(40000, 40000)))),
            "The picture is too large (a part of it is 40000 x 40000 pixels)");
  EXPECT_EQ(
      refusalOf(heif("hvc1", lengthPrefixed(hevcSequenceParameterSet(200000, 8)), hvcC(small))),
      "The picture is too large (a part of it is 200000 x 8 pixels)");
  // Rounded up to whole coding blocks, a largest picture still passes.
  EXPECT_EQ(refusalOf(heif("hvc1", {}, hvcC(hevcSequenceParameterSet(65536 + 48, 2048)))), "");
}

TEST(HeifSizesTest, Av1SequenceHeadersAreHeldToTheLimits) {
  const Bytes small = av1SequenceHeader(4096, 3072);
  EXPECT_EQ(refusalOf(heif("av01", small, box("av1C", Bytes{0x81, 0, 0, 0} + small))), "");
  EXPECT_EQ(refusalOf(heif("av01", {},
                           box("av1C", Bytes{0x81, 0, 0, 0} + av1SequenceHeader(65536, 65536)))),
            "The picture is too large (a part of it is 65536 x 65536 pixels)");
  EXPECT_EQ(refusalOf(heif("av01", av1SequenceHeader(30000, 30000),
                           box("av1C", Bytes{0x81, 0, 0, 0} + small))),
            "The picture is too large (a part of it is 30000 x 30000 pixels)");
}

TEST(HeifSizesTest, GridAndOverlayCanvasesAreHeldToTheLimits) {
  // version, flags (bit 0: 32-bit sizes), rows - 1, columns - 1, width, height.
  EXPECT_EQ(refusalOf(heif("grid", {0, 0, 1, 1, 0x0F, 0xC0, 0x0B, 0xD0})), "");
  EXPECT_EQ(refusalOf(heif("grid", {0, 0, 1, 1, 0xFF, 0xFF, 0xFF, 0xFF})),
            "The picture is too large (a part of it is 65535 x 65535 pixels)");
  EXPECT_EQ(refusalOf(heif("grid", {0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 16})),
            "The picture is too large (a part of it is 65536 x 16 pixels)");
  // version, flags, four fill values, width, height.
  EXPECT_EQ(refusalOf(heif("iovl", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x01, 0x00, 0x01, 0x00})), "");
  EXPECT_EQ(
      refusalOf(heif("iovl", {0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x40, 0x48, 0, 0, 0xEF, 0x5B})),
      "The picture is too large (a part of it is 16456 x 61275 pixels)");
  // Too short to say: left to libheif, which refuses it.
  EXPECT_EQ(refusalOf(heif("iovl", {0, 0, 0, 0})), "");
}

TEST(HeifSizesTest, ItemsClaimingTheWholeFileOverAndOverAreRefused) {
  // Many items whose one extent (length 0: to the end) is the whole file.
  Bytes iinf = {0, 0, 0, 0};
  put(iinf, 100, 2);
  Bytes iloc = {1, 0, 0, 0, 0x44, 0x00};
  put(iloc, 100, 2);
  for (uint32_t id = 1; id <= 100; ++id) {
    Bytes infe = {2, 0, 0, 0};
    put(infe, id, 2);
    put(infe, 0, 2);
    infe.insert(infe.end(), {'h', 'v', 'c', '1', 0});
    iinf = iinf + box("infe", infe);
    put(iloc, id, 2);
    put(iloc, 0, 2);  // in the file
    put(iloc, 0, 2);
    put(iloc, 1, 2);
    put(iloc, 0, 4);
    put(iloc, 0, 4);
  }
  const Bytes file = box("ftyp", {'h', 'e', 'i', 'c', 0, 0, 0, 0}) +
                     box("meta", Bytes{0, 0, 0, 0} + box("iinf", iinf) + box("iloc", iloc));
  EXPECT_EQ(refusalOf(file).rfind("The HEIF picture is damaged", 0), 0u) << refusalOf(file);
}

}  // namespace
}  // namespace glyphon
