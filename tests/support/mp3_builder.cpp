#include "support/mp3_builder.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <stdexcept>

namespace kavrel::test {

namespace {

constexpr std::array<int, 16> kBitratesKbps{0,   32,  40,  48,  56,  64,  80,  96,
                                            112, 128, 160, 192, 224, 256, 320, 0};
constexpr std::array<int, 4> kSampleRatesHz{44100, 48000, 32000, 0};

constexpr size_t kNoData = std::numeric_limits<size_t>::max();

bool isMono(int channelMode) { return (channelMode & 3) == 3; }

// MSB-first bit writer over a fixed region of a byte vector.
class BitWriter {
 public:
  BitWriter(std::vector<uint8_t>& bytes, size_t start) : bytes_(bytes), bit_(start * 8) {}

  void put(uint32_t value, int width) {
    for (int i = width - 1; i >= 0; --i) {
      const size_t byte = bit_ / 8;
      const int shift = 7 - static_cast<int>(bit_ % 8);
      if ((value >> i) & 1U) {
        bytes_.at(byte) |= static_cast<uint8_t>(1U << shift);
      } else {
        bytes_.at(byte) &= static_cast<uint8_t>(~(1U << shift));
      }
      ++bit_;
    }
  }

 private:
  std::vector<uint8_t>& bytes_;
  size_t bit_;
};

class BitReader {
 public:
  BitReader(const std::vector<uint8_t>& bytes, size_t start) : bytes_(bytes), bit_(start * 8) {}

  uint32_t get(int width) {
    uint32_t value = 0;
    for (int i = 0; i < width; ++i) {
      const uint8_t byte = bytes_.at(bit_ / 8);
      value = (value << 1) | ((byte >> (7 - bit_ % 8)) & 1U);
      ++bit_;
    }
    return value;
  }

 private:
  const std::vector<uint8_t>& bytes_;
  size_t bit_;
};

// Layer III side information, granule by granule and channel by channel
// (long blocks, window_switching_flag 0). Only global_gain carries a value;
// everything else is zero, which makes an empty granule.
void writeSideInfo(std::vector<uint8_t>& frame, size_t start, int channelMode,
                   const std::array<uint8_t, 4>& gains) {
  const bool mono = isMono(channelMode);
  const int channels = mono ? 1 : 2;
  BitWriter w(frame, start);
  w.put(0, 9);              // main_data_begin
  w.put(0, mono ? 5 : 3);   // private_bits
  w.put(0, 4 * channels);   // scfsi
  int gainIndex = 0;
  for (int gr = 0; gr < 2; ++gr) {
    for (int ch = 0; ch < channels; ++ch) {
      w.put(0, 12);                      // part2_3_length
      w.put(0, 9);                       // big_values
      w.put(gains[gainIndex++], 8);      // global_gain
      w.put(0, 4);                       // scalefac_compress
      w.put(0, 1);                       // window_switching_flag
      w.put(0, 15);                      // table_select[3]
      w.put(0, 4);                       // region0_count
      w.put(0, 3);                       // region1_count
      w.put(0, 1);                       // preflag
      w.put(0, 1);                       // scalefac_scale
      w.put(0, 1);                       // count1table_select
    }
  }
}

size_t sideInfoStart(bool crc) { return crc ? 6 : 4; }

uint16_t computeFrameCrc(const std::vector<uint8_t>& bytes, size_t offset, int channelMode) {
  std::vector<uint8_t> covered{bytes.at(offset + 2), bytes.at(offset + 3)};
  const size_t start = offset + 6;
  const size_t length = static_cast<size_t>(sideInfoLength(channelMode));
  if (start + length > bytes.size()) throw std::invalid_argument("frame too short for its CRC");
  covered.insert(covered.end(), bytes.begin() + static_cast<std::ptrdiff_t>(start),
                 bytes.begin() + static_cast<std::ptrdiff_t>(start + length));
  return mpegCrc16(covered.data(), covered.size());
}

void storeCrc(std::vector<uint8_t>& frame, int channelMode) {
  const uint16_t crc = computeFrameCrc(frame, 0, channelMode);
  frame[4] = static_cast<uint8_t>(crc >> 8);
  frame[5] = static_cast<uint8_t>(crc & 0xFF);
}

void putBe32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.at(at + i) = static_cast<uint8_t>(value >> (24 - 8 * i));
}

void putBe16(std::vector<uint8_t>& bytes, size_t at, uint16_t value) {
  bytes.at(at) = static_cast<uint8_t>(value >> 8);
  bytes.at(at + 1) = static_cast<uint8_t>(value & 0xFF);
}

void putLe32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.at(at + i) = static_cast<uint8_t>(value >> (8 * i));
}

