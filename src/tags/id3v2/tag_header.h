#pragma once
// The 10-byte ID3v2 tag header, read and written in one place, and the size
// codes of the tag and its fields.

#include <array>
#include <cstddef>
#include <cstdint>

#include "tags/id3v2/tag_header_state.h"

namespace kavrel {

// Header flags; the last three mean something from major version 3 (4 for
// the footer) on.
inline constexpr uint8_t kTagUnsynchronised = 0x80;
inline constexpr uint8_t kTagExtendedHeader = 0x40;
inline constexpr uint8_t kTagExperimental = 0x20;
inline constexpr uint8_t kTagFooter = 0x10;

// Four 7-bit groups, most significant first. Decoding takes the bytes as
// stored, top bits included, as the tag size is read.
uint32_t decodeSyncsafe(const uint8_t* bytes);
std::array<uint8_t, 4> encodeSyncsafe(uint32_t n);

// Field sizes: big-endian for major versions below 4 (three bytes for 2.2),
// syncsafe for 4 and above.
uint32_t decodeFrameSize(const uint8_t* bytes, int majorVersion);
std::array<uint8_t, 4> encodeFrameSize(uint32_t n, int majorVersion);

// Fills `header` from the tag header at bytes[0] found at file offset
// `start`. False when the bytes are no tag header ("ID3" missing, or a
// version or revision byte of 0xFF): the bytes are audio data then.
bool parseTagHeader(const uint8_t* bytes, size_t size, int64_t start, TagHeaderState& header);

// "ID3" (or the footer's "3DI"), version, flags and the syncsafe body size.
std::array<uint8_t, 10> tagHeaderBytes(bool footer, uint8_t major, uint8_t revision, uint8_t flags,
                                       uint32_t bodySize);

}  // namespace kavrel
