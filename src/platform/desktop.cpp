// Starting other programs: the desktop opener and command lines. A started
// program is never waited for and never left behind as a zombie: a detached
// thread reaps it whenever it ends (a double fork would leave that to the
// system's first process, which in many containers reaps nothing). A
// close-on-exec pipe tells whether the exec itself worked. Its standard
// streams go to /dev/null so that a player's chatter never lands in our
// output (the --info and --script runs print there).

#include "platform/desktop.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#if __has_include(<linux/close_range.h>)
#include <linux/close_range.h>
#endif

namespace kavrel {

namespace {

namespace fs = std::filesystem;

// How long the opener gets to say that it found no program for the file.
// Openers that hand the file on return at once; one that keeps the player in
// the foreground is taken as a success when this time is up.
constexpr int kOpenerVerdictMs = 1000;

#if defined(__APPLE__)
constexpr const char* kOpener = "open";
#else
constexpr const char* kOpener = "xdg-open";
#endif

// A descriptor closed on every path.
class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() { reset(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  void reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

 private:
  int fd_ = -1;
};

bool makePipe(Fd& readEnd, Fd& writeEnd) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return false;
  readEnd.reset(fds[0]);
  writeEnd.reset(fds[1]);
  return true;
}

// What the child needs, built before fork: nothing after fork allocates.
struct ExecPlan {
  std::string path;
  std::vector<std::string> words;
  std::vector<char*> argv;
  int maxFd = 1024;

  ExecPlan(std::string program, std::vector<std::string> args)
      : path(std::move(program)), words(std::move(args)) {
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0)
      maxFd = limit.rlim_cur == RLIM_INFINITY ? 65536 : int(std::min<rlim_t>(limit.rlim_cur, 65536));
  }
};

void writeAll(int fd, const void* data, size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    p += n;
    size -= size_t(n);
  }
}

// Between fork and exec: async-signal-safe calls only.
[[noreturn]] void execChild(const ExecPlan& plan, int devNull, int stdoutFd, int errorPipe) {
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  struct sigaction standard {};
  standard.sa_handler = SIG_DFL;
  ::sigaction(SIGPIPE, &standard, nullptr);
  ::dup2(devNull, 0);
  ::dup2(stdoutFd, 1);
  ::dup2(devNull, 2);
  // dup2 onto itself keeps close-on-exec (a descriptor we opened while one
  // of ours was closed).
  for (int fd = 0; fd < 3; ++fd) ::fcntl(fd, F_SETFD, 0);
  // Our own files (documents, sockets, the instance lock) stay ours.
  bool marked = false;
#if defined(SYS_close_range) && defined(CLOSE_RANGE_CLOEXEC)
  marked = ::syscall(SYS_close_range, 3u, ~0u, CLOSE_RANGE_CLOEXEC) == 0;
#endif
  if (!marked) {
    for (int fd = 3; fd < plan.maxFd; ++fd) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  }
  ::execv(plan.path.c_str(), plan.argv.data());
  const int error = errno;
  writeAll(errorPipe, &error, sizeof error);
  ::_exit(127);
}

int readInt(int fd, int& value) {
  char* p = reinterpret_cast<char*>(&value);
  size_t got = 0;
  while (got < sizeof value) {
    const ssize_t n = ::read(fd, p + got, sizeof value - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += size_t(n);
  }
  return int(got);
}

void reap(pid_t pid, int* status = nullptr) {
  int st = 0;
  while (::waitpid(pid, &st, 0) < 0 && errno == EINTR) {
  }
  if (status) *status = st;
}

int exitCode(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status); }

struct Launch {
  bool called = false;  // the process could be made
  int execError = 0;    // errno of a failed exec, 0 when the program runs
  bool finished = false;
  int exitCode = 0;  // when finished within the verdict time
};

// The end of a started program, as its reaper saw it.
struct ExitWatch {
  std::mutex mutex;
  std::condition_variable ended;
  bool finished = false;
  int exitCode = 0;
};

// Starts `plan` in a session of its own and leaves a thread behind that
// reaps it whenever it ends. With verdictMs > 0 we wait that long for its
// exit code.
Launch launchDetached(const ExecPlan& plan, int verdictMs) {
  Launch launch;
  Fd devNull(::open("/dev/null", O_RDWR | O_CLOEXEC));
  Fd errorRead, errorWrite;
  if (devNull.get() < 0 || !makePipe(errorRead, errorWrite)) return launch;
  auto watch = std::make_shared<ExitWatch>();

  const pid_t pid = ::fork();
  if (pid < 0) return launch;
  if (pid == 0) {
    // Out of our session: a terminal's Ctrl+C or hang-up is not the player's.
    ::setsid();
    execChild(plan, devNull.get(), devNull.get(), errorWrite.get());
  }
  errorWrite.reset();
  launch.called = true;
  int error = 0;
  if (readInt(errorRead.get(), error) == int(sizeof error)) {
    launch.execError = error;
    reap(pid);  // it exits at once
    return launch;
  }
  try {
    std::thread([pid, watch] {
      int status = 0;
      int result = 0;
      while ((result = ::waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
      }
      const std::lock_guard<std::mutex> lock(watch->mutex);
      if (result == pid) {
        watch->finished = true;
        watch->exitCode = exitCode(status);
      }
      watch->ended.notify_all();
    }).detach();
  } catch (const std::system_error&) {
    // No thread to spare: the program still runs; the system reaps it once
    // we are gone.
    return launch;
  }
  if (verdictMs > 0) {
    std::unique_lock<std::mutex> lock(watch->mutex);
    watch->ended.wait_for(lock, std::chrono::milliseconds(verdictMs), [&] { return watch->finished; });
    launch.finished = watch->finished;
    launch.exitCode = watch->exitCode;
  }
  return launch;
}

}  // namespace