void appendText(std::vector<uint8_t>& bytes, const std::string& text) {
  bytes.insert(bytes.end(), text.begin(), text.end());
}

// Text cut or zero-padded to exactly `width` bytes.
void appendFixed(std::vector<uint8_t>& bytes, const std::string& text, size_t width) {
  for (size_t i = 0; i < width; ++i) {
    bytes.push_back(i < text.size() ? static_cast<uint8_t>(text[i]) : 0);
  }
}

uint32_t clampTo32(size_t value) {
  return value > 0xFFFFFFFFU ? 0xFFFFFFFFU : static_cast<uint32_t>(value);
}

int vbrTagLength(VbrKind kind) {
  // Xing/Info: marker, flags, frames, bytes, TOC. VBRI: marker, version,
  // delay, quality, bytes, frames, TOC entries, scale, entry size, frames/entry.
  return kind == VbrKind::Vbri ? 26 : 4 + 4 + 4 + 4 + 100;
}

}  // namespace

int bitrateKbps(int bitrateIndex) {
  if (bitrateIndex < 0 || bitrateIndex > 15) return 0;
  return kBitratesKbps[static_cast<size_t>(bitrateIndex)];
}

int sampleRateHz(int sampleRateIndex) {
  if (sampleRateIndex < 0 || sampleRateIndex > 3) return 0;
  return kSampleRatesHz[static_cast<size_t>(sampleRateIndex)];
}

int frameLength(int bitrateIndex, int sampleRateIndex, bool padding) {
  const int kbps = bitrateKbps(bitrateIndex);
  const int rate = sampleRateHz(sampleRateIndex);
  if (kbps == 0 || rate == 0) return -1;
  return static_cast<int>(static_cast<int64_t>(kbps) * 144000 / rate) + (padding ? 1 : 0);
}

int sideInfoLength(int channelMode) { return isMono(channelMode) ? 17 : 32; }

int sideInfoEnd(const FrameSpec& spec) {
  return static_cast<int>(sideInfoStart(spec.crc)) + sideInfoLength(spec.channelMode);
}

int builtFrameLength(const FrameSpec& spec) {
  const int minimum = sideInfoEnd(spec);
  if (bitrateKbps(spec.bitrateIndex) != 0) {
    // A frame with the invalid rate index 3 still gets a plausible size.
    const int rateIndex = sampleRateHz(spec.sampleRateIndex) == 0 ? 0 : spec.sampleRateIndex;
    return frameLength(spec.bitrateIndex, rateIndex, spec.padding);
  }
  if (spec.freeFormatLength == 0) return minimum;
  if (spec.freeFormatLength < minimum) {
    throw std::invalid_argument("freeFormatLength " + std::to_string(spec.freeFormatLength) +
                                " is shorter than the side information (" +
                                std::to_string(minimum) + " bytes)");
  }
  return spec.freeFormatLength;
}

std::array<uint8_t, 4> makeHeader(const FrameSpec& spec) {
  std::array<uint8_t, 4> h{};
  h[0] = 0xFF;
  h[1] = static_cast<uint8_t>(0xE0 | ((spec.versionCode & 3) << 3) | ((spec.layerCode & 3) << 1) |
                              (spec.crc ? 0 : 1));
  h[2] = static_cast<uint8_t>(((spec.bitrateIndex & 15) << 4) | ((spec.sampleRateIndex & 3) << 2) |
                              (spec.padding ? 2 : 0) | (spec.privateBit ? 1 : 0));
  h[3] = static_cast<uint8_t>(((spec.channelMode & 3) << 6) | ((spec.modeExtension & 3) << 4) |
                              (spec.copyright ? 8 : 0) | (spec.original ? 4 : 0) |
                              (spec.emphasis & 3));
  return h;
}

std::vector<uint8_t> makeFrame(const FrameSpec& spec) {
  std::vector<uint8_t> frame(static_cast<size_t>(builtFrameLength(spec)), 0);
  const auto header = makeHeader(spec);
  std::copy(header.begin(), header.end(), frame.begin());
  writeSideInfo(frame, sideInfoStart(spec.crc), spec.channelMode, spec.gains);
  if (spec.crc) storeCrc(frame, spec.channelMode);
  return frame;
}

