#include "tags/id3v2/text_codec.h"

#include <algorithm>
#include <array>

namespace kavrel {

namespace {

// Windows-1252 bytes 0x80..0x9F; the five the code page leaves unassigned stand for themselves.
constexpr std::array<char16_t, 32> kHighBlock = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

uint8_t byteAt(const uint8_t* buffer, size_t i, size_t end) { return i < end ? buffer[i] : 0; }

// Single-byte text: a line feed becomes CR LF, other control bytes are dropped.
void appendSingleByte(std::string& out, uint8_t b) {
  if (b == 10) {
    out += "\r\n";
  } else if (b >= 32) {
    out += char(b);
  }
}

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

// UTF-8 field text as code points when the bytes are well formed; false otherwise.
bool appendUtf8(std::string& out, const uint8_t* p, size_t n) {
  std::string converted;
  const bool ok = forEachUtf8CodePoint(p, n, [&](char32_t cp) {
    if (cp < 0x80) {
      appendSingleByte(converted, uint8_t(cp));
    } else {
      converted += codePointToCodePage(cp);
    }
  });
  if (ok) out += converted;
  return ok;
}

void appendUtf16Unit(std::vector<uint8_t>& out, char16_t u, bool bigEndian) {
  if (bigEndian) {
    out.insert(out.end(), {uint8_t(u >> 8), uint8_t(u)});
  } else {
    out.insert(out.end(), {uint8_t(u), uint8_t(u >> 8)});
  }
}

void appendUtf8CodePoint(std::vector<uint8_t>& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(uint8_t(cp));
  } else if (cp < 0x800) {
    out.insert(out.end(), {uint8_t(0xC0 | (cp >> 6)), uint8_t(0x80 | (cp & 0x3F))});
  } else {
    out.insert(out.end(),
               {uint8_t(0xE0 | (cp >> 12)), uint8_t(0x80 | ((cp >> 6) & 0x3F)), uint8_t(0x80 | (cp & 0x3F))});
  }
}

}  // namespace

size_t resync(uint8_t* buffer, size_t count) {
  size_t out = 0;
  for (size_t i = 0; i < count; ++i) {
    buffer[out++] = buffer[i];
    if (buffer[i] == 0xFF && i + 1 < count && buffer[i + 1] == 0x00) ++i;
  }
  return out;
}

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

uint8_t textEncodingFor(std::string_view text, int majorVersion) {
  const bool latin1 =
      std::all_of(text.begin(), text.end(), [](char c) { return codePageToCodePoint(uint8_t(c)) <= 0xFF; });
  if (latin1) return 0;
  return majorVersion >= 4 ? 3 : 1;
}

std::vector<uint8_t> encodeFieldText(std::string_view text, uint8_t encoding) {
  std::vector<uint8_t> out;
  if (encoding < 1 || encoding > 3) return {text.begin(), text.end()};
  bool valueStart = true;
  for (const char c : text) {
    const char32_t cp = codePageToCodePoint(uint8_t(c));
    if (encoding == 3) {
      appendUtf8CodePoint(out, cp);
      continue;
    }
    if (encoding == 1 && valueStart && cp != 0) out.insert(out.end(), {0xFF, 0xFE});
    valueStart = cp == 0;
    appendUtf16Unit(out, char16_t(cp), encoding == 2);
  }
  return out;
}

std::optional<std::vector<uint8_t>> recodeAsUtf16(uint8_t encoding, const uint8_t* bytes, size_t n) {
  if (encoding != 2 && encoding != 3) return std::nullopt;
  std::vector<uint8_t> out;
  out.reserve(2 * n + 4);
  size_t i = 0;
  while (i < n) {
    // One value: up to its terminator or the end.
    size_t end = i;
    if (encoding == 3) {
      while (end < n && bytes[end] != 0) ++end;
    } else {
      while (end + 1 < n && (bytes[end] != 0 || bytes[end + 1] != 0)) end += 2;
      if (end + 1 >= n) end = n;
    }
    if (end > i) {
      out.insert(out.end(), {0xFF, 0xFE});
      if (encoding == 3) {
        bool ok = forEachUtf8CodePoint(bytes + i, end - i, [&](char32_t cp) {
          if (cp >= 0x10000) {
            appendUtf16Unit(out, char16_t(0xD800 + ((cp - 0x10000) >> 10)), false);
            appendUtf16Unit(out, char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF)), false);
          } else {
            appendUtf16Unit(out, char16_t(cp), false);
          }
        });
        if (!ok) return std::nullopt;
      } else {
        if ((end - i) % 2 != 0) return std::nullopt;
        for (size_t k = i; k < end; k += 2)
          appendUtf16Unit(out, char16_t(bytes[k] << 8 | bytes[k + 1]), false);
      }
    }
    if (end == n) break;
    out.insert(out.end(), {0, 0});
    i = end + textTerminatorLength(encoding);
  }
  return out;
}

DecodedText decodeFieldText(int encoding, const uint8_t* buffer, size_t start, size_t end) {
  DecodedText r;
  if (start >= end) {
    r.next = start;
    return r;
  }
  if (encoding == 1 || encoding == 2) {
    size_t i = start;
    bool bigEndian = encoding == 2;
    if (encoding == 1) {
      const uint8_t b0 = byteAt(buffer, i, end);
      const uint8_t b1 = byteAt(buffer, i + 1, end);
      if ((b0 == 0xFF && b1 == 0xFE) || (b0 == 0xFE && b1 == 0xFF)) {
        bigEndian = b0 == 0xFE;
        i += 2;
      }
    }
    auto unitAt = [&](size_t at) -> char16_t {
      const uint8_t a = byteAt(buffer, at, end);
      const uint8_t b = byteAt(buffer, at + 1, end);
      return bigEndian ? char16_t(a << 8 | b) : char16_t(b << 8 | a);
    };
    for (;; i += 2) {
      const char16_t u = unitAt(i);
      if (u == 0) break;
      if (u >= 0xD800 && u <= 0xDBFF) {
        const char16_t low = unitAt(i + 2);
        if (low >= 0xDC00 && low <= 0xDFFF) i += 2;  // one character beyond the code page
        r.text += '?';
      } else {
        r.text += codePointToCodePage(u);
      }
    }
    r.next = i + 2;
    return r;
  }
  size_t zero = start;
  while (zero < end && buffer[zero] != 0) ++zero;
  // UTF-8 converts like UTF-16; bytes that are not well-formed UTF-8 are shown one by one.
  if (encoding != 3 || !appendUtf8(r.text, buffer + start, zero - start)) {
    for (size_t i = start; i < zero; ++i) appendSingleByte(r.text, buffer[i]);
  }
  r.next = zero + 1;
  return r;
}

std::optional<std::string> utf8ToCodePage(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  const bool ok = forEachUtf8CodePoint(reinterpret_cast<const uint8_t*>(text.data()), text.size(),
                                       [&](char32_t cp) { out += cp < 0x80 ? char(cp) : codePointToCodePage(cp); });
  if (!ok) return std::nullopt;
  return out;
}

}  // namespace kavrel
