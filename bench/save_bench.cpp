// Save timing: Save As of a large CBR file with a volume change on every
// frame (every frame patched) compared with `cp` of the same file in the
// same run, both from a warm page cache. Target: save/cp <= 2.
//
//   save_bench [--frames N | --mb MB] [--dir DIR] [--file MP3] [--reps N] [--keep]
//
// Without --file it writes the load benchmark's file: N frames (default
// 2,500,000: about 1.04 GB of 128 kbit/s 44.1 kHz joint-stereo frames) into
// DIR (default $TMPDIR or /tmp), and deletes it afterwards unless --keep.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/editor.h"
#include "app/host.h"
#include "bench_common.h"

using namespace kavrel::bench;

int main(int argc, char** argv) {
  FileArgs args;
  args.reps = 3;
  if (!parseFileArgs(argc, argv, "save_bench", args)) return 2;
  const int64_t frames = args.frames;
  const int reps = args.reps;
  const bool keep = args.keep;
  const std::string dir = args.dir;
  std::string path = args.path;

  const std::string stem = dir + "/kavrel-save-bench-" + std::to_string(::getpid());
  const bool generated = path.empty();
  if (generated) {
    path = stem + ".mp3";
    const auto t0 = Clock::now();
    if (!writeCbrFile(path, frames)) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      std::remove(path.c_str());
      return 1;
    }
    std::printf("wrote %s in %.2f s\n", path.c_str(), seconds(Clock::now() - t0));
  }
  const std::string copyTarget = stem + ".cp.mp3";
  const std::string saveTarget = stem + ".saved.mp3";
  auto cleanup = [&] {
    std::remove(copyTarget.c_str());
    std::remove(saveTarget.c_str());
    if (generated && !keep) std::remove(path.c_str());
  };
  readOnce(path);

  NullHost host(/*agree=*/true);
  kavrel::Editor editor(host);
  if (!editor.loadFile(path)) {
    std::fprintf(stderr, "load failed: %s\n", editor.lineError.c_str());
    cleanup();
    return 1;
  }
  // +3 dB on every frame: every frame is patched on its way out.
  for (auto& g : editor.document().gainList) g = {2, 2};
  const int32_t count = editor.document().documentFrameCount();

  const std::string cp = "cp " + shellQuote(path) + " " + shellQuote(copyTarget);
  double cpBest = 1e30;
  double saveBest = 1e30;
  // Interleaved so both see the same state of the machine.
  for (int r = 0; r < reps; ++r) {
    std::remove(copyTarget.c_str());
    auto t0 = Clock::now();
    if (std::system(cp.c_str()) != 0) {
      std::fprintf(stderr, "cp failed\n");
      cleanup();
      return 1;
    }
    cpBest = std::min(cpBest, seconds(Clock::now() - t0));
    std::remove(copyTarget.c_str());

    std::remove(saveTarget.c_str());
    t0 = Clock::now();
    if (!editor.saveAs(kavrel::Sender::User, saveTarget)) {
      std::fprintf(stderr, "save failed\n");
      cleanup();
      return 1;
    }
    saveBest = std::min(saveBest, seconds(Clock::now() - t0));
  }

  // Saving over an existing file adds the temporary file's flush to the
  // disk and the rename (not part of the target, shown for reference).
  auto t0 = Clock::now();
  const bool replaced = editor.saveAs(kavrel::Sender::User, saveTarget);
  const double replaceTime = seconds(Clock::now() - t0);

  const double ratio = saveBest / cpBest;
  const int64_t size = editor.document().sourceFileSize;
  std::printf("frames:              %d (every one with a gain change)\n", count);
  std::printf("file size:           %lld bytes (%.2f GB)\n", static_cast<long long>(size),
              double(size) / 1e9);
  std::printf("cp:                  %.3f s (best of %d)\n", cpBest, reps);
  std::printf("save as (new file):  %.3f s (best of %d, %.0f MB/s)\n", saveBest, reps,
              double(size) / 1e6 / saveBest);
  std::printf("save / cp:           %.2f (target <= 2) %s\n", ratio, ratio <= 2 ? "ok" : "MISSED");
  std::printf("save over existing:  %.3f s (temporary file, flush to disk, rename)%s\n", replaceTime,
              replaced ? "" : " FAILED");
  cleanup();
  return 0;
}
