#include "script/tokenizer.h"

#include <cstdint>
#include <ctime>

namespace kavrel {

namespace {

std::string twoDigits(int v) {
  std::string s = std::to_string(v);
  return s.size() < 2 ? "0" + s : s;
}

}  // namespace

ScriptDate todayLocal() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (!localtime_r(&now, &local)) return {};
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

TokenizedLine tokenizeLine(std::string_view line, const ScriptDate& date) {
  TokenizedLine out;
  // The closing separator every line gets, so that its last token is stored.
  std::string text(line);
  text += ',';
  bool quoted = false;
  std::string token;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') {
      quoted = !quoted;
      continue;
    }
    if ((c == ' ' || c == '\0' || c == ',') && !quoted) {
      if (token.empty()) continue;
      out.slots[size_t(out.tokens)] = std::move(token);
      token.clear();
      if (++out.tokens == int(kScriptSlotCount)) break;
      continue;
    }
    if (c == '*' && i + 1 < text.size()) {
      const char next = text[++i];
      switch (next) {
        case 'd':
        case 'D': token += twoDigits(date.day); break;
        case 'm':
        case 'M': token += twoDigits(date.month); break;
        case 'y':
        case 'Y': token += std::to_string(date.year); break;
        default: token += next; break;
      }
      continue;
    }
    token += c;
  }
  return out;
}

bool isValidUtf8(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    size_t extra = 0;
    uint32_t cp = 0;
    if (c < 0x80) {
      ++i;
      continue;
    } else if (c >= 0xC2 && c <= 0xDF) {
      extra = 1;
      cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      extra = 2;
      cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3;
      cp = c & 0x07;
    } else {
      return false;
    }
    if (i + extra >= text.size()) return false;
    for (size_t k = 1; k <= extra; ++k) {
      const auto d = static_cast<unsigned char>(text[i + k]);
      if ((d & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (d & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF.
    if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    i += extra + 1;
  }
  return true;
}

size_t lineCharacterCount(std::string_view line) {
  if (!isValidUtf8(line)) return line.size();
  size_t n = 0;
  for (char c : line)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
  return n;
}

std::string upperAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return out;
}

}  // namespace kavrel
