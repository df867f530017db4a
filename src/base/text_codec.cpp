#include "base/text_codec.h"

#include <array>

namespace kavrel {

namespace {

// Windows-1252 bytes 0x80..0x9F; the five the code page leaves unassigned stand for themselves.
constexpr std::array<char16_t, 32> kHighBlock = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

char codePointToCodePage(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return char(cp);
  for (size_t i = 0; i < kHighBlock.size(); ++i) {
    if (kHighBlock[i] == cp) return char(0x80 + i);
  }
  return '?';
}

char32_t codePageToCodePoint(uint8_t b) {
  return b >= 0x80 && b < 0xA0 ? char32_t(kHighBlock[b - 0x80]) : char32_t(b);
}

void appendUtf8CodePoint(std::vector<uint8_t>& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(uint8_t(cp));
  } else if (cp < 0x800) {
    out.insert(out.end(), {uint8_t(0xC0 | (cp >> 6)), uint8_t(0x80 | (cp & 0x3F))});
  } else if (cp < 0x10000) {
    out.insert(out.end(),
               {uint8_t(0xE0 | (cp >> 12)), uint8_t(0x80 | ((cp >> 6) & 0x3F)), uint8_t(0x80 | (cp & 0x3F))});
  } else {
    out.insert(out.end(), {uint8_t(0xF0 | (cp >> 18)), uint8_t(0x80 | ((cp >> 12) & 0x3F)),
                           uint8_t(0x80 | ((cp >> 6) & 0x3F)), uint8_t(0x80 | (cp & 0x3F))});
  }
}

std::optional<std::string> utf8ToCodePage(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  const bool ok =
      forEachUtf8CodePoint(reinterpret_cast<const uint8_t*>(text.data()), text.size(),
                           [&](char32_t cp) { out += cp < 0x80 ? char(cp) : codePointToCodePage(cp); });
  if (!ok) return std::nullopt;
  return out;
}

std::string codePageToUtf8(std::string_view text) {
  std::vector<uint8_t> out;
  out.reserve(text.size());
  for (const char c : text) appendUtf8CodePoint(out, codePageToCodePoint(uint8_t(c)));
  return {out.begin(), out.end()};
}

}  // namespace kavrel
