#include "mpeg/frame_header.h"

#include <cstring>
#include <string>

namespace kavrel {

namespace {

uint8_t byteAt(const uint8_t* data, size_t available, size_t i) { return i < available ? data[i] : 0; }

// Two-channel and mono global_gain positions without CRC: (first byte, shift).
// MPEG-1 side information holds two granules; MPEG-2 and 2.5 hold one, with
// shorter private bits, no scfsi and a longer scalefac_compress.
constexpr GainLocation kTwoChannelGains[4] = {{9, 7}, {16, 4}, {23, 1}, {31, 6}};
constexpr GainLocation kMonoGains[2] = {{8, 1}, {16, 6}};
constexpr GainLocation kLowRateTwoChannelGains[2] = {{7, 1}, {15, 2}};
constexpr GainLocation kLowRateMonoGain = {7, 2};

}  // namespace

std::string_view mpegVersionText(int version) {
  switch (version) {
    case kMpeg1: return "MPEG-1";
    case kMpeg2: return "MPEG-2";
    case kMpeg25: return "MPEG-2.5";
    default: return "MPEG";
  }
}

int samplesPerFrame(int version) { return version == kMpeg1 ? 1152 : 576; }

int sampleRateHz(int version, int sampleRateIndex) {
  static constexpr int kRates[4] = {44100, 48000, 32000, 44100};
  const int rate = kRates[sampleRateIndex & 3];
  return version == kMpeg1 ? rate : version == kMpeg2 ? rate / 2 : rate / 4;
}

double frameDuration(int version, int sampleRateIndex) {
  // MPEG-1 keeps its historical constants; the lower rates halve or quarter
  // the sampling rate at half the samples a frame.
  static constexpr std::array<double, 4> kMpeg1Durations = {0.0261224489795918, 0.024, 0.036,
                                                            0.0261224489795918};
  const double d = kMpeg1Durations[size_t(sampleRateIndex & 3)];
  return version == kMpeg1 ? d : version == kMpeg2 ? d : 2 * d;
}

GainLocation globalGainLocation(int version, int channelMode, bool crcPresent, int g) {
  GainLocation loc;
  if (version == kMpeg1)
    loc = channelMode == kChannelModeMono ? kMonoGains[g & 1] : kTwoChannelGains[g & 3];
  else
    loc = channelMode == kChannelModeMono ? kLowRateMonoGain : kLowRateTwoChannelGains[g & 1];
  if (crcPresent) loc.byteOffset += 2;
  return loc;
}

uint8_t readGlobalGain(const uint8_t* frame, int version, int channelMode, bool crcPresent, int g) {
  const GainLocation loc = globalGainLocation(version, channelMode, crcPresent, g);
  const unsigned word = (unsigned(frame[loc.byteOffset]) << 8) | frame[loc.byteOffset + 1];
  return uint8_t(word >> loc.shift);
}

void writeGlobalGain(uint8_t* frame, int version, int channelMode, bool crcPresent, int g, uint8_t value) {
  const GainLocation loc = globalGainLocation(version, channelMode, crcPresent, g);
  unsigned word = (unsigned(frame[loc.byteOffset]) << 8) | frame[loc.byteOffset + 1];
  const unsigned mask = 0xFFu << loc.shift;
  word = (word & ~mask) | (unsigned(value) << loc.shift);
  frame[loc.byteOffset] = uint8_t(word >> 8);
  frame[loc.byteOffset + 1] = uint8_t(word);
}

int32_t frameLength(int version, int bitrateIndex, int sampleRateIndex, bool padding) {
  if (version != kMpeg1) {
    // 576 samples: 72 bytes per bit/s over the sampling rate.
    const int32_t rate = sampleRateHz(version, sampleRateIndex);
    return 72000 * int32_t(bitrateKbps(version, bitrateIndex)) / rate + (padding ? 1 : 0);
  }
  // The product is taken in extended precision and truncated toward zero;
  // the loader asks for every frame, so the 64 results are worked out once.
  static const auto kLengths = [] {
    std::array<int32_t, 64> t{};
    for (int b = 0; b < 16; ++b)
      for (int r = 0; r < 4; ++r)
        t[size_t(b * 4 + r)] = static_cast<int32_t>(static_cast<long double>(kBitrateTable[size_t(b)]) *
                                                    kFrameLengthFactor[size_t(r)]);
    return t;
  }();
  return kLengths[size_t((bitrateIndex & 15) * 4 + (sampleRateIndex & 3))] + (padding ? 1 : 0);
}

int32_t anyMpegFrameLength(const uint8_t* h) {
  if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0) return 0;
  const int version = (h[1] >> 3) & 3;  // 0 MPEG-2.5, 1 reserved, 2 MPEG-2, 3 MPEG-1
  const int layer = (h[1] >> 1) & 3;    // 1 Layer III, 2 Layer II, 3 Layer I
  const int bitrateIndex = h[2] >> 4;
  const int rateIndex = (h[2] >> 2) & 3;
  if (version == 1 || layer == 0 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3) return 0;
  static constexpr int16_t kKbps[5][15] = {
      {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},  // MPEG-1 Layer I
      {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},     // MPEG-1 Layer II
      {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},      // MPEG-1 Layer III
      {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},     // MPEG-2/2.5 Layer I
      {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},          // MPEG-2/2.5 Layer II, III
  };
  static constexpr int32_t kRates[3] = {44100, 48000, 32000};
  const bool mpeg1 = version == 3;
  const int32_t rate = kRates[rateIndex] >> (mpeg1 ? 0 : version == 2 ? 1 : 2);
  const int table = mpeg1 ? 3 - layer : layer == 3 ? 3 : 4;
  const int32_t bitsPerSecond = int32_t(kKbps[table][bitrateIndex]) * 1000;
  const int32_t padding = (h[2] >> 1) & 1;
  if (layer == 3) return (12 * bitsPerSecond / rate + padding) * 4;
  // Layer III frames outside MPEG-1 carry 576 samples, half the bytes.
  const int32_t factor = layer == 1 && !mpeg1 ? 72 : 144;
  return factor * bitsPerSecond / rate + padding;
}

