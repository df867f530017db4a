#include "app/headless_host.h"

namespace kavrel {

std::string toTerminalText(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
  }
  return out;
}

MessageResult HeadlessHost::messageBox(const std::string& text, const std::string& caption, MessageIcon,
                                       MessageButtons, MessageResult defaultButton) {
  messages_ << caption << ": " << toTerminalText(text) << '\n';
  return defaultButton;
}

}  // namespace kavrel
