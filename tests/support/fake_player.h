// Stand-ins for the desktop's programs: scripts that record their arguments,
// and scoped environment changes so no test reaches a real player.
#pragma once

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace kavrel::test {

// Sets (a value) or unsets (nullopt) an environment variable for a scope.
class EnvScope {
 public:
  EnvScope(std::string name, const std::optional<std::string>& value) : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str())) old_ = std::string(old);
    set(value);
  }
  ~EnvScope() { set(old_); }
  EnvScope(const EnvScope&) = delete;
  EnvScope& operator=(const EnvScope&) = delete;

 private:
  void set(const std::optional<std::string>& value) {
    value ? ::setenv(name_.c_str(), value->c_str(), 1) : ::unsetenv(name_.c_str());
  }
  std::string name_;
  std::optional<std::string> old_;
};

// Writes an executable /bin/sh script. Its own PATH is fixed so that the tests may empty the caller's.
inline void writeScript(const std::string& path, const std::string& body) {
  std::ofstream out(path, std::ios::trunc);
  out << "#!/bin/sh\nPATH=/usr/bin:/bin\nexport PATH\n" << body;
  out.close();
  ::chmod(path.c_str(), 0755);
}

// A program that writes its arguments, one a line, to `record` (whole, then renamed into place, so a reader
// never sees half of it) and exits with `exitCode`.
inline void writeRecorder(const std::string& path, const std::string& record, int exitCode = 0) {
  writeScript(path, "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + record + ".part'\nmv '" + record +
                        ".part' '" + record + "'\nexit " + std::to_string(exitCode) + "\n");
}

// The recorded lines once `record` exists (waiting up to `seconds`).
inline std::optional<std::vector<std::string>> waitForRecord(const std::string& record, double seconds = 10) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!std::filesystem::exists(record)) {
    if (std::chrono::steady_clock::now() > deadline) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::ifstream in(record);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace kavrel::test
