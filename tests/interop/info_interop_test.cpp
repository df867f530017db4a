// `kavrel --info` on files made by lame, compared with what mp3val, ffprobe
// and mutagen find in them.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <regex>
#include <string>

#include "support/test_files.h"

namespace kavrel {
namespace {

namespace t = kavrel::test;

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::optional<long> firstMatch(const std::string& text, const std::string& pattern) {
  std::smatch m;
  if (!std::regex_search(text, m, std::regex(pattern))) return std::nullopt;
  return std::stol(m[1].str());
}

class InfoInterop : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!t::toolAvailable("ffmpeg") || !t::toolAvailable("lame")) return;
    dir_ = std::make_unique<t::TempDir>();
    // Three seconds of a tone at each rate, stereo and mono.
    for (const auto& [name, args] :
         {std::pair{"s44.wav", "-ac 2 -ar 44100"}, std::pair{"m44.wav", "-ac 1 -ar 44100"},
          std::pair{"s48.wav", "-ac 2 -ar 48000"}, std::pair{"s32.wav", "-ac 2 -ar 32000"}}) {
      const auto r = t::runCommand("ffmpeg -v error -y -f lavfi -i sine=frequency=440:duration=3 " +
                                   std::string(args) + " " + t::shellQuote(dir_->file(name)));
      if (r.exitCode != 0) {
        setupError_ = "ffmpeg failed: " + r.output;
        return;
      }
    }
    ready_ = true;
  }
  static void TearDownTestSuite() { dir_.reset(); }

  void SetUp() override {
    if (!t::toolAvailable("ffmpeg") || !t::toolAvailable("lame"))
      GTEST_SKIP() << "ffmpeg or lame is not installed";
    ASSERT_TRUE(ready_) << setupError_;
  }

  // Encodes `wav` with the lame options into `name`.
  static std::string encode(const std::string& wav, const std::string& options, const std::string& name) {
    const std::string out = dir_->file(name);
    const auto r = t::runCommand("lame --quiet " + options + " " + t::shellQuote(dir_->file(wav)) + " " +
                                 t::shellQuote(out));
    EXPECT_EQ(r.exitCode, 0) << r.output;
    return out;
  }

  static t::CommandResult info(const std::string& path) {
    return t::runCommand(std::string(t::shellQuote(KAVREL_EXE)) + " --info " + t::shellQuote(path));
  }

  // Runs --info and checks its frame count against mp3val and ffprobe.
  // `tagFrame` is true when lame wrote a Xing/Info frame (ffprobe does not
  // count it as a packet). Returns the --info output.
  static std::string checkFrames(const std::string& path, bool tagFrame) {
    const auto r = info(path);
    EXPECT_EQ(r.exitCode, 0) << r.output;
    const auto frames = firstMatch(r.output, R"(\nFrames: (\d+)\n)");
    EXPECT_TRUE(frames) << r.output;
    if (!frames) return r.output;
    EXPECT_GT(*frames, 50);
    EXPECT_EQ(firstMatch(r.output, R"(Size: (\d+) bytes)"), long(std::filesystem::file_size(path)));

    if (t::toolAvailable("mp3val")) {
      const auto v = t::runCommand("mp3val " + t::shellQuote(path));
      EXPECT_EQ(firstMatch(v.output, R"((\d+) MPEG frames)"), frames) << v.output;
    }
    if (t::toolAvailable("ffprobe")) {
      const auto p = t::runCommand(
          "ffprobe -v error -count_packets -select_streams a -show_entries stream=nb_read_packets -of "
          "csv=p=0 " +
          t::shellQuote(path));
      EXPECT_EQ(firstMatch(p.output, R"((\d+))"), *frames - (tagFrame ? 1 : 0)) << p.output;
    }
    // The statistics lines add up to the frame count.
    long sum = 0;
    const std::regex line(R"(kbps frames: (\d+))");
    for (auto it = std::sregex_iterator(r.output.begin(), r.output.end(), line); it != std::sregex_iterator();
         ++it)
      sum += std::stol((*it)[1].str());
    EXPECT_EQ(sum, *frames);
    EXPECT_EQ(contains(r.output, "VBR tag frame: "), tagFrame) << r.output;
    return r.output;
  }

  static std::unique_ptr<t::TempDir> dir_;
  static bool ready_;
  static std::string setupError_;
};

std::unique_ptr<t::TempDir> InfoInterop::dir_;
bool InfoInterop::ready_ = false;
std::string InfoInterop::setupError_;

TEST_F(InfoInterop, ConstantBitrateWithInfoFrame) {
  const std::string out = checkFrames(encode("s44.wav", "-b 128", "cbr.mp3"), true);
  EXPECT_TRUE(contains(out, "VBR tag frame: Info")) << out;
  // The Info frame does not make the file variable.
  EXPECT_TRUE(contains(out, "Info: 44.1 KHz, JOINT STEREO, 128 kbps, ")) << out;
  EXPECT_TRUE(contains(out, ">  128 kbps frames: ")) << out;
}

