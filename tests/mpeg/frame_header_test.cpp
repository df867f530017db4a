// Frame header decoding against frames built by the independent test builder.
#include "mpeg/frame_header.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "support/mp3_builder.h"

namespace kavrel {
namespace {

namespace t = kavrel::test;

FrameInfo decode(const std::vector<uint8_t>& bytes, bool searchVbr = false, HeaderCodes* codes = nullptr) {
  FrameInfo info;
  const HeaderCodes c = decodeFrameHeader(bytes.data(), bytes.size(), 0, searchVbr, info);
  if (codes) *codes = c;
  return info;
}

TEST(FrameHeader, FieldsAndEveryLength) {
  std::vector<uint8_t> common{0xFF, 0xFB, 0x90, 0x64};
  common.resize(64);
  FrameInfo info;
  const HeaderCodes codes = decodeFrameHeader(common.data(), common.size(), 12345, false, info);
  EXPECT_EQ(std::tuple(codes.version, codes.layer, info.bitrateIndex, info.sampleRateIndex, info.channelMode),
            std::tuple(3, 1, 9, 0, 1));
  EXPECT_EQ(std::tuple(info.computedLength, info.filePosition), std::tuple(417, int64_t(12345)));
  for (int version : {kMpeg1, kMpeg2, kMpeg25}) {
    for (int rate = 0; rate < 3; ++rate) {
      for (int index = 1; index <= 14; ++index) {
        for (bool padding : {false, true}) {
          const auto frame = t::makeFrame(
              {.bitrateIndex = index, .sampleRateIndex = rate, .padding = padding, .versionCode = version});
          const FrameInfo info = decode(frame);
          EXPECT_EQ(info.computedLength, int32_t(frame.size())) << version << index << " " << rate << padding;
          EXPECT_EQ(frameLength(version, index, rate, padding), int32_t(frame.size()));
          EXPECT_EQ(info.mpegVersion, version);
        }
      }
    }
  }
  // 8 kbit/s at 24 kHz is the shortest frame there is; 160 at 8 kHz one of the longest.
  EXPECT_EQ(std::tuple(frameLength(kMpeg2, 1, 1, false), frameLength(kMpeg25, 14, 2, true)),
            std::tuple(24, 1441));
  EXPECT_EQ(std::tuple(samplesPerFrame(kMpeg1), samplesPerFrame(kMpeg2), sampleRateHz(kMpeg25, 2),
                       sampleRateHz(kMpeg2, 0), frameDuration(kMpeg25, 2)),
            std::tuple(1152, 576, 8000, 22050, 0.072));
  // Free format: the scan step after the side information.
  for (const auto& [version, mode, crc, step] : {std::tuple{3, 0, false, 29},
                                                 {3, 2, false, 29},
                                                 {3, 2, true, 31},
                                                 {3, 3, false, 14},
                                                 {3, 3, true, 16},
                                                 {2, 1, false, 21},
                                                 {0, 3, true, 15}}) {
    const auto frame = t::makeFrame({.bitrateIndex = 0,
                                     .channelMode = mode,
                                     .crc = crc,
                                     .versionCode = version,
                                     .freeFormatLength = 300});
    EXPECT_EQ(decode(frame).computedLength, step) << "mode " << mode << " crc " << crc;
    EXPECT_EQ(freeFormatScanStep(version, mode, crc), step);
  }
}

TEST(FrameHeader, RefusalsInTheirOrder) {
  // Layer first, whatever else is wrong; then the version; then the bitrate before the rate. MPEG-2 and 2.5
  // frames are accepted.
  using K = RefusalKind;
  const std::tuple<int, int, int, int, const char*, RefusalKind> cases[] = {
      {0, 0, 15, 3, "Unknown mpeg layer version.", K::Layer},
      {2, 0, 15, 3, "Seems like mp2, not mp3 file.", K::Layer},
      {3, 2, 9, 0, "Seems like mp1, not mp3 file.", K::Layer},
      {1, 0, 15, 3, "Invalid bitrate detected.", K::Bitrate},
      {1, 1, 15, 3, "Unknown mpeg version.", K::Version},
      {1, 2, 9, 3, "Invalid frequency detected.", K::Frequency},
      {1, 2, 14, 2, "", K::None},
      {1, 0, 1, 0, "", K::None},
      {1, 3, 15, 3, "Invalid bitrate detected.", K::Bitrate},
      {1, 3, 9, 3, "Invalid frequency detected.", K::Frequency},
      {1, 3, 0, 2, "", K::None},
      {1, 3, 14, 1, "", K::None},
      {1, 3, 1, 0, "", K::None}};
  for (const auto& [layer, version, bitrate, rate, message, kind] : cases) {
    HeaderCodes codes;
    const FrameInfo info = decode(t::makeFrame({.bitrateIndex = bitrate,
                                                .sampleRateIndex = rate,
                                                .versionCode = version,
                                                .layerCode = layer,
                                                .freeFormatLength = 64}),
                                  false, &codes);
    EXPECT_EQ(headerRefusal(codes, info), message) << layer << version << " " << bitrate << " " << rate;
    EXPECT_EQ(headerRefusalKind(codes, info), kind) << message;
  }
  EXPECT_EQ(std::string(channelModeText(9)) + "|" + bitrateText(kMpeg1, 0), "mixed stereo|free kbps");
  EXPECT_EQ(bitrateSummaryText(kMpeg1, 100) + bitrateSummaryText(kMpeg1, 255), "? kbpsvar.kbps");
  EXPECT_EQ(
      bitrateText(kMpeg2, 14) + "|" + bitrateColumnText(kMpeg25, 1) + "|" + bitrateSummaryText(kMpeg1, 14),
      "160 kbps|   8|320 kbps");
  EXPECT_EQ(std::string(sampleRateText(kMpeg2, 0)) + "|" + std::string(sampleRateText(kMpeg25, 1)) + "|" +
                std::string(sampleRateText(kMpeg1, 2)),
            "22.05 KHz|12 KHz|32 KHz");
}

TEST(FrameHeader, GainsAreReadAndWrittenWhereTheSideInformationHasThem) {
  // Bit patterns that show any shift or byte mistake.
  const std::array<uint8_t, 4> patterns[] = {
      {0x81, 0x7E, 0xC3, 0x3C}, {0x01, 0x80, 0xFF, 0x00}, {0x55, 0xAA, 0x0F, 0xF0}};
  std::mt19937 rng(7);
  for (const int version : {kMpeg1, kMpeg2, kMpeg25}) {
    for (int mode = 0; mode < 4; ++mode) {
      for (bool crc : {false, true}) {
        const std::string what = "version " + std::to_string(version) + " mode " + std::to_string(mode) +
                                 " crc " + std::to_string(crc);
        const int count = (mode == 3 ? 1 : 2) * (version == kMpeg1 ? 2 : 1);
        EXPECT_EQ(globalGainCount(version, mode), count);
        for (const auto& gains : patterns) {
          const auto frame =
              t::makeFrame({.channelMode = mode, .crc = crc, .versionCode = version, .gains = gains});
          const auto expected = t::readGains(frame);
          EXPECT_EQ(decode(frame).globalGain, expected) << what;  // unused fields read 0
          for (int g = 0; g < count; ++g)
            EXPECT_EQ(readGlobalGain(frame.data(), version, mode, crc, g), expected[size_t(g)]) << what;
        }
        // Writing changes only the eight bits of one gain, whatever its neighbours hold.
        for (int g = 0; g < count; ++g) {
          for (int round = 0; round < 20; ++round) {
            auto frame = t::makeFrame({.channelMode = mode, .crc = crc, .versionCode = version});
            for (size_t k = 4; k < 24; ++k) frame[k] = uint8_t(rng());
            const auto before = frame;
            auto expected = t::readGains(before);
            const auto value = uint8_t(rng());
            writeGlobalGain(frame.data(), version, mode, crc, g, value);
            int changedBits = std::popcount(uint8_t(value ^ expected[size_t(g)]));
            expected[size_t(g)] = value;
            EXPECT_EQ(t::readGains(frame), expected) << what << " g" << g;
            for (size_t k = 0; k < frame.size(); ++k)
              changedBits -= std::popcount(uint8_t(frame[k] ^ before[k]));
            EXPECT_EQ(changedBits, 0) << what << " g" << g;
          }
        }
      }
    }
  }
  // The average is an integer mean without overflow over the fields the frame has.
  const std::tuple<int, int, std::array<uint8_t, 4>, int> averages[] = {
      {3, 0, {1, 1, 1, 2}, 1},        {3, 1, {3, 3, 3, 2}, 2},        {3, 2, {255, 255, 255, 254}, 254},
      {3, 3, {255, 254, 0, 0}, 254},  {3, 3, {10, 13, 200, 200}, 11}, {2, 1, {255, 254, 9, 9}, 254},
      {0, 3, {77, 200, 200, 200}, 77}};
  for (const auto& [version, mode, gains, average] : averages)
    EXPECT_EQ(decode(t::makeFrame({.channelMode = mode, .versionCode = version, .gains = gains})).averageGain,
              average)
        << mode;
  // Short input reads as zeros.
  FrameInfo info;
  info.vbrHeaderKind = 3;
  decodeFrameHeader(t::makeFrame({}).data(), 4, 0, true, info);
  EXPECT_EQ(std::tuple(info.computedLength, info.globalGain, int(info.vbrHeaderKind)),
            std::tuple(417, std::array<uint8_t, 4>{0, 0, 0, 0}, 0));
}

TEST(FrameHeader, VbrTagWindowOfFortyPositionsAfterTheSideInformation) {
  // The window starts 3 bytes before the end of the side information (+2 with
  // a CRC) and holds 40 positions; markers are case-sensitive.
  const std::tuple<int, bool, const char*, int, int> cases[] = {
      {1, false, "Info", 36, kVbrInfo}, {1, false, "Info", 21, kVbrNone}, {1, false, "Info", 32, kVbrNone},
      {1, false, "Xing", 33, kVbrXing}, {1, false, "Xing", 72, kVbrXing}, {1, false, "Xing", 73, kVbrNone},
      {1, false, "VBRI", 36, kVbrVbri}, {1, false, "FBRI", 50, kVbrFbri}, {1, false, "xing", 36, kVbrNone},
      {3, false, "Info", 21, kVbrInfo}, {3, false, "Xing", 17, kVbrNone}, {3, false, "Xing", 18, kVbrXing},
      {3, false, "Xing", 57, kVbrXing}, {3, false, "Xing", 58, kVbrNone}, {1, true, "Xing", 34, kVbrNone},
      {1, true, "Xing", 35, kVbrXing},  {1, true, "Xing", 74, kVbrXing},  {1, true, "Xing", 75, kVbrNone},
      {3, true, "Info", 19, kVbrNone},  {3, true, "Info", 20, kVbrInfo},  {3, true, "Info", 59, kVbrInfo},
      {3, true, "Info", 60, kVbrNone}};
  for (const auto& [mode, crc, marker, offset, kind] : cases) {
    auto frame = t::makeFrame({.channelMode = mode, .crc = crc});
    std::memcpy(frame.data() + offset, marker, 4);
    const auto kindIn = [&](size_t available) {
      FrameInfo info;
      decodeFrameHeader(frame.data(), available, 0, true, info);
      return int(info.vbrHeaderKind);
    };
    const std::string what = "mode " + std::to_string(mode) + " crc " + std::to_string(crc) + " at " +
                             std::to_string(offset) + " " + marker;
    EXPECT_EQ(kindIn(frame.size()), kind) << what;
    // A tag cut by the end of the data is not found; only a file's first frame is searched.
    EXPECT_EQ(kindIn(size_t(offset + 4)), kind) << what;
    EXPECT_EQ(kindIn(size_t(offset + 3)), kVbrNone) << what;
    EXPECT_EQ(decode(frame, false).vbrHeaderKind, kVbrNone) << what;
  }
  // Low-rate frames: the side information is 9 or 17 bytes long.
  for (const auto& [mode, offset, kind] : {std::tuple{1, 18, kVbrXing},
                                           {1, 17, kVbrNone},
                                           {3, 10, kVbrXing},
                                           {3, 9, kVbrNone},
                                           {3, 49, kVbrXing},
                                           {3, 50, kVbrNone}}) {
    auto frame = t::makeFrame({.bitrateIndex = 8, .channelMode = mode, .versionCode = kMpeg2});
    std::memcpy(frame.data() + offset, "Xing", 4);
    EXPECT_EQ(decode(frame, true).vbrHeaderKind, kind) << mode << " at " << offset;
  }
  // The lower position wins.
  auto frame = t::makeVbrTagFrame({}, t::VbrKind::Xing, 100, 41700, 40);
  std::memcpy(frame.data() + 36, "Info", 4);
  EXPECT_EQ(decode(frame, true).vbrHeaderKind, kVbrInfo);
}

}  // namespace
}  // namespace kavrel
