// Shared pieces of the timing programs: a host that never waits, the large
// CBR test file written on the fly, the common command line, timing.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/host.h"

#ifdef KAVREL_HAVE_TEST_SUPPORT
#include "support/mp3_builder.h"
#endif

namespace kavrel::bench {

using Clock = std::chrono::steady_clock;

inline double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Answers every question with its default, or with Yes when told to agree;
// messages go to stderr.
class NullHost final : public Host {
 public:
  explicit NullHost(bool agree = false) : agree_(agree) {}
  MessageResult messageBox(const std::string& text, const std::string&, MessageIcon, MessageButtons buttons,
                           MessageResult defaultButton) override {
    std::fprintf(stderr, "message: %s\n", text.c_str());
    const bool question = buttons == MessageButtons::YesNo || buttons == MessageButtons::YesNoCancel;
    return agree_ && question ? MessageResult::Yes : defaultButton;
  }
  void processEvents() override {}
  bool escapePressed() override { return false; }
  bool closingRequested() override { return false; }
  void progress(int) override {}
  void setBusy(bool) override {}
  void viewChanged(ViewChange) override {}

 private:
  bool agree_;
};

// 128 kbit/s at 44.1 kHz: 417.96 bytes a frame, so most frames are padded.
inline constexpr int64_t kFrameBytesNumerator = 144 * 128000;
inline constexpr int64_t kSampleRate = 44100;

inline int64_t bytesBefore(int64_t frames) { return frames * kFrameBytesNumerator / kSampleRate; }

inline std::vector<uint8_t> makeCbrFrame(bool padding) {
#ifdef KAVREL_HAVE_TEST_SUPPORT
  kavrel::test::FrameSpec spec;  // 128 kbit/s, 44.1 kHz, joint stereo
  spec.padding = padding;
  return kavrel::test::makeFrame(spec);
#else
  // Header FF FB 90 64 (92 with padding), everything after it zero.
  std::vector<uint8_t> f(size_t(417 + (padding ? 1 : 0)), 0);
  f[0] = 0xFF;
  f[1] = 0xFB;
  f[2] = padding ? 0x92 : 0x90;
  f[3] = 0x64;
  return f;
#endif
}

// Writes `frames` CBR frames laid out as an encoder pads them.
inline bool writeCbrFile(const std::string& path, int64_t frames) {
  const std::vector<uint8_t> plain = makeCbrFrame(false);
  const std::vector<uint8_t> padded = makeCbrFrame(true);
  if (plain.size() != 417 || padded.size() != 418) return false;
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

// Reads the file once so that the timings start from a warm page cache.
inline void readOnce(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  std::vector<char> buf(size_t(1) << 20);
  while (::read(fd, buf.data(), buf.size()) > 0) {
  }
  ::close(fd);
}

inline std::string shellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// [--frames N | --mb MB] [--dir DIR] [--file MP3] [--reps N] [--keep]
struct FileArgs {
  int64_t frames = 2500000;  // about 1.04 GB
  int reps = 5;
  bool keep = false;
  std::string dir;
  std::string path;
};

// False (after printing the usage) on an unknown or incomplete option.
inline bool parseFileArgs(int argc, char** argv, const char* program, FileArgs& args) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool hasValue = i + 1 < argc;
    if (a == "--frames" && hasValue) {
      args.frames = std::atoll(argv[++i]);
    } else if (a == "--mb" && hasValue) {
      args.frames = std::atoll(argv[++i]) * 1000000 * kSampleRate / kFrameBytesNumerator;
    } else if (a == "--dir" && hasValue) {
      args.dir = argv[++i];
    } else if (a == "--file" && hasValue) {
      args.path = argv[++i];
    } else if (a == "--reps" && hasValue) {
      args.reps = std::max(1, std::atoi(argv[++i]));
    } else if (a == "--keep") {
      args.keep = true;
    } else {
      std::fprintf(stderr, "usage: %s [--frames N | --mb MB] [--dir DIR] [--file MP3] [--reps N] [--keep]\n",
                   program);
      return false;
    }
  }
  if (args.dir.empty()) {
    const char* tmp = std::getenv("TMPDIR");
    args.dir = tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
  }
  return true;
}

}  // namespace kavrel::bench