std::vector<std::string> splitCommandWords(const std::string& command, bool escapeAllQuoted) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  bool quoted = false;
  for (size_t i = 0; i < command.size(); ++i) {
    const char c = command[i];
    const bool escapes = i + 1 < command.size() &&
                         (escapeAllQuoted || command[i + 1] == '"' || command[i + 1] == '\\');
    if (quoted && c == '\\' && escapes) {
      word += command[++i];
    } else if (c == '"') {
      quoted = !quoted;
      inWord = true;
    } else if ((c == ' ' || c == '\t' || c == '\n') && !quoted) {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) words.push_back(word);
  return words;
}

std::string findProgram(const std::string& program) {
  if (program.empty()) return {};
  if (program.find('/') != std::string::npos) {
    struct stat st {};
    return ::stat(program.c_str(), &st) == 0 ? program : std::string();
  }
  const char* env = std::getenv("PATH");
  const std::string path = env != nullptr ? env : "/usr/local/bin:/usr/bin:/bin";
  size_t start = 0;
  for (;;) {
    const size_t colon = path.find(':', start);
    std::string folder = path.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
    if (folder.empty()) folder = ".";
    const std::string candidate = folder + "/" + program;
    struct stat st {};
    if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(candidate.c_str(), X_OK) == 0)
      return candidate;
    if (colon == std::string::npos) break;
    start = colon + 1;
  }
  return {};
}

int shellOpen(const std::string& path) {
  // A web address goes to the opener as it is; anything else must be a file.
  const bool url = path.starts_with("http://") || path.starts_with("https://") || path.starts_with("ftp://");
  struct stat st {};
  if (!url && ::stat(path.c_str(), &st) != 0) return errno == EACCES ? kShellAccessDenied : kShellFileNotFound;
  const std::string opener = findProgram(kOpener);
  if (opener.empty()) return kShellNoAssociation;
  // An absolute name can never be taken for an option.
  std::error_code ec;
  const fs::path absolute = url ? fs::path(path) : fs::absolute(path, ec);
  const ExecPlan plan(opener, {kOpener, ec ? path : absolute.string()});
  const Launch launch = launchDetached(plan, kOpenerVerdictMs);
  if (!launch.called) return kShellCallFailed;
  if (launch.execError != 0) return kShellNoAssociation;
  if (!launch.finished || launch.exitCode == 0) return kShellSuccess;
  // The opener's own codes: 2 the file is missing; the others (no tool, no
  // handler, the handler failed) all mean nothing could show it.
  return launch.exitCode == 2 ? kShellFileNotFound : kShellNoAssociation;
}

int shellRun(const std::string& command, const std::vector<std::string>& arguments) {
  std::vector<std::string> words = splitCommandWords(command);
  if (words.empty()) return kShellFileNotFound;
  const std::string program = findProgram(words[0]);
  if (program.empty()) return kShellFileNotFound;
  words.insert(words.end(), arguments.begin(), arguments.end());
  const ExecPlan plan(program, std::move(words));
  const Launch launch = launchDetached(plan, 0);
  if (!launch.called) return kShellCallFailed;
  if (launch.execError == 0) return kShellSuccess;
  return launch.execError == ENOENT ? kShellFileNotFound : kShellNoAssociation;
}

std::optional<std::string> captureOutput(const std::vector<std::string>& argv, int timeoutMs) {
  if (argv.empty()) return std::nullopt;
  const std::string program = findProgram(argv[0]);
  if (program.empty()) return std::nullopt;
  const ExecPlan plan(program, argv);
  Fd devNull(::open("/dev/null", O_RDWR | O_CLOEXEC));
  Fd outRead, outWrite, errorRead, errorWrite;
  if (devNull.get() < 0 || !makePipe(outRead, outWrite) || !makePipe(errorRead, errorWrite))
    return std::nullopt;
  const pid_t pid = ::fork();
  if (pid < 0) return std::nullopt;
  if (pid == 0) execChild(plan, devNull.get(), outWrite.get(), errorWrite.get());
  outWrite.reset();
  errorWrite.reset();

  std::string output;
  bool timedOut = false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      timedOut = true;
      break;
    }
    pollfd p{outRead.get(), POLLIN, 0};
    const int ready = ::poll(&p, 1, int(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) {
      timedOut = ready == 0;
      break;
    }
    char buffer[4096];
    const ssize_t n = ::read(outRead.get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    output.append(buffer, size_t(n));
    if (output.size() > (1u << 20)) {
      timedOut = true;  // nobody answers a question with a megabyte
      break;
    }
  }
  if (timedOut) ::kill(pid, SIGKILL);
  int status = 0;
  reap(pid, &status);
  int error = 0;
  if (timedOut || readInt(errorRead.get(), error) == int(sizeof error)) return std::nullopt;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  return output;
}

std::string shellErrorText(int result) {
  switch (result) {
    case 2: return "The file seems to have disappeared.";
    case 3: return "The path seems invalid.";
    case 5: return "Your access is denied.";
    case 8: return "Insufficient memory (reboot is advised).";
    case 11: return "Invalid file format.";
    case 26: return "Sharing violation (file is probably in use).";
    case 27:
    case 31: return "No (or invalid) system viewer for this file type.";
    case 28:
    case 29:
    case 30: return "DDE error.";
    case 32: return "DLL error.";
    default: return "Unknown error, code: " + std::to_string(result);
  }
}

}  // namespace kavrel
