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

#ifdef KAVREL_HAVE_TEST_SUPPORT
#include "support/mp3_builder.h"
#endif

namespace {

using Clock = std::chrono::steady_clock;

class NullHost final : public kavrel::Host {
 public:
  kavrel::MessageResult messageBox(const std::string&, const std::string&, kavrel::MessageIcon,
                                   kavrel::MessageButtons, kavrel::MessageResult defaultButton) override {
    return defaultButton;
  }
  void processEvents() override {}
  bool escapePressed() override { return false; }
  bool closingRequested() override { return false; }
  void progress(int) override {}
  void setBusy(bool) override {}
  void viewChanged(kavrel::ViewChange) override {}
};

// 128 kbit/s at 44.1 kHz: 417.96 bytes a frame, so most frames are padded.
constexpr int64_t kFrameBytesNumerator = 144 * 128000;
constexpr int64_t kSampleRate = 44100;

int64_t bytesBefore(int64_t frames) { return frames * kFrameBytesNumerator / kSampleRate; }

std::vector<uint8_t> makeFrame(bool padding) {
#ifdef KAVREL_HAVE_TEST_SUPPORT
  kavrel::test::FrameSpec spec;  // 128 kbit/s, 44.1 kHz, joint stereo
  spec.padding = padding;
  return kavrel::test::makeFrame(spec);
#else
  // Header FF FB 90 64 (or 92 with padding), everything after it zero: a
  // silent frame with global_gain 0.
  std::vector<uint8_t> f(size_t(417 + (padding ? 1 : 0)), 0);
  f[0] = 0xFF;
  f[1] = 0xFB;
  f[2] = padding ? 0x92 : 0x90;
  f[3] = 0x64;
  return f;
#endif
}

bool writeFile(const std::string& path, int64_t frames) {
  const std::vector<uint8_t> plain = makeFrame(false);
  const std::vector<uint8_t> padded = makeFrame(true);
  if (plain.size() != 417 || padded.size() != 418) {
    std::fprintf(stderr, "unexpected frame sizes %zu/%zu\n", plain.size(), padded.size());
    return false;
  }
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  std::vector<uint8_t> chunk;
  chunk.reserve(size_t(8) << 20);
  bool ok = true;
  auto flush = [&] {
    size_t done = 0;
    while (ok && done < chunk.size()) {
      const ssize_t n = ::write(fd, chunk.data() + done, chunk.size() - done);
      if (n <= 0) {
        ok = false;
      } else {
        done += size_t(n);
      }
    }
    chunk.clear();
  };
  for (int64_t i = 0; i < frames && ok; ++i) {
    const std::vector<uint8_t>& f = bytesBefore(i + 1) - bytesBefore(i) == 418 ? padded : plain;
    chunk.insert(chunk.end(), f.begin(), f.end());
    if (chunk.size() + 418 > chunk.capacity()) flush();
  }
  flush();
  return ::close(fd) == 0 && ok;
}

int64_t fileSize(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  return in ? int64_t(in.tellg()) : -1;
}

void readOnce(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  std::vector<char> buf(size_t(1) << 20);
  while (::read(fd, buf.data(), buf.size()) > 0) {
  }
  ::close(fd);
}

std::string shellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
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

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

}  // namespace

int main(int argc, char** argv) {
  int64_t frames = 2500000;
  int reps = 5;
  bool keep = false;
  std::string dir;
  std::string path;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "%s needs a value\n", a.c_str());
        std::exit(2);
      }
      return argv[++i];
    };
    if (a == "--frames") {
      frames = std::atoll(value().c_str());
    } else if (a == "--mb") {
      frames = std::atoll(value().c_str()) * 1000000 * kSampleRate / kFrameBytesNumerator;
    } else if (a == "--dir") {
      dir = value();
    } else if (a == "--file") {
      path = value();
    } else if (a == "--reps") {
      reps = std::max(1, std::atoi(value().c_str()));
    } else if (a == "--keep") {
      keep = true;
    } else {
      std::fprintf(stderr,
                   "usage: load_bench [--frames N | --mb MB] [--dir DIR] [--file MP3] [--reps N] [--keep]\n");
      return 2;
    }
  }

  const bool generated = path.empty();
  if (generated) {
    if (dir.empty()) {
      const char* tmp = std::getenv("TMPDIR");
      dir = tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
    }
    path = dir + "/kavrel-load-bench-" + std::to_string(::getpid()) + ".mp3";
    const auto t0 = Clock::now();
    if (!writeFile(path, frames)) {
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
