// MPEG-2 and 2.5 files from lame: counted as mp3val counts them, saved unchanged byte for byte, and cut,
// amplified, faded and given silence into files that decode cleanly at the expected levels.
#include <algorithm>
#include <cmath>
#include <regex>

#include "interop.h"

namespace kavrel::test {
namespace {

namespace fs = std::filesystem;

int64_t countIn(const std::string& text, const std::string& pattern) {
  std::smatch m;
  if (!std::regex_search(text, m, std::regex(pattern))) return -1;
  return std::stoll(m[1]);
}

TEST(Mpeg2Interop, LameFilesLoadSaveAndEditAtTheirRates) {
  REQUIRE_TOOLS("ffmpeg", "ffprobe", "lame", "mpg123", "mp3val");
  struct Input {
    std::string name, how;
    int rate;
  };
  const Input inputs[] = {
      {"m2-stereo-cbr.mp3", "lame --quiet -b 64 --resample 22.05 tone.wav", 22050},
      {"m2-mono-vbr-crc.mp3", "lame --quiet -V 6 -m m -p --resample 22.05 tone.wav", 22050},
      {"m25-stereo-vbr.mp3", "lame --quiet -V 7 --resample 11.025 tone.wav", 11025},
      {"m25-mono-cbr-crc.mp3", "lame --quiet -b 16 -m m -p --resample 8 tone.wav", 8000}};
  for (const Input& input : inputs) {
    SCOPED_TRACE(input.name);
    const std::string in = encoded(input.name, input.how);
    Kavrel k;
    const auto out = [&](const std::string& name) { return k.dir.file(name); };
    const std::string info = k.run("--info " + shellQuote(in)).output;
    const int64_t frames = countIn(info, "\nFrames: (\\d+)");
    EXPECT_NE(info.find(input.rate > 16000 ? "\nFormat: MPEG-2 Layer III, 576 samples a frame\n"
                                           : "\nFormat: MPEG-2.5 Layer III, 576 samples a frame\n"),
              std::string::npos)
        << info;
    EXPECT_EQ(frames, countIn(runCommand("mp3val " + shellQuote(in)).output, "(\\d+) MPEG frames"));
    const auto r =
        k.script("LOAD " + in + "\nSAVEAS " + out("same.mp3") + "\nTRIM 2, 18\nSAVEAS " + out("cut.mp3") +
                 "\nLOAD " + in + "\nSELECTALL\nVOLUME 4.5\nSAVEAS " + out("gain.mp3") + "\nLOAD " + in +
                 "\nFADEOUT 15, EOF, 30\nSAVEAS " + out("faded.mp3") + "\nLOAD " + in +
                 "\nCURSOR 10\nSILENCE 3\nSAVEAS " + out("silence.mp3") + "\n");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_TRUE(k.cleanLog()) << k.log();
    EXPECT_EQ(readFile(out("same.mp3")), readFile(in));
    const double frameSeconds = 576.0 / input.rate;
    const int64_t decoded = decodeCleanly(in).frames;
    const struct {
      const char* name;
      int64_t frames;
    } outputs[] = {{"cut.mp3", std::llround(16 / frameSeconds)},
                   {"gain.mp3", decoded},
                   {"faded.mp3", decoded},
                   {"silence.mp3", decoded + std::llround(3 / frameSeconds)}};
    for (const auto& o : outputs) EXPECT_NEAR(decodeCleanly(out(o.name), true).frames, o.frames, 2) << o.name;
    const auto change = [&](const std::string& name, double from, double to) {
      return level(out(name), from, to) - level(in, from, to);
    };
    EXPECT_NEAR(change("gain.mp3", 1, 19), 4.5, 0.3);
    EXPECT_NEAR(change("faded.mp3", 6, 14), 0.0, 0.3);
    EXPECT_LT(change("faded.mp3", 19.5, 19.9), -24);
    EXPECT_NEAR(level(out("cut.mp3"), 8.2, 9.8) - level(in, 10.2, 11.8), 0.0, 1.0);  // 2 s earlier
    // Inserted silence decodes to zero samples; the audio after it comes 3 s later.
    EXPECT_LT(level(out("silence.mp3"), 10.3, 12.7, true), -90);
    EXPECT_NEAR(level(out("silence.mp3"), 13.6, 14.6) - level(in, 10.6, 11.6), 0.0, 1.0);
  }
}

// Free-format streams (which ffmpeg and mp3val do not read; mpg123 does): kept byte for byte, the last frame
// whole, and a cut keeps the encoder's delay and padding where its ends stayed.
TEST(Mpeg2Interop, FreeFormatFilesKeepTheirLastFrameAndCutCleanly) {
  REQUIRE_TOOLS("ffmpeg", "lame", "mpg123");
  for (const auto& [name, how, samples] :
       {std::tuple<std::string, std::string, int>{"free-400.mp3", "lame --quiet --freeformat -b 400 tone.wav",
                                                  1152},
        {"free-m2.mp3", "lame --quiet --freeformat -b 120 --resample 22.05 tone.wav", 576}}) {
    SCOPED_TRACE(name);
    const std::string in = encoded(name, how);
    Kavrel k;
    const std::string cut = k.dir.file("cut.mp3");
    const auto r =
        k.script("LOAD " + in + "\nSAVEAS " + k.dir.file("same.mp3") + "\nDELETE 0, 2\nSAVEAS " + cut + "\n");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_TRUE(k.cleanLog()) << k.log();
    EXPECT_EQ(readFile(k.dir.file("same.mp3")), readFile(in));
    const std::string info = k.run("--info " + shellQuote(in)).output;
    EXPECT_EQ(info.find("Unknown footer"), std::string::npos) << info;
    // Decoded sample counts (16-bit stereo after a 44-byte WAV header).
    const auto decodedSamples = [&](const std::string& path) {
      const auto d = runCommand("mpg123 -q -w " + shellQuote(k.dir.file("x.wav")) + " " + shellQuote(path));
      EXPECT_TRUE(d.output.empty()) << d.output;
      return (int64_t(fs::file_size(k.dir.file("x.wav"))) - 44) / 4;
    };
    // The cut frames leave with the encoder's delay (read from the tag), the padding stays.
    const std::vector<uint8_t> bytes = readFile(in);
    const auto lame = std::search(bytes.begin(), bytes.end(), std::begin("LAME"), std::end("LAME") - 1);
    ASSERT_NE(lame, bytes.end());
    const int delay = lame[21] << 4 | lame[22] >> 4;
    const int64_t framesCut = countIn(info, "\nFrames: (\\d+)") -
                              countIn(k.run("--info " + shellQuote(cut)).output, "\nFrames: (\\d+)");
    EXPECT_EQ(decodedSamples(cut), decodedSamples(in) - framesCut * samples + delay);
  }
}

}  // namespace
}  // namespace kavrel::test
