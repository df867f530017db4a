// Checks the test-support byte builder where a fault of its own could let a
// core test pass wrongly: frame header bits and lengths, where the gains sit,
// the CRC, and the tag layouts the tag readers are tested with. Decoding of
// built frames is checked by the interop tests.
#include "support/mp3_builder.h"

#include <gtest/gtest.h>

#include <bit>
#include <string>
#include <vector>

#include "support/test_files.h"

namespace kavrel::test {
namespace {

using namespace std::string_literals;

std::string text(const std::vector<uint8_t>& b, size_t at, size_t n) {
  return std::string(b.begin() + std::ptrdiff_t(at), b.begin() + std::ptrdiff_t(at + n));
}

std::string padded(const std::string& s, size_t n) { return s + std::string(n - s.size(), '\0'); }

TEST(Mp3BuilderFrames, HeaderBitsAndLengths) {
  EXPECT_EQ(makeHeader({}), (std::array<uint8_t, 4>{0xFF, 0xFB, 0x90, 0x64}));
  EXPECT_EQ(makeHeader({.padding = true})[2], 0x92);
  EXPECT_EQ(makeHeader({.bitrateIndex = 14, .sampleRateIndex = 2, .channelMode = 3, .crc = true,
                        .modeExtension = 0, .emphasis = 1, .copyright = true, .original = false}),
            (std::array<uint8_t, 4>{0xFF, 0xFA, 0xE8, 0xC9}));
  EXPECT_EQ(makeHeader({.versionCode = 0})[1], 0xE3);  // MPEG 2.5
  EXPECT_EQ(makeHeader({.layerCode = 2})[1], 0xFD);    // Layer II

  // Length against the factor form 144 / kHz: exact at 48 and 32 kHz, and the
  // 44.1 kHz factor in extended precision.
  for (int index = 1; index <= 14; ++index) {
    const int kbps = bitrateKbps(index);
    EXPECT_EQ(frameLength(index, 1, false), 3 * kbps) << index;
    EXPECT_EQ(frameLength(index, 2, false), kbps * 9 / 2) << index;
    EXPECT_EQ(frameLength(index, 0, true), static_cast<int>(kbps * 3.2653061224489797L) + 1) << index;
    EXPECT_EQ(makeFrame({.bitrateIndex = index, .sampleRateIndex = 2}).size(), size_t(kbps * 9 / 2)) << index;
  }
  EXPECT_EQ(makeFrame({.padding = true}).size(), 418U);
}

TEST(Mp3BuilderFrames, GainFieldsSitAtTheirFixedPositionsAndNothingElseIsSet) {
  // (byte, low bits of it) where each global_gain starts without a CRC.
  const std::vector<std::pair<size_t, int>> twoChannel{{9, 7}, {16, 4}, {23, 1}, {31, 6}};
  const std::vector<std::pair<size_t, int>> mono{{8, 1}, {16, 6}};
  const std::array<uint8_t, 4> gains{0xA5, 0x3C, 0xC3, 0x5A};
  for (int mode = 0; mode <= 3; ++mode) {
    for (const bool crc : {false, true}) {
      SCOPED_TRACE("mode " + std::to_string(mode) + (crc ? " with CRC" : ""));
      const auto frame = makeFrame({.channelMode = mode, .crc = crc, .gains = gains});
      const auto& slots = mode == 3 ? mono : twoChannel;
      for (size_t g = 0; g < slots.size(); ++g) {
        const size_t at = slots[g].first + (crc ? 2 : 0);
        const int low = slots[g].second;
        EXPECT_EQ(((frame[at] & ((1U << low) - 1U)) << (8 - low) | frame[at + 1] >> low) & 0xFFU, gains[g])
            << g;
      }
      // readGains walks the fields on its own, also inside a stream.
      const auto read = Mp3Builder().raw("junk").frame({}).raw(frame).bytes();
      const std::array<uint8_t, 4> monoGains{0xA5, 0x3C, 0, 0};
      EXPECT_EQ(readGains(read, 4 + 417), mode == 3 ? monoGains : gains);
      // With every gain at 0xFF exactly the gain bits are set after the header and CRC.
      const auto ones = makeFrame({.channelMode = mode, .crc = crc, .gains = {0xFF, 0xFF, 0xFF, 0xFF}});
      int setBits = 0;
      for (size_t i = crc ? 6 : 4; i < ones.size(); ++i) setBits += std::popcount(ones[i]);
      EXPECT_EQ(setBits, 8 * int(slots.size()));
    }
  }
}

TEST(Mp3BuilderFrames, CrcCoversHeaderAndSideInformation) {
  // Published check value of this CRC-16 variant.
  const std::string check = "123456789";
  EXPECT_EQ(mpegCrc16(reinterpret_cast<const uint8_t*>(check.data()), check.size()), 0xAEE7);
  for (const int mode : {1, 3}) {
    const auto frame = makeFrame({.channelMode = mode, .crc = true});
    EXPECT_TRUE(crcMatches(frame)) << mode;
    // Header byte 3 and the last side-information byte are covered; the first main-data byte is not.
    const size_t sideEnd = 6 + (mode == 3 ? 17 : 32);
    for (const auto& [at, covered] : {std::pair{size_t(3), true}, {sideEnd - 1, true}, {sideEnd, false}}) {
      auto changed = frame;
      changed[at] ^= 0x04;
      EXPECT_EQ(crcMatches(changed), !covered) << mode << " byte " << at;
    }
  }
  EXPECT_FALSE(crcMatches(makeFrame({})));  // no CRC present
}

TEST(Mp3BuilderLayout, TagAndRiffBlocks) {
  Mp3Builder b;
  b.riff(36).frames(1).lyrics3v2("IND0000210EAL00005hello").id3v1("Title", "Artist", "", "1999", "c", 7, 12);
  const auto& d = b.data();
  // RIFF and data sizes follow the blocks appended later.
  EXPECT_EQ(text(d, 0, 16),
            std::string("RIFF") + char(d.size() - 8) + char((d.size() - 8) >> 8) + "\0\0WAVEfmt "s);
  EXPECT_EQ(text(d, 36, 8), "data"s + char(d.size() - 44) + char((d.size() - 44) >> 8) + "\0\0"s);
  // Lyrics3 v2: the 6-digit size counts "LYRICSBEGIN" and the fields; ID3v1 1.1 ends the file.
  EXPECT_EQ(text(d, 44 + 417, 49), "LYRICSBEGININD0000210EAL00005hello000034LYRICS200");
  EXPECT_EQ(text(d, d.size() - 128, 128), "TAG" + padded("Title", 30) + padded("Artist", 30) +
                                              padded("", 30) + "1999" + padded("c", 28) + "\0\x07\x0C"s);
  // ID3v1.0: texts cut to their fields, the comment runs to byte 126.
  EXPECT_EQ(text(Mp3Builder().id3v1(std::string(40, 'x'), "", "", "", std::string(40, 'c')).data(), 0, 128),
            "TAG" + std::string(30, 'x') + std::string(64, '\0') + std::string(30, 'c') + "\xFF");
  EXPECT_EQ(Mp3Builder().lyrics3v1("la la").bytes(), toBytes("LYRICSBEGINla laLYRICSEND"));
}

TEST(Mp3BuilderLayout, Id3v2HeaderFooterAndFrameLayouts) {
  const auto tag = Mp3Builder().id3v2(4, 0, 0x10, std::vector<uint8_t>(300, 'a'), true).bytes();
  ASSERT_EQ(tag.size(), 320U);
  EXPECT_EQ(text(tag, 0, 10), "ID3\x04\0\x10\0\0\x02\x2C"s);  // 300 syncsafe
  EXPECT_EQ(text(tag, 310, 10), "3DI\x04\0\x10\0\0\x02\x2C"s);
  EXPECT_EQ(syncsafe(0x0FFFFFFF), (std::array<uint8_t, 4>{0x7F, 0x7F, 0x7F, 0x7F}));

  EXPECT_EQ(text(Mp3Builder().id3v2Frames(2, {{"TT2", "ab"}}, 5).data(), 0, 24),
            "ID3\x02\0\0\0\0\0\x0ETT2\0\0\x03\0ab\0\0\0\0\0"s);
  // 200 content bytes: C8 plain in 2.3, 01 48 syncsafe in 2.4.
  const std::string longText(199, 't');
  EXPECT_EQ(text(Mp3Builder().id3v2Frames(3, {{"TIT2", longText}}).data(), 0, 21),
            "ID3\x03\0\0\0\0\x01\x52TIT2\0\0\0\xC8\0\0\0"s);
  const auto v24 = Mp3Builder().id3v2Frames(4, {{"TIT2", longText}, {"TPE1", "x"}}).bytes();
  EXPECT_EQ(text(v24, 0, 21), "ID3\x04\0\0\0\0\x01\x5ETIT2\0\0\x01\x48\0\0\0"s);
  EXPECT_EQ(text(v24, 220, 12), "TPE1\0\0\0\x02\0\0\0x"s);
}

// The interop tests run their decoders through these helpers: quoting and
// exit codes must hold.
TEST(TestFiles, CommandsQuoteAndReportTheirExitCode) {
  const auto merged = runCommand("echo out; echo err >&2; exit 3");
  EXPECT_EQ(merged.exitCode, 3);
  EXPECT_EQ(merged.output, "out\nerr\n");
  EXPECT_EQ(runCommand("printf %s " + shellQuote("it's $HOME `x`")).output, "it's $HOME `x`");
  EXPECT_FALSE(toolAvailable("kavrel-no-such-tool"));
}

}  // namespace
}  // namespace kavrel::test
