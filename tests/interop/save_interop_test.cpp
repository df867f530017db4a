// Saved files checked by programs we did not write: lame makes the input,
// mpg123, ffmpeg/ffprobe and mp3val judge the output.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <memory>
#include <random>
#include <regex>
#include <string>

#include "app/editor.h"
#include "support/mp3_builder.h"
#include "support/recording_host.h"
#include "support/test_files.h"

namespace kavrel::test {
namespace {

namespace fs = std::filesystem;

bool haveTools() {
  for (const char* tool : {"ffmpeg", "ffprobe", "lame", "mpg123", "mp3val"})
    if (!toolAvailable(tool)) return false;
  return true;
}

// Encoded once for the whole suite: 12 s of a tone over pink noise.
class SaveInteropTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!haveTools()) return;
    shared_ = std::make_unique<TempDir>();
    const std::string wav = shared_->file("tone.wav");
    const auto made = runCommand(
        "ffmpeg -v error -y -f lavfi -i sine=frequency=440:sample_rate=44100:duration=12 -f lavfi -i "
        "anoisesrc=d=12:c=pink:a=0.05:r=44100 -filter_complex 'amix=inputs=2,pan=stereo|c0=c0|c1=c0' " +
        shellQuote(wav));
    ASSERT_EQ(made.exitCode, 0) << made.output;
    const std::string tags = " --tt 'Test Tone' --ta 'Kavrel Tests' --ty 2024 --add-id3v2 ";
    for (const auto& [name, options] :
         std::vector<std::pair<std::string, std::string>>{{"cbr128.mp3", "-b 128" + tags},
                                                          {"cbr192.mp3", "-b 192"},
                                                          {"vbr.mp3", "-V 2"},
                                                          {"crc.mp3", "-b 128 -p"},
                                                          {"mono48.mp3", "-V 3 -m m --resample 48"},
                                                          {"mpeg2.mp3", "-b 64"}}) {
      const auto r =
          runCommand("lame --quiet " + options + " " + shellQuote(wav) + " " + shellQuote(input(name)));
      ASSERT_EQ(r.exitCode, 0) << r.output;
    }
    // ffmpeg's WAV wrapper: an odd-length data chunk and its pad byte.
    const auto r = runCommand("ffmpeg -v error -y -i " + shellQuote(wav) + " -t 5 -c:a libmp3lame " +
                              shellQuote(input("wrapped.wav")));
    ASSERT_EQ(r.exitCode, 0) << r.output;
  }
  static void TearDownTestSuite() { shared_.reset(); }
  static std::string input(const std::string& name) { return shared_->file(name); }

  void SetUp() override {
    if (!haveTools())
      GTEST_SKIP() << "ffmpeg, ffprobe, lame, mpg123 and mp3val are needed (scripts/setup installs them)";
  }

  bool load(const std::string& name) {
    const bool ok = editor.loadFile(input(name));
    EXPECT_TRUE(ok) << editor.lineError;
    return ok;
  }
  std::string save(const std::string& name) {
    const std::string path = dir.file(name);
    EXPECT_TRUE(editor.saveAs(Sender::User, path));
    return path;
  }
  void eraseFrames(int32_t from, int32_t to) {
    Document& d = editor.document();
    d.frameList.erase(d.frameList.begin() + from, d.frameList.begin() + to);
    d.gainList.erase(d.gainList.begin() + from, d.gainList.begin() + to);
  }
  void changeGain(GainPair change) {
    for (auto& g : editor.document().gainList) g = change;
  }

  // Decoding the whole file reports nothing, and mp3val finds no fault.
  static void expectCleanDecode(const std::string& path, bool checkCrc = false) {
    const auto mpg = runCommand("mpg123 -t -q " + shellQuote(path));
    EXPECT_EQ(mpg.exitCode, 0) << mpg.output;
    EXPECT_EQ(mpg.output.find("rror"), std::string::npos) << mpg.output;
    EXPECT_EQ(mpg.output.find("llegal"), std::string::npos) << mpg.output;
    const auto ff = runCommand(std::string("ffmpeg -v error ") + (checkCrc ? "-err_detect crccheck " : "") +
                               "-i " + shellQuote(path) + " -f null -");
    EXPECT_EQ(ff.exitCode, 0) << ff.output;
    EXPECT_TRUE(ff.output.empty()) << ff.output;
    const auto probe =
        runCommand("ffprobe -v error -show_entries format=duration -of csv=p=0 " + shellQuote(path));
    EXPECT_EQ(probe.exitCode, 0) << probe.output;
    const auto val = runCommand("mp3val " + shellQuote(path));
    std::istringstream lines(val.output);
    for (std::string line; std::getline(lines, line);) {
      if (line.find("No supported tags") != std::string::npos) continue;
      EXPECT_EQ(line.find("WARNING"), std::string::npos) << line;
      EXPECT_EQ(line.find("ERROR"), std::string::npos) << line;
    }
  }

  static double probeDuration(const std::string& path) {
    const auto r =
        runCommand("ffprobe -v error -show_entries format=duration -of csv=p=0 " + shellQuote(path));
    return std::stod(r.output);
  }

  static double meanVolume(const std::string& path) {
    const auto r = runCommand("ffmpeg -hide_banner -nostats -i " + shellQuote(path) +
                              " -af volumedetect -f null - 2>&1");
    std::smatch m;
    const std::regex re("mean_volume: (-?[0-9.]+) dB");
    if (!std::regex_search(r.output, m, re)) {
      ADD_FAILURE() << r.output;
      return 0;
    }
    return std::stod(m[1]);
  }

  static std::unique_ptr<TempDir> shared_;
  TempDir dir;
  RecordingHost host;
  Editor editor{host};
};

