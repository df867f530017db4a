#pragma once
// MPEG-1 Layer III frame headers: decoding, the length and duration tables,
// the acceptance tests, and where the global_gain fields sit.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kavrel {

// Bitrates in kbit/s by bitrate index; 0 = free format, 15 = invalid.
inline constexpr std::array<int16_t, 16> kBitrateTable = {0,   32,  40,  48,  56,  64,  80,  96,
                                                          112, 128, 160, 192, 224, 256, 320, 0};
// 144 / (sampling rate in kHz); the fourth entry repeats the 44.1 kHz factor.
inline constexpr std::array<double, 4> kFrameLengthFactor = {3.2653061224489797, 3.0, 4.5,
                                                             3.2653061224489797};
// Seconds per frame (1152 samples) by sampling-rate index.
inline constexpr std::array<double, 4> kFrameDuration = {0.0261224489795918, 0.024, 0.036,
                                                         0.0261224489795918};

inline constexpr int kChannelModeStereo = 0;
inline constexpr int kChannelModeJoint = 1;
inline constexpr int kChannelModeDual = 2;
inline constexpr int kChannelModeMono = 3;

enum VbrHeaderKind : uint8_t { kVbrNone = 0, kVbrXing = 1, kVbrInfo = 2, kVbrVbri = 3, kVbrFbri = 4 };

// One frame found in a source file. The on-disk record of the original
// design is 22 packed bytes; the same fields here, naturally aligned (24).
struct FrameInfo {
  uint8_t sampleRateIndex = 0;
  uint8_t channelMode = 0;
  uint8_t bitrateIndex = 0;
  uint8_t averageGain = 0;
  uint8_t vbrHeaderKind = 0;
  uint8_t sourceIndex = 0;
  int32_t filePosition = 0;
  int32_t computedLength = 0;
  int32_t storedLength = 0;
  std::array<uint8_t, 4> globalGain{};
};

// Raw layer and version codes of the last decoded header, tested by the
// loaders right after decoding.
struct HeaderCodes {
  uint8_t layer = 0;
  uint8_t version = 0;
};

// Decodes the frame whose header starts at data[0]. `available` is the number
// of readable bytes from data; bytes past it read as 0. Never fails: the
// caller applies headerRefusal().
HeaderCodes decodeFrameHeader(const uint8_t* data, size_t available, int64_t filePosition, bool searchVbrTag,
                              FrameInfo& out);

// The first failing acceptance test's message, or an empty view when the
// header is acceptable.
std::string_view headerRefusal(const HeaderCodes& codes, const FrameInfo& info);

enum class RefusalKind { None, Layer, Version, Bitrate, Frequency };
RefusalKind headerRefusalKind(const HeaderCodes& codes, const FrameInfo& info);

int32_t frameLength(int bitrateIndex, int sampleRateIndex, bool padding);

// Length in bytes of the frame whose four header bytes start at h, for every
// MPEG audio version and layer (MPEG-1, 2 and 2.5, layers I to III); 0 when
// the header states no length (free format, reserved codes). The loader uses
// it to recognise streams it refuses by the frames that chain up.
int32_t anyMpegFrameLength(const uint8_t* h);
// True when two headers belong to one stream: same version, layer and
// sampling rate, and neither uses a reserved code.
bool sameMpegStream(const uint8_t* a, const uint8_t* b);
int32_t freeFormatScanStep(int channelMode, bool crcPresent);

// Offset of the side information from the frame start and its length.
inline int sideInfoOffset(bool crcPresent) { return crcPresent ? 6 : 4; }
inline int sideInfoLength(int channelMode) { return channelMode == kChannelModeMono ? 17 : 32; }

// Byte offset (from the frame start) of the first of the two bytes that hold
// global_gain field `g` (0..3; mono has 0 and 1), and how far the 8-bit value
// is shifted left across those two bytes (value = (b0<<8 | b1) >> shift).
struct GainLocation {
  int byteOffset;
  int shift;
};
GainLocation globalGainLocation(int channelMode, bool crcPresent, int g);
uint8_t readGlobalGain(const uint8_t* frame, int channelMode, bool crcPresent, int g);
void writeGlobalGain(uint8_t* frame, int channelMode, bool crcPresent, int g, uint8_t value);
inline int globalGainCount(int channelMode) { return channelMode == kChannelModeMono ? 2 : 4; }

// Display texts.
std::string_view sampleRateText(int index);  // "44.1 KHz", "48 KHz", "32 KHz"
std::string_view channelModeText(int mode);  // "stereo" .. "mono", "mixed stereo" for 4 and above
std::string bitrateText(int index);          // "free kbps", "32 kbps" .. "320 kbps"
std::string bitrateSummaryText(int index);   // "var.kbps" for 0 and 255, "? kbps" when unknown
std::string bitrateColumnText(int index);    // "free", "  32" .. " 320"

}  // namespace kavrel
