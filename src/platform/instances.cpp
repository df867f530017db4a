#include "platform/instances.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

#include "base/paths.h"

namespace kavrel {

namespace {

namespace fs = std::filesystem;

constexpr const char* kInstanceName = "Kavrel4EXN";
constexpr const char* kCloseRequest = "close\n";

std::string withoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

bool makeFolder(const std::string& path) {
  std::error_code ec;
  fs::create_directories(path, ec);
  return fs::is_directory(path, ec);
}

bool writableFolder(const std::string& path) {
  return !path.empty() && ::access(path.c_str(), W_OK | X_OK) == 0;
}

// A private folder of this user (mode 0700, owned by us), made when missing.
bool privateFolder(const std::string& path) {
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) return false;
  return true;
}

bool fillAddress(sockaddr_un& address, const std::string& path) {
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

int connectTo(const std::string& path) {
  sockaddr_un address;
  if (!fillAddress(address, path)) return -1;
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

bool processAlive(pid_t pid) { return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM); }

// Waits until the copy behind `fd` has ended: its end of the connection
// closes with the process.
void waitForEnd(int fd, pid_t pid, const std::function<void()>& letEventsRun, int waitMs) {
  // In steps of 100 ms, letting this copy's own events run in between.
  for (int waited = 0; waited < waitMs; waited += 100) {
    pollfd p{fd, POLLIN, 0};
    const int r = ::poll(&p, 1, std::min(100, waitMs - waited));
    if (r > 0) {
      char buffer[64];
      const ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n <= 0 && !(n < 0 && errno == EINTR)) break;
    }
    if (!processAlive(pid)) break;
    if (letEventsRun) letEventsRun();
  }
}

}  // namespace

// ------------------------------------------------------------ data folder

std::string executableFolder() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec || exe.empty()) return {};
  return withoutTrailingSlash(exe.parent_path().string());
}

std::string discoverDataFolder() {
  if (const std::string home = environmentValue("KAVREL_HOME"); !home.empty()) {
    const std::string folder = withoutTrailingSlash(fs::absolute(home).lexically_normal().string());
    return makeFolder(folder) ? withoutTrailingSlash(folder) : std::string();
  }
  if (const std::string exe = executableFolder(); writableFolder(exe)) return exe;
  std::string config = environmentValue("XDG_CONFIG_HOME");
  if (config.empty() || config[0] != '/') config = withoutTrailingSlash(homeFolder()) + "/.config";
  const std::string folder = withoutTrailingSlash(config) + "/kavrel";
  return makeFolder(folder) ? folder : std::string();
}

std::vector<std::string> temporaryFileNames() {
  return {"kavrel.Preview.mp3",   "kavrel.Selection.mp3", "kavrel.Prevyu.mp3",    "kavrel.Selexion.mp3",
          "kavrel.tag.file",      "kavrel.tag.txt",       "kavrel.tag.image.jpg", "kavrel.tag.image.png",
          "kavrel.tag.image.ico", "kavrel.tag.image.bmp", "kavrel.tag.image.gif"};
}

namespace {

// The folder the per-process work files go into.
std::string workFolder(const std::string& folder) {
  if (!folder.empty()) return folder;
  std::error_code ec;
  const fs::path temp = fs::temp_directory_path(ec);
  return ec ? std::string("/tmp") : withoutTrailingSlash(temp.string());
}

// Whether `name` is `prefix` + a process id + `suffix`.
bool processFileName(const std::string& name, const std::string& prefix, const std::string& suffix) {
  if (name.size() <= prefix.size() + suffix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
      name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
    return false;
  const std::string id = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
  return id.find_first_not_of("0123456789") == std::string::npos;
}

constexpr const char* kImageViewExtensions[] = {"jpg", "png", "ico", "bmp", "gif"};

bool perProcessWorkFile(const std::string& name) {
  if (processFileName(name, "kavrel.tag.file.", "") || processFileName(name, "kavrel.tag.txt.", "")) return true;
  for (const char* extension : kImageViewExtensions)
    if (processFileName(name, "kavrel.tag.image.", std::string(".") + extension)) return true;
  return false;
}

}  // namespace

std::string textViewFilePath(const std::string& folder) {
  return workFolder(folder) + "/kavrel.tag.txt." + std::to_string(::getpid());
}

std::string imageViewFilePath(const std::string& folder, const std::string& extension) {
  return workFolder(folder) + "/kavrel.tag.image." + std::to_string(::getpid()) + "." + extension;
}

int cleanTemporaryFiles(const std::string& folder) {
  if (folder.empty()) return 0;
  int removed = 0;
  for (const std::string& name : temporaryFileNames())
    if (::unlink((folder + "/" + name).c_str()) == 0) ++removed;
  // The tag's work files carry the id of the process that wrote them.
  if (DIR* dir = ::opendir(folder.c_str())) {
    std::vector<std::string> found;
    while (const dirent* entry = ::readdir(dir))
      if (perProcessWorkFile(entry->d_name)) found.push_back(entry->d_name);
    ::closedir(dir);
    for (const std::string& name : found)
      if (::unlink((folder + "/" + name).c_str()) == 0) ++removed;
  }
  return removed;
}

// ------------------------------------------------------------ running copies

std::string runtimeFolder() {
  std::string folder = environmentValue("XDG_RUNTIME_DIR");
  if (!folder.empty() && folder[0] == '/' && writableFolder(folder)) return withoutTrailingSlash(folder);
  folder = "/tmp/kavrel-" + std::to_string(::getuid());
  return privateFolder(folder) ? folder : std::string();
}

InstanceRegistry::InstanceRegistry(std::string folder)
    : folder_(folder.empty() ? runtimeFolder() : withoutTrailingSlash(std::move(folder))) {}

InstanceRegistry::~InstanceRegistry() {
  for (int fd : peers_) ::close(fd);
  if (listenFd_ >= 0) {
    ::close(listenFd_);
    ::unlink(socketPath_.c_str());
  }
  if (lockFd_ >= 0) ::close(lockFd_);  // releases the lock
}

std::string InstanceRegistry::socketFolder() const { return folder_ + "/" + kInstanceName; }

bool InstanceRegistry::registerCopy() {
  if (lockFd_ >= 0) return secondInstance_;
  // Without the lock nobody can tell whether another copy runs; counting
  // as a second copy only keeps the leftovers, never another copy's files.
  secondInstance_ = true;
  if (folder_.empty()) return secondInstance_;
  const std::string path = folder_ + "/" + kInstanceName + ".lock";
  lockFd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (lockFd_ < 0) return secondInstance_;
  // Nobody else holds it: the first copy. It keeps a shared hold, as every
  // later copy does, for as long as it runs.
  secondInstance_ = ::flock(lockFd_, LOCK_EX | LOCK_NB) != 0;
  while (::flock(lockFd_, LOCK_SH) != 0 && errno == EINTR) {
  }
  return secondInstance_;
}

bool InstanceRegistry::listen() {
  if (listenFd_ >= 0) return true;
  if (folder_.empty() || !privateFolder(socketFolder())) return false;
  socketPath_ = socketFolder() + "/" + std::to_string(::getpid()) + ".sock";
  sockaddr_un address;
  if (!fillAddress(address, socketPath_)) return false;
  ::unlink(socketPath_.c_str());  // left by an ended process of the same id
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return false;
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 8) != 0) {
    ::close(fd);
    return false;
  }
  listenFd_ = fd;
  return true;
}

