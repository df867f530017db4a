#include "tags/ape_tag.h"

#include "base/text_codec.h"

namespace kavrel {

namespace {

constexpr std::string_view kPreamble = "APETAGEX";
constexpr int64_t kMinItemSize = 11;  // value size, flags, two key characters, the key's zero byte
constexpr size_t kMinKeyLength = 2;
constexpr size_t kMaxKeyLength = 255;

uint32_t le32(std::string_view b, size_t at) {
  return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 | uint32_t(uint8_t(b[at + 2])) << 16 |
         uint32_t(uint8_t(b[at + 3])) << 24;
}

// Text as UTF-8 on one line: what is not UTF-8 is the code page, line
// breaks show as " / ", other control characters as "?".
std::string displayText(std::string_view text) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  std::string utf8 =
      forEachUtf8CodePoint(bytes, text.size(), [](char32_t) {}) ? std::string(text) : codePageToUtf8(text);
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size(); ++i) {
    const char c = utf8[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') ++i;
      out += " / ";
    } else if (uint8_t(c) < 32 || c == 127) {
      out += '?';
    } else {
      out += c;
    }
  }
  return out;
}

// Cut to at most n bytes without splitting a UTF-8 sequence.
std::string_view utf8Prefix(std::string_view text, size_t n) {
  if (text.size() <= n) return text;
  while (n > 0 && (uint8_t(text[n]) & 0xC0) == 0x80) --n;
  return text.substr(0, n);
}

}  // namespace

std::optional<ApeFrame> readApeFrame(std::string_view bytes) {
  if (bytes.size() < size_t(kApeFrameSize) || bytes.substr(0, kPreamble.size()) != kPreamble)
    return std::nullopt;
  ApeFrame f;
  const uint32_t version = le32(bytes, 8);
  if (version != uint32_t(kApeVersion1) && version != uint32_t(kApeVersion2)) return std::nullopt;
  f.version = int(version);
  f.size = le32(bytes, 12);
  f.itemCount = le32(bytes, 16);
  f.flags = le32(bytes, 20);
  return f;
}

ApeItems parseApeItems(std::string_view data, uint32_t count) {
  ApeItems result;
  size_t at = 0;
  for (uint32_t k = 0; k < count; ++k) {
    if (data.size() - at < 8) return result;
    const uint32_t valueSize = le32(data, at);
    const uint32_t flags = le32(data, at + 4);
    const size_t keyStart = at + 8;
    const size_t keyEnd = data.find('\0', keyStart);
    if (keyEnd == std::string_view::npos) return result;
    const std::string_view key = data.substr(keyStart, keyEnd - keyStart);
    if (key.size() < kMinKeyLength || key.size() > kMaxKeyLength) return result;
    for (const char c : key)
      if (uint8_t(c) < 0x20 || uint8_t(c) > 0x7E) return result;
    if (uint64_t(valueSize) > uint64_t(data.size() - keyEnd - 1)) return result;
    ApeItem item;
    item.key = std::string(key);
    item.flags = flags;
    item.value = std::string(data.substr(keyEnd + 1, valueSize));
    result.items.push_back(std::move(item));
    at = keyEnd + 1 + valueSize;
    result.used = at;
  }
  result.complete = true;
  return result;
}

std::optional<ApeTagPlace> findApeTag(const ReadFile& file, int64_t end, int64_t lowest) {
  if (end - kApeFrameSize < lowest) return std::nullopt;
  char raw[kApeFrameSize];
  if (file.readAt(end - kApeFrameSize, raw, sizeof raw) != kApeFrameSize) return std::nullopt;
  const std::optional<ApeFrame> footer = readApeFrame(std::string_view(raw, sizeof raw));
  if (!footer || footer->isHeader()) return std::nullopt;
  const int64_t size = footer->size;
  if (size < kApeFrameSize || size > kApeMaxTagSize) return std::nullopt;
  if (int64_t(footer->itemCount) > (size - kApeFrameSize) / kMinItemSize) return std::nullopt;
  const int64_t headerSize = footer->hasHeader() ? kApeFrameSize : 0;
  const int64_t pos = end - size - headerSize;
  if (pos < lowest) return std::nullopt;
  // The header and the items, all but the footer read above.
  std::string tag(size_t(headerSize + size - kApeFrameSize), '\0');
  if (file.readAt(pos, tag.data(), tag.size()) != int64_t(tag.size())) return std::nullopt;
  if (headerSize > 0) {
    const std::optional<ApeFrame> header = readApeFrame(tag);
    if (!header || header->size != footer->size) return std::nullopt;
  }
  const std::string_view data = std::string_view(tag).substr(size_t(headerSize));
  const ApeItems items = parseApeItems(data, footer->itemCount);
  if (!items.complete || items.used != data.size()) return std::nullopt;
  return ApeTagPlace{pos, headerSize + size, footer->version, footer->itemCount, headerSize > 0};
}

std::string apeItemLine(const ApeItem& item) {
  std::string line = displayText(item.key) + ": ";
  if (item.kind() == ApeItem::Binary || item.kind() == ApeItem::Reserved)
    return line + "(binary, " + std::to_string(item.value.size()) + " bytes)";
  // A text item may hold several values, each ended by a zero byte but the last.
  std::string_view rest = item.value;
  for (bool first = true;; first = false) {
    const size_t zero = rest.find('\0');
    if (!first) line += " / ";
    line += displayText(rest.substr(0, zero));
    if (zero == std::string_view::npos) break;
    rest.remove_prefix(zero + 1);
  }
  return line;
}

ApeTagView apeTagView(std::string_view tag) {
  if (tag.size() < size_t(kApeFrameSize)) return {ApeTagView::NotApe, {}, {}};
  const std::optional<ApeFrame> footer = readApeFrame(tag.substr(tag.size() - size_t(kApeFrameSize)));
  if (!footer || footer->isHeader()) return {ApeTagView::NotApe, {}, {}};
  const size_t headerSize = footer->hasHeader() ? size_t(kApeFrameSize) : 0;
  if (uint64_t(footer->size) + headerSize != tag.size()) return {ApeTagView::NotApe, {}, {}};
  if (headerSize > 0 && !readApeFrame(tag.substr(0, headerSize))) return {ApeTagView::NotApe, {}, {}};
  const std::string name = footer->version == kApeVersion2 ? "APEv2" : "APEv1";
  const ApeItems parsed = parseApeItems(
      tag.substr(headerSize, tag.size() - headerSize - size_t(kApeFrameSize)), footer->itemCount);
  if (parsed.items.empty() && parsed.complete) return {ApeTagView::NoItems, "- no items contained -", name};
  std::string text;
  for (const ApeItem& item : parsed.items) text += (text.empty() ? "" : "\r\n") + apeItemLine(item);
  ApeTagView view{ApeTagView::Text, std::string(utf8Prefix(text, kApeViewChars)), name + " TAG CONTENT"};
  if (text.size() > kApeViewChars) view.text += "\r\n*** TOO LONG, TRUNCATED ***";
  if (!parsed.complete)
    view.text += "\r\n*** DAMAGED: " + std::to_string(parsed.items.size()) + " of " +
                 std::to_string(footer->itemCount) + " items readable ***";
  return view;
}

}  // namespace kavrel