std::array<uint8_t, 4> readGains(const std::vector<uint8_t>& bytes, size_t offset) {
  if (offset > bytes.size() || bytes.size() - offset < 4) {
    throw std::invalid_argument("readGains: no frame header at offset " + std::to_string(offset));
  }
  const bool crc = (bytes[offset + 1] & 1) == 0;
  const int mode = bytes[offset + 3] >> 6;
  const bool mono = isMono(mode);
  const size_t start = offset + sideInfoStart(crc);
  if (bytes.size() - offset < start - offset + static_cast<size_t>(sideInfoLength(mode))) {
    throw std::invalid_argument("readGains: frame at offset " + std::to_string(offset) +
                                " is shorter than its side information");
  }
  const int channels = mono ? 1 : 2;
  BitReader r(bytes, start);
  r.get(9);
  r.get(mono ? 5 : 3);
  r.get(4 * channels);
  std::array<uint8_t, 4> gains{};
  size_t gainIndex = 0;
  for (int gr = 0; gr < 2; ++gr) {
    for (int ch = 0; ch < channels; ++ch) {
      r.get(12);
      r.get(9);
      gains[gainIndex++] = static_cast<uint8_t>(r.get(8));
      r.get(4);
      r.get(1);   // window_switching_flag
      r.get(22);  // table_select + region counts, or block type + subblock gains
      r.get(3);   // preflag, scalefac_scale, count1table_select
    }
  }
  return gains;
}

uint16_t mpegCrc16(const uint8_t* data, size_t size) {
  uint16_t crc = 0xFFFF;
  for (size_t i = 0; i < size; ++i) {
    for (int bit = 7; bit >= 0; --bit) {
      const bool in = ((data[i] >> bit) & 1U) != 0;
      const bool top = (crc & 0x8000U) != 0;
      crc = static_cast<uint16_t>(crc << 1);
      if (in != top) crc ^= 0x8005;
    }
  }
  return crc;
}

bool crcMatches(const std::vector<uint8_t>& bytes, size_t offset) {
  if (offset > bytes.size() || bytes.size() - offset < 6) return false;
  if ((bytes[offset + 1] & 1) != 0) return false;  // no CRC present
  const int mode = bytes[offset + 3] >> 6;
  if (bytes.size() - offset < 6 + static_cast<size_t>(sideInfoLength(mode))) return false;
  const uint16_t stored = static_cast<uint16_t>((bytes[offset + 4] << 8) | bytes[offset + 5]);
  return stored == computeFrameCrc(bytes, offset, mode);
}

std::string vbrMarker(VbrKind kind) {
  switch (kind) {
    case VbrKind::Xing:
      return "Xing";
    case VbrKind::Info:
      return "Info";
    case VbrKind::Vbri:
      return "VBRI";
  }
  return "Xing";
}

int standardVbrTagOffset(const FrameSpec& spec, VbrKind kind) {
  return kind == VbrKind::Vbri ? 36 : sideInfoEnd(spec);
}

std::vector<uint8_t> makeVbrTagFrame(FrameSpec spec, VbrKind kind, uint32_t frames,
                                     uint32_t bytes, int tagOffset) {
  const int offset = tagOffset >= 0 ? tagOffset : standardVbrTagOffset(spec, kind);
  const int tagEnd = offset + vbrTagLength(kind);
  // A free-format tag frame without a given length is made just long enough.
  if (bitrateKbps(spec.bitrateIndex) == 0 && spec.freeFormatLength == 0) {
    spec.freeFormatLength = std::max(tagEnd, sideInfoEnd(spec));
  }
  std::vector<uint8_t> frame = makeFrame(spec);
  if (static_cast<size_t>(tagEnd) > frame.size()) {
    throw std::invalid_argument("VBR tag ending at " + std::to_string(tagEnd) +
                                " does not fit a frame of " + std::to_string(frame.size()) +
                                " bytes");
  }
  const auto at = static_cast<size_t>(offset);
  const std::string marker = vbrMarker(kind);
  std::copy(marker.begin(), marker.end(), frame.begin() + static_cast<std::ptrdiff_t>(at));
  if (kind == VbrKind::Vbri) {
    putBe16(frame, at + 4, 1);   // version
    putBe16(frame, at + 6, 0);   // delay
    putBe16(frame, at + 8, 75);  // quality
    putBe32(frame, at + 10, bytes);
    putBe32(frame, at + 14, frames);
    putBe16(frame, at + 18, 0);  // TOC entries
    putBe16(frame, at + 20, 1);  // TOC scale
    putBe16(frame, at + 22, 2);  // bytes per TOC entry
    putBe16(frame, at + 24, 0);  // frames per TOC entry
  } else {
    putBe32(frame, at + 4, 0x00000007);  // frames, bytes and TOC present
    putBe32(frame, at + 8, frames);
    putBe32(frame, at + 12, bytes);
    for (size_t i = 0; i < 100; ++i) frame[at + 16 + i] = static_cast<uint8_t>(i * 256 / 100);
  }
  // The tag may have been placed over the side information.
  if (spec.crc) storeCrc(frame, spec.channelMode);
  return frame;
}