bool sameMpegStream(const uint8_t* a, const uint8_t* b) {
  return anyMpegFrameLength(a) > 0 && anyMpegFrameLength(b) > 0 && (a[1] & 0xFE) == (b[1] & 0xFE) &&
         (a[2] & 0x0C) == (b[2] & 0x0C);
}

int32_t freeFormatScanStep(int version, int channelMode, bool crcPresent) {
  // The header and side information: no frame is shorter.
  if (version != kMpeg1) return 4 + sideInfoLength(version, channelMode) + (crcPresent ? 2 : 0);
  return (channelMode == kChannelModeMono ? 14 : 29) + (crcPresent ? 2 : 0);
}

HeaderCodes decodeFrameHeader(const uint8_t* data, size_t available, int64_t filePosition, bool searchVbrTag,
                              FrameInfo& out) {
  out.vbrHeaderKind = kVbrNone;
  const uint8_t b1 = byteAt(data, available, 1);
  const uint8_t b2 = byteAt(data, available, 2);
  const uint8_t b3 = byteAt(data, available, 3);
  HeaderCodes codes;
  codes.version = (b1 >> 3) & 3;
  codes.layer = (b1 >> 1) & 3;
  const bool crc = (b1 & 1) == 0;
  out.bitrateIndex = b2 >> 4;
  out.sampleRateIndex = (b2 >> 2) & 3;
  const bool padding = ((b2 >> 1) & 1) != 0;
  out.channelMode = b3 >> 6;
  out.mpegVersion = codes.version;
  out.filePosition = static_cast<int32_t>(filePosition);
  const int version = codes.version;

  out.computedLength = out.bitrateIndex == 0
                           ? freeFormatScanStep(version, out.channelMode, crc)
                           : frameLength(version, out.bitrateIndex, out.sampleRateIndex, padding);

  out.globalGain = {0, 0, 0, 0};
  const int count = globalGainCount(version, out.channelMode);
  // The loader calls this for every frame: read in place when the side
  // information is all there, byte by byte only at the end of the data.
  constexpr size_t kSideInfoEnd = 4 + 2 + 32;
  for (int g = 0; g < count; ++g) {
    const GainLocation loc = globalGainLocation(version, out.channelMode, crc, g);
    const unsigned word = available >= kSideInfoEnd
                              ? (unsigned(data[loc.byteOffset]) << 8) | data[loc.byteOffset + 1]
                              : (unsigned(byteAt(data, available, size_t(loc.byteOffset))) << 8) |
                                    byteAt(data, available, size_t(loc.byteOffset) + 1);
    out.globalGain[size_t(g)] = uint8_t(word >> loc.shift);
  }
  if (count == 4) {
    out.averageGain = uint8_t(
        (unsigned(out.globalGain[0]) + out.globalGain[1] + out.globalGain[2] + out.globalGain[3]) >> 2);
  } else if (count == 2) {
    out.averageGain = uint8_t((unsigned(out.globalGain[0]) + out.globalGain[1]) >> 1);
  } else {
    out.averageGain = out.globalGain[0];
  }

  if (searchVbrTag) {
    // The window starts 3 bytes before the usual tag place after the side information.
    const size_t start = size_t(sideInfoOffset(crc) + sideInfoLength(version, out.channelMode) - 3);
    static constexpr const char* kTags[4] = {"Xing", "Info", "VBRI", "FBRI"};
    for (size_t pos = start; pos < start + 40 && out.vbrHeaderKind == kVbrNone; ++pos) {
      if (pos + 4 > available) break;
      for (int k = 0; k < 4; ++k) {
        if (std::memcmp(data + pos, kTags[k], 4) == 0) {
          out.vbrHeaderKind = uint8_t(k + 1);
          break;
        }
      }
    }
  }
  return codes;
}

