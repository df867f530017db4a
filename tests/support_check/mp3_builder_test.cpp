// Pins the test builder's frames to known-good bytes, where it and the core could agree on a wrong table. Its
// tag and RIFF blocks need no such pin: the loader and tag tests state their positions and sizes by hand.
#include "support/mp3_builder.h"

#include <gtest/gtest.h>

#include "support/test_files.h"

namespace kavrel::test {
namespace {

using namespace std::string_literals;

std::string text(const std::vector<uint8_t>& b, size_t at, size_t n) {
  return std::string(b.begin() + std::ptrdiff_t(at), b.begin() + std::ptrdiff_t(at + n));
}

TEST(Mp3BuilderBytes, HeadersAndLengths) {
  // FF FB 90 64 as encoders write it: 128 kbit/s, 44.1 kHz, joint stereo with mid/side, original.
  // clang-format off
  const std::pair<FrameSpec, std::string> headers[] = {
      {{}, "\xFF\xFB\x90\x64"}, {{.padding = true}, "\xFF\xFB\x92\x64"},
      {{.versionCode = 0}, "\xFF\xE3\x90\x64"}, {{.layerCode = 2}, "\xFF\xFD\x90\x64"},
      {{.bitrateIndex = 14, .sampleRateIndex = 2, .channelMode = 3, .crc = true, .modeExtension = 0,
        .emphasis = 1, .copyright = true, .original = false}, "\xFF\xFA\xE8\xC9"}};
  // clang-format on
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
