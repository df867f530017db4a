// Scripts run by the kavrel executable (--script=) on lame-encoded files;
// mpg123, ffprobe and ffmpeg judge the results.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <regex>
#include <string>

#include "app/editor.h"
#include "script/runner.h"
#include "support/recording_host.h"
#include "support/test_files.h"

namespace kavrel::test {
namespace {

namespace fs = std::filesystem;

bool haveTools() {
  for (const char* tool : {"ffmpeg", "ffprobe", "lame", "mpg123"})
    if (!toolAvailable(tool)) return false;
  return true;
}

int32_t framesAt(double seconds) { return int32_t(std::nearbyint(seconds / 0.0261224489795918)); }

class ScriptInteropTest : public ::testing::Test {
 protected:
  // 20 s of a 440 Hz tone and 3 s of 880 Hz, encoded once for the suite.
  static void SetUpTestSuite() {
    if (!haveTools()) return;
    shared_ = std::make_unique<TempDir>();
    for (const auto& [name, freq, seconds] :
         std::vector<std::tuple<std::string, int, int>>{{"in", 440, 20}, {"ins", 880, 3}}) {
      const std::string wav = shared_->file(name + ".wav");
      auto r =
          runCommand("ffmpeg -v error -y -f lavfi -i sine=frequency=" + std::to_string(freq) +
                     ":sample_rate=44100:duration=" + std::to_string(seconds) + " -ac 2 " + shellQuote(wav));
      ASSERT_EQ(r.exitCode, 0) << r.output;
      r = runCommand("lame --quiet -b 128 " + shellQuote(wav) + " " + shellQuote(input(name + ".mp3")));
      ASSERT_EQ(r.exitCode, 0) << r.output;
    }
  }
  static void TearDownTestSuite() { shared_.reset(); }
  static std::string input(const std::string& name) { return shared_->file(name); }

  void SetUp() override {
    if (!haveTools())
      GTEST_SKIP() << "ffmpeg, ffprobe, lame and mpg123 are needed (scripts/setup installs them)";
    fs::create_directories(home());
    fs::create_directories(data());
  }
  std::string home() const { return dir.file("home"); }
  std::string data() const { return dir.file("data"); }
  std::string out(const std::string& name) const { return dir.file(name); }
  std::string logText() const {
    if (!fs::exists(home() + "/kavrel.log")) return {};
    const auto bytes = readFile(home() + "/kavrel.log");
    return std::string(bytes.begin(), bytes.end());
  }

  // Runs the script text through the executable; the exit status.
  int runScript(const std::string& body, const std::string& name = "job.txt") {
    const std::string path = dir.file(name);
    writeFile(path, std::vector<uint8_t>(body.begin(), body.end()));
    const auto r =
        runCommand("env HOME=" + shellQuote(home()) + " KAVREL_HOME=" + shellQuote(data()) +
                   " DISPLAY= WAYLAND_DISPLAY= " + shellQuote(KAVREL_EXE) + " --script=" + shellQuote(path));
    lastOutput = r.output;
    return r.exitCode;
  }

  // Audio frames as ffprobe decodes them; checks that mpg123 decodes the
  // file without complaint too.
  static int64_t decodedFrames(const std::string& path) {
    const auto mpg = runCommand("mpg123 -t -q " + shellQuote(path));
    EXPECT_EQ(mpg.exitCode, 0) << path << ": " << mpg.output;
    const auto r = runCommand(
        "ffprobe -v error -count_frames -select_streams a:0 -show_entries "
        "stream=nb_read_frames -of csv=p=0 " +
        shellQuote(path));
    EXPECT_EQ(r.exitCode, 0) << r.output;
    return std::atoll(r.output.c_str());
  }

  // Mean and peak level in dB of [from, to) seconds, after decoding.
  static std::pair<double, double> level(const std::string& path, double from, double to) {
    const auto r = runCommand("ffmpeg -v info -nostats -i " + shellQuote(path) +
                              " -af atrim=start=" + std::to_string(from) + ":end=" + std::to_string(to) +
                              ",volumedetect -f null - 2>&1");
    std::smatch mean, peak;
    const bool found = std::regex_search(r.output, mean, std::regex("mean_volume: (-?[0-9.]+) dB")) &&
                       std::regex_search(r.output, peak, std::regex("max_volume: (-?[0-9.]+) dB"));
    EXPECT_TRUE(found) << r.output;
    if (!found) return {0, 0};
    return {std::stod(mean[1]), std::stod(peak[1])};
  }

