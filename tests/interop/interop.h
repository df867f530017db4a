// Shared by the interop tests: the kavrel executable with folders of its own,
// the external judges and lame-encoded inputs made once per process.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/test_files.h"

namespace kavrel::test {

// Debian's python3-mutagen belongs to /usr/bin/python3, not to a python3 that may come first on the PATH.
inline constexpr const char* kPython = "/usr/bin/python3";
inline constexpr double kFrameSeconds = 1152.0 / 44100.0;

// The first of the tools that is not installed; empty when all are.
inline std::string missingTool(std::initializer_list<const char*> tools) {
  for (const char* tool : tools) {
    if (std::string(tool) == "mutagen") {
      static const bool ok = runCommand(std::string(kPython) + " -c 'import mutagen.id3'").exitCode == 0;
      if (!ok) return "python3-mutagen";
    } else if (!toolAvailable(tool)) {
      return tool;
    }
  }
  return {};
}
#define REQUIRE_TOOLS(...)                                                      \
  if (const std::string missing = missingTool({__VA_ARGS__}); !missing.empty()) \
  GTEST_SKIP() << missing << " is not installed (scripts/setup installs it)"

// tags.py (next to this file) with its command and arguments; UTF-8 output.
inline std::string tagsPy(const std::string& args) {
  const std::string script = (std::filesystem::path(__FILE__).parent_path() / "tags.py").string();
  const CommandResult r =
      runCommand("PYTHONIOENCODING=utf-8 " + std::string(kPython) + " " + shellQuote(script) + " " + args);
  EXPECT_EQ(r.exitCode, 0) << args << ": " << r.output;
  return r.output;
}

// The ID3v1 tag at the end of `path` as mutagen reads it, one field a line.
inline std::string mutagenId3v1(const std::string& path) {
  const std::string script =
      "import sys\nfrom mutagen.id3 import ParseID3v1\n"
      "f = ParseID3v1(open(sys.argv[1], 'rb').read()[-128:])\n"
      "print('no tag' if f is None else '\\n'.join('%s %s' % (k, f[k].genres if k == 'TCON' else f[k]) "
      "for k in sorted(f)))\n";
  const CommandResult r = runCommand("PYTHONIOENCODING=utf-8 " + std::string(kPython) + " -c " +
                                     shellQuote(script) + " " + shellQuote(path));
  EXPECT_EQ(r.exitCode, 0) << r.output;
  return r.output;
}

// The executable with a home, a data folder and a runtime folder of its own.
struct Kavrel {
  TempDir dir;
  Kavrel() {
    for (const char* d : {"home", "data", "run"}) std::filesystem::create_directories(dir.file(d));
    ::chmod(dir.file("run").c_str(), 0700);
  }
  std::string home() const { return dir.file("home"); }
  std::string data() const { return dir.file("data"); }
  std::string runtime() const { return dir.file("run"); }
  std::map<std::string, std::string> environment() const {
    return {{"HOME", home()}, {"KAVREL_HOME", data()}, {"XDG_RUNTIME_DIR", runtime()},
            {"DISPLAY", ""},  {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", "offscreen"}};
  }
  CommandResult run(const std::string& args) const {
    std::string env = "env";
    for (const auto& [k, v] : environment()) env += " " + k + "=" + shellQuote(v);
    return runCommand(env + " " + shellQuote(KAVREL_EXE) + " " + args);
  }
  // Writes the script and runs it silently.
  CommandResult script(const std::string& body, const std::string& name = "job.txt") const {
    writeFile(dir.file(name), std::vector<uint8_t>(body.begin(), body.end()));
    return run("--script=" + shellQuote(dir.file(name)));
  }
  std::string log() const { return readText(home() + "/kavrel.log"); }
  // The log of a run without failed lines: its header, start and finish.
  bool cleanLog() const {
    return std::regex_match(log(), std::regex("\r\nScript name: [^\r\n]+\r\nExecution started at [^\r\n]+\r\n"
                                              "Execution finished at [^\r\n]+\r\n"));
  }
};

// Decodes the whole file with mpg123 and ffprobe (checking CRCs when asked), which must report nothing, and
// has mp3val find no fault; the frames ffprobe decodes and the duration it reads.
struct Decoded {
  int64_t frames = -1;
  double seconds = 0;
};
inline Decoded decodeCleanly(const std::string& path, bool checkCrc = false) {
  const auto mpg = runCommand("mpg123 -t -q " + shellQuote(path));
  EXPECT_EQ(mpg.exitCode, 0) << path << ": " << mpg.output;
  EXPECT_TRUE(mpg.output.empty()) << path << ": " << mpg.output;
  std::istringstream lines(runCommand("mp3val " + shellQuote(path)).output);
  for (std::string line; std::getline(lines, line);)
    EXPECT_TRUE(line.find("No supported tags") != std::string::npos ||
                (line.find("WARNING") == std::string::npos && line.find("ERROR") == std::string::npos))
        << path << ": " << line;
  const auto probe =
      runCommand(std::string("ffprobe -v error ") + (checkCrc ? "-err_detect crccheck " : "") +
                 "-count_frames -select_streams a:0 -show_entries stream=nb_read_frames:format=duration "
                 "-of default=nw=1 " +
                 shellQuote(path));
  std::smatch frames, seconds;
  const std::regex f("nb_read_frames=(\\d+)\n"), d("duration=([0-9.]+)\n");
  if (!std::regex_search(probe.output, frames, f) || !std::regex_search(probe.output, seconds, d)) {
    ADD_FAILURE() << path << ": " << probe.output;
    return {};
  }
  EXPECT_EQ(probe.output.size(), size_t(frames.length() + seconds.length())) << path << ": " << probe.output;
  return {std::stoll(frames[1]), std::stod(seconds[1])};
}

// Mean or peak level in dB of [from, to) seconds after decoding; the left channel alone when asked.
inline double level(const std::string& path, double from, double to, bool peak = false,
                    bool leftOnly = false) {
  const std::string filter = "atrim=start=" + std::to_string(from) + ":end=" + std::to_string(to) +
                             (leftOnly ? ",pan=mono|c0=c0" : "") + ",volumedetect";
  const auto r = runCommand("ffmpeg -v info -nostats -i " + shellQuote(path) + " -af " + shellQuote(filter) +
                            " -f null - 2>&1");
  std::smatch m;
  const std::regex re(peak ? "max_volume: (-?[0-9.]+) dB" : "mean_volume: (-?[0-9.]+) dB");
  if (!std::regex_search(r.output, m, re)) {
    ADD_FAILURE() << path << ": " << r.output;
    return 0;
  }
  return std::stod(m[1]);
}

// A file made by another encoder on first use in this process, from tone.wav (20 s of a 440 Hz tone over pink
// noise, 44.1 kHz stereo, 10 dB louder from 10 to 12 s) or high.wav (3 s of 880 Hz): `how` is the command
// without its output file, by default that of the name in the table below.
inline std::string encoded(const std::string& name, const std::string& how = "") {
  static const std::map<std::string, std::string> kMade = {
      {"in.mp3", "lame --quiet -b 128 --tt 'Test Tone' --ta 'Kavrel Tests' --ty 2024 --add-id3v2 tone.wav"},
      {"ins.mp3", "lame --quiet -b 192 high.wav"}, {"vbr.mp3", "lame --quiet -V 2 tone.wav"},
      {"crc.mp3", "lame --quiet -b 128 -p tone.wav"},
      {"mono48.mp3", "lame --quiet -V 3 -m m --resample 48 tone.wav"},
      {"mpeg2.mp3", "lame --quiet -b 64 tone.wav"},
      {"layer2.mp2", "ffmpeg -v error -i tone.wav -t 3 -c:a mp2 -f mp2"},
      {"wrapped.wav", "ffmpeg -v error -i tone.wav -t 5 -c:a libmp3lame"}};  // an odd-length data chunk
  static std::unique_ptr<TempDir> dir;
  if (!dir) {
    dir = std::make_unique<TempDir>();
    const auto r = runCommand(
        "cd " + shellQuote(dir->path()) +
        " && ffmpeg -v error -f lavfi -i sine=frequency=440:sample_rate=44100:duration=20 -f lavfi -i "
        "anoisesrc=d=20:c=pink:a=0.05:r=44100 -filter_complex "
        "'amix=inputs=2,pan=stereo|c0=c0|c1=c0,volume=3:enable=between(t\\,10\\,12)' tone.wav"
        " && ffmpeg -v error -f lavfi -i sine=frequency=880:sample_rate=44100:duration=3 -ac 2 high.wav");
    EXPECT_EQ(r.exitCode, 0) << r.output;
  }
  const std::string path = dir->file(name);
  if (!std::filesystem::exists(path)) {
    const std::string command = how.empty() ? kMade.at(name) : how;
    const auto r = runCommand("cd " + shellQuote(dir->path()) + " && " + command + " " + shellQuote(path));
    EXPECT_EQ(r.exitCode, 0) << command << ": " << r.output;
  }
  return path;
}

}  // namespace kavrel::test
