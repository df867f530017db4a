#include "tags/id3v2/tag_header.h"

#include <algorithm>
#include <cstring>

namespace kavrel {

uint32_t decodeSyncsafe(const uint8_t* b) {
  return uint32_t(b[0]) * 2097152u + uint32_t(b[1]) * 16384u + uint32_t(b[2]) * 128u + b[3];
}

std::array<uint8_t, 4> encodeSyncsafe(uint32_t n) {
  return {uint8_t((n >> 21) & 0x7F), uint8_t((n >> 14) & 0x7F), uint8_t((n >> 7) & 0x7F), uint8_t(n & 0x7F)};
}

uint32_t decodeFrameSize(const uint8_t* b, int majorVersion) {
  if (majorVersion <= 2) return uint32_t(b[0]) << 16 | uint32_t(b[1]) << 8 | b[2];
  if (majorVersion < 4) return uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3];
  return decodeSyncsafe(b);
}

std::array<uint8_t, 4> encodeFrameSize(uint32_t n, int majorVersion) {
  if (majorVersion >= 4) return encodeSyncsafe(n);
  return {uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)};
}

bool parseTagHeader(const uint8_t* b, size_t size, int64_t start, TagHeaderState& header) {
  if (size < 10 || std::memcmp(b, "ID3", 3) != 0 || b[3] == 0xFF || b[4] == 0xFF) return false;
  const uint8_t major = b[3];
  header = TagHeaderState{};
  header.startOffset = start;
  header.majorVersion = major;
  header.revision = b[4];
  header.flags = b[5];
  header.unsynchronisation = (b[5] & kTagUnsynchronised) != 0;
  header.outputUnsynchronisation = header.unsynchronisation;
  header.extendedHeader = (b[5] & kTagExtendedHeader) != 0 && major > 2;
  header.experimental = (b[5] & kTagExperimental) != 0 && major > 2;
  header.footer = (b[5] & kTagFooter) != 0 && major > 3;
  header.size = int64_t(decodeSyncsafe(b + 6)) + 10 + (header.footer ? 10 : 0);
  header.inputVersion = uint8_t(std::clamp<int>(major, 2, 5));
  return true;
}

std::array<uint8_t, 10> tagHeaderBytes(bool footer, uint8_t major, uint8_t revision, uint8_t flags,
                                       uint32_t bodySize) {
  const auto size = encodeSyncsafe(bodySize);
  if (footer) return {'3', 'D', 'I', major, revision, flags, size[0], size[1], size[2], size[3]};
  return {'I', 'D', '3', major, revision, flags, size[0], size[1], size[2], size[3]};
}

}  // namespace kavrel
