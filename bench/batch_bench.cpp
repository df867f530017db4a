// Batch timing: a silent script run of the kavrel executable on a 10-minute
// lame-encoded file (load, two deletions, a fade-out, a volume change, save)
// against the nearest thing ffmpeg does without re-encoding: the same two
// deletions as one `-c copy` concat in a single run. ffmpeg cannot fade or
// change the gain without decoding, so it does less work than the script.
// Target: kavrel/ffmpeg < 1.
//
//   batch_bench [--minutes N] [--reps N] [--kavrel PATH] [--dir DIR] [--keep]

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

bool have(const char* tool) {
  return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// Seconds one shell command takes; negative when it failed.
double timed(const std::string& command) {
  const auto t0 = Clock::now();
  const int rc = std::system(command.c_str());
  const double s = std::chrono::duration<double>(Clock::now() - t0).count();
  return rc == 0 ? s : -1;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

void write(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

}  // namespace

int main(int argc, char** argv) {
  int minutes = 10;
  int reps = 5;
  bool keep = false;
  std::string kavrel;
  std::string dir = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp";
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--minutes" && i + 1 < argc) {
      minutes = std::max(1, std::atoi(argv[++i]));
    } else if (a == "--reps" && i + 1 < argc) {
      reps = std::max(1, std::atoi(argv[++i]));
    } else if (a == "--kavrel" && i + 1 < argc) {
      kavrel = argv[++i];
    } else if (a == "--dir" && i + 1 < argc) {
      dir = argv[++i];
    } else if (a == "--keep") {
      keep = true;
    } else {
      std::fprintf(stderr,
                   "usage: batch_bench [--minutes N] [--reps N] [--kavrel PATH] [--dir DIR] [--keep]\n");
      return 2;
    }
  }
  if (kavrel.empty()) {
    // The executable beside this program's build tree: build/<preset>/src/kavrel.
    std::error_code ec;
    kavrel = (fs::read_symlink("/proc/self/exe", ec).parent_path().parent_path() / "src" / "kavrel").string();
  }
  if (!fs::exists(kavrel)) {
    std::fprintf(stderr, "kavrel executable not found (%s); pass --kavrel PATH\n", kavrel.c_str());
    return 2;
  }
  if (!have("ffmpeg") || !have("lame")) {
    std::fprintf(stderr, "ffmpeg and lame are needed (scripts/setup installs them)\n");
    return 2;
  }

  const std::string work = dir + "/kavrel-batch-bench-" + std::to_string(::getpid());
  fs::create_directories(work);
  const std::string in = work + "/in.mp3";
  const int seconds = minutes * 60;
  std::printf("encoding %d min of audio with lame...\n", minutes);
  if (timed("ffmpeg -v error -y -f lavfi -i sine=frequency=440:duration=" + std::to_string(seconds) +
            " -f lavfi -i anoisesrc=c=pink:a=0.05:d=" + std::to_string(seconds) +
            " -filter_complex amix=inputs=2 -ac 2 -f wav - | lame --quiet -b 192 - " + quote(in)) < 0) {
    std::fprintf(stderr, "encoding failed\n");
    return 1;
  }

  // Two ranges, given in the timeline of the file as loaded, then the last
  // 10 s of what is left faded out and the whole 3 dB quieter.
  const double total = seconds;
  const double a0 = total * 0.10, a1 = total * 0.15, b0 = total * 0.50, b1 = total * 0.55;
  const double left = total - (a1 - a0) - (b1 - b0);
  const std::string out = work + "/out.mp3";
  const std::string script = work + "/job.txt";
  char body[1024];
  std::snprintf(body, sizeof body,
                "LOAD %s\nBASEDELETE %.3f, %.3f\nBASEDELETE %.3f, %.3f\nFADEOUT %.3f, EOF, 30\nSELECTALL\n"
                "VOLUME -3\nSAVEAS %s\n",
                in.c_str(), a0, a1, b0, b1, left - 10, out.c_str());
  write(script, body);
  const std::string kavrelRun =
      "env HOME=" + quote(work) + " " + quote(kavrel) + " --script=" + quote(script);

  const std::string list = work + "/list.txt";
  char concat[1024];
  std::snprintf(concat, sizeof concat,
                "file '%s'\noutpoint %.3f\nfile '%s'\ninpoint %.3f\noutpoint %.3f\nfile '%s'\ninpoint %.3f\n",
                in.c_str(), a0, in.c_str(), a1, b0, in.c_str(), b1);
  write(list, concat);
  const std::string ffmpegRun =
      "ffmpeg -v error -y -f concat -safe 0 -i " + quote(list) + " -c copy " + quote(work + "/ff.mp3");

  std::vector<double> k, f;
  for (int r = 0; r < reps; ++r) {
    // Alternating, so that neither always runs on a cache the other warmed.
    const double tf = timed(ffmpegRun);
    const double tk = timed(kavrelRun);
    if (tk < 0 || tf < 0) {
      std::fprintf(stderr, "a run failed (kavrel %.3f, ffmpeg %.3f)\n", tk, tf);
      return 1;
    }
    k.push_back(tk);
    f.push_back(tf);
  }
  const double mk = median(k), mf = median(f);
  std::printf("file: %d min, %.1f MB, 192 kbit/s\n", minutes, double(fs::file_size(in)) / 1e6);
  std::printf("kavrel --script (load, 2 deletions, fade-out, volume, save): %.3f s (median of %d)\n", mk,
              reps);
  std::printf("ffmpeg -c copy concat (the 2 deletions only):               %.3f s (median of %d)\n", mf,
              reps);
  std::printf("ratio kavrel/ffmpeg: %.2f (target < 1)\n", mk / mf);
  if (!keep) fs::remove_all(work);
  return 0;
}
