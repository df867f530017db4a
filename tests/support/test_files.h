// Temporary folders, whole-file reads and writes, shell commands.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kavrel::test {

// A fresh folder under $KAVREL_TEST_TMP (created when missing) or the system
// temporary folder; removed with everything in it on destruction.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string path() const { return path_; }
  std::string file(const std::string& name) const;

 private:
  std::string path_;
};

// Both throw std::runtime_error when the file cannot be written or read.
void writeFile(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> readFile(const std::string& path);
// The file as text; empty when there is no such file.
std::string readText(const std::string& path);

struct CommandResult {
  int exitCode;        // exit status; 128 + signal when killed; -1 when not started
  std::string output;  // stdout and stderr merged
};

// Runs the command through /bin/sh with stderr merged into stdout.
CommandResult runCommand(const std::string& shellCommand);
// True when `command -v tool` finds it.
bool toolAvailable(const std::string& tool);
// Single-quoted for /bin/sh.
std::string shellQuote(const std::string& text);

}  // namespace kavrel::test
