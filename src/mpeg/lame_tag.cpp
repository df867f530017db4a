#include "mpeg/lame_tag.h"

#include <cstring>

#include "mpeg/frame_header.h"

namespace kavrel {

namespace {

constexpr uint32_t kFlagFrames = 1;
constexpr uint32_t kFlagBytes = 2;
constexpr uint32_t kFlagToc = 4;
constexpr uint32_t kFlagQuality = 8;

uint32_t getBe32(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

void putBe32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v >> 24);
  p[1] = uint8_t(v >> 16);
  p[2] = uint8_t(v >> 8);
  p[3] = uint8_t(v);
}

void putBe16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v >> 8);
  p[1] = uint8_t(v);
}

constexpr std::array<uint16_t, 256> makeCrcTable() {
  std::array<uint16_t, 256> table{};
  for (unsigned i = 0; i < 256; ++i) {
    unsigned crc = i;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
    table[i] = uint16_t(crc);
  }
  return table;
}
constexpr std::array<uint16_t, 256> kCrcTable = makeCrcTable();

// Encoders that write the extension; decoders only trust these.
bool knownEncoder(const uint8_t* version) {
  return std::memcmp(version, "LAME", 4) == 0 || std::memcmp(version, "Lavf", 4) == 0 ||
         std::memcmp(version, "Lavc", 4) == 0;
}

}  // namespace

void LameTag::setDelayAndPadding(int delay, int pad) {
  const unsigned d = unsigned(delay < 0 ? 0 : delay > kLameMaxDelay ? kLameMaxDelay : delay);
  const unsigned p = unsigned(pad < 0 ? 0 : pad > kLameMaxDelay ? kLameMaxDelay : pad);
  extension[kLameDelayAt] = uint8_t(d >> 4);
  extension[kLameDelayAt + 1] = uint8_t(((d & 0x0F) << 4) | (p >> 8));
  extension[kLameDelayAt + 2] = uint8_t(p);
}

uint16_t lameCrc16(const uint8_t* data, size_t size, uint16_t crc) {
  for (size_t i = 0; i < size; ++i) crc = uint16_t((crc >> 8) ^ kCrcTable[(crc ^ data[i]) & 0xFF]);
  return crc;
}

size_t lameTagOffset(const uint8_t* header) {
  const bool crc = (header[1] & 1) == 0;
  return size_t(sideInfoOffset(crc) + sideInfoLength((header[1] >> 3) & 3, header[3] >> 6));
}

namespace {

bool markerAt(const uint8_t* frame, size_t size, size_t at) {
  return at + 8 <= size &&
         (std::memcmp(frame + at, "Info", 4) == 0 || std::memcmp(frame + at, "Xing", 4) == 0);
}

// Encoders put the tag right after the side information as if the frame had
// no CRC, even when its header says it has one; a tag after the CRC counts
// too, and a frame without a tag yet gets it after the CRC.
size_t lameTagPlace(const uint8_t* frame, size_t size) {
  const size_t plain = size_t(sideInfoOffset(false) + sideInfoLength((frame[1] >> 3) & 3, frame[3] >> 6));
  return markerAt(frame, size, plain) ? plain : lameTagOffset(frame);
}

}  // namespace

std::optional<LameTag> parseLameTag(const uint8_t* frame, size_t size) {
  if (size < 4 || frame[0] != 0xFF || (frame[1] & 0xE0) != 0xE0) return std::nullopt;
  size_t at = lameTagPlace(frame, size);
  if (!markerAt(frame, size, at)) return std::nullopt;
  LameTag tag;
  tag.info = std::memcmp(frame + at, "Info", 4) == 0;
  const uint32_t flags = getBe32(frame + at + 4);
  at += 8;
  if (flags & kFlagFrames) at += 4;
  if (flags & kFlagBytes) at += 4;
  if (flags & kFlagToc) at += 100;
  if (flags & kFlagQuality) {
    if (at + 4 > size) return std::nullopt;
    tag.quality = getBe32(frame + at);
    at += 4;
  }
  if (at + kLameExtensionSize > size) return std::nullopt;
  const uint8_t* ext = frame + at;
  if (!knownEncoder(ext)) return std::nullopt;
  const uint16_t stored = uint16_t((ext[kLameTagCrcAt] << 8) | ext[kLameTagCrcAt + 1]);
  if (lameCrc16(frame, at + kLameTagCrcAt) != stored) return std::nullopt;
  std::memcpy(tag.extension.data(), ext, kLameExtensionSize);
  return tag;
}

size_t lameTagFrameMinimum(int version, int channelMode) {
  return size_t(sideInfoOffset(false) + sideInfoLength(version, channelMode & 3)) + 8 + 4 + 4 + 100 + 4 +
         kLameExtensionSize;
}

void writeLameTag(uint8_t* frame, size_t size, const LameTag& tag, uint32_t frames, uint32_t bytes,
                  const std::array<uint8_t, 100>& toc, uint32_t musicLength, uint16_t musicCrc) {
  size_t at = lameTagPlace(frame, size);
  if (at + 120 + kLameExtensionSize > size) return;
  std::memcpy(frame + at, tag.info ? "Info" : "Xing", 4);
  putBe32(frame + at + 4, kFlagFrames | kFlagBytes | kFlagToc | kFlagQuality);
  putBe32(frame + at + 8, frames);
  putBe32(frame + at + 12, bytes);
  std::memcpy(frame + at + 16, toc.data(), toc.size());
  putBe32(frame + at + 116, tag.quality);
  at += 120;
  std::memcpy(frame + at, tag.extension.data(), kLameExtensionSize);
  putBe32(frame + at + kLameMusicLengthAt, musicLength);
  putBe16(frame + at + kLameMusicCrcAt, musicCrc);
  putBe16(frame + at + kLameTagCrcAt, lameCrc16(frame, at + kLameTagCrcAt));
}

}  // namespace kavrel
