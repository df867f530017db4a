#pragma once
// The encoder's extension of a Xing/Info tag: the "LAME" block that follows
// the tag's optional fields and carries the encoder delay and padding that
// decoders trim to give back the exact samples that were encoded.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace kavrel {

// Bytes of the extension: version string (9), revision and method, lowpass,
// ReplayGain (8), flags, bitrate, delay and padding (3), misc, gain change,
// preset and surround (2), music length (4), music CRC (2), tag CRC (2).
inline constexpr size_t kLameExtensionSize = 36;
inline constexpr size_t kLameReplayGainAt = 11;
inline constexpr size_t kLameReplayGainSize = 8;
inline constexpr size_t kLameDelayAt = 21;
inline constexpr size_t kLameMusicLengthAt = 28;
inline constexpr size_t kLameMusicCrcAt = 32;
inline constexpr size_t kLameTagCrcAt = 34;
// The largest delay or padding the two 12-bit fields hold.
inline constexpr int kLameMaxDelay = 4095;

struct LameTag {
  bool info = false;  // "Info" (constant bitrate) rather than "Xing"
  uint32_t quality = 0;
  std::array<uint8_t, kLameExtensionSize> extension{};

  int encoderDelay() const { return (extension[kLameDelayAt] << 4) | (extension[kLameDelayAt + 1] >> 4); }
  int padding() const { return ((extension[kLameDelayAt + 1] & 0x0F) << 8) | extension[kLameDelayAt + 2]; }
  void setDelayAndPadding(int delay, int padding);
};

// The CRC-16 the encoder stores in its extension (polynomial 0x8005 taken
// bit-reversed, initial value 0), continued from `crc`.
uint16_t lameCrc16(const uint8_t* data, size_t size, uint16_t crc = 0);

// Offset of "Xing"/"Info" in a frame with this header: right after the side
// information.
size_t lameTagOffset(const uint8_t* header);

// Reads the tag of the frame whose `size` bytes start at `frame` (the frame
// and no more). A tag that does not lie wholly inside the frame, that has no
// encoder extension, or whose stored CRC does not match its bytes is absent.
std::optional<LameTag> parseLameTag(const uint8_t* frame, size_t size);

// Frame length a tag frame of this channel mode needs for the tag with all
// four optional fields and the extension.
size_t lameTagFrameMinimum(int version, int channelMode);

// Writes the tag into `frame` (its header already in place, the rest zero),
// `size` bytes long: marker, flags 15, frame count, byte count, table,
// quality, the extension with the music length and music CRC given, and
// the extension's CRC over the frame's bytes before it.
void writeLameTag(uint8_t* frame, size_t size, const LameTag& tag, uint32_t frames, uint32_t bytes,
                  const std::array<uint8_t, 100>& toc, uint32_t musicLength, uint16_t musicCrc);

}  // namespace kavrel
