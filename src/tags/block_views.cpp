#include "tags/block_views.h"

#include <algorithm>

namespace kavrel {

namespace {

constexpr std::string_view kBegin = "LYRICSBEGIN";
constexpr size_t kMarkerSize = 9;
constexpr size_t kFieldHeaderSize = 8;  // three letters and five digits

// Five characters as a size: digits, perhaps behind blanks.
int lyricsFieldSize(std::string_view digits) {
  while (!digits.empty() && digits.front() == ' ') digits.remove_prefix(1);
  if (digits.empty()) return -1;
  int value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace

Lyrics3View lyrics3View(std::string_view block, int version) {
  if (block.substr(0, kBegin.size()) != kBegin) return {Lyrics3View::NotLyrics3, {}, {}};
  std::string_view text = block.substr(kBegin.size());
  if (text.size() >= kMarkerSize) {
    const std::string_view end = text.substr(text.size() - kMarkerSize);
    if (end == "LYRICSEND" || end == "LYRICS200") text.remove_suffix(kMarkerSize);
  }
  if (version == 2) {
    // The first LYR field that has room for its header behind it.
    size_t at = std::string_view::npos;
    for (size_t i = 0; i + 10 <= text.size(); ++i) {
      if (text.substr(i, 3) == "LYR") {
        at = i;
        break;
      }
    }
    if (at == std::string_view::npos) return {Lyrics3View::NoLyrics, "- no lyrics contained -", "Lyrics3 v2"};
    const int size = lyricsFieldSize(text.substr(at + 3, 5));
    if (size > 0 && size_t(size) < text.size()) text = text.substr(at + kFieldHeaderSize, size_t(size));
  }
  Lyrics3View view{Lyrics3View::Text, std::string(text.substr(0, kLyrics3ViewChars)),
                   version == 2 ? "Lyrics3 v2 TAG CONTENT" : "Lyrics3 TAG CONTENT"};
  if (text.size() > kLyrics3ViewChars) view.text += "\r\n*** TOO LONG, TRUNCATED ***";
  return view;
}

std::string rawDataText(std::string_view bytes, int64_t size) {
  std::string text;
  text.reserve(bytes.size() + 40);
  for (const char c : bytes.substr(0, size_t(kRawDataViewBytes))) {
    const auto b = uint8_t(c);
    if (b == 0 || b == 255) {
      text += ' ';
    } else if (b < 32 && b != 10 && b != 13) {
      text += '?';
    } else {
      text += c;
    }
  }
  if (size > kRawDataViewBytes) text += "\r\n- over 750 bytes, truncated -";
  return text;
}

}  // namespace kavrel
