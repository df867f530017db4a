#include "audio/audio_plan.h"

namespace kavrel {

std::optional<std::string> partFileName(const std::string& pattern, int number) {
  const size_t at = pattern.find('#');
  if (at == std::string::npos) return std::nullopt;
  size_t end = at;
  while (end < pattern.size() && pattern[end] == '#') ++end;
  std::string digits = std::to_string(number);
  if (digits.size() < end - at) digits.insert(0, end - at - digits.size(), '0');
  return pattern.substr(0, at) + digits + pattern.substr(end);
}

}  // namespace kavrel
