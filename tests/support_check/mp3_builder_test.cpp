// Pins the test-support byte builder to known-good bytes where it and the
// core could agree on a wrong layout: header bits, the bitrate table and the
// tag blocks. Decoding built frames, the gains and the CRCs is left to the
// interop tests' decoders.
#include "support/mp3_builder.h"

#include <gtest/gtest.h>

#include "support/test_files.h"

namespace kavrel::test {
namespace {

using namespace std::string_literals;

std::string text(const std::vector<uint8_t>& b, size_t at, size_t n) {
  return std::string(b.begin() + std::ptrdiff_t(at), b.begin() + std::ptrdiff_t(at + n));
}
std::string padded(const std::string& s, size_t n) { return s + std::string(n - s.size(), '\0'); }

TEST(Mp3BuilderBytes, HeadersAndLengths) {
  // FF FB 90 64 as encoders write it: 128 kbit/s, 44.1 kHz, joint stereo
  // with mid/side, original.
  const std::pair<FrameSpec, std::string> headers[] = {{{}, "\xFF\xFB\x90\x64"},
                                                       {{.padding = true}, "\xFF\xFB\x92\x64"},
                                                       {{.versionCode = 0}, "\xFF\xE3\x90\x64"},
                                                       {{.layerCode = 2}, "\xFF\xFD\x90\x64"},
                                                       {{.bitrateIndex = 14,
                                                         .sampleRateIndex = 2,
                                                         .channelMode = 3,
                                                         .crc = true,
                                                         .modeExtension = 0,
                                                         .emphasis = 1,
                                                         .copyright = true,
                                                         .original = false},
                                                        "\xFF\xFA\xE8\xC9"}};
  for (const auto& [spec, bytes] : headers) EXPECT_EQ(text(makeFrame(spec), 0, 4), bytes);
  const int kbps[] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
  for (int i = 1; i <= 14; ++i) {
    const auto k = size_t(kbps[i - 1]);
    EXPECT_EQ(std::tuple(makeFrame({.bitrateIndex = i, .sampleRateIndex = 1}).size(),
                         makeFrame({.bitrateIndex = i, .sampleRateIndex = 2}).size(),
                         makeFrame({.bitrateIndex = i, .padding = true}).size()),
              std::tuple(3 * k, k * 9 / 2, k * 144000 / 44100 + 1))
        << i;
  }
}

TEST(Mp3BuilderBytes, TagAndRiffBlocks) {
  Mp3Builder b;
  b.riff(36).frames(1).lyrics3v2("IND0000210EAL00005hello").id3v1("Title", "Artist", "", "1999", "c", 7, 12);
  const auto& d = b.data();
  // RIFF and data sizes follow the blocks appended later; the Lyrics3 v2
  // size counts "LYRICSBEGIN" and the fields; ID3v1.1 ends the file.
  EXPECT_EQ(text(d, 0, 16), "RIFF"s + char(d.size() - 8) + char((d.size() - 8) >> 8) + "\0\0WAVEfmt "s);
  EXPECT_EQ(text(d, 36, 8), "data"s + char(d.size() - 44) + char((d.size() - 44) >> 8) + "\0\0"s);
  EXPECT_EQ(text(d, 44 + 417, 49), "LYRICSBEGININD0000210EAL00005hello000034LYRICS200");
  EXPECT_EQ(text(d, d.size() - 128, 128), "TAG" + padded("Title", 30) + padded("Artist", 30) +
                                              padded("", 30) + "1999" + padded("c", 28) + "\0\x07\x0C"s);
  // ID3v1.0: texts cut to their fields, the comment runs to byte 126.
  EXPECT_EQ(text(Mp3Builder().id3v1(std::string(40, 'x'), "", "", "", std::string(40, 'c')).data(), 0, 128),
            "TAG" + std::string(30, 'x') + std::string(64, '\0') + std::string(30, 'c') + "\xFF");
  EXPECT_EQ(Mp3Builder().lyrics3v1("la la").bytes(), toBytes("LYRICSBEGINla laLYRICSEND"));
  // ID3v2: 300 is 00 00 02 2C syncsafe; the footer repeats the header. Frames
  // have 3-byte ids and sizes in 2.2; 200 content bytes are C8 plain in 2.3,
  // 01 48 syncsafe in 2.4.
  const auto tag = Mp3Builder().id3v2(4, 0, 0x10, std::vector<uint8_t>(300, 'a'), true).bytes();
  ASSERT_EQ(tag.size(), 320U);
  EXPECT_EQ(text(tag, 0, 10) + text(tag, 310, 10),
            "ID3\x04\0\x10\0\0\x02\x2C"s + "3DI\x04\0\x10\0\0\x02\x2C"s);
  EXPECT_EQ(text(Mp3Builder().id3v2Frames(2, {{"TT2", "ab"}}, 5).data(), 0, 24),
            "ID3\x02\0\0\0\0\0\x0ETT2\0\0\x03\0ab\0\0\0\0\0"s);
  const std::string longText(199, 't');
  EXPECT_EQ(text(Mp3Builder().id3v2Frames(3, {{"TIT2", longText}}).data(), 0, 21),
            "ID3\x03\0\0\0\0\x01\x52TIT2\0\0\0\xC8\0\0\0"s);
  const auto v24 = Mp3Builder().id3v2Frames(4, {{"TIT2", longText}, {"TPE1", "x"}}).bytes();
  EXPECT_EQ(text(v24, 0, 21) + text(v24, 220, 12),
            "ID3\x04\0\0\0\0\x01\x5ETIT2\0\0\x01\x48\0\0\0"s + "TPE1\0\0\0\x02\0\0\0x"s);
}

// The interop tests run their decoders through these helpers: quoting and
// exit codes must hold, or a missing tool would skip them all.
TEST(TestFiles, CommandsQuoteAndReportTheirExitCode) {
  const auto merged = runCommand("echo out; echo err >&2; exit 3");
  EXPECT_EQ(std::pair(merged.exitCode, merged.output), std::pair(3, "out\nerr\n"s));
  EXPECT_EQ(runCommand("printf %s " + shellQuote("it's $HOME `x`")).output, "it's $HOME `x`");
  EXPECT_EQ(std::pair(toolAvailable("sh"), toolAvailable("kavrel-no-such-tool")), std::pair(true, false));
}

}  // namespace
}  // namespace kavrel::test
