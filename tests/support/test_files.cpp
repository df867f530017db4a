#include "support/test_files.h"

#include <sys/wait.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>  // std::getenv, mkdtemp
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

namespace kavrel::test {

namespace fs = std::filesystem;

TempDir::TempDir() {
  const char* env = std::getenv("KAVREL_TEST_TMP");
  const fs::path base = env && *env ? fs::path(env) : fs::temp_directory_path();
  fs::create_directories(base);
  std::string pattern = (base / "kavrel-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("cannot create a temporary folder under " + base.string() + ": " +
                             std::strerror(errno));
  }
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

std::string TempDir::file(const std::string& name) const { return (fs::path(path_) / name).string(); }

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("cannot open " + path + " for writing");
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::vector<uint8_t> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + path + " for reading");
  std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) throw std::runtime_error("cannot read " + path);
  return bytes;
}

std::string readText(const std::string& path) {
  if (!fs::exists(path)) return {};
  const std::vector<uint8_t> bytes = readFile(path);
  return {bytes.begin(), bytes.end()};
}

CommandResult runCommand(const std::string& shellCommand) {
  // The subshell makes "2>&1" apply to every part of a compound command.
  const std::string full = "( " + shellCommand + "\n) 2>&1";
  FILE* pipe = popen(full.c_str(), "r");
  if (pipe == nullptr) return {-1, std::string("popen failed: ") + std::strerror(errno)};
  std::string output;
  char buffer[4096];
  size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
  const int status = pclose(pipe);
  if (status != -1 && WIFEXITED(status)) return {WEXITSTATUS(status), output};
  return {status != -1 && WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1, output};
}

bool toolAvailable(const std::string& tool) {
  return !tool.empty() && runCommand("command -v " + shellQuote(tool) + " >/dev/null").exitCode == 0;
}

std::string shellQuote(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace kavrel::test
