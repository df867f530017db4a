#pragma once
// Byte-level helpers shared by the tag reader, the writer and the editor:
// resynchronisation, and field text to and from the program's 8-bit text.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/text_codec.h"

namespace kavrel {

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

// The encoding byte for the program's 8-bit text written into a tag of this
// major version: 0 (ISO-8859-1) when that holds every character, else
// UTF-16 with a byte-order mark (1) before 2.4 and UTF-8 (3) from 2.4 on.
uint8_t textEncodingFor(std::string_view text, int majorVersion);

// The program's 8-bit text in an encoding (0 and above 3: the bytes as they
// are). Zero characters separate values; each UTF-16 value starts with its
// byte-order mark. No terminator is added.
std::vector<uint8_t> encodeFieldText(std::string_view text, uint8_t encoding);

// Bytes of the zero that ends a text in this encoding.
inline size_t textTerminatorLength(uint8_t encoding) { return encoding == 1 || encoding == 2 ? 2 : 1; }

// Field text in encoding 2 or 3 (values ended or separated by terminators)
// as encoding 1, for the versions before 2.4 that know no other Unicode
// form; nothing when the bytes are not well formed in their encoding.
std::optional<std::vector<uint8_t>> recodeAsUtf16(uint8_t encoding, const uint8_t* bytes, size_t n);

}  // namespace kavrel
