#include "settings/options.h"

#include "base/paths.h"

namespace kavrel {

std::string defaultLogPath() {
  std::string home = homeFolder();
  if (home.size() > 1 && home.back() == '/') home.pop_back();
  return home == "/" ? "/kavrel.log" : home + "/kavrel.log";
}

std::string effectiveLogPath(const Options& options) {
  return options.logPath.empty() ? defaultLogPath() : options.logPath;
}

}  // namespace kavrel
