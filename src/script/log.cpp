#include "script/log.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace kavrel {

std::string homeFolder() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) return pw->pw_dir;
  return ".";
}

std::string defaultLogPath() {
  std::string home = homeFolder();
  if (home.size() > 1 && home.back() == '/') home.pop_back();
  return home == "/" ? "/kavrel.log" : home + "/kavrel.log";
}

std::string effectiveLogPath(const Options& options) {
  return options.logPath.empty() ? defaultLogPath() : options.logPath;
}

void logAppend(const std::string& path, const std::string& text) {
  std::FILE* f = std::fopen(path.c_str(), "ab");
  if (!f) return;
  const std::string entry = text + "\r\n";
  std::fwrite(entry.data(), 1, entry.size(), f);
  std::fclose(f);
}

std::string localDateTimeText() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (!localtime_r(&now, &local)) return "?";
  char text[32];
  if (std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local) == 0) return "?";
  return text;
}

}  // namespace kavrel