std::array<uint8_t, 4> syncsafe(uint32_t value) {
  if (value > 0x0FFFFFFFU) throw std::invalid_argument("value too large for a syncsafe integer");
  return {static_cast<uint8_t>((value >> 21) & 0x7F), static_cast<uint8_t>((value >> 14) & 0x7F),
          static_cast<uint8_t>((value >> 7) & 0x7F), static_cast<uint8_t>(value & 0x7F)};
}

std::vector<uint8_t> toBytes(const std::string& text) { return {text.begin(), text.end()}; }

// ---------------------------------------------------------------------------
// Mp3Builder

void Mp3Builder::append(const std::vector<uint8_t>& block) {
  data_.insert(data_.end(), block.begin(), block.end());
  patchRiffSizes();
}

void Mp3Builder::appendFrame(const std::vector<uint8_t>& frame) {
  frameOffsets_.push_back(data_.size());
  append(frame);
}

void Mp3Builder::patchRiffSizes() {
  for (const RiffBlock& block : riffBlocks_) {
    putLe32(data_, block.start + 4, clampTo32(data_.size() - block.start - 8));
    if (block.dataStart != kNoData) {
      putLe32(data_, block.dataStart + 4, clampTo32(data_.size() - block.dataStart - 8));
    }
  }
}

Mp3Builder& Mp3Builder::frames(int count, const FrameSpec& spec) {
  if (count < 0) throw std::invalid_argument("negative frame count");
  if (count == 0) return *this;
  const std::vector<uint8_t> frame = makeFrame(spec);
  for (int i = 0; i < count; ++i) appendFrame(frame);
  return *this;
}

Mp3Builder& Mp3Builder::frame(const FrameSpec& spec) {
  appendFrame(makeFrame(spec));
  return *this;
}

Mp3Builder& Mp3Builder::vbrTag(VbrKind kind, const FrameSpec& spec, uint32_t frames,
                               uint32_t bytes) {
  appendFrame(makeVbrTagFrame(spec, kind, frames, bytes));
  return *this;
}

Mp3Builder& Mp3Builder::raw(std::vector<uint8_t> bytes) {
  append(bytes);
  return *this;
}

Mp3Builder& Mp3Builder::raw(const std::string& text) {
  append(toBytes(text));
  return *this;
}

Mp3Builder& Mp3Builder::zeros(size_t n) {
  append(std::vector<uint8_t>(n, 0));
  return *this;
}

Mp3Builder& Mp3Builder::id3v2(int major, int revision, uint8_t flags, std::vector<uint8_t> body,
                              bool writeFooter) {
  const auto size = syncsafe(clampTo32(body.size()));
  auto fields = [&](const char* id) {
    std::vector<uint8_t> out = toBytes(id);
    out.push_back(static_cast<uint8_t>(major & 0xFF));
    out.push_back(static_cast<uint8_t>(revision & 0xFF));
    out.push_back(flags);
    out.insert(out.end(), size.begin(), size.end());
    return out;
  };
  std::vector<uint8_t> block = fields("ID3");
  block.insert(block.end(), body.begin(), body.end());
  if (writeFooter) {
    const auto footer = fields("3DI");
    block.insert(block.end(), footer.begin(), footer.end());
  }
  append(block);
  return *this;
}

