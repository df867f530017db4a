#include "tags/id3v2/text_codec.h"

#include <algorithm>

namespace kavrel {

namespace {

uint8_t byteAt(const uint8_t* buffer, size_t i, size_t end) { return i < end ? buffer[i] : 0; }

// Single-byte text: a line feed becomes CR LF, other control bytes are dropped.
void appendSingleByte(std::string& out, uint8_t b) {
  if (b == 10) {
    out += "\r\n";
  } else if (b >= 32) {
    out += char(b);
  }
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

}  // namespace

size_t resync(uint8_t* buffer, size_t count) {
  size_t out = 0;
  for (size_t i = 0; i < count; ++i) {
    buffer[out++] = buffer[i];
    if (buffer[i] == 0xFF && i + 1 < count && buffer[i + 1] == 0x00) ++i;
  }
  return out;
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

}  // namespace kavrel