bool InstanceRegistry::takeCloseRequest() {
  if (listenFd_ < 0) return false;
  bool close = false;
  for (;;) {
    const int peer = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (peer < 0) break;
    // The asker writes its request right after connecting; a short wait
    // is enough, and a silent peer is simply dropped.
    pollfd p{peer, POLLIN, 0};
    char buffer[16] = {};
    ssize_t n = 0;
    if (::poll(&p, 1, 200) > 0) n = ::read(peer, buffer, sizeof buffer - 1);
    if (n > 0 && std::strncmp(buffer, kCloseRequest, std::strlen(kCloseRequest)) == 0) {
      close = true;
      peers_.push_back(peer);
    } else {
      ::close(peer);
    }
  }
  return close;
}

int InstanceRegistry::exitAll(const std::function<void()>& letEventsRun, int waitMs) {
  return exitAllCopies(folder_, letEventsRun, waitMs);
}

int exitAllCopies(const std::string& runtime, const std::function<void()>& letEventsRun, int waitMs) {
  if (runtime.empty()) return 0;
  const std::string folder = withoutTrailingSlash(runtime) + "/" + kInstanceName;
  std::vector<pid_t> pids;
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (const dirent* entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      const size_t dot = name.find(".sock");
      if (dot == std::string::npos || dot == 0 || dot + 5 != name.size()) continue;
      if (name.find_first_not_of("0123456789") != dot) continue;
      const pid_t pid = pid_t(std::strtol(name.c_str(), nullptr, 10));
      if (pid != ::getpid()) pids.push_back(pid);
    }
    ::closedir(dir);
  }
  int asked = 0;
  for (const pid_t pid : pids) {
    const std::string path = folder + "/" + std::to_string(pid) + ".sock";
    const int fd = connectTo(path);
    if (fd < 0) {
      // Nobody listens there any more: a copy that ended without cleaning up.
      if (!processAlive(pid)) ::unlink(path.c_str());
      continue;
    }
    const size_t length = std::strlen(kCloseRequest);
    if (::send(fd, kCloseRequest, length, MSG_NOSIGNAL) == ssize_t(length)) {
      ++asked;
      waitForEnd(fd, pid, letEventsRun, waitMs);
    }
    ::close(fd);
  }
  return asked;
}

// ------------------------------------------------------------ command line

StartupRequest decideStartup(const std::vector<std::string>& args) {
  if (args.size() != 1 || args[0].empty()) return {};
  const std::string& a = args[0];
  if (a.rfind("--script=", 0) == 0) return {StartupRequest::Kind::RunScript, a.substr(9)};
  return {StartupRequest::Kind::OpenFile, a};
}

// ------------------------------------------------------------ help

std::string helpFilePath(const std::string& dataFolder, const std::string& name) {
  std::vector<std::string> places;
  if (!dataFolder.empty()) places.push_back(dataFolder + "/" + name);
  if (const std::string exe = executableFolder(); !exe.empty()) {
    places.push_back(exe + "/" + name);
    places.push_back(exe + "/../share/kavrel/" + name);
  }
  std::error_code ec;
  for (const std::string& p : places)
    if (fs::is_regular_file(p, ec)) return p;
  return places.empty() ? name : places.front();
}

}  // namespace kavrel
