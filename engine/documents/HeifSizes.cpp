#include "engine/documents/HeifSizes.h"

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engine/core/Bitmap.h"
#include "engine/core/Error.h"

namespace glyphon {

namespace {

using Bytes = std::span<const uint8_t>;

constexpr uint32_t fourCc(const char (&name)[5]) {
  return uint32_t(uint8_t(name[0])) << 24 | uint32_t(uint8_t(name[1])) << 16 |
         uint32_t(uint8_t(name[2])) << 8 | uint32_t(uint8_t(name[3]));
}

// Big-endian whole numbers from a run of bytes. A read beyond the end
// gives 0 and leaves the reader failed.
class ByteReader {
 public:
  explicit ByteReader(Bytes bytes) : m_bytes(bytes) {}

  uint64_t read(size_t count) {
    if (!m_ok || m_bytes.size() - m_at < count) {
      m_ok = false;
      return 0;
    }
    uint64_t value = 0;
    for (size_t i = 0; i < count; ++i) value = value << 8 | m_bytes[m_at++];
    return value;
  }
  Bytes take(size_t count) {
    if (!m_ok || m_bytes.size() - m_at < count) {
      m_ok = false;
      return {};
    }
    const Bytes part = m_bytes.subspan(m_at, count);
    m_at += count;
    return part;
  }
  Bytes rest() const { return m_ok ? m_bytes.subspan(m_at) : Bytes(); }
  bool ok() const { return m_ok; }

 private:
  Bytes m_bytes;
  size_t m_at = 0;
  bool m_ok = true;
};

// Bits, most significant first, as video headers store them.
class BitReader {
 public:
  explicit BitReader(const std::vector<uint8_t>& bytes) : m_bytes(bytes) {}

  uint64_t bits(int count) {
    uint64_t value = 0;
    for (int i = 0; i < count; ++i) {
      if (m_at >= m_bytes.size() * 8) {
        m_ok = false;
        return 0;
      }
      value = value << 1 | ((m_bytes[m_at / 8] >> (7 - m_at % 8)) & 1);
      ++m_at;
    }
    return value;
  }
  // Exp-Golomb ue(v) of HEVC; AV1's uvlc() is the same code.
  uint64_t golomb() {
    int zeros = 0;
    while (m_ok && bits(1) == 0)
      if (++zeros > 32) m_ok = false;
    if (!m_ok) return 0;
    return (uint64_t(1) << zeros) - 1 + bits(zeros);
  }
  bool ok() const { return m_ok; }

