#include "base/paths.h"

#include <pwd.h>
#include <unistd.h>

#include <filesystem>

namespace kavrel {

std::string homeFolder() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) return pw->pw_dir;
  return ".";
}

bool sameFolder(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return false;
  if (equalsIgnoringCase(a, b)) return true;
  std::error_code ec1, ec2;
  const std::filesystem::path ca = std::filesystem::weakly_canonical(a, ec1);
  const std::filesystem::path cb = std::filesystem::weakly_canonical(b, ec2);
  return !ec1 && !ec2 && equalsIgnoringCase(ca.string(), cb.string());
}

}  // namespace kavrel
