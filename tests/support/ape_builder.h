// APE tags in memory for the tests, laid out from the format's description
// (no code shared with src/): [header] items footer, numbers little-endian,
// the size counting items and footer. Version 1000 never has a header.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kavrel::test {

struct ApeItemSpec {
  std::string key, value;
  uint32_t flags = 0;  // bits 1-2: 0 text, 1 binary, 2 locator
};

inline std::vector<uint8_t>& putLe32(std::vector<uint8_t>& out, std::initializer_list<uint32_t> values) {
  for (const uint32_t v : values)
    for (int shift = 0; shift < 32; shift += 8) out.push_back(uint8_t(v >> shift));
  return out;
}

// The 32-byte header or footer.
inline std::vector<uint8_t> apeFrame(uint32_t version, uint32_t size, uint32_t count, uint32_t flags) {
  std::vector<uint8_t> f{'A', 'P', 'E', 'T', 'A', 'G', 'E', 'X'};
  putLe32(f, {version, size, count, flags, 0, 0});
  return f;
}

inline std::vector<uint8_t> apeItemBytes(const std::vector<ApeItemSpec>& items) {
  std::vector<uint8_t> out;
  for (const auto& [key, value, flags] : items) {
    putLe32(out, {uint32_t(value.size()), flags}).insert(out.end(), key.begin(), key.end());
    out.push_back(0);
    out.insert(out.end(), value.begin(), value.end());
  }
  return out;
}

inline std::vector<uint8_t> apeTag(const std::vector<ApeItemSpec>& items, uint32_t version = 2000,
                                   bool header = true) {
  header = header && version == 2000;
  const std::vector<uint8_t> body = apeItemBytes(items);
  const auto size = uint32_t(body.size() + 32), count = uint32_t(items.size());
  std::vector<uint8_t> tag = header ? apeFrame(version, size, count, 0xA0000000u) : std::vector<uint8_t>{};
  tag.insert(tag.end(), body.begin(), body.end());
  const auto footer = apeFrame(version, size, count, header ? 0x80000000u : 0);
  tag.insert(tag.end(), footer.begin(), footer.end());
  return tag;
}

}  // namespace kavrel::test