TEST_F(InfoInterop, ConstantBitrateWithoutTagFrame) {
  const std::string out = checkFrames(encode("s44.wav", "-b 128 -t", "cbr_notag.mp3"), false);
  EXPECT_TRUE(contains(out, "Info: 44.1 KHz, JOINT STEREO, 128 kbps, ")) << out;
  EXPECT_TRUE(contains(out, "  Audio frames at 0, ")) << out;
}

TEST_F(InfoInterop, VariableBitrateWithXingFrame) {
  const std::string out = checkFrames(encode("s44.wav", "-V 2", "vbr.mp3"), true);
  EXPECT_TRUE(contains(out, "VBR tag frame: Xing")) << out;
  EXPECT_TRUE(contains(out, "Info: 44.1 KHz, JOINT STEREO, var.kbps, ")) << out;
}

TEST_F(InfoInterop, Mono) {
  const std::string out = checkFrames(encode("m44.wav", "-m m -b 64", "mono.mp3"), true);
  EXPECT_TRUE(contains(out, "Info: 44.1 KHz, MONO, 64 kbps, ")) << out;
  const std::string vbr = checkFrames(encode("m44.wav", "-m m -V 4", "mono_vbr.mp3"), true);
  EXPECT_TRUE(contains(vbr, "VBR tag frame: Xing")) << vbr;
}

TEST_F(InfoInterop, OtherSampleRates) {
  const std::string at48 = checkFrames(encode("s48.wav", "-b 160 --nohist", "r48.mp3"), true);
  EXPECT_TRUE(contains(at48, "Info: 48 KHz, JOINT STEREO, 160 kbps, ")) << at48;
  const std::string at32 = checkFrames(encode("s32.wav", "-b 96 -m s", "r32.mp3"), true);
  EXPECT_TRUE(contains(at32, "Info: 32 KHz, STEREO, 96 kbps, ")) << at32;
  const std::string vbr32 = checkFrames(encode("s32.wav", "-V 5 -t", "r32_vbr.mp3"), false);
  EXPECT_TRUE(contains(vbr32, "Info: 32 KHz, ")) << vbr32;
}

TEST_F(InfoInterop, Id3Tags) {
  const std::string both = encode("s44.wav", "-b 128 --tt Title --ta Artist --add-id3v2", "v2.mp3");
  const std::string out = checkFrames(both, true);
  const auto size = std::filesystem::file_size(both);
  EXPECT_TRUE(contains(out, "ID3v1 tag at " + std::to_string(size - 128) + ", 128 bytes")) << out;
  const auto tagSize =
      t::runCommand("/usr/bin/python3 -c " +
                    t::shellQuote("import sys\nfrom mutagen.id3 import ID3\nprint(ID3(sys.argv[1]).size)") +
                    " " + t::shellQuote(both));
  if (tagSize.exitCode == 0) {
    const std::string n = std::to_string(std::stol(tagSize.output));
    EXPECT_TRUE(contains(out, "ID3v2 tag at 0, " + n + " bytes (version 2.3.0)")) << out << tagSize.output;
    EXPECT_TRUE(contains(out, "Audio frames at " + n + ", ")) << out;
  }

  const std::string v1 = encode("s44.wav", "-V 3 --tt Title --id3v1-only", "v1.mp3");
  const std::string v1out = checkFrames(v1, true);
  EXPECT_TRUE(
      contains(v1out, "ID3v1 tag at " + std::to_string(std::filesystem::file_size(v1) - 128) + ", 128 bytes"))
      << v1out;
  EXPECT_FALSE(contains(v1out, "ID3v2 tag")) << v1out;
}

TEST(InfoErrors, NonMp3FilesFailWithTheirMessage) {
  t::TempDir dir;
  const std::string text = dir.file("notes.mp3");
  t::writeFile(text, std::vector<uint8_t>(2000, 'a'));
  // Only what goes to stderr.
  auto errors = [](const std::string& path) {
    return t::runCommand(std::string(t::shellQuote(KAVREL_EXE)) + " --info " + t::shellQuote(path) +
                         " 2>&1 >/dev/null");
  };
  auto r = errors(text);
  EXPECT_NE(r.exitCode, 0);
  EXPECT_TRUE(contains(r.output, "Doesn't seem like a 32/44.1/48 KHz mp3 file.")) << r.output;
  EXPECT_NE(t::runCommand(std::string(t::shellQuote(KAVREL_EXE)) + " --info " + t::shellQuote(text)).exitCode,
            0);

  const std::string tiny = dir.file("tiny.mp3");
  t::writeFile(tiny, std::vector<uint8_t>(100, 0xFF));
  r = errors(tiny);
  EXPECT_NE(r.exitCode, 0);
  EXPECT_TRUE(contains(r.output, "Can't process files smaller than 0.25 KB!")) << r.output;

  r = errors(dir.file("missing.mp3"));
  EXPECT_NE(r.exitCode, 0);
  EXPECT_TRUE(contains(r.output, "Disk error")) << r.output;
}

}  // namespace
}  // namespace kavrel
