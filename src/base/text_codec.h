#pragma once
// The program's 8-bit text is Windows-1252; file names, scripts and the
// terminal speak UTF-8. The one conversion between them.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kavrel {

// One Unicode code point as Windows-1252; '?' when it has no such byte.
char codePointToCodePage(char32_t cp);
// One Windows-1252 byte as a Unicode code point (unassigned bytes as themselves).
char32_t codePageToCodePoint(uint8_t b);

// UTF-8 text as Windows-1252 ('?' for what it cannot hold), control
// characters kept; nothing when the bytes are not UTF-8.
std::optional<std::string> utf8ToCodePage(std::string_view text);
// Windows-1252 text as UTF-8.
std::string codePageToUtf8(std::string_view text);

void appendUtf8CodePoint(std::vector<uint8_t>& out, char32_t cp);

// Calls emit(code point) for well-formed UTF-8; false (after a partial
// emit) at the first malformed sequence.
template <typename Emit>
bool forEachUtf8CodePoint(const uint8_t* p, size_t n, Emit emit) {
  for (size_t i = 0; i < n;) {
    const uint8_t b = p[i];
    char32_t cp = 0;
    size_t len = 0;
    if (b < 0x80) {
      cp = b;
      len = 1;
    } else if (b >= 0xC2 && b < 0xE0) {
      cp = b & 0x1F;
      len = 2;
    } else if (b >= 0xE0 && b < 0xF0) {
      cp = b & 0x0F;
      len = 3;
    } else if (b >= 0xF0 && b < 0xF5) {
      cp = b & 0x07;
      len = 4;
    } else {
      return false;
    }
    if (i + len > n) return false;
    for (size_t k = 1; k < len; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (p[i + k] & 0x3F);
    }
    // Overlong forms, surrogates and values beyond Unicode are not UTF-8.
    if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    emit(cp);
    i += len;
  }
  return true;
}

}  // namespace kavrel
