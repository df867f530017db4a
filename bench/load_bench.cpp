// Load timing: how long Editor::loadFile takes on a large CBR file compared
// with `cat FILE > /dev/null` from a warm page cache, and how much memory the
// load adds per frame. Targets: load/cat <= 2, peak bytes per frame <= 40.
//
//   load_bench [--frames N | --mb MB] [--dir DIR] [--file MP3] [--reps N] [--keep]
//
// Without --file it writes a file of N frames (default 2,500,000: about
// 1.04 GB of 128 kbit/s 44.1 kHz joint-stereo frames) into DIR (default
// $TMPDIR or /tmp) and deletes it afterwards unless --keep is given.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "app/editor.h"
#include "app/host.h"
#include "bench_common.h"

using namespace kavrel::bench;

namespace {

int64_t fileSize(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  return in ? int64_t(in.tellg()) : -1;
}

// A field of /proc/self/status in bytes ("VmRSS", "VmHWM"), or -1.
int64_t statusBytes(const char* field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  const std::string key = std::string(field) + ":";
  while (std::getline(in, line)) {
    if (line.rfind(key, 0) == 0) return std::atoll(line.c_str() + key.size()) * 1024;
  }
  return -1;
}

// Resident bytes from /proc/self/statm, cheap enough to sample.
int64_t residentBytes() {
  std::FILE* f = std::fopen("/proc/self/statm", "r");
  if (f == nullptr) return -1;
  long size = 0;
  long resident = 0;
  const int n = std::fscanf(f, "%ld %ld", &size, &resident);
  std::fclose(f);
  return n == 2 ? int64_t(resident) * sysconf(_SC_PAGESIZE) : -1;
}

bool resetPeak() {
  std::FILE* f = std::fopen("/proc/self/clear_refs", "w");
  if (f == nullptr) return false;
  const bool ok = std::fputs("5", f) >= 0;
  return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  FileArgs args;
  args.reps = 5;
  if (!parseFileArgs(argc, argv, "load_bench", args)) return 2;
  const int64_t frames = args.frames;
  const int reps = args.reps;
  const bool keep = args.keep;
  const std::string dir = args.dir;
  std::string path = args.path;

  const bool generated = path.empty();
  if (generated) {
    path = dir + "/kavrel-load-bench-" + std::to_string(::getpid()) + ".mp3";
    const auto t0 = Clock::now();
    if (!writeCbrFile(path, frames)) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      std::remove(path.c_str());
      return 1;
    }
    std::printf("wrote %s in %.2f s\n", path.c_str(), seconds(Clock::now() - t0));
  }
  auto cleanup = [&] {
    if (generated && !keep) std::remove(path.c_str());
  };
  const int64_t size = fileSize(path);
  readOnce(path);  // warm the page cache

  // Memory first, on an untimed load in a process that has not loaded yet (later
  // loads reuse the heap the earlier ones freed): the peak above the resident
  // size before it, from VmHWM after resetting it, else by sampling.
  int64_t peakAdded = -1;
  int64_t retained = -1;
  const char* peakHow = "VmHWM";
  NullHost host;
  int32_t loadedFrames = 0;
  double firstLoad = 0;
  {
    kavrel::Editor editor(host);
    const int64_t before = statusBytes("VmRSS");
    const auto t0 = Clock::now();
    if (resetPeak()) {
      if (!editor.loadFile(path)) {
        std::fprintf(stderr, "load failed: %s\n", editor.lineError.c_str());
        cleanup();
        return 1;
      }
      peakAdded = statusBytes("VmHWM") - before;
    } else {
      peakHow = "sampled VmRSS";
      std::atomic<bool> done{false};
      std::atomic<int64_t> maxSeen{residentBytes()};
      std::thread sampler([&] {
        while (!done.load()) {
          maxSeen.store(std::max(maxSeen.load(), residentBytes()));
          std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
      });
      editor.loadFile(path);
      done.store(true);
      sampler.join();
      peakAdded = std::max(maxSeen.load(), residentBytes()) - before;
    }
    firstLoad = seconds(Clock::now() - t0);
    retained = statusBytes("VmRSS") - before;
    loadedFrames = editor.document().documentFrameCount();
  }
  if (generated && loadedFrames != frames)
    std::printf("warning: wrote %lld frames, loaded %d\n", static_cast<long long>(frames), loadedFrames);

  const std::string cat = "cat " + shellQuote(path) + " > /dev/null";
  double catBest = 1e30;
  for (int r = 0; r < reps; ++r) {
    const auto t0 = Clock::now();
    if (std::system(cat.c_str()) != 0) {
      std::fprintf(stderr, "cat failed\n");
      cleanup();
      return 1;
    }
    catBest = std::min(catBest, seconds(Clock::now() - t0));
  }

  double loadBest = 1e30;
  for (int r = 0; r < reps; ++r) {
    kavrel::Editor editor(host);
    const auto t0 = Clock::now();
    const bool ok = editor.loadFile(path);
    const double t = seconds(Clock::now() - t0);
    if (!ok) {
      std::fprintf(stderr, "load failed: %s\n", editor.lineError.c_str());
      cleanup();
      return 1;
    }
    loadBest = std::min(loadBest, t);
    loadedFrames = editor.document().documentFrameCount();
  }

  const double ratio = loadBest / catBest;
  const double peakPerFrame = loadedFrames > 0 ? double(peakAdded) / loadedFrames : 0;
  std::printf("frames:            %d\n", loadedFrames);
  std::printf("file size:         %lld bytes (%.2f GB)\n", static_cast<long long>(size), double(size) / 1e9);
  std::printf("cat to /dev/null:  %.3f s (best of %d)\n", catBest, reps);
  std::printf("load:              %.3f s (best of %d, %.1f ns/frame)\n", loadBest, reps,
              loadedFrames > 0 ? loadBest * 1e9 / loadedFrames : 0.0);
  std::printf("first load:        %.3f s (fresh process: includes the page faults of new memory)\n",
              firstLoad);
  std::printf("load / cat:        %.2f (target <= 2) %s\n", ratio, ratio <= 2 ? "ok" : "MISSED");
  std::printf("peak memory added: %lld bytes, %.1f bytes/frame (%s; target <= 40) %s\n",
              static_cast<long long>(peakAdded), peakPerFrame, peakHow, peakPerFrame <= 40 ? "ok" : "MISSED");
  std::printf("retained by doc:   %lld bytes, %.1f bytes/frame\n", static_cast<long long>(retained),
              loadedFrames > 0 ? double(retained) / loadedFrames : 0.0);

  cleanup();
  return 0;
}
