// Checks the test-support byte builder against hand-written expectations:
// every other test trusts these bytes.
#include "support/mp3_builder.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/test_files.h"

namespace kavrel::test {
namespace {

// The 8-bit value made of the low `lowBits` bits of byte `at` and the top
// 8 - lowBits bits of the byte after it.
unsigned spanningByte(const std::vector<uint8_t>& f, size_t at, int lowBits) {
  const unsigned high = f.at(at) & ((1U << lowBits) - 1U);
  return ((high << (8 - lowBits)) | (f.at(at + 1) >> lowBits)) & 0xFFU;
}

struct GainSlot {
  size_t byte;
  int lowBits;
};

size_t find(const std::vector<uint8_t>& bytes, const std::string& needle, size_t from = 0) {
  for (size_t i = from; i + needle.size() <= bytes.size(); ++i) {
    if (std::memcmp(bytes.data() + i, needle.data(), needle.size()) == 0) return i;
  }
  return std::string::npos;
}

uint32_t be32(const std::vector<uint8_t>& b, size_t at) {
  return (uint32_t{b.at(at)} << 24) | (uint32_t{b.at(at + 1)} << 16) | (uint32_t{b.at(at + 2)} << 8) |
         b.at(at + 3);
}

uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
  return (uint32_t{b.at(at + 3)} << 24) | (uint32_t{b.at(at + 2)} << 16) | (uint32_t{b.at(at + 1)} << 8) |
         b.at(at);
}

TEST(Mp3BuilderFrames, HeaderBitsAndLengths) {
  const auto frame = makeFrame({});
  ASSERT_EQ(frame.size(), 417U);
  EXPECT_EQ(std::vector<uint8_t>(frame.begin(), frame.begin() + 4),
            (std::vector<uint8_t>{0xFF, 0xFB, 0x90, 0x64}));
  EXPECT_EQ(makeFrame({.padding = true}).size(), 418U);
  EXPECT_EQ(makeHeader({.padding = true})[2], 0x92);

  const FrameSpec other{.bitrateIndex = 14,
                        .sampleRateIndex = 2,
                        .channelMode = 3,
                        .crc = true,
                        .modeExtension = 0,
                        .emphasis = 1,
                        .copyright = true,
                        .original = false};
  EXPECT_EQ(makeHeader(other), (std::array<uint8_t, 4>{0xFF, 0xFA, 0xE8, 0xC9}));
  EXPECT_EQ(makeFrame(other).size(), 1440U);
  EXPECT_EQ(makeHeader({.versionCode = 0})[1], 0xE3);  // MPEG 2.5
  EXPECT_EQ(makeHeader({.layerCode = 2})[1], 0xFD);    // Layer II

  // Length against the factor form 144 / kHz: exact at 48 and 32 kHz, and the
  // 44.1 kHz factor in extended precision.
  for (int index = 1; index <= 14; ++index) {
    const int kbps = bitrateKbps(index);
    EXPECT_EQ(frameLength(index, 1, false), 3 * kbps) << index;
    EXPECT_EQ(frameLength(index, 2, false), kbps * 9 / 2) << index;
    EXPECT_EQ(frameLength(index, 0, true), static_cast<int>(kbps * 3.2653061224489797L) + 1) << index;
  }
  EXPECT_EQ(frameLength(0, 0, false), -1);
  EXPECT_EQ(frameLength(15, 0, false), -1);
  EXPECT_EQ(frameLength(9, 3, false), -1);

  EXPECT_EQ(makeFrame({.bitrateIndex = 0}).size(), 36U);
  EXPECT_EQ(makeFrame({.bitrateIndex = 0, .freeFormatLength = 300}).size(), 300U);
  EXPECT_THROW(makeFrame({.bitrateIndex = 0, .crc = true, .freeFormatLength = 37}), std::invalid_argument);
}

TEST(Mp3BuilderFrames, GainFieldsSitAtTheirFixedPositions) {
  const std::array<uint8_t, 4> gains{0xA5, 0x3C, 0xC3, 0x5A};
  const std::vector<GainSlot> twoChannel{{9, 7}, {16, 4}, {23, 1}, {31, 6}};
  const std::vector<GainSlot> mono{{8, 1}, {16, 6}};

  for (int mode = 0; mode <= 3; ++mode) {
    for (const bool crc : {false, true}) {
      SCOPED_TRACE("mode " + std::to_string(mode) + (crc ? " with CRC" : ""));
      FrameSpec spec;
      spec.channelMode = mode;
      spec.crc = crc;
      spec.gains = gains;
      const auto frame = makeFrame(spec);
      const auto& slots = mode == 3 ? mono : twoChannel;
      const size_t shift = crc ? 2 : 0;
      for (size_t g = 0; g < slots.size(); ++g) {
        EXPECT_EQ(spanningByte(frame, slots[g].byte + shift, slots[g].lowBits), gains[g]) << "g" << g;
      }

      // With every gain at 0xFF exactly the gain bits are set: nothing else
      // in the side information or main data is touched.
      spec.gains = {0xFF, 0xFF, 0xFF, 0xFF};
      const auto ones = makeFrame(spec);
      int setBits = 0;
      for (size_t i = 4 + shift; i < ones.size(); ++i) setBits += std::popcount(ones[i]);
      EXPECT_EQ(setBits, 8 * static_cast<int>(slots.size()));
      EXPECT_EQ(sideInfoEnd(spec), static_cast<int>(4 + shift + (mode == 3 ? 17 : 32)));
    }
  }
}

TEST(Mp3BuilderFrames, ReadGainsRoundTripsInsideAStream) {
  const FrameSpec stereoCrc{.channelMode = 0, .crc = true, .gains = {1, 128, 254, 77}};
  const FrameSpec mono{.bitrateIndex = 5, .channelMode = 3, .gains = {200, 17, 99, 99}};
  Mp3Builder b;
  b.raw("junk").frame({}).frame(stereoCrc).frame(mono).frames(2, stereoCrc);
  const auto offsets = b.frameOffsets();
  // After 4 bytes of junk: 417, 417, 208 (mono 64 kbit/s), 417.
  ASSERT_EQ(offsets, (std::vector<size_t>{4, 421, 838, 1046, 1463}));

  EXPECT_EQ(readGains(b.data(), offsets[0]), (std::array<uint8_t, 4>{150, 150, 150, 150}));
  EXPECT_EQ(readGains(b.data(), offsets[1]), stereoCrc.gains);
  EXPECT_EQ(readGains(b.data(), offsets[2]), (std::array<uint8_t, 4>{200, 17, 0, 0}));
  EXPECT_EQ(readGains(b.data(), offsets[4]), stereoCrc.gains);

  std::vector<uint8_t> shortFrame = makeFrame({});
  shortFrame.resize(30);
  EXPECT_THROW(readGains(shortFrame), std::invalid_argument);
  EXPECT_THROW(readGains(b.data(), b.size() - 2), std::invalid_argument);
}

TEST(Mp3BuilderFrames, CrcCoversHeaderAndSideInformation) {
  // Published check value of this CRC-16 variant.
  const std::string check = "123456789";
  EXPECT_EQ(mpegCrc16(reinterpret_cast<const uint8_t*>(check.data()), check.size()), 0xAEE7);

  for (const int mode : {1, 3}) {
    auto frame = makeFrame({.channelMode = mode, .crc = true});
    EXPECT_TRUE(crcMatches(frame)) << mode;
    const int sideInfoBytes = mode == 3 ? 17 : 32;
    // Last side-information byte is covered; the first main-data byte is not.
    auto changed = frame;
    changed[static_cast<size_t>(5 + sideInfoBytes)] ^= 0x01;
    EXPECT_FALSE(crcMatches(changed)) << mode;
    changed = frame;
    changed[static_cast<size_t>(6 + sideInfoBytes)] ^= 0x01;
    EXPECT_TRUE(crcMatches(changed)) << mode;
    changed = frame;
    changed[3] ^= 0x04;  // header byte 3 is covered
    EXPECT_FALSE(crcMatches(changed)) << mode;
  }
  EXPECT_FALSE(crcMatches(makeFrame({})));  // no CRC present
}

TEST(Mp3BuilderVbrTags, TagsSitAtTheStandardPlaceOrTheGivenOffset) {
  const FrameSpec stereo{.channelMode = 0, .gains = {10, 20, 30, 40}};
  const auto xing = makeVbrTagFrame(stereo, VbrKind::Xing, 1234, 567890);
  ASSERT_EQ(xing.size(), 417U);
  EXPECT_EQ(find(xing, "Xing"), 36U);
  EXPECT_EQ(be32(xing, 40), 7U);
  EXPECT_EQ(be32(xing, 44), 1234U);
  EXPECT_EQ(be32(xing, 48), 567890U);
  EXPECT_EQ(xing[52], 0);
  for (size_t i = 53; i < 152; ++i) EXPECT_GE(xing[i], xing[i - 1]);
  EXPECT_EQ(readGains(xing), stereo.gains);

  const FrameSpec mono{.channelMode = 3};
  EXPECT_EQ(find(makeVbrTagFrame(mono, VbrKind::Info, 1, 1), "Info"), 21U);
  EXPECT_EQ(find(makeVbrTagFrame(mono, VbrKind::Vbri, 1, 1), "VBRI"), 36U);

  const FrameSpec withCrc{.crc = true};
  const auto crcInfo = makeVbrTagFrame(withCrc, VbrKind::Info, 5, 6);
  EXPECT_EQ(find(crcInfo, "Info"), 38U);
  EXPECT_TRUE(crcMatches(crcInfo));
  // Placed over the side information, the CRC still follows the bytes.
  const auto overlapping = makeVbrTagFrame(withCrc, VbrKind::Xing, 5, 6, 21);
  EXPECT_EQ(find(overlapping, "Xing"), 21U);
  EXPECT_TRUE(crcMatches(overlapping));

  const auto vbri = makeVbrTagFrame(stereo, VbrKind::Vbri, 300, 400, 40);
  EXPECT_EQ(find(vbri, "VBRI"), 40U);
  EXPECT_EQ(be32(vbri, 50), 400U);
  EXPECT_EQ(be32(vbri, 54), 300U);

  const FrameSpec tiny{.bitrateIndex = 1, .sampleRateIndex = 1};  // 96 bytes, too small for a Xing tag
  EXPECT_THROW(makeVbrTagFrame(tiny, VbrKind::Xing, 1, 1), std::invalid_argument);
  EXPECT_EQ(makeVbrTagFrame(tiny, VbrKind::Vbri, 1, 1).size(), 96U);
  EXPECT_EQ(makeVbrTagFrame({.bitrateIndex = 0}, VbrKind::Xing, 1, 1).size(), 36U + 116U);
}

TEST(Mp3BuilderLayout, BlocksHaveTheirSizesAndMarkers) {
  Mp3Builder b;
  b.riff(36);
  EXPECT_EQ(b.size(), 44U);
  EXPECT_EQ(find(b.data(), "data"), 36U);
  b.frames(3).lyrics3v2("IND0000210EAL00005hello").id3v1("Title", "Artist", "", "1999", "c", 7, 12);
  const auto& d = b.data();
  EXPECT_EQ(find(d, "RIFF"), 0U);
  EXPECT_EQ(find(d, "WAVE"), 8U);
  EXPECT_EQ(le32(d, 4), d.size() - 8);    // RIFF size follows later blocks
  EXPECT_EQ(le32(d, 40), d.size() - 44);  // so does the data size

  // ID3v1 at the very end.
  const size_t tag = d.size() - 128;
  EXPECT_EQ(find(d, "TAG", tag), tag);
  EXPECT_EQ(std::string(d.begin() + tag + 3, d.begin() + tag + 8), "Title");
  EXPECT_EQ(d[tag + 33], 'A');
  EXPECT_EQ(d[tag + 93], '1');
  EXPECT_EQ(d[tag + 125], 0);
  EXPECT_EQ(d[tag + 126], 7);
  EXPECT_EQ(d[tag + 127], 12);

  // Lyrics3 v2: the 6-digit size counts "LYRICSBEGIN" and the fields.
  const std::string end(d.begin() + static_cast<std::ptrdiff_t>(tag) - 15, d.begin() + tag);
  EXPECT_EQ(end, "000034LYRICS200");
  EXPECT_EQ(find(d, "LYRICSBEGIN"), tag - 15 - 34);
  EXPECT_EQ(b.frameOffsets(), (std::vector<size_t>{44, 44 + 417, 44 + 834}));

  Mp3Builder v10;
  v10.id3v1(std::string(40, 'x'), "", "", "", std::string(40, 'c'));
  ASSERT_EQ(v10.size(), 128U);
  EXPECT_EQ(v10.data()[33], 0);     // title cut to 30 bytes
  EXPECT_EQ(v10.data()[126], 'c');  // v1.0: comment runs to byte 126
  EXPECT_EQ(v10.data()[127], 255);

  Mp3Builder lyrics1;
  lyrics1.lyrics3v1("la la");
  EXPECT_EQ(lyrics1.bytes(), toBytes("LYRICSBEGINla laLYRICSEND"));

  Mp3Builder noData;
  noData.riff(36, false).frames(1);
  EXPECT_EQ(find(noData.data(), "data"), std::string::npos);
  EXPECT_EQ(noData.frameOffsets().front(), 44U);
  EXPECT_EQ(find(Mp3Builder().riff(70).data(), "data"), 70U);
}

TEST(Mp3BuilderLayout, Id3v2HeaderFooterAndFrameLayouts) {
  Mp3Builder plain;
  plain.id3v2(4, 0, 0x10, std::vector<uint8_t>(300, 'a'), true);
  const auto& p = plain.data();
  ASSERT_EQ(p.size(), 10U + 300U + 10U);
  EXPECT_EQ(std::vector<uint8_t>(p.begin(), p.begin() + 10),
            (std::vector<uint8_t>{'I', 'D', '3', 4, 0, 0x10, 0, 0, 2, 44}));
  EXPECT_EQ(std::vector<uint8_t>(p.end() - 10, p.end()),
            (std::vector<uint8_t>{'3', 'D', 'I', 4, 0, 0x10, 0, 0, 2, 44}));
  EXPECT_EQ(syncsafe(0x0FFFFFFF), (std::array<uint8_t, 4>{0x7F, 0x7F, 0x7F, 0x7F}));

  const std::string longText(199, 't');  // 200 content bytes: 0xC8 plain, 01 48 syncsafe
  Mp3Builder v22, v23, v24;
  v22.id3v2Frames(2, {{"TT2", "ab"}}, 5);
  v23.id3v2Frames(3, {{"TIT2", longText}});
  v24.id3v2Frames(4, {{"TIT2", longText}, {"TPE1", "x"}});
  EXPECT_EQ(v22.bytes(), (std::vector<uint8_t>{'I', 'D', '3', 2, 0, 0,   0,   0, 0, 14, 'T', 'T',
                                               '2', 0,   0,   3, 0, 'a', 'b', 0, 0, 0,  0,   0}));
  const auto& d23 = v23.data();
  EXPECT_EQ(be32(d23, 14), 200U);
  EXPECT_EQ(d23.size(), 10U + 10U + 200U);
  const auto& d24 = v24.data();
  EXPECT_EQ(be32(d24, 14), 0x0148U);
  EXPECT_EQ(find(d24, "TPE1"), 10U + 10U + 200U);
  EXPECT_EQ(d24.size(), 10U + 210U + 12U);
  EXPECT_EQ(d24[9], (210 + 12) & 0x7F);
  EXPECT_EQ(d24[8], (210 + 12) >> 7);

  EXPECT_THROW(Mp3Builder().id3v2Frames(2, {{"TIT2", "x"}}), std::invalid_argument);
  EXPECT_THROW(Mp3Builder().id3v2Frames(5, {}), std::invalid_argument);
}

// The decoder checks run their commands through these helpers: quoting and
// exit codes must hold (files and folders show in every other test).
TEST(TestFiles, CommandsQuoteAndReportTheirExitCode) {
  const auto merged = runCommand("echo out; echo err >&2; exit 3");
  EXPECT_EQ(merged.exitCode, 3);
  EXPECT_NE(merged.output.find("out"), std::string::npos);
  EXPECT_NE(merged.output.find("err"), std::string::npos);
  EXPECT_EQ(runCommand("printf %s " + shellQuote("it's $HOME `x`")).output, "it's $HOME `x`");
  EXPECT_FALSE(toolAvailable("kavrel-no-such-tool"));
}

// The synthetic frames must be real mp3 to an independent decoder: every
// frame decodes to 1152 samples, nothing is skipped or complained about, and
// a Xing frame with empty side information is taken as a tag, not audio.
TEST(Mp3BuilderDecoding, Mpg123DecodesBuiltFrames) {
  if (!toolAvailable("mpg123")) GTEST_SKIP() << "mpg123 is not installed; decoding not checked";
  TempDir dir;
  const FrameSpec loud{.bitrateIndex = 14, .gains = {210, 190, 170, 150}};
  const FrameSpec withCrc{.channelMode = 0, .crc = true};
  const FrameSpec mono{.bitrateIndex = 3, .channelMode = 3, .crc = true};
  const FrameSpec emptyTag{.gains = {0, 0, 0, 0}};

  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    size_t bytesPerFrame;  // 16-bit PCM per channel * 1152
  };
  const std::vector<Case> cases{
      {"stereo.mp3", Mp3Builder().frames(20).frames(10, loud).frames(10, withCrc).bytes(), 4608},
      {"mono.mp3", Mp3Builder().frames(40, mono).bytes(), 2304},
      {"xing.mp3", Mp3Builder().vbrTag(VbrKind::Xing, emptyTag, 41, 41 * 417).frames(40).bytes(), 4608},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string mp3 = dir.file(c.name);
    const std::string pcm = dir.file(std::string(c.name) + ".pcm");
    writeFile(mp3, c.bytes);
    const auto result = runCommand("mpg123 --no-gapless -s " + shellQuote(mp3) + " > " + shellQuote(pcm));
    EXPECT_EQ(result.exitCode, 0) << result.output;
    for (const char* complaint : {"Note:", "arning", "rror", "Illegal"}) {
      EXPECT_EQ(result.output.find(complaint), std::string::npos) << result.output;
    }
    EXPECT_EQ(readFile(pcm).size(), 40 * c.bytesPerFrame);
  }
}

}  // namespace
}  // namespace kavrel::test
