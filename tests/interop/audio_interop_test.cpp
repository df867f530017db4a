// What Kavrel saves, judged by programs we did not write (mpg123,
// ffmpeg/ffprobe, mp3val); a killed save leaves the target whole.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "app/editor.h"
#include "interop.h"
#include "support/mp3_builder.h"
#include "support/recording_host.h"

namespace kavrel::test {
namespace {

namespace fs = std::filesystem;

int64_t framesAt(double seconds) { return std::llround(seconds / kFrameSeconds); }

int64_t probedFrames(const std::string& path) {
  return std::atoll(runCommand("ffprobe -v error -count_frames -select_streams a:0 -show_entries "
                               "stream=nb_read_frames -of csv=p=0 " +
                               shellQuote(path))
                        .output.c_str());
}

TEST(AudioInterop, ScriptedEditsDecodeToTheirLengthsAndLevels) {
  REQUIRE_TOOLS("ffmpeg", "ffprobe", "lame", "mpg123", "mp3val", "mutagen");
  Kavrel k;
  const auto out = [&](const std::string& name) { return k.dir.file(name); };
  const std::string in = encoded("in.mp3");
  for (const char* name : {"ins.mp3", "vbr.mp3", "crc.mp3", "mono48.mp3", "layer2.mp2", "wrapped.wav"})
    encoded(name);
  // <in>/: lame's files, <out>/: ours; "|" ends a line; failed lines are logged and passed over.
  std::string script =
      "LOAD <in>/layer2.mp2|SAVEAS <out>/never.mp3|; every edit command once|LOAD \"<in>/in.mp3\"|"
      "SELECT 2, 4|DELETE|SAVEAS <out>/del.mp3|BASEDELETE 10, 12|SAVEAS <out>/base.mp3|TRIM 1, 11|"
      "SAVEAS <out>/trim.mp3|UNSELECT|CURSOR EOF|SILENCE 3|SAVEAS <out>/sil.mp3|INSERT 0, <in>/ins.mp3|"
      "SAVEAS <out>/ins.mp3|SELECT 2, 6|SAVESELECTION <out>/sel.mp3|CURSOR 5|"
      "SPLIT <out>/part1.mp3, <out>/part2.mp3|TRIM 10, EOF|BOGUS line|PLAYSELECTION 1|LOAD <in>/in.mp3|"
      "SELECTALL|VOLUME 6|SAVEAS <out>/louder.mp3|LOAD <in>/in.mp3|SELECTALL|VOLUME -4.5|"
      "SAVEAS <out>/quieter.mp3|LOAD <in>/in.mp3|VOLUME 5, 15, -9, left|SAVEAS <out>/left.mp3|"
      "LOAD <in>/in.mp3|FADEOUT 15, EOF, 30|FADEIN 0, 5, 30|SAVEAS <out>/faded.mp3|LOAD <in>/vbr.mp3|"
      "SELECT 2, 5|DELETE|SAVEAS <out>/vbr.mp3|LOAD <in>/crc.mp3|SAVEAS <out>/crc.mp3|SELECTALL|VOLUME 3|"
      "SAVEAS <out>/crc-gain.mp3|LOAD <in>/mono48.mp3|SAVEAS <out>/mono48.mp3|LOAD <in>/wrapped.wav|"
      "SAVEAS <out>/unwrapped.mp3";  // no final line end
  script = std::regex_replace(script, std::regex("\\|"), "\r\n");
  script = std::regex_replace(script, std::regex("<in>/"), fs::path(in).parent_path().string() + "/");
  script = std::regex_replace(script, std::regex("<out>/"), k.dir.path() + "/");
  const auto r = k.script(script);
  ASSERT_EQ(r.exitCode, 0) << r.output;
  EXPECT_TRUE(std::regex_match(k.log(), std::regex("\r\nScript name: [^\r\n]*job\\.txt\r\n"
                                                   "Execution started at [^\r\n]+\r\n"
                                                   "LOAD:\r\nSeems like mp2, not mp3 file.\r\n"
                                                   "SAVEAS: No file loaded.\r\n"
                                                   "2nd TRIM parameter invalid:\r\nEOF\r\n"
                                                   "Syntax error: BOGUS\r\n"
                                                   "PLAYSELECTION: must have 0 or 2 parameters.\r\n"
                                                   "Execution finished at [^\r\n]+\r\n")))
      << k.log();
  // The data folder holds the settings the run stored on its way out, and no work file.
  std::vector<std::string> left;
  for (const auto& e : fs::directory_iterator(k.data())) left.push_back(e.path().filename().string());
  EXPECT_EQ(left, std::vector<std::string>{"kavrel.ini"});
  const int64_t whole = probedFrames(in);
  const int64_t del = whole - (framesAt(4) - framesAt(2));
  const int64_t base = del - (framesAt(12) - framesAt(10));
  const int64_t trim = framesAt(11) - framesAt(1);
  const int64_t sil = trim + framesAt(3);
  const int64_t ins = sil + probedFrames(encoded("ins.mp3"));
  const int64_t crc = probedFrames(encoded("crc.mp3"));
  const struct {
    std::string name;
    int64_t frames;
    int rate = 44100;
  } outputs[] = {// clang-format off
      {"del.mp3", del}, {"base.mp3", base}, {"trim.mp3", trim}, {"sil.mp3", sil},
      {"ins.mp3", ins},  // 128 and 192 kbit/s: a Xing frame of ours gives the length
      {"sel.mp3", framesAt(6) - framesAt(2)}, {"part1.mp3", framesAt(5)}, {"part2.mp3", ins - framesAt(5)},
      {"louder.mp3", whole}, {"quieter.mp3", whole}, {"left.mp3", whole}, {"faded.mp3", whole},
      {"vbr.mp3", probedFrames(encoded("vbr.mp3")) - (framesAt(5) - framesAt(2))},
      {"crc.mp3", crc}, {"crc-gain.mp3", crc}, {"mono48.mp3", probedFrames(encoded("mono48.mp3")), 48000},
      {"unwrapped.mp3", probedFrames(encoded("wrapped.wav"))}};
  // clang-format on
  for (const auto& o : outputs) {
    const Decoded d = decodeCleanly(out(o.name), o.name.starts_with("crc"));
    EXPECT_NEAR(d.frames, o.frames, 2) << o.name;
    EXPECT_NEAR(d.seconds, double(d.frames) * 1152 / o.rate, 1.5 * 1152 / o.rate) << o.name;
  }
  EXPECT_FALSE(fs::exists(out("never.mp3")));
  // The Xing frame follows the tag.
  const auto joined = readFile(out("ins.mp3"));
  const size_t tagEnd = size_t(std::stol(tagsPy("size " + shellQuote(out("ins.mp3")))));
  ASSERT_GT(joined.size(), tagEnd + 40);
  EXPECT_EQ(std::string(joined.begin() + long(tagEnd) + 36, joined.begin() + long(tagEnd) + 40), "Xing");
  // The WAV's header is not written; what is left reads as constant bitrate.
  EXPECT_NE(k.run("--info " + shellQuote(encoded("wrapped.wav"))).output.find("  RIFF header at 0, "),
            std::string::npos);
  EXPECT_NE(runCommand("mp3val " + shellQuote(out("unwrapped.mp3"))).output.find("CBR"), std::string::npos);
  // Levels: 1.5 dB a volume step; the left channel alone; fades 30 dB deep at the far ends; inserted silence
  // is digital silence; BASEDELETE cut the louder part, at times of the file as loaded.
  const auto change = [&](const std::string& name, double from, double to, bool leftOnly = false) {
    return level(out(name), from, to, false, leftOnly) - level(in, from, to, false, leftOnly);
  };
  EXPECT_NEAR(change("louder.mp3", 1, 19), 6.0, 0.3);
  EXPECT_NEAR(change("quieter.mp3", 1, 19), -4.5, 0.3);
  EXPECT_NEAR(level(out("crc-gain.mp3"), 1, 19) - level(out("crc.mp3"), 1, 19), 3.0, 0.3);
  EXPECT_NEAR(change("left.mp3", 6, 14, true), -9.0, 0.3);
  EXPECT_NEAR(change("left.mp3", 16, 19, true), 0.0, 0.3);
  EXPECT_NEAR(change("faded.mp3", 6, 14), 0.0, 0.3);
  EXPECT_LT(change("faded.mp3", 19.5, 19.9), -24);
  EXPECT_LT(change("faded.mp3", 0.1, 0.4), -24);
  EXPECT_NEAR(change("faded.mp3", 17.4, 17.6), -15.0, 2.0);
  EXPECT_LT(level(out("sil.mp3"), 10.2, 12.8, true), -80);
  EXPECT_GT(level(out("sil.mp3"), 1, 9, true), -30);
  EXPECT_NEAR(level(out("del.mp3"), 8.2, 9.8) - level(in, 10.2, 11.8), 0.0, 1.0);  // 2 s earlier
  EXPECT_NEAR(level(out("base.mp3"), 8.2, 9.8) - level(in, 12.2, 13.8), 0.0, 1.0);
}

// Every frame of the saved file is the source frame its edit list names,
// with the gain changes of the edits, or a silent frame.
TEST(AudioInterop, EditChainWritesExactlyItsFrames) {
  REQUIRE_TOOLS("mpg123");
  const auto spec = [](int i) {
    FrameSpec s;  // 128 kbit/s, 44.1 kHz, joint stereo
    s.gains = {uint8_t(200 + i % 50), uint8_t(60 + i), uint8_t(10 + i), uint8_t(i % 3)};
    return s;
  };
  Mp3Builder b;
  for (int i = 0; i < 120; ++i) b.frame(spec(i));
  Kavrel k;
  writeFile(k.dir.file("in.mp3"), b.bytes());
  const auto t = [](int frame) { return std::to_string(frame * kFrameSeconds); };
  const auto r =
      k.script("LOAD " + k.dir.file("in.mp3") + "\nSELECT " + t(10) + ", " + t(20) + "\nDELETE\nSELECT " +
               t(30) + ", " + t(40) + "\nCOPY\nCURSOR " + t(50) + "\nPASTE\nVOLUME 0, " + t(30) +
               ", 4.5, LEFT\nVOLUME " + t(70) + ", " + t(75) + ", 30\nVOLUME " + t(70) + ", " + t(75) +
               ", 30\nFADEOUT " + t(80) + ", " + t(90) + ", 30\nCURSOR " + t(3) + "\nSILENCE " + t(5) +
               "\nVOLUME " + t(2) + ", " + t(6) + ", 3\nSAVEAS " + k.dir.file("out.mp3") + "\n");
  ASSERT_EQ(r.exitCode, 0) << r.output;
  EXPECT_TRUE(k.cleanLog()) << k.log();
  struct Expected {
    int source;  // -1: a silent frame
    int left = 0;
    int right = 0;
  };
  std::vector<Expected> model;
  for (int i = 0; i < 120; ++i) model.push_back({i});
  model.erase(model.begin() + 10, model.begin() + 20);
  const std::vector<Expected> copied(model.begin() + 30, model.begin() + 40);
  model.insert(model.begin() + 50, copied.begin(), copied.end());
  for (int i = 0; i < 30; ++i) model[size_t(i)].left += 3;
  for (int i = 70; i < 75; ++i)
    model[size_t(i)].left = model[size_t(i)].right = 40;              // saved fields clamp at 255
  const int ramp[10] = {0, -2, -4, -7, -9, -11, -13, -16, -18, -20};  // 20 steps, rounded
  for (int i = 0; i < 10; ++i) model[size_t(80 + i)].left = model[size_t(80 + i)].right = ramp[i];
  model.insert(model.begin() + 3, 5, Expected{-1});  // silent frames take the volume change in the list only
  model[2].left += 2;
  model[2].right += 2;
  const std::vector<uint8_t> source = b.bytes(), saved = readFile(k.dir.file("out.mp3"));
  ASSERT_EQ(saved.size(), model.size() * 417);
  FrameSpec silent;
  silent.modeExtension = 0;
  silent.original = false;
  for (size_t i = 0; i < model.size(); ++i) {
    const std::vector<uint8_t> got(saved.begin() + long(i * 417), saved.begin() + long(i * 417 + 417));
    const Expected& e = model[i];
    if (e.source < 0) {
      silent.gains = {0, 0, 0, 0};
      EXPECT_EQ(got, makeFrame(silent)) << "frame " << i;
      continue;
    }
    FrameSpec s = spec(e.source);
    const auto patch = [](uint8_t g, int change) { return uint8_t(std::clamp(g + change, 0, 255)); };
    s.gains = {patch(s.gains[0], e.left), patch(s.gains[1], e.right), patch(s.gains[2], e.left),
               patch(s.gains[3], e.right)};
    EXPECT_EQ(got, makeFrame(s)) << "frame " << i;
  }
  // Every frame decodes: 1152 stereo 16-bit samples each, after a 44-byte header.
  const auto decoded = runCommand("mpg123 -q -w " + shellQuote(k.dir.file("out.wav")) + " " +
                                  shellQuote(k.dir.file("out.mp3")));
  EXPECT_EQ(decoded.exitCode, 0) << decoded.output;
  EXPECT_TRUE(decoded.output.empty()) << decoded.output;
  EXPECT_EQ(fs::file_size(k.dir.file("out.wav")), 44 + model.size() * 1152 * 4);
}

// Saves the file over itself with +4.5 dB; with `stopAt` > 0 the process
// stops itself at that progress step of the save. The save's progress steps.
int saveLouder(const std::string& path, int stopAt = 0) {
  RecordingHost host;
  Editor editor(host);
  if (!editor.loadFile(path)) return -1;
  const int loadSteps = host.progressCalls();
  host.onProgress = [&](int call, int) {
    if (call == loadSteps + stopAt) ::raise(SIGSTOP);
  };
  for (auto& g : editor.document().gainList) g = {3, 3};
  editor.scriptRunning = true;
  return editor.save(Sender::ScriptMarker) ? host.progressCalls() - loadSteps : -1;
}

// A save killed at any of its steps leaves the target whole: the old file until the new one has replaced it.
TEST(AudioInterop, KilledSaveLeavesTheOldOrTheNewFile) {
  const std::vector<uint8_t> oldBytes = Mp3Builder().frames(4000).bytes();
  TempDir dir;
  const std::string target = dir.file("victim.mp3");
  writeFile(target, oldBytes);
  const int steps = saveLouder(target);
  ASSERT_GT(steps, 8);
  const std::vector<uint8_t> newBytes = readFile(target);
  ASSERT_NE(newBytes, oldBytes);
  for (int stop = 1; stop <= steps; ++stop) {
    writeFile(target, oldBytes);
    fs::remove(target + ".kvtmpmp3");
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) ::_exit(saveLouder(target, stop) > 0 ? 0 : 1);
    int status = 0;
    ::waitpid(pid, &status, WUNTRACED);
    ASSERT_TRUE(WIFSTOPPED(status)) << "step " << stop;
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    const std::vector<uint8_t> now = readFile(target);
    EXPECT_TRUE(now == oldBytes || now == newBytes) << "step " << stop << ": " << now.size() << " bytes";
    if (stop <= steps / 2) {
      EXPECT_EQ(now, oldBytes) << "step " << stop << " of " << steps;
    }
  }
}

}  // namespace
}  // namespace kavrel::test
