// Loudness timing: Kavrel's load and measurement of a 1-hour 128 kbit/s file
// against ffmpeg's EBU R 128 meter on the same file in the same run
// (`ffmpeg -af ebur128 -f null -`, and with peak=true, since we measure the
// true peak too). Target: faster than ffmpeg.
//
//   loudness_bench [--minutes N] [--dir DIR] [--file MP3] [--keep]
//
// Without --file it has lame encode one minute of music-like noise and tone
// without an Info frame and joins N copies (default 60) into DIR (default
// $TMPDIR or /tmp), deleted afterwards unless --keep is given.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/editor.h"
#include "bench_common.h"

using namespace kavrel::bench;

namespace {

double timeCommand(const std::string& command, std::string& output) {
  const auto start = Clock::now();
  output.clear();
  if (FILE* p = popen(command.c_str(), "r")) {
    char buf[4096];
    while (size_t n = std::fread(buf, 1, sizeof buf, p)) output.append(buf, n);
    pclose(p);
  }
  return seconds(Clock::now() - start);
}

std::string summaryLine(const std::string& out, const std::string& key) {
  const size_t s = out.rfind("Summary:");
  const size_t at = out.find(key, s == std::string::npos ? 0 : s);
  if (at == std::string::npos) return "?";
  return out.substr(at, out.find('\n', at) - at);
}

}  // namespace

int main(int argc, char** argv) {
  int minutes = 60;
  std::string dir = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp";
  std::string file;
  bool keep = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--minutes" && i + 1 < argc) minutes = std::atoi(argv[++i]);
    else if (a == "--dir" && i + 1 < argc) dir = argv[++i];
    else if (a == "--file" && i + 1 < argc) file = argv[++i];
    else if (a == "--keep") keep = true;
    else {
      std::fprintf(stderr, "usage: loudness_bench [--minutes N] [--dir DIR] [--file MP3] [--keep]\n");
      return 2;
    }
  }
  const bool made = file.empty();
  if (made) {
    file = dir + "/kavrel-loudness-bench.mp3";
    const std::string minute = dir + "/kavrel-loudness-minute.mp3";
    const std::string encode =
        "ffmpeg -v error -f lavfi -i anoisesrc=d=60:c=pink:a=0.2:r=44100 -f lavfi -i "
        "sine=frequency=440:sample_rate=44100:duration=60 -filter_complex "
        "'amix=inputs=2,pan=stereo|c0=c0|c1=0.8*c0,volume=enable=between(mod(t\\,20)\\,10\\,20):volume=0.3' "
        "-f wav - | lame --quiet -t -b 128 - '" + minute + "'";
    if (std::system(encode.c_str()) != 0) {
      std::fprintf(stderr, "loudness_bench: ffmpeg and lame are needed to make the file\n");
      return 1;
    }
    std::ifstream in(minute, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    for (int m = 0; m < minutes; ++m) out.write(bytes.data(), std::streamsize(bytes.size()));
    std::filesystem::remove(minute);
  }
  std::printf("file: %s (%.1f MB)\n", file.c_str(), double(std::filesystem::file_size(file)) / 1e6);

  NullHost host;
  kavrel::Editor editor(host);
  editor.scriptRunning = true;
  editor.silentMode = true;
  const auto start = Clock::now();
  if (!editor.loadFile(file)) {
    std::fprintf(stderr, "loudness_bench: load failed: %s\n", editor.lineError.c_str());
    return 1;
  }
  const double load = seconds(Clock::now() - start);
  editor.measureLoudness(kavrel::Sender::ScriptMarker, kavrel::Span{0, editor.document().documentFrameCount()});
  const double ours = seconds(Clock::now() - start);
  std::printf("kavrel: %.2f s (load %.2f s, measure %.2f s): %s\n", ours, load, ours - load,
              kavrel::loudnessSummary(editor.lastLoudness).c_str());

  std::string out;
  const double plain = timeCommand("ffmpeg -nostats -hide_banner -i '" + file + "' -af ebur128 -f null - 2>&1", out);
  std::printf("ffmpeg -af ebur128: %.2f s: %s\n", plain, summaryLine(out, "I:").c_str());
  const double peak =
      timeCommand("ffmpeg -nostats -hide_banner -i '" + file + "' -af ebur128=peak=true -f null - 2>&1", out);
  std::printf("ffmpeg -af ebur128=peak=true: %.2f s: %s\n", peak, summaryLine(out, "I:").c_str());
  std::printf("kavrel / ffmpeg: %.2f (target below 1), with true peak %.2f\n", ours / plain, ours / peak);
  if (made && !keep) std::filesystem::remove(file);
  return 0;
}