 private:
  const std::vector<uint8_t>& m_bytes;
  size_t m_at = 0;
  bool m_ok = true;
};

struct Box {
  uint32_t type;
  Bytes body;
};

// The boxes one after another in data; a box that claims more than data
// holds ends the list.
std::vector<Box> boxesIn(Bytes data) {
  std::vector<Box> boxes;
  ByteReader reader(data);
  while (reader.ok() && !reader.rest().empty()) {
    const Bytes start = reader.rest();
    uint64_t size = reader.read(4);
    const auto type = uint32_t(reader.read(4));
    size_t header = 8;
    if (size == 1) {
      size = reader.read(8);
      header = 16;
    } else if (size == 0) {
      size = start.size();
    }
    if (!reader.ok() || size < header || size > start.size()) break;
    boxes.push_back({type, start.subspan(header, size_t(size) - header)});
    (void)reader.take(size_t(size) - header);
  }
  return boxes;
}

std::optional<Box> boxOf(const std::vector<Box>& boxes, uint32_t type) {
  for (const Box& box : boxes)
    if (box.type == type) return box;
  return std::nullopt;
}

[[noreturn]] void refuse(uint64_t width, uint64_t height) {
  throw Error("The picture is too large (a part of it is " + std::to_string(width) + " x " +
              std::to_string(height) + " pixels)");
}

// Coded sizes are rounded up to whole coding blocks (64 pixels at most);
// that much beyond the limits is allowed.
void checkCodedSize(uint64_t width, uint64_t height) {
  constexpr uint64_t kBlock = 64;
  const uint64_t side = uint64_t(Bitmap::kMaxSide) + kBlock;
  const uint64_t pixels = uint64_t(Bitmap::kDecodeMaxPixels);
  if (width > side || height > side || width * height > pixels + (width + height) * kBlock)
    refuse(width, height);
}

void checkCanvasSize(uint64_t width, uint64_t height) {
  if (width > uint64_t(Bitmap::kMaxSide) || height > uint64_t(Bitmap::kMaxSide) ||
      width * height > uint64_t(Bitmap::kDecodeMaxPixels))
    refuse(width, height);
}

// The payload of a NAL unit without its emulation prevention bytes (the 3
// of each 00 00 03).
std::vector<uint8_t> rbspOf(Bytes nal) {
  std::vector<uint8_t> out;
  out.reserve(std::min<size_t>(nal.size(), 256));
  int zeros = 0;
  // The size fields come early: 256 bytes hold them in any real set.
  for (size_t i = 0; i < nal.size() && out.size() < 256; ++i) {
    if (zeros >= 2 && nal[i] == 3) {
      zeros = 0;
      continue;
    }
    zeros = nal[i] == 0 ? zeros + 1 : 0;
    out.push_back(nal[i]);
  }
  return out;
}

// An HEVC NAL unit (with its two-byte header): when it is a sequence
// parameter set, its pic_width/height_in_luma_samples.
void checkHevcNal(Bytes nal) {
  constexpr int kSequenceParameterSet = 33;
  if (nal.size() < 3 || ((nal[0] >> 1) & 0x3F) != kSequenceParameterSet) return;
  const std::vector<uint8_t> rbsp = rbspOf(nal.subspan(2));
  BitReader bits(rbsp);
  bits.bits(4);  // sps_video_parameter_set_id
  const auto subLayers = int(bits.bits(3));
  bits.bits(1);  // sps_temporal_id_nesting_flag
  // profile_tier_level: the general profile (88 bits) and level (8).
  bits.bits(88);
  bits.bits(8);
  bool profilePresent[8] = {}, levelPresent[8] = {};
  for (int i = 0; i < subLayers; ++i) {
    profilePresent[i] = bits.bits(1) != 0;
    levelPresent[i] = bits.bits(1) != 0;
  }
  if (subLayers > 0)
    for (int i = subLayers; i < 8; ++i) bits.bits(2);
  for (int i = 0; i < subLayers; ++i) {
    if (profilePresent[i]) bits.bits(88);
    if (levelPresent[i]) bits.bits(8);
  }
  bits.golomb();                         // sps_seq_parameter_set_id
  if (bits.golomb() == 3) bits.bits(1);  // chroma_format_idc, separate_colour_plane_flag
  const uint64_t width = bits.golomb();
  const uint64_t height = bits.golomb();
  if (bits.ok()) checkCodedSize(width, height);
}

// An AV1 sequence header OBU's payload: its max_frame_width/height.
void checkAv1SequenceHeader(Bytes payload) {
  const std::vector<uint8_t> bytes(payload.begin(),
                                   payload.begin() + long(std::min<size_t>(payload.size(), 256)));
  BitReader bits(bytes);
  bits.bits(3);             // seq_profile
  bits.bits(1);             // still_picture
  if (bits.bits(1) != 0) {  // reduced_still_picture_header
    bits.bits(5);           // seq_level_idx[0]
  } else {
    bool decoderModel = false;
    int bufferDelayBits = 0;
    if (bits.bits(1) != 0) {                 // timing_info_present_flag
      bits.bits(32);                         // num_units_in_display_tick
      bits.bits(32);                         // time_scale
      if (bits.bits(1) != 0) bits.golomb();  // equal_picture_interval, num_ticks_per_picture
      decoderModel = bits.bits(1) != 0;      // decoder_model_info_present_flag
      if (decoderModel) {
        bufferDelayBits = int(bits.bits(5)) + 1;
        bits.bits(32);  // num_units_in_decoding_tick
        bits.bits(5);   // buffer_removal_time_length_minus_1
        bits.bits(5);   // frame_presentation_time_length_minus_1
      }
    }
    const bool displayDelay = bits.bits(1) != 0;
    const int points = int(bits.bits(5)) + 1;
    for (int i = 0; i < points && bits.ok(); ++i) {
      bits.bits(12);                            // operating_point_idc
      if (bits.bits(5) > 7) bits.bits(1);       // seq_level_idx, seq_tier
      if (decoderModel && bits.bits(1) != 0) {  // decoder_model_present_for_this_op
        bits.bits(bufferDelayBits);             // decoder_buffer_delay
        bits.bits(bufferDelayBits);             // encoder_buffer_delay
        bits.bits(1);                           // low_delay_mode_flag
      }
      if (displayDelay && bits.bits(1) != 0) bits.bits(4);
    }
  }
  const int widthBits = int(bits.bits(4)) + 1;
  const int heightBits = int(bits.bits(4)) + 1;
  const uint64_t width = bits.bits(widthBits) + 1;
  const uint64_t height = bits.bits(heightBits) + 1;
  if (bits.ok()) checkCodedSize(width, height);
}

// A run of AV1 OBUs, as an av1C box and an av01 item hold them.
void checkAv1Obus(Bytes obus) {
  constexpr int kSequenceHeader = 1;
  ByteReader reader(obus);
  while (reader.ok() && !reader.rest().empty()) {
    const auto header = uint8_t(reader.read(1));
    if (header & 0x04) reader.read(1);  // the extension byte
    uint64_t size = reader.rest().size();
    if (header & 0x02) {  // obu_has_size_field: leb128
      size = 0;
      for (int i = 0; i < 8; ++i) {
        const uint64_t byte = reader.read(1);
        size |= (byte & 0x7F) << (7 * i);
        if (!(byte & 0x80)) break;
      }
    }
    if (!reader.ok() || size > reader.rest().size()) return;
    const Bytes payload = reader.take(size_t(size));
    if (((header >> 3) & 0x0F) == kSequenceHeader) checkAv1SequenceHeader(payload);
  }
}

// An hvcC box's parameter sets.
void checkHvcC(Bytes body) {
  ByteReader reader(body);
  (void)reader.take(22);
  const auto arrays = int(reader.read(1));
  for (int a = 0; a < arrays && reader.ok(); ++a) {
    reader.read(1);  // completeness and NAL unit type; the unit's own header says it again
    const auto units = int(reader.read(2));
    for (int u = 0; u < units && reader.ok(); ++u)
      checkHevcNal(reader.take(size_t(reader.read(2))));
  }
}

// HEVC coded data as libheif hands it to its decoder: NAL units, each after
// a four-byte length.
void checkHevcData(Bytes data) {
  ByteReader reader(data);
  while (reader.ok() && !reader.rest().empty()) {
    const uint64_t length = reader.read(4);
    if (!reader.ok() || length > reader.rest().size()) return;
    checkHevcNal(reader.take(size_t(length)));
  }
}

struct Extent {
  uint64_t offset, length;
};
struct Location {
  int construction = 0;  // 0 in the file, 1 in the idat box, 2 in another item
  uint64_t base = 0;
  std::vector<Extent> extents;
};

std::map<uint32_t, Location> locationsOf(Bytes iloc) {
  std::map<uint32_t, Location> locations;
  ByteReader reader(iloc);
  const auto version = int(reader.read(4) >> 24);
  const auto sizes = reader.read(1), more = reader.read(1);
  const size_t offsetSize = sizes >> 4, lengthSize = sizes & 15, baseSize = more >> 4;
  const size_t indexSize = (version == 1 || version == 2) ? more & 15 : 0;
  for (const size_t s : {offsetSize, lengthSize, baseSize, indexSize})
    if (s != 0 && s != 4 && s != 8) return {};
  const uint64_t items = reader.read(version < 2 ? 2 : 4);
  for (uint64_t i = 0; i < items && reader.ok(); ++i) {
    const auto id = uint32_t(reader.read(version < 2 ? 2 : 4));
    Location location;
    if (version == 1 || version == 2) location.construction = int(reader.read(2) & 15);
    reader.read(2);  // data_reference_index
    location.base = reader.read(baseSize);
    const uint64_t extents = reader.read(2);
    for (uint64_t e = 0; e < extents && reader.ok(); ++e) {
      reader.read(indexSize);
      const uint64_t offset = reader.read(offsetSize);
      location.extents.push_back({offset, reader.read(lengthSize)});
    }
    if (reader.ok()) locations[id] = std::move(location);
  }
  return locations;
}

// An item's bytes: its extents one after another, at most limit of them.
// One extent is looked at where it lies; more are joined.
struct ItemBytes {
  std::vector<uint8_t> joined;
  Bytes bytes;
};

// The bytes of an item, or nothing when they lie outside the file or in
// another item. budget counts down the bytes handed out for all items: a
// damaged file whose thousands of items each claim the whole file would
// otherwise be looked through thousands of times.
std::optional<ItemBytes> itemBytes(const Location& location, Bytes file, Bytes idat, size_t limit,
                                   uint64_t& budget) {
  const Bytes source = location.construction == 0 ? file : idat;
  if (location.construction > 1) return std::nullopt;
  std::vector<Bytes> runs;
  size_t total = 0;
  for (const Extent& extent : location.extents) {
    const uint64_t start = location.base + extent.offset;
    if (start < location.base || start > source.size()) return std::nullopt;
    // A length of 0 means up to the end.
    const uint64_t length = extent.length == 0 ? source.size() - start : extent.length;
    if (length > source.size() - start) return std::nullopt;
    const size_t take = size_t(std::min<uint64_t>(length, limit - total));
    runs.push_back(source.subspan(size_t(start), take));
    total += take;
    if (total == limit) break;
  }
  if (total > budget)
    throw Error("The HEIF picture is damaged: its parts claim far more bytes than the file holds");
  budget -= total;
  ItemBytes item;
  if (runs.size() == 1) {
    item.bytes = runs.front();
    return item;
  }
  for (const Bytes run : runs) item.joined.insert(item.joined.end(), run.begin(), run.end());
  item.bytes = item.joined;
  return item;
}

// A grid's or overlay's canvas: version, flags (bit 0: 32-bit sizes), then
// for a grid the rows and columns, for an overlay four 16-bit fill values,
// then the output width and height.
void checkDerivedCanvas(Bytes data, bool overlay) {
  ByteReader reader(data);
  reader.read(1);
  const bool wide = (reader.read(1) & 1) != 0;
  (void)reader.take(overlay ? 8 : 2);
  const uint64_t width = reader.read(wide ? 4 : 2);
  const uint64_t height = reader.read(wide ? 4 : 2);
  if (reader.ok()) checkCanvasSize(width, height);
}

}  // namespace

void checkHeifDeclaredSizes(std::span<const uint8_t> file) {
  const std::optional<Box> meta = boxOf(boxesIn(file), fourCc("meta"));
  if (!meta || meta->body.size() < 4) return;
  const std::vector<Box> parts = boxesIn(meta->body.subspan(4));

  if (const std::optional<Box> iprp = boxOf(parts, fourCc("iprp")))
    if (const std::optional<Box> ipco = boxOf(boxesIn(iprp->body), fourCc("ipco")))
      for (const Box& property : boxesIn(ipco->body)) {
        if (property.type == fourCc("hvcC")) checkHvcC(property.body);
        if (property.type == fourCc("av1C") && property.body.size() > 4)
          checkAv1Obus(property.body.subspan(4));
      }

  // The item types (infe boxes of version 2 and 3).
  std::map<uint32_t, uint32_t> types;
  if (const std::optional<Box> iinf = boxOf(parts, fourCc("iinf"))) {
    ByteReader reader(iinf->body);
    const auto version = int(reader.read(4) >> 24);
    reader.read(version == 0 ? 2 : 4);
    for (const Box& infe : boxesIn(reader.rest())) {
      if (infe.type != fourCc("infe")) continue;
      ByteReader entry(infe.body);
      const auto entryVersion = int(entry.read(4) >> 24);
      if (entryVersion < 2) continue;
      const auto id = uint32_t(entry.read(entryVersion == 2 ? 2 : 4));
      entry.read(2);  // item_protection_index
      const auto type = uint32_t(entry.read(4));
      if (entry.ok()) types[id] = type;
    }
  }
  const std::optional<Box> iloc = boxOf(parts, fourCc("iloc"));
  if (!iloc) return;
  const std::optional<Box> idat = boxOf(parts, fourCc("idat"));
  const Bytes idatBody = idat ? idat->body : Bytes();
  // Each byte of a sound file belongs to one item or so.
  uint64_t budget = 4 * uint64_t(file.size()) + 4096;
  for (const auto& [id, location] : locationsOf(iloc->body)) {
    const auto type = types.find(id);
    if (type == types.end()) continue;
    if (type->second == fourCc("grid") || type->second == fourCc("iovl")) {
      // The canvas sizes come within the first 20 bytes.
      if (const auto item = itemBytes(location, file, idatBody, 20, budget))
        checkDerivedCanvas(item->bytes, type->second == fourCc("iovl"));
    } else if (type->second == fourCc("hvc1")) {
      if (const auto item = itemBytes(location, file, idatBody, file.size(), budget))
        checkHevcData(item->bytes);
    } else if (type->second == fourCc("av01")) {
      if (const auto item = itemBytes(location, file, idatBody, file.size(), budget))
        checkAv1Obus(item->bytes);
    }
  }
}

}  // namespace glyphon
