#include "support/mp3_builder.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace kavrel::test {

namespace {

bool isMono(int channelMode) { return (channelMode & 3) == 3; }
bool isMpeg1(int versionCode) { return (versionCode & 3) == 3; }
size_t sideInfoStart(bool crc) { return crc ? 6 : 4; }
size_t sideInfoLength(int channelMode, int versionCode) {
  return isMpeg1(versionCode) ? (isMono(channelMode) ? 17 : 32) : (isMono(channelMode) ? 9 : 17);
}
size_t gainCount(int channelMode, int versionCode) {
  return (isMono(channelMode) ? 1u : 2u) * (isMpeg1(versionCode) ? 2u : 1u);
}

// Bit position of global_gain k in the side information. MPEG-1: main_data_begin (9 bits), private bits (5
// mono, else 3) and scfsi (4 a channel) come first, then 59 bits a granule and channel, each part2_3_length
// (12), big_values (9), global_gain (8) and 30 bits of region and table fields. MPEG-2 and 2.5: one granule,
// main_data_begin (8), private bits (1 mono, else 2), then 63 bits a channel (scalefac_compress has 9 bits,
// no preflag).
size_t gainBit(int channelMode, int versionCode, size_t k) {
  if (isMpeg1(versionCode)) return (isMono(channelMode) ? 18 : 20) + 59 * k + 21;
  return (isMono(channelMode) ? 9 : 10) + 63 * k + 21;
}

uint8_t getByteAt(const std::vector<uint8_t>& b, size_t bit) {
  return uint8_t(b.at(bit / 8) << bit % 8 | (bit % 8 ? b.at(bit / 8 + 1) >> (8 - bit % 8) : 0));
}
void putByteAt(std::vector<uint8_t>& b, size_t bit, uint8_t value) {
  for (size_t i = 0; i < 8; ++i, ++bit) {
    const auto mask = uint8_t(0x80 >> bit % 8);
    b.at(bit / 8) = uint8_t((value << i) & 0x80 ? b[bit / 8] | mask : b[bit / 8] & ~mask);
  }
}

// CRC-16 (polynomial 0x8005, start 0xFFFF) over header bytes 2-3 and the side
// information, stored after the header.
void storeCrc(std::vector<uint8_t>& frame, int channelMode, int versionCode) {
  uint16_t crc = 0xFFFF;
  auto feed = [&](uint8_t byte) {
    for (int bit = 7; bit >= 0; --bit) {
      const bool top = crc & 0x8000;
      crc = uint16_t(crc << 1);
      if (bool(byte >> bit & 1) != top) crc ^= 0x8005;
    }
  };
  feed(frame.at(2));
  feed(frame.at(3));
  for (size_t i = 6; i < 6 + sideInfoLength(channelMode, versionCode); ++i) feed(frame.at(i));
  frame[4] = uint8_t(crc >> 8);
  frame[5] = uint8_t(crc);
}

void putBe(std::vector<uint8_t>& b, size_t at, uint32_t value, int width) {
  for (int i = 0; i < width; ++i) b.at(at + size_t(i)) = uint8_t(value >> (8 * (width - 1 - i)));
}

// Text cut or zero-padded to `width` bytes.
void appendFixed(std::vector<uint8_t>& b, const std::string& text, size_t width) {
  for (size_t i = 0; i < width; ++i) b.push_back(i < text.size() ? uint8_t(text[i]) : 0);
}

std::vector<uint8_t> syncsafe(size_t value) {
  if (value > 0x0FFFFFFF) throw std::invalid_argument("value too large for a syncsafe integer");
  return {uint8_t(value >> 21 & 0x7F), uint8_t(value >> 14 & 0x7F), uint8_t(value >> 7 & 0x7F),
          uint8_t(value & 0x7F)};
}

}  // namespace