std::unique_ptr<TempDir> SaveInteropTest::shared_;

TEST_F(SaveInteropTest, DeletingFramesKeepsAValidFileWithItsTags) {
  ASSERT_TRUE(load("cbr128.mp3"));
  ASSERT_TRUE(editor.document().layout.id3v2Found && editor.document().layout.id3v1Found);
  const int32_t before = editor.document().documentFrameCount();
  eraseFrames(100, 200);
  const std::string out = save("deleted.mp3");
  expectCleanDecode(out);
  // lame's Info frame is dropped (constant bitrate), 100 frames are gone.
  const double frameSeconds = 1152.0 / 44100.0;
  EXPECT_NEAR(probeDuration(out), (before - 1 - 100) * frameSeconds, 2 * frameSeconds);

  const auto tags = runCommand("/usr/bin/python3 -c " +
                               shellQuote("import sys, mutagen.id3, mutagen.mp3\n"
                                          "t = mutagen.id3.ID3(sys.argv[1])\n"
                                          "print(t['TIT2'].text[0], '|', t['TPE1'].text[0])\n"
                                          "print(mutagen.mp3.MP3(sys.argv[1]).info.bitrate)\n") +
                               " " + shellQuote(out));
  if (tags.output.find("No module named") == std::string::npos) {
    EXPECT_NE(tags.output.find("Test Tone | Kavrel Tests"), std::string::npos) << tags.output;
  }
  const auto info = runCommand(std::string(KAVREL_EXE) + " --info " + shellQuote(out));
  EXPECT_NE(info.output.find("  Title: Test Tone\n"), std::string::npos) << info.output;
  EXPECT_NE(info.output.find("  Year: 2024\n"), std::string::npos) << info.output;
}

TEST_F(SaveInteropTest, GainStepsMeasureOneAndAHalfDecibelsEach) {
  ASSERT_TRUE(load("cbr128.mp3"));
  const std::string plain = save("plain.mp3");
  const double base = meanVolume(plain);
  for (int n : {4, -3}) {
    changeGain({int16_t(n), int16_t(n)});
    const std::string out = save("gain" + std::to_string(n) + ".mp3");
    expectCleanDecode(out);
    EXPECT_NEAR(meanVolume(out) - base, 1.5 * n, 0.2) << n << " steps";
  }
}

TEST_F(SaveInteropTest, GainChangeOnCrcFramesKeepsTheirChecksumsValid) {
  ASSERT_TRUE(load("crc.mp3"));
  const std::string plain = save("plain.mp3");
  expectCleanDecode(plain, true);
  changeGain({2, 2});
  const std::string out = save("crc-gain.mp3");
  expectCleanDecode(out, true);
  EXPECT_NEAR(meanVolume(out) - meanVolume(plain), 3.0, 0.2);
}

TEST_F(SaveInteropTest, VariableBitrateOutputHasAXingFrameThatGivesItsDuration) {
  const double frameSeconds = 1152.0 / 44100.0;
  // lame's own VBR file, its Xing frame replaced by ours and frames cut.
  ASSERT_TRUE(load("vbr.mp3"));
  eraseFrames(50, 150);
  const int32_t written = editor.document().documentFrameCount() - 1;  // without lame's Xing frame
  std::string out = save("vbr-cut.mp3");
  expectCleanDecode(out);
  EXPECT_NEAR(probeDuration(out), written * frameSeconds, 1.5 * frameSeconds);

  // Two constant-bitrate files joined: 128 and 192 kbit/s.
  ASSERT_TRUE(load("cbr128.mp3"));
  ASSERT_EQ(editor.insertFileAt(input("cbr192.mp3"), 200), 0);
  const int32_t joined = editor.document().documentFrameCount() - 1;
  changeGain({-2, -2});
  out = save("joined.mp3");
  expectCleanDecode(out);
  EXPECT_NEAR(probeDuration(out), joined * frameSeconds, 1.5 * frameSeconds);
  const auto bytes = readFile(out);
  const size_t tagEnd = size_t(editor.document().tagHeader.size);
  ASSERT_GT(bytes.size(), tagEnd + 40);
  EXPECT_EQ(
      std::string(bytes.begin() + std::ptrdiff_t(tagEnd + 36), bytes.begin() + std::ptrdiff_t(tagEnd + 40)),
      "Xing");
}

