#include "script/log.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace kavrel {

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