  TempDir dir;
  std::string lastOutput;
  static std::unique_ptr<TempDir> shared_;
};

std::unique_ptr<TempDir> ScriptInteropTest::shared_;

TEST_F(ScriptInteropTest, EditsGiveTheExpectedDurations) {
  const int64_t in = decodedFrames(input("in.mp3"));
  const int64_t ins = decodedFrames(input("ins.mp3"));
  const std::string script =
      "; every edit command once\r\n"
      "LOAD \"" +
      input("in.mp3") +
      "\"\r\n"
      "SELECT 2, 4\r\nDELETE\r\nSAVEAS " +
      out("del.mp3") +
      "\r\n"
      "BASEDELETE 10, 12\r\nSAVEAS " +
      out("base.mp3") +
      "\r\n"
      "TRIM 1, 11\r\nSAVEAS " +
      out("trim.mp3") +
      "\r\n"
      "UNSELECT\r\nCURSOR EOF\r\nSILENCE 3\r\nSAVEAS " +
      out("sil.mp3") +
      "\r\n"
      "INSERT 0, " +
      input("ins.mp3") + "\r\nSAVEAS " + out("ins.mp3") +
      "\r\n"
      "SELECT 2, 6\r\nSAVESELECTION " +
      out("sel.mp3") +
      "\r\n"
      "CURSOR 5\r\nSPLIT " +
      out("part1.mp3") + ", " + out("part2.mp3");  // no final line end
  ASSERT_EQ(runScript(script), 0) << lastOutput;
  const int64_t del = in - (framesAt(4) - framesAt(2));
  const int64_t base = del - (framesAt(12) - framesAt(10));
  const int64_t trim = framesAt(11) - framesAt(1);
  const int64_t sil = trim + framesAt(3);
  const int64_t inserted = sil + ins;
  const std::vector<std::pair<std::string, int64_t>> expected = {
      {"del.mp3", del},           {"base.mp3", base},
      {"trim.mp3", trim},         {"sil.mp3", sil},
      {"ins.mp3", inserted},      {"sel.mp3", framesAt(6) - framesAt(2)},
      {"part1.mp3", framesAt(5)}, {"part2.mp3", inserted - framesAt(5)}};
  for (const auto& [name, frames] : expected) EXPECT_NEAR(decodedFrames(out(name)), frames, 2) << name;
  // The inserted silence decodes to digital silence, the tone around it does not.
  EXPECT_LT(level(out("sil.mp3"), 10.2, 12.8).second, -80);
  EXPECT_GT(level(out("sil.mp3"), 1, 9).second, -30);

  // A clean run leaves the header, the start and the finish lines only.
  const std::string log = logText();
  EXPECT_TRUE(std::regex_match(log, std::regex("\r\nScript name: [^\r\n]*job\\.txt\r\nExecution started at "
                                               "[^\r\n]+\r\nExecution finished at [^\r\n]+\r\n")))
      << log;
  // The data folder holds the settings the run stored on its way out, and
  // no work file.
  std::vector<std::string> left;
  for (const auto& e : fs::directory_iterator(data())) left.push_back(e.path().filename().string());
  EXPECT_EQ(left, std::vector<std::string>{"kavrel.ini"});
}

TEST_F(ScriptInteropTest, VolumeAndFadesMeasureAfterDecoding) {
  const std::string script = "LOAD " + input("in.mp3") +
                             "\n"
                             "SELECTALL\nVOLUME 6\nSAVEAS " +
                             out("louder.mp3") +
                             "\n"
                             "LOAD " +
                             input("in.mp3") +
                             "\n"
                             "VOLUME 5, 15, -9, left\nSAVEAS " +
                             out("left.mp3") +
                             "\n"
                             "LOAD " +
                             input("in.mp3") +
                             "\n"
                             "FADEOUT 15, EOF, 30\nFADEIN 0, 5, 30\nSAVEAS " +
                             out("faded.mp3") + "\n";
  ASSERT_EQ(runScript(script), 0) << lastOutput;
  const double base = level(input("in.mp3"), 1, 19).first;
  EXPECT_NEAR(level(out("louder.mp3"), 1, 19).first - base, 6.0, 0.3);
  // -9 dB on the left channel only: the mix of both loses about 3.6 dB.
  const auto leftOnly = [&](const std::string& path, double from, double to) {
    const auto r = runCommand("ffmpeg -v info -nostats -i " + shellQuote(path) + " -af " +
                              shellQuote("atrim=start=" + std::to_string(from) +
                                         ":end=" + std::to_string(to) + ",pan=mono|c0=c0,volumedetect") +
                              " -f null - 2>&1");
    std::smatch m;
    const bool found = std::regex_search(r.output, m, std::regex("mean_volume: (-?[0-9.]+) dB"));
    EXPECT_TRUE(found) << r.output;
    return found ? std::stod(m[1]) : 0.0;
  };
  EXPECT_NEAR(leftOnly(out("left.mp3"), 6, 14) - leftOnly(input("in.mp3"), 6, 14), -9.0, 0.3);
  EXPECT_NEAR(leftOnly(out("left.mp3"), 16, 19) - leftOnly(input("in.mp3"), 16, 19), 0.0, 0.3);
  // Fades: unchanged in the middle, 30 dB down at the far ends.
  EXPECT_NEAR(level(out("faded.mp3"), 6, 14).first - base, 0.0, 0.3);
  EXPECT_LT(level(out("faded.mp3"), 19.5, 19.9).first - base, -24);
  EXPECT_LT(level(out("faded.mp3"), 0.1, 0.4).first - base, -24);
  EXPECT_NEAR(level(out("faded.mp3"), 17.4, 17.6).first - base, -15.0, 2.0);
}

TEST_F(ScriptInteropTest, FailedLinesAreLoggedAndIgnoredByDefault) {
  const std::string script = "LOAD " + input("in.mp3") +
                             "\n"
                             "SELECT 1, 2\nTRIM 10, EOF\nBOGUS line\nPLAYSELECTION 1\nDELETE\n"
                             "SAVEAS " +
                             out("done.mp3") + "\n";
  ASSERT_EQ(runScript(script), 0) << lastOutput;
  EXPECT_NEAR(decodedFrames(out("done.mp3")), decodedFrames(input("in.mp3")) - (framesAt(2) - framesAt(1)),
              2);
  const std::string log = logText();
  const size_t start = log.find("Execution started at ");
  const size_t a = log.find("2nd TRIM parameter invalid:\r\nEOF\r\n");
  const size_t b = log.find("Syntax error: BOGUS\r\n");
  const size_t c = log.find("PLAYSELECTION: must have 0 or 2 parameters.\r\n");
  const size_t finish = log.find("Execution finished at ");
  ASSERT_NE(start, std::string::npos);
  ASSERT_NE(finish, std::string::npos);
  EXPECT_TRUE(start < a && a < b && b < c && c < finish) << log;

  // A missing script: the log says so and the exit status tells the shell.
  EXPECT_EQ(runScript("", "unused.txt"), 0);
  const std::string missing = dir.file("none.txt");
  const auto r = runCommand("env HOME=" + shellQuote(home()) + " KAVREL_HOME=" + shellQuote(data()) + " " +
                            shellQuote(KAVREL_EXE) + " --script=" + shellQuote(missing));
  EXPECT_NE(r.exitCode, 0);
  EXPECT_NE(logText().find("Script name: " + missing + "\r\nExecution started at "), std::string::npos);
  EXPECT_NE(logText().find("The script you specified doesn't exist.\r\nExecution finished at "),
            std::string::npos);
}

// The ignore option off (set through the configuration, which the executable
// does not read yet): the run stops at the failed line, the log holds that
// line between its start and finish lines, and nothing after it runs.
TEST_F(ScriptInteropTest, FailedLineStopsTheRunWhenNotIgnoring) {
  RecordingHost host;
  Editor editor(host);
  editor.options().silentIgnoreErrors = false;
  editor.options().logPath = out("stop.log");
  ScriptRunner runner(editor);
  const std::string script = dir.file("stop.txt");
  const std::string body = "LOAD " + input("in.mp3") + "\r\nSELECT 1, 2\r\nSELECT 3, x\r\nDELETE\r\nSAVEAS " +
                           out("never.mp3") + "\r\n";
  writeFile(script, std::vector<uint8_t>(body.begin(), body.end()));
  EXPECT_EQ(runner.runSilent(script), RunResult::Stopped);
  EXPECT_FALSE(fs::exists(out("never.mp3")));
  const auto bytes = readFile(out("stop.log"));
  const std::string log(bytes.begin(), bytes.end());
  EXPECT_TRUE(
      std::regex_match(log, std::regex("\r\nScript name: [^\r\n]+\r\nExecution started at [^\r\n]+\r\n"
                                       "2nd SELECT parameter invalid:\r\nx\r\n"
                                       "Execution finished at [^\r\n]+\r\n")))
      << log;
  EXPECT_EQ(editor.document().documentFrameCount(),
            decodedFrames(input("in.mp3")) + 1);  // + lame's Info frame
}

}  // namespace
}  // namespace kavrel::test