RefusalKind headerRefusalKind(const HeaderCodes& codes, const FrameInfo& info) {
  if (codes.layer != 1) return RefusalKind::Layer;
  if (!isMpegVersion(codes.version)) return RefusalKind::Version;
  if (info.bitrateIndex > 14) return RefusalKind::Bitrate;
  if (info.sampleRateIndex > 2) return RefusalKind::Frequency;
  return RefusalKind::None;
}

std::string_view headerRefusal(const HeaderCodes& codes, const FrameInfo& info) {
  switch (headerRefusalKind(codes, info)) {
    case RefusalKind::None: return {};
    case RefusalKind::Layer:
      switch (codes.layer) {
        case 0: return "Unknown mpeg layer version.";
        case 2: return "Seems like mp2, not mp3 file.";
        default: return "Seems like mp1, not mp3 file.";
      }
    case RefusalKind::Version: return "Unknown mpeg version.";  // the reserved code 1
    case RefusalKind::Bitrate: return "Invalid bitrate detected.";
    case RefusalKind::Frequency: return "Invalid frequency detected.";
  }
  return {};
}

std::string_view sampleRateText(int version, int index) {
  static constexpr std::string_view kNames[3][3] = {
      {"11.025 KHz", "12 KHz", "8 KHz"}, {"22.05 KHz", "24 KHz", "16 KHz"}, {"44.1 KHz", "48 KHz", "32 KHz"}};
  const int row = version == kMpeg1 ? 2 : version == kMpeg2 ? 1 : 0;
  return kNames[row][index >= 0 && index < 3 ? index : 0];
}

std::string_view channelModeText(int mode) {
  static constexpr std::string_view kNames[5] = {"stereo", "joint stereo", "dual channel", "mono",
                                                 "mixed stereo"};
  return kNames[mode >= 0 && mode < 4 ? mode : 4];
}

std::string bitrateText(int version, int index) {
  if (index == 0) return "free kbps";
  return std::to_string(bitrateKbps(version, index)) + " kbps";
}

std::string bitrateSummaryText(int version, int index) {
  if (index == 0 || index == 255) return "var.kbps";
  if (index >= 1 && index <= 14) return std::to_string(bitrateKbps(version, index)) + " kbps";
  return "? kbps";
}

std::string bitrateColumnText(int version, int index) {
  if (index == 0) return "free";
  std::string s = std::to_string(bitrateKbps(version, index));
  return std::string(s.size() < 4 ? 4 - s.size() : 0, ' ') + s;
}

}  // namespace kavrel
