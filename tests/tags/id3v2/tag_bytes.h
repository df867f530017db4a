// ID3v2 tag bytes for the reader tests, laid out by hand so that a layout
// fault in the reader is not mirrored here.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace kavrel::test {

inline std::vector<uint8_t> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }

inline std::vector<uint8_t> operator+(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// One field: code, size (3 bytes for 2.2, 4 big-endian for 2.3, syncsafe for
// 2.4 and above), flags (not for 2.2), content.
inline std::vector<uint8_t> tagField(int major, const std::string& code, const std::vector<uint8_t>& content,
                                     uint8_t flag0 = 0, uint8_t flag1 = 0) {
  if (code.size() != (major == 2 ? 3u : 4u)) throw std::invalid_argument("code length");
  std::vector<uint8_t> out = bytesOf(code);
  const uint32_t n = uint32_t(content.size());
  if (major == 2) {
    out.insert(out.end(), {uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)});
  } else if (major == 3) {
    out.insert(out.end(), {uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)});
  } else {
    out.insert(out.end(), {uint8_t((n >> 21) & 0x7F), uint8_t((n >> 14) & 0x7F), uint8_t((n >> 7) & 0x7F),
                           uint8_t(n & 0x7F)});
  }
  if (major > 2) out.insert(out.end(), {flag0, flag1});
  return out + content;
}

// Header (syncsafe size of the body) and body; a footer when asked.
inline std::vector<uint8_t> tagBytes(int major, uint8_t flags, const std::vector<uint8_t>& body,
                                     bool footer = false) {
  const uint32_t n = uint32_t(body.size());
  const std::vector<uint8_t> sizeBytes = {uint8_t((n >> 21) & 0x7F), uint8_t((n >> 14) & 0x7F),
                                          uint8_t((n >> 7) & 0x7F), uint8_t(n & 0x7F)};
  std::vector<uint8_t> out = {'I', 'D', '3', uint8_t(major), 0, flags};
  out = out + sizeBytes + body;
  if (footer) out = out + std::vector<uint8_t>{'3', 'D', 'I', uint8_t(major), 0, flags} + sizeBytes;
  return out;
}

// Text content with encoding byte 0.
inline std::vector<uint8_t> latin1(const std::string& text) {
  return std::vector<uint8_t>{0} + bytesOf(text);
}

}  // namespace kavrel::test
