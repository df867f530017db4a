#pragma once
// Path texts as the program compares and shows them: folder and name parts
// split at the last "/", and names compared without regard to case; and
// the environment variables that name folders and programs.

#include <algorithm>
#include <cstdlib>
#include <string>

namespace kavrel {

// The folder part ("/" for a file in the root, "" for a bare name).
inline std::string folderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
}

// The name without its folder.
inline std::string fileNameOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

inline bool equalsIgnoringCase(const std::string& a, const std::string& b) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [&](char x, char y) { return lower(x) == lower(y); });
}

// Two spellings of one folder: equal without regard to case, or the same
// folder once links and ".." are resolved. False when either is "".
bool sameFolder(const std::string& a, const std::string& b);

// The user's home folder ($HOME, else the password database).
std::string homeFolder();

// An environment variable's value; "" when it is not set.
inline std::string environmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string(value) : std::string();
}

}  // namespace kavrel