int frameLength(int bitrateIndex, int sampleRateIndex, bool padding, int versionCode) {
  static constexpr int kKbps[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
  static constexpr int kLowKbps[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
  static constexpr int kHz[4] = {44100, 48000, 32000, 0};
  const bool mpeg1 = isMpeg1(versionCode);
  const int kbps = (mpeg1 ? kKbps : kLowKbps)[bitrateIndex & 15];
  const int rate = kHz[sampleRateIndex & 3] / (mpeg1 ? 1 : (versionCode & 3) == 2 ? 2 : 4);
  return kbps == 0 || rate == 0 ? -1 : kbps * (mpeg1 ? 144000 : 72000) / rate + (padding ? 1 : 0);
}

std::array<uint8_t, 4> makeHeader(const FrameSpec& s) {
  return {0xFF, uint8_t(0xE0 | (s.versionCode & 3) << 3 | (s.layerCode & 3) << 1 | (s.crc ? 0 : 1)),
          uint8_t((s.bitrateIndex & 15) << 4 | (s.sampleRateIndex & 3) << 2 | (s.padding ? 2 : 0)),
          uint8_t((s.channelMode & 3) << 6 | (s.modeExtension & 3) << 4 | (s.copyright ? 8 : 0) |
                  (s.original ? 4 : 0) | (s.emphasis & 3))};
}

std::vector<uint8_t> makeFrame(const FrameSpec& s) {
  const size_t minimum = sideInfoStart(s.crc) + sideInfoLength(s.channelMode, s.versionCode);
  // A frame with the invalid rate index 3 still gets a plausible size.
  int length =
      frameLength(s.bitrateIndex, s.sampleRateIndex == 3 ? 0 : s.sampleRateIndex, s.padding, s.versionCode);
  if (length < 0) length = s.freeFormatLength == 0 ? int(minimum) : s.freeFormatLength;
  if (size_t(length) < minimum)
    throw std::invalid_argument("free format frame shorter than its side information");
  std::vector<uint8_t> frame(size_t(length), 0);
  const auto header = makeHeader(s);
  std::copy(header.begin(), header.end(), frame.begin());
  for (size_t k = 0; k < gainCount(s.channelMode, s.versionCode); ++k)
    putByteAt(frame, 8 * sideInfoStart(s.crc) + gainBit(s.channelMode, s.versionCode, k), s.gains[k]);
  if (s.crc) storeCrc(frame, s.channelMode, s.versionCode);
  return frame;
}

std::array<uint8_t, 4> readGains(const std::vector<uint8_t>& bytes, size_t offset) {
  if (offset + 4 > bytes.size()) throw std::invalid_argument("readGains: no frame header there");
  const int mode = bytes[offset + 3] >> 6;
  const int version = bytes[offset + 1] >> 3 & 3;
  const size_t start = 8 * (offset + sideInfoStart((bytes[offset + 1] & 1) == 0));
  std::array<uint8_t, 4> gains{};
  for (size_t k = 0; k < gainCount(mode, version); ++k)
    gains[k] = getByteAt(bytes, start + gainBit(mode, version, k));
  return gains;
}

std::string vbrMarker(VbrKind kind) {
  return kind == VbrKind::Vbri ? "VBRI" : kind == VbrKind::Info ? "Info" : "Xing";
}

std::vector<uint8_t> makeVbrTagFrame(FrameSpec spec, VbrKind kind, uint32_t frames, uint32_t bytes,
                                     int tagOffset) {
  const size_t at = tagOffset >= 0 ? size_t(tagOffset)
                    : kind == VbrKind::Vbri
                        ? 36
                        : sideInfoStart(spec.crc) + sideInfoLength(spec.channelMode, spec.versionCode);
  const size_t end = at + (kind == VbrKind::Vbri ? 26 : 116);
  // A free-format tag frame without a given length is made just long enough.
  if (frameLength(spec.bitrateIndex, 0, false) < 0 && spec.freeFormatLength == 0)
    spec.freeFormatLength =
        int(std::max(end, sideInfoStart(spec.crc) + sideInfoLength(spec.channelMode, spec.versionCode)));
  std::vector<uint8_t> frame = makeFrame(spec);
  if (end > frame.size()) throw std::invalid_argument("the VBR tag does not fit its frame");
  const std::string marker = vbrMarker(kind);
  std::copy(marker.begin(), marker.end(), frame.begin() + std::ptrdiff_t(at));
  if (kind == VbrKind::Vbri) {
    // version, delay, quality, bytes, frames, table entries, scale, entry size, frames an entry
    putBe(frame, at + 4, 1, 2);
    putBe(frame, at + 8, 75, 2);
    putBe(frame, at + 10, bytes, 4);
    putBe(frame, at + 14, frames, 4);
    putBe(frame, at + 20, 1, 2);
    putBe(frame, at + 22, 2, 2);
  } else {
    putBe(frame, at + 4, 7, 4);  // frames, bytes and table present
    putBe(frame, at + 8, frames, 4);
    putBe(frame, at + 12, bytes, 4);
    for (size_t i = 0; i < 100; ++i) frame[at + 16 + i] = uint8_t(i * 256 / 100);
  }
  if (spec.crc)
    storeCrc(frame, spec.channelMode, spec.versionCode);  // the tag may lie over the side information
  return frame;
}

std::vector<uint8_t> toBytes(const std::string& text) { return {text.begin(), text.end()}; }

Mp3Builder& Mp3Builder::raw(const std::vector<uint8_t>& bytes) {
  data_.insert(data_.end(), bytes.begin(), bytes.end());
  const auto putLe32 = [this](size_t at) {
    for (size_t i = 0; i < 4; ++i) data_[at + 4 + i] = uint8_t((data_.size() - at - 8) >> (8 * i));
  };
  for (const auto& [start, dataStart] : riffBlocks_) {
    putLe32(start);
    if (dataStart != 0) putLe32(dataStart);
  }
  return *this;
}

Mp3Builder& Mp3Builder::frames(int count, const FrameSpec& spec) {
  if (count < 0) throw std::invalid_argument("negative frame count");
  const std::vector<uint8_t> frame = makeFrame(spec);
  for (int i = 0; i < count; ++i) frameOffsets_.push_back(data_.size()), raw(frame);
  return *this;
}

Mp3Builder& Mp3Builder::vbrTag(VbrKind kind, const FrameSpec& spec, uint32_t frames, uint32_t bytes) {
  frameOffsets_.push_back(data_.size());
  return raw(makeVbrTagFrame(spec, kind, frames, bytes));
}

Mp3Builder& Mp3Builder::id3v2(int major, int revision, uint8_t flags, std::vector<uint8_t> body,
                              bool writeFooter) {
  std::vector<uint8_t> fields{uint8_t(major), uint8_t(revision), flags};
  for (uint8_t b : syncsafe(body.size())) fields.push_back(b);
  std::vector<uint8_t> block = toBytes("ID3");
  block.insert(block.end(), fields.begin(), fields.end());
  block.insert(block.end(), body.begin(), body.end());
  if (writeFooter)
    block.insert(block.end(), {'3', 'D', 'I'}), block.insert(block.end(), fields.begin(), fields.end());
  return raw(block);
}

Mp3Builder& Mp3Builder::id3v2Frames(int major,
                                    const std::vector<std::pair<std::string, std::string>>& textFields,
                                    size_t padding) {
  if (major < 2 || major > 4)
    throw std::invalid_argument("id3v2Frames: major version " + std::to_string(major));
  std::vector<uint8_t> body;
  for (const auto& [id, text] : textFields) {
    if (id.size() != (major == 2 ? 3u : 4u)) throw std::invalid_argument("id3v2Frames: frame id " + id);
    const size_t size = 1 + text.size();  // encoding byte 0 (ISO-8859-1) and the text
    body.insert(body.end(), id.begin(), id.end());
    const std::vector<uint8_t> sizeBytes =
        major == 4 ? syncsafe(size)
                   : std::vector<uint8_t>{uint8_t(size >> 24), uint8_t(size >> 16), uint8_t(size >> 8),
                                          uint8_t(size)};
    body.insert(body.end(), sizeBytes.begin() + (major == 2 ? 1 : 0), sizeBytes.end());
    if (major > 2) body.insert(body.end(), 2, 0);  // flags
    body.push_back(0);
    body.insert(body.end(), text.begin(), text.end());
  }
  body.insert(body.end(), padding, 0);
  return id3v2(major, 0, 0, std::move(body));
}

Mp3Builder& Mp3Builder::riff(size_t dataOffset, bool withData) {
  if (dataOffset < 12) throw std::invalid_argument("riff: dataOffset below 12");
  // "RIFF" size "WAVE", then an MPEG Layer III format chunk (44.1 kHz stereo,
  // 16000 bytes/s) cut or padded so that the next chunk starts at dataOffset.
  const size_t fmtSize = dataOffset >= 20 ? dataOffset - 20 : 0;
  std::vector<uint8_t> block = toBytes("RIFF....WAVEfmt ");
  // Its size, format 0x55, 2 channels, 44100 Hz, 16000 bytes/s, block align 1, 0 bits a sample.
  block.insert(block.end(), {0, 0, 0, 0, 0x55, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x80, 0x3E, 0, 0, 1, 0, 0, 0});
  block[16] = uint8_t(fmtSize);
  block[17] = uint8_t(fmtSize >> 8);
  block.resize(dataOffset, 0);
  const std::string chunk = withData ? "data" : "fact";
  block.insert(block.end(), chunk.begin(), chunk.end());
  block.insert(block.end(), 4, 0);
  riffBlocks_.push_back({data_.size(), withData ? data_.size() + dataOffset : 0});
  return raw(block);
}

Mp3Builder& Mp3Builder::lyrics3v2(const std::string& fieldsText) {
  const std::string content = "LYRICSBEGIN" + fieldsText;
  if (content.size() > 999999) throw std::invalid_argument("lyrics3v2: block too large");
  char size[8];
  std::snprintf(size, sizeof size, "%06zu", content.size());
  return raw(content + size + "LYRICS200");
}

Mp3Builder& Mp3Builder::id3v1(const std::string& title, const std::string& artist, const std::string& album,
                              const std::string& year, const std::string& comment, int track, uint8_t genre) {
  if (track > 255) throw std::invalid_argument("id3v1: track above 255");
  std::vector<uint8_t> tag = toBytes("TAG");
  for (const auto& [text, width] : {std::pair{&title, 30}, {&artist, 30}, {&album, 30}, {&year, 4}})
    appendFixed(tag, *text, size_t(width));
  appendFixed(tag, comment, track < 0 ? 30 : 28);
  if (track >= 0) tag.insert(tag.end(), {0, uint8_t(track)});
  tag.push_back(genre);
  return raw(tag);
}

}  // namespace kavrel::test
