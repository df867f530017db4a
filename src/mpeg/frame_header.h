#pragma once
// Layer III frame headers (MPEG-1, MPEG-2 and MPEG-2.5): decoding, the
// length and duration tables, the acceptance tests, and where the
// global_gain fields sit.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kavrel {

// The version field of the header. A document holds frames of one version.
inline constexpr int kMpeg25 = 0;
inline constexpr int kMpeg2 = 2;
inline constexpr int kMpeg1 = 3;
inline bool isMpegVersion(int version) { return version == kMpeg1 || version == kMpeg2 || version == kMpeg25; }
std::string_view mpegVersionText(int version);  // "MPEG-1", "MPEG-2", "MPEG-2.5"

// Bitrates in kbit/s by bitrate index; 0 = free format, 15 = invalid.
inline constexpr std::array<int16_t, 16> kBitrateTable = {0,   32,  40,  48,  56,  64,  80,  96,
                                                          112, 128, 160, 192, 224, 256, 320, 0};
// The same for MPEG-2 and 2.5 Layer III.
inline constexpr std::array<int16_t, 16> kLowRateBitrateTable = {0,  8,  16, 24,  32,  40,  48,  56,
                                                                 64, 80, 96, 112, 128, 144, 160, 0};
inline int bitrateKbps(int version, int index) {
  return (version == kMpeg1 ? kBitrateTable : kLowRateBitrateTable)[size_t(index & 15)];
}
// 144 / (sampling rate in kHz); the fourth entry repeats the 44.1 kHz factor.
inline constexpr std::array<double, 4> kFrameLengthFactor = {3.2653061224489797, 3.0, 4.5,
                                                             3.2653061224489797};
// Seconds per frame by sampling-rate index (3 reads as 0): 1152 samples in
// MPEG-1, 576 at the half and quarter rates of MPEG-2 and 2.5.
double frameDuration(int version, int sampleRateIndex);
int samplesPerFrame(int version);
int sampleRateHz(int version, int sampleRateIndex);

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
  uint8_t mpegVersion = kMpeg1;
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
// header is acceptable: a Layer III frame of MPEG-1, 2 or 2.5 with a valid
// bitrate and sampling rate.
std::string_view headerRefusal(const HeaderCodes& codes, const FrameInfo& info);

enum class RefusalKind { None, Layer, Version, Bitrate, Frequency };
RefusalKind headerRefusalKind(const HeaderCodes& codes, const FrameInfo& info);

int32_t frameLength(int version, int bitrateIndex, int sampleRateIndex, bool padding);
// Byte 1 of a Layer III header of `version` without CRC (0xFB for MPEG-1).
inline uint8_t headerByte1(int version) { return uint8_t(0xE3 | (version & 3) << 3); }

// Length in bytes of the frame whose four header bytes start at h, for every
// MPEG audio version and layer (MPEG-1, 2 and 2.5, layers I to III); 0 when
// the header states no length (free format, reserved codes). The loader uses
// it to recognise streams it refuses by the frames that chain up.
int32_t anyMpegFrameLength(const uint8_t* h);
// True when two headers belong to one stream: same version, layer and
// sampling rate, and neither uses a reserved code.
bool sameMpegStream(const uint8_t* a, const uint8_t* b);
int32_t freeFormatScanStep(int version, int channelMode, bool crcPresent);

// Offset of the side information from the frame start and its length: two
// granules in MPEG-1, one in MPEG-2 and 2.5.
inline int sideInfoOffset(bool crcPresent) { return crcPresent ? 6 : 4; }
inline int sideInfoLength(int version, int channelMode) {
  const bool mono = channelMode == kChannelModeMono;
  return version == kMpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
}

// Byte offset (from the frame start) of the first of the two bytes that hold
// global_gain field `g` (granule by granule, channel by channel: 0..3 for
// MPEG-1 stereo, 0..1 for MPEG-1 mono and MPEG-2 stereo, 0 for MPEG-2 mono),
// and how far the 8-bit value is shifted left across those two bytes
// (value = (b0<<8 | b1) >> shift).
struct GainLocation {
  int byteOffset;
  int shift;
};
GainLocation globalGainLocation(int version, int channelMode, bool crcPresent, int g);
uint8_t readGlobalGain(const uint8_t* frame, int version, int channelMode, bool crcPresent, int g);
void writeGlobalGain(uint8_t* frame, int version, int channelMode, bool crcPresent, int g, uint8_t value);
inline int globalGainCount(int version, int channelMode) {
  return (channelMode == kChannelModeMono ? 1 : 2) * (version == kMpeg1 ? 2 : 1);
}
// The channel (0 left or mono, 1 right) of global_gain field `g`.
inline int globalGainChannel(int channelMode, int g) { return channelMode == kChannelModeMono ? 0 : g & 1; }

// Display texts.
std::string_view sampleRateText(int version, int index);  // "44.1 KHz", "48 KHz", "32 KHz", "22.05 KHz" ..
std::string_view channelModeText(int mode);  // "stereo" .. "mono", "mixed stereo" for 4 and above
std::string bitrateText(int version, int index);         // "free kbps", "32 kbps" .. "320 kbps"
std::string bitrateSummaryText(int version, int index);  // "var.kbps" for 0 and 255, "? kbps" when unknown
std::string bitrateColumnText(int version, int index);   // "free", "  32" .. " 320"

}  // namespace kavrel
