// ID3v2 tag bytes for the reader and writer tests, laid out by hand so that
// a layout fault in the code under test is not mirrored here.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <vector>

namespace kavrel::test {

using Bytes = std::vector<uint8_t>;

inline Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

inline Bytes bytesOf(const std::string& text) { return {text.begin(), text.end()}; }
inline Bytes latin1(const std::string& text) { return Bytes{0} + bytesOf(text); }

// Bytes written as hex pairs and 'quoted text', spaces ignored: h("01 'deu' FFFE").
inline Bytes h(const std::string& s) {
  Bytes out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\'') {
      while (++i < s.size() && s[i] != '\'') out.push_back(uint8_t(s[i]));
    } else if (s[i] != ' ') {
      out.push_back(uint8_t(std::stoi(s.substr(i++, 2), nullptr, 16)));
    }
  }
  return out;
}

inline Bytes syncsafeBytes(uint32_t n) {  // four 7-bit groups
  return {uint8_t((n >> 21) & 0x7F), uint8_t((n >> 14) & 0x7F), uint8_t((n >> 7) & 0x7F), uint8_t(n & 0x7F)};
}

// One field: code, size (3 bytes for 2.2, 4 big-endian for 2.3, syncsafe for
// 2.4 and above), flags (not for 2.2), content (bytes or h() text).
inline Bytes tagField(int major, const std::string& code, const Bytes& content, uint8_t flag0 = 0,
                      uint8_t flag1 = 0) {
  if (code.size() != (major == 2 ? 3u : 4u)) throw std::invalid_argument("code length");
  const auto n = uint32_t(content.size());
  Bytes out = bytesOf(code);
  if (major == 2) out = out + Bytes{uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)};
  if (major == 3) out = out + Bytes{uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)};
  if (major > 3) out = out + syncsafeBytes(n);
  if (major > 2) out = out + Bytes{flag0, flag1};
  return out + content;
}
inline Bytes tagField(int major, const std::string& code, const char* text, uint8_t flag0 = 0,
                      uint8_t flag1 = 0) {
  return tagField(major, code, h(text), flag0, flag1);
}

// Header (syncsafe size of the body) and body; a footer when asked.
inline Bytes tagBytes(int major, uint8_t flags, const Bytes& body, bool footer = false) {
  const Bytes size = syncsafeBytes(uint32_t(body.size()));
  Bytes out = Bytes{'I', 'D', '3', uint8_t(major), 0, flags} + size + body;
  return footer ? out + Bytes{'3', 'D', 'I', uint8_t(major), 0, flags} + size : out;
}

// Fields of one version as code and h() text; a tag of them with bytes after them.
using FieldList = std::initializer_list<std::pair<const char*, const char*>>;
inline Bytes fields(int major, FieldList list) {
  Bytes body;
  for (const auto& [code, content] : list) body = body + tagField(major, code, content);
  return body;
}
inline Bytes tag(int major, uint8_t flags, FieldList list, const Bytes& after = {}) {
  return tagBytes(major, flags, fields(major, list) + after);
}
inline Bytes zeros(size_t n) { return Bytes(n, 0); }

}  // namespace kavrel::test