TEST_F(SaveInteropTest, FilesFromOtherWritersSaveCleanly) {
  // 48 kHz mono VBR: our Xing frame replaces lame's.
  ASSERT_TRUE(load("mono48.mp3"));
  expectCleanDecode(save("mono48.mp3"));
  // The WAV's RIFF header and what follows its data chunk are not written.
  ASSERT_TRUE(load("wrapped.wav"));
  ASSERT_TRUE(editor.document().layout.riffFound);
  const std::string out = save("unwrapped.mp3");
  expectCleanDecode(out);
  const auto val = runCommand("mp3val " + shellQuote(out));
  EXPECT_NE(val.output.find("CBR"), std::string::npos) << val.output;
}

TEST_F(SaveInteropTest, Mpeg2FileIsRefusedAndNothingIsWritten) {
  const std::string job = dir.file("job.txt"), out = dir.file("out.mp3"), home = dir.file("home");
  fs::create_directories(home);
  const std::string script = "LOAD " + input("mpeg2.mp3") + "\nSAVEAS " + out + "\n";
  writeFile(job, std::vector<uint8_t>(script.begin(), script.end()));
  runCommand("env HOME=" + shellQuote(home) + " KAVREL_HOME=" + shellQuote(home) +
             " DISPLAY= WAYLAND_DISPLAY= " + shellQuote(KAVREL_EXE) + " --script=" + shellQuote(job));
  EXPECT_FALSE(fs::exists(out));
  const auto log = readFile(home + "/kavrel.log");
  EXPECT_NE(std::string(log.begin(), log.end()).find("Mpeg version 2 not supported."), std::string::npos);
}

// A save killed at any moment leaves the target either whole and old or
// whole and new.
TEST_F(SaveInteropTest, SaveKilledAtRandomMomentsLeavesOldOrNewFile) {
  constexpr int kFrames = 60000;  // about 25 MB
  FrameSpec spec;
  Mp3Builder b;
  b.frames(kFrames, spec);
  const std::vector<uint8_t> oldBytes = b.bytes();
  const std::string target = dir.file("victim.mp3");
  writeFile(target, oldBytes);

  // With stopMidway the saving process stops itself at its second progress
  // step, when the temporary file is half written.
  auto saveWithGain = [](const std::string& path, bool stopMidway = false) {
    RecordingHost childHost;
    Editor child(childHost);
    if (!child.loadFile(path)) return false;
    if (stopMidway)
      childHost.onProgress = [loadSteps = childHost.progressCalls()](int call, int) {
        if (call == loadSteps + 2) ::raise(SIGSTOP);
      };
    for (auto& g : child.document().gainList) g = {3, 3};
    child.scriptRunning = true;
    return child.save(Sender::ScriptMarker);
  };

  // The new content, and how long a save takes.
  const std::string reference = dir.file("reference.mp3");
  writeFile(reference, oldBytes);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(saveWithGain(reference));
  const auto saveTime =
      std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
  const std::vector<uint8_t> newBytes = readFile(reference);
  ASSERT_NE(newBytes, oldBytes);

  // Timed once more the way the rounds run it: in a child, right after the
  // target was rewritten.
  writeFile(target, oldBytes);
  const auto childStart = std::chrono::steady_clock::now();
  const pid_t timed = ::fork();
  ASSERT_GE(timed, 0);
  if (timed == 0) ::_exit(saveWithGain(target) ? 0 : 1);
  int timedStatus = 0;
  ::waitpid(timed, &timedStatus, 0);
  ASSERT_TRUE(WIFEXITED(timedStatus) && WEXITSTATUS(timedStatus) == 0);
  ASSERT_EQ(readFile(target), newBytes);
  const auto childTime =
      std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - childStart);
  const long span = std::max(saveTime.count(), childTime.count());

  std::mt19937 random(12345);
  std::uniform_int_distribution<long> delay(0, span * 12 / 10 + 1000);
  int sawOld = 0;
  int sawNew = 0;
  for (int round = 0; round < 30; ++round) {
    writeFile(target, oldBytes);
    fs::remove(target + ".kvtmpmp3");
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) ::_exit(saveWithGain(target) ? 0 : 1);
    ::usleep(useconds_t(delay(random)));
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    const std::vector<uint8_t> now = readFile(target);
    if (now == oldBytes) {
      ++sawOld;
    } else if (now == newBytes) {
      ++sawNew;
    } else {
      FAIL() << "round " << round << ": target is neither the old nor the new file (" << now.size()
             << " bytes)";
    }
  }
  std::printf("killed saves (span %ld us): %d left the old file, %d the new one\n", span, sawOld, sawNew);

  // Killed half way for certain: the old file is there, whole.
  writeFile(target, oldBytes);
  const pid_t stopped = ::fork();
  ASSERT_GE(stopped, 0);
  if (stopped == 0) ::_exit(saveWithGain(target, true) ? 0 : 1);
  int status = 0;
  ::waitpid(stopped, &status, WUNTRACED);
  ASSERT_TRUE(WIFSTOPPED(status));
  ::kill(stopped, SIGKILL);
  ::waitpid(stopped, &status, 0);
  EXPECT_EQ(readFile(target), oldBytes);
}

}  // namespace
}  // namespace kavrel::test
