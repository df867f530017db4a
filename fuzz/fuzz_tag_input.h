// Shared by the ID3v2 fuzz targets: how an input becomes tag bytes, and the
// check that stops a run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace kavrel::fuzz {

inline void check(bool ok) {
  if (!ok) __builtin_trap();
}

// An input that starts with a tag header is taken as it is; any other gets
// one, byte 0 picking the version and flags and the rest being the body.
inline std::vector<uint8_t> withTagHeader(const uint8_t* data, size_t size) {
  if (size >= 10 && std::memcmp(data, "ID3", 3) == 0) return {data, data + size};
  const uint8_t control = data[0];
  const uint32_t body = uint32_t(size - 1);
  std::vector<uint8_t> out = {'I', 'D', '3', uint8_t(2 + (control & 3)), 0, uint8_t(control & 0xF0),
                              uint8_t((body >> 21) & 0x7F), uint8_t((body >> 14) & 0x7F),
                              uint8_t((body >> 7) & 0x7F), uint8_t(body & 0x7F)};
  out.insert(out.end(), data + 1, data + size);
  return out;
}

}  // namespace kavrel::fuzz