Mp3Builder& Mp3Builder::id3v2Frames(
    int major, const std::vector<std::pair<std::string, std::string>>& textFields,
    size_t padding) {
  if (major < 2 || major > 4) {
    throw std::invalid_argument("id3v2Frames: major version " + std::to_string(major));
  }
  const size_t idLength = major == 2 ? 3 : 4;
  std::vector<uint8_t> body;
  for (const auto& [id, text] : textFields) {
    if (id.size() != idLength) {
      throw std::invalid_argument("id3v2Frames: frame id \"" + id + "\" for version 2." +
                                  std::to_string(major));
    }
    const size_t contentSize = 1 + text.size();  // encoding byte + text
    appendText(body, id);
    if (major == 2) {
      if (contentSize > 0xFFFFFF) throw std::invalid_argument("id3v2Frames: text too long");
      body.push_back(static_cast<uint8_t>(contentSize >> 16));
      body.push_back(static_cast<uint8_t>(contentSize >> 8));
      body.push_back(static_cast<uint8_t>(contentSize));
    } else {
      std::array<uint8_t, 4> size{};
      if (major == 4) {
        size = syncsafe(clampTo32(contentSize));
      } else {
        const uint32_t v = clampTo32(contentSize);
        size = {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16),
                static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
      }
      body.insert(body.end(), size.begin(), size.end());
      body.push_back(0);  // flags
      body.push_back(0);
    }
    body.push_back(0);  // ISO-8859-1
    appendText(body, text);
  }
  body.insert(body.end(), padding, 0);
  return id3v2(major, 0, 0, std::move(body));
}

Mp3Builder& Mp3Builder::riff(size_t dataOffset, bool withData) {
  if (dataOffset < 12) throw std::invalid_argument("riff: dataOffset below 12");
  // "RIFF" size "WAVE", then an MPEG Layer III format chunk; it is cut or
  // extended with zeros so that the next chunk starts at dataOffset.
  std::vector<uint8_t> block = toBytes("RIFF");
  block.insert(block.end(), 4, 0);
  appendText(block, "WAVE");
  appendText(block, "fmt ");
  const size_t fmtSize = dataOffset >= 20 ? dataOffset - 20 : 0;
  block.insert(block.end(), 4, 0);
  putLe32(block, 16, clampTo32(fmtSize));
  const std::vector<uint8_t> fmt{0x55, 0x00,               // format tag: MPEG Layer III
                                 0x02, 0x00,               // channels
                                 0x44, 0xAC, 0x00, 0x00,   // 44100 Hz
                                 0x80, 0x3E, 0x00, 0x00,   // 16000 bytes/s
                                 0x01, 0x00,               // block align
                                 0x00, 0x00};              // bits per sample
  block.insert(block.end(), fmt.begin(), fmt.end());
  block.resize(dataOffset, 0);
  appendText(block, withData ? "data" : "fact");
  block.insert(block.end(), 4, 0);

  const size_t start = data_.size();
  riffBlocks_.push_back({start, withData ? start + dataOffset : kNoData});
  append(block);
  return *this;
}

Mp3Builder& Mp3Builder::lyrics3v1(const std::string& text) {
  append(toBytes("LYRICSBEGIN" + text + "LYRICSEND"));
  return *this;
}

Mp3Builder& Mp3Builder::lyrics3v2(const std::string& fieldsText) {
  const std::string content = "LYRICSBEGIN" + fieldsText;
  if (content.size() > 999999) throw std::invalid_argument("lyrics3v2: block too large");
  char size[8];
  std::snprintf(size, sizeof size, "%06zu", content.size());
  append(toBytes(content + size + "LYRICS200"));
  return *this;
}

Mp3Builder& Mp3Builder::id3v1(const std::string& title, const std::string& artist,
                              const std::string& album, const std::string& year,
                              const std::string& comment, int track, uint8_t genre) {
  if (track > 255) throw std::invalid_argument("id3v1: track above 255");
  std::vector<uint8_t> tag = toBytes("TAG");
  appendFixed(tag, title, 30);
  appendFixed(tag, artist, 30);
  appendFixed(tag, album, 30);
  appendFixed(tag, year, 4);
  if (track < 0) {
    appendFixed(tag, comment, 30);
  } else {
    appendFixed(tag, comment, 28);
    tag.push_back(0);
    tag.push_back(static_cast<uint8_t>(track));
  }
  tag.push_back(genre);
  append(tag);
  return *this;
}

}  // namespace kavrel::test
