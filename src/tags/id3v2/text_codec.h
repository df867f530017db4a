#pragma once
// Byte-level helpers shared by the tag reader, the writer and the editor:
// field sizes, resynchronisation and decoding of field text into the
// program's 8-bit text (Windows-1252).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kavrel {

// Big-endian for major versions below 4 (three bytes for 2.2), syncsafe
// (four 7-bit groups, most significant first) for 4 and above.
uint32_t decodeFrameSize(const uint8_t* bytes, int majorVersion);

// Every 0xFF 0x00 pair becomes 0xFF, in place; returns the new count.
size_t resync(uint8_t* buffer, size_t count);

struct DecodedText {
  std::string text;
  size_t next = 0;  // just after the text's terminator
};

// Text of an ID3v2 field part in buffer[start, end): encoding 1 UTF-16 with
// an optional byte-order mark (little-endian without one), 2 UTF-16
// big-endian, 3 UTF-8, anything else single bytes. Bytes at or after `end`
// are taken as zero, so the buffer needs nothing beyond `end`.
DecodedText decodeFieldText(int encoding, const uint8_t* buffer, size_t start, size_t end);

// One Unicode code point as Windows-1252; '?' when it has no such byte.
char codePointToCodePage(char32_t cp);

// UTF-8 text as Windows-1252 ('?' for what it cannot hold), control
// characters kept; nothing when the bytes are not UTF-8.
std::optional<std::string> utf8ToCodePage(std::string_view text);

}  // namespace kavrel
