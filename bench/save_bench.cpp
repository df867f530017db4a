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

#ifdef KAVREL_HAVE_TEST_SUPPORT
#include "support/mp3_builder.h"
#endif

namespace {

using Clock = std::chrono::steady_clock;

class NullHost final : public kavrel::Host {
 public:
  kavrel::MessageResult messageBox(const std::string& text, const std::string&, kavrel::MessageIcon,
                                   kavrel::MessageButtons, kavrel::MessageResult) override {
    std::fprintf(stderr, "message: %s\n", text.c_str());
    return kavrel::MessageResult::Yes;
  }
  void processEvents() override {}
  bool escapePressed() override { return false; }
  bool closingRequested() override { return false; }
  void progress(int) override {}
  void setBusy(bool) override {}
  void viewChanged(kavrel::ViewChange) override {}
};

constexpr int64_t kFrameBytesNumerator = 144 * 128000;
constexpr int64_t kSampleRate = 44100;

int64_t bytesBefore(int64_t frames) { return frames * kFrameBytesNumerator / kSampleRate; }

std::vector<uint8_t> makeFrame(bool padding) {
#ifdef KAVREL_HAVE_TEST_SUPPORT
  kavrel::test::FrameSpec spec;
  spec.padding = padding;
  return kavrel::test::makeFrame(spec);
#else
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

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

}  // namespace

int main(int argc, char** argv) {
  int64_t frames = 2500000;
  int reps = 3;
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
                   "usage: save_bench [--frames N | --mb MB] [--dir DIR] [--file MP3] [--reps N] [--keep]\n");
      return 2;
    }
  }

  if (dir.empty()) {
    const char* tmp = std::getenv("TMPDIR");
    dir = tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
  }
  const std::string stem = dir + "/kavrel-save-bench-" + std::to_string(::getpid());
  const bool generated = path.empty();
  if (generated) {
    path = stem + ".mp3";
    const auto t0 = Clock::now();
    if (!writeFile(path, frames)) {
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

  NullHost host;
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
