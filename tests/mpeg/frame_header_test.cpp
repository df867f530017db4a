// Frame header decoding against frames built by the independent test builder.
#include "mpeg/frame_header.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "support/mp3_builder.h"

namespace kavrel {
namespace {

namespace t = kavrel::test;

struct Decoded {
  HeaderCodes codes;
  FrameInfo info;
};

Decoded decode(const std::vector<uint8_t>& bytes, bool searchVbr = false, int64_t position = 0) {
  Decoded d;
  d.codes = decodeFrameHeader(bytes.data(), bytes.size(), position, searchVbr, d.info);
  return d;
}

std::vector<uint8_t> header(uint8_t b1, uint8_t b2, uint8_t b3) {
  std::vector<uint8_t> bytes(64, 0);
  bytes[0] = 0xFF;
  bytes[1] = b1;
  bytes[2] = b2;
  bytes[3] = b3;
  return bytes;
}

TEST(FrameHeader, DecodesTheCommonHeader) {
  const Decoded d = decode(header(0xFB, 0x90, 0x64), false, 12345);
  EXPECT_EQ(d.codes.version, 3);
  EXPECT_EQ(d.codes.layer, 1);
  EXPECT_EQ(d.info.bitrateIndex, 9);
  EXPECT_EQ(d.info.sampleRateIndex, 0);
  EXPECT_EQ(d.info.channelMode, 1);
  EXPECT_EQ(d.info.computedLength, 417);
  EXPECT_EQ(d.info.filePosition, 12345);
  EXPECT_TRUE(headerRefusal(d.codes, d.info).empty());
}

TEST(FrameHeader, LengthsMatchTheBuilderForEveryBitrateAndRate) {
  for (int rate = 0; rate < 3; ++rate) {
    for (int index = 1; index <= 14; ++index) {
      for (bool padding : {false, true}) {
        const auto frame = t::makeFrame({.bitrateIndex = index, .sampleRateIndex = rate, .padding = padding});
        const Decoded d = decode(frame);
        EXPECT_EQ(d.info.computedLength, t::frameLength(index, rate, padding))
            << "index " << index << " rate " << rate << " padding " << padding;
        EXPECT_EQ(frameLength(index, rate, padding), int32_t(frame.size()));
      }
    }
  }
}

TEST(FrameHeader, RefusalMessagesInTheirOrder) {
  auto refusal = [](int layer, int version, int bitrate, int rate) {
    const Decoded d = decode(t::makeFrame({.bitrateIndex = bitrate,
                                           .sampleRateIndex = rate,
                                           .versionCode = version,
                                           .layerCode = layer,
                                           .freeFormatLength = 64}));
    return std::string(headerRefusal(d.codes, d.info));
  };
  // Layer is tested first, whatever else is wrong.
  EXPECT_EQ(refusal(0, 0, 15, 3), "Unknown mpeg layer version.");
  EXPECT_EQ(refusal(2, 0, 15, 3), "Seems like mp2, not mp3 file.");
  EXPECT_EQ(refusal(3, 2, 9, 0), "Seems like mp1, not mp3 file.");
  // Then the version.
  EXPECT_EQ(refusal(1, 0, 15, 3), "Mpeg version 2.5 not supported.");
  EXPECT_EQ(refusal(1, 1, 15, 3), "Unknown mpeg version.");
  EXPECT_EQ(refusal(1, 2, 15, 3), "Mpeg version 2 not supported.");
  // Then the bitrate before the rate.
  EXPECT_EQ(refusal(1, 3, 15, 3), "Invalid bitrate detected.");
  EXPECT_EQ(refusal(1, 3, 9, 3), "Invalid frequency detected.");
  EXPECT_EQ(refusal(1, 3, 0, 2), "");
  EXPECT_EQ(refusal(1, 3, 14, 1), "");

  // The kinds, from literal headers: MPEG 2.5 and Layer II both pass the sync test.
  auto kind = [](uint8_t b1, uint8_t b2) {
    const Decoded d = decode(header(b1, b2, 0x64));
    return headerRefusalKind(d.codes, d.info);
  };
  EXPECT_EQ(kind(0xE3, 0x90), RefusalKind::Version);
  EXPECT_EQ(kind(0xFD, 0x90), RefusalKind::Layer);
  EXPECT_EQ(kind(0xFB, 0x9C), RefusalKind::Frequency);
  EXPECT_EQ(kind(0xFB, 0xF0), RefusalKind::Bitrate);
}

TEST(FrameHeader, FreeFormatGetsTheScanStep) {
  struct Case {
    int mode;
    bool crc;
    int step;
  };
  for (const Case c :
       {Case{0, false, 29}, Case{2, false, 29}, Case{2, true, 31}, Case{3, false, 14}, Case{3, true, 16}}) {
    const t::FrameSpec spec{.bitrateIndex = 0, .channelMode = c.mode, .crc = c.crc, .freeFormatLength = 300};
    EXPECT_EQ(decode(t::makeFrame(spec)).info.computedLength, c.step)
        << "mode " << c.mode << " crc " << c.crc;
    EXPECT_EQ(freeFormatScanStep(c.mode, c.crc), c.step);
  }
}

TEST(FrameHeader, GainsAreReadWhereTheSideInformationHasThem) {
  // Bit patterns that show any shift or byte mistake.
  const std::array<uint8_t, 4> patterns[] = {
      {0x81, 0x7E, 0xC3, 0x3C}, {0x01, 0x80, 0xFF, 0x00}, {0x55, 0xAA, 0x0F, 0xF0}};
  for (int mode = 0; mode < 4; ++mode) {
    for (bool crc : {false, true}) {
      for (const auto& gains : patterns) {
        const auto frame = t::makeFrame({.channelMode = mode, .crc = crc, .gains = gains});
        const auto written = t::readGains(frame);
        const Decoded d = decode(frame);
        const int count = mode == 3 ? 2 : 4;
        for (int g = 0; g < 4; ++g) {
          const unsigned expected = g < count ? written[size_t(g)] : 0;
          EXPECT_EQ(d.info.globalGain[size_t(g)], expected) << "mode " << mode << " crc " << crc << " g" << g;
          if (g < count) {
            EXPECT_EQ(readGlobalGain(frame.data(), mode, crc, g), written[size_t(g)]);
          }
        }
      }
    }
  }
  // The documented positions: mono with CRC has g0 in bytes 10/11 and g1 in 18/19.
  EXPECT_EQ(globalGainLocation(3, true, 0).byteOffset, 10);
  EXPECT_EQ(globalGainLocation(3, true, 1).byteOffset, 18);
}

TEST(FrameHeader, AverageGainIsAnIntegerMeanWithoutOverflow) {
  auto average = [](int mode, std::array<uint8_t, 4> gains) {
    return int(decode(t::makeFrame({.channelMode = mode, .gains = gains})).info.averageGain);
  };
  EXPECT_EQ(average(0, {1, 1, 1, 2}), 1);  // 5 / 4
  EXPECT_EQ(average(1, {3, 3, 3, 2}), 2);  // 11 / 4
  EXPECT_EQ(average(2, {255, 255, 255, 254}), 254);
  EXPECT_EQ(average(3, {255, 254, 0, 0}), 254);  // mono: (g0 + g1) / 2 only
  EXPECT_EQ(average(3, {10, 13, 200, 200}), 11);
}

TEST(FrameHeader, ShortInputReadsAsZerosAndNeverThrows) {
  const auto frame = t::makeFrame({});
  FrameInfo info;
  info.vbrHeaderKind = 3;
  decodeFrameHeader(frame.data(), 4, 0, true, info);
  EXPECT_EQ(info.computedLength, 417);
  EXPECT_EQ(info.globalGain, (std::array<uint8_t, 4>{0, 0, 0, 0}));
  EXPECT_EQ(info.vbrHeaderKind, 0);
}

// --- VBR tag window

int vbrKindAt(t::FrameSpec spec, const std::string& marker, int offset, bool search = true) {
  auto frame = t::makeFrame(spec);
  std::memcpy(frame.data() + offset, marker.data(), 4);
  return decode(frame, search).info.vbrHeaderKind;
}

TEST(FrameHeaderVbrTag, WindowOfFortyPositionsAfterTheSideInformation) {
  // The window starts after the side information (+2 with a CRC) and holds 40 positions.
  struct Case {
    int mode;
    bool crc;
    const char* marker;
    int offset;
    int kind;
  };
  const Case cases[] = {
      {1, false, "Info", 36, kVbrInfo}, {1, false, "Info", 21, kVbrNone}, {1, false, "Info", 32, kVbrNone},
      {1, false, "Xing", 33, kVbrXing}, {1, false, "Xing", 72, kVbrXing}, {1, false, "Xing", 73, kVbrNone},
      {1, false, "VBRI", 36, kVbrVbri}, {1, false, "FBRI", 50, kVbrFbri}, {1, false, "xing", 36, kVbrNone},
      {3, false, "Info", 21, kVbrInfo}, {3, false, "Xing", 17, kVbrNone}, {3, false, "Xing", 18, kVbrXing},
      {3, false, "Xing", 57, kVbrXing}, {3, false, "Xing", 58, kVbrNone}, {1, true, "Xing", 34, kVbrNone},
      {1, true, "Xing", 35, kVbrXing},  {1, true, "Xing", 74, kVbrXing},  {1, true, "Xing", 75, kVbrNone},
      {3, true, "Info", 19, kVbrNone},  {3, true, "Info", 20, kVbrInfo},  {3, true, "Info", 59, kVbrInfo},
      {3, true, "Info", 60, kVbrNone},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(vbrKindAt({.channelMode = c.mode, .crc = c.crc}, c.marker, c.offset), c.kind)
        << "mode " << c.mode << " crc " << c.crc << " " << c.marker << " at " << c.offset;
  }
  // Only the first frame of a file is searched.
  EXPECT_EQ(vbrKindAt({}, "Xing", 36, false), kVbrNone);
}

TEST(FrameHeaderVbrTag, LowerPositionWinsAndBuilderTagsAreFound) {
  auto frame = t::makeVbrTagFrame({}, t::VbrKind::Xing, 100, 41700, 40);
  std::memcpy(frame.data() + 36, "Info", 4);
  EXPECT_EQ(decode(frame, true).info.vbrHeaderKind, kVbrInfo);

  // Tags where encoders put them, with and without CRC, mono and stereo.
  for (int mode : {1, 3}) {
    for (bool crc : {false, true}) {
      for (const auto& [kind, expected] : {std::pair{t::VbrKind::Xing, kVbrXing},
                                           {t::VbrKind::Info, kVbrInfo},
                                           {t::VbrKind::Vbri, kVbrVbri}}) {
        const auto tagFrame = t::makeVbrTagFrame({.channelMode = mode, .crc = crc}, kind, 10, 4170);
        EXPECT_EQ(decode(tagFrame, true).info.vbrHeaderKind, expected) << mode << crc;
      }
    }
  }
}

TEST(FrameHeaderVbrTag, TagCutByTheEndOfTheDataIsNotFound) {
  auto frame = t::makeFrame({});
  std::memcpy(frame.data() + 40, "Xing", 4);
  FrameInfo info;
  decodeFrameHeader(frame.data(), 43, 0, true, info);
  EXPECT_EQ(info.vbrHeaderKind, kVbrNone);
  decodeFrameHeader(frame.data(), 44, 0, true, info);
  EXPECT_EQ(info.vbrHeaderKind, kVbrXing);
}

TEST(FrameHeader, WriteGlobalGainChangesOnlyItsEightBits) {
  std::mt19937 rng(7);
  for (int mode = 0; mode < 4; ++mode) {
    for (bool crc : {false, true}) {
      for (int g = 0; g < globalGainCount(mode); ++g) {
        for (int round = 0; round < 20; ++round) {
          auto frame = t::makeFrame({.channelMode = mode, .crc = crc});
          // Random side information: every neighbouring bit is set or clear.
          for (size_t k = 4; k < 40; ++k) frame[k] = uint8_t(rng());
          const auto before = frame;
          const auto gainsBefore = t::readGains(before);
          const uint8_t value = uint8_t(rng());
          writeGlobalGain(frame.data(), mode, crc, g, value);

          auto expectedGains = gainsBefore;
          expectedGains[size_t(g)] = value;
          EXPECT_EQ(t::readGains(frame), expectedGains) << "mode " << mode << " crc " << crc << " g" << g;
          int changedBits = 0;
          for (size_t k = 0; k < frame.size(); ++k) {
            for (uint8_t x = uint8_t(frame[k] ^ before[k]); x != 0; x &= uint8_t(x - 1)) ++changedBits;
          }
          int differing = 0;
          for (uint8_t x = uint8_t(value ^ gainsBefore[size_t(g)]); x != 0; x &= uint8_t(x - 1)) ++differing;
          EXPECT_EQ(changedBits, differing);
        }
      }
    }
  }
}

// The other display texts show in the information texts, the statistics
// list and the frame information box; these are the values outside them.
TEST(FrameHeader, DisplayTextsOfOddValues) {
  EXPECT_EQ(channelModeText(9), "mixed stereo");
  EXPECT_EQ(bitrateText(0), "free kbps");
  EXPECT_EQ(bitrateSummaryText(100), "? kbps");
}

}  // namespace
}  // namespace kavrel
