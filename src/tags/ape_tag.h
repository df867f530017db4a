#pragma once
// APE tags (version 2, and version 1 which has no header) as ReplayGain tools
// and players' libraries leave them after the audio. The program keeps or
// drops them whole; it finds them by their 32-byte footer, checks that the
// footer, the header and the items agree, and shows the items as text.
//
// Layout: [header, 32 bytes, optional] items [footer, 32 bytes]. Header and
// footer: "APETAGEX", version (1000 or 2000), size of the items and the
// footer, item count, flags (bit 31 a header is present, bit 29 this is the
// header), 8 reserved bytes; numbers are 32-bit little-endian. An item: value
// size, flags (bits 1-2: 0 text, 1 binary, 2 locator), a key of 2 to 255
// printable ASCII characters ended by a zero byte, then the value (UTF-8
// text in version 2). The items fill the space between header and footer.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/file_io.h"

namespace kavrel {

inline constexpr int64_t kApeFrameSize = 32;  // the header, and the footer
inline constexpr int kApeVersion1 = 1000;
inline constexpr int kApeVersion2 = 2000;
// Larger tags are taken for damaged ones: the size would be read into memory.
inline constexpr int64_t kApeMaxTagSize = int64_t(64) << 20;
// At most this many characters of items are shown.
inline constexpr size_t kApeViewChars = 4000;

// A header or footer as read.
struct ApeFrame {
  int version = 0;
  uint32_t size = 0;  // items and footer, not the header
  uint32_t itemCount = 0;
  uint32_t flags = 0;
  bool hasHeader() const { return version == kApeVersion2 && (flags & 0x80000000u) != 0; }
  bool isHeader() const { return version == kApeVersion2 && (flags & 0x20000000u) != 0; }
};

// 32 bytes as a header or footer: "APETAGEX" and a known version.
std::optional<ApeFrame> readApeFrame(std::string_view bytes);

struct ApeItem {
  enum Kind { Text = 0, Binary = 1, Locator = 2, Reserved = 3 };
  std::string key;
  uint32_t flags = 0;
  std::string value;
  Kind kind() const { return Kind((flags >> 1) & 3); }
};

struct ApeItems {
  std::vector<ApeItem> items;
  bool complete = false;  // every counted item lay inside the data
  size_t used = 0;        // bytes the items take
};

// Up to `count` items from `data` (the bytes between header and footer). A
// key without its zero byte or not of the key's characters, or a value
// running past the data, ends the walk with complete unset.
ApeItems parseApeItems(std::string_view data, uint32_t count);

// Where a tag lies in a file.
struct ApeTagPlace {
  int64_t pos = 0;   // the header, or the first item
  int64_t size = 0;  // header, items and footer
  int version = 0;
  uint32_t itemCount = 0;
  bool header = false;
};

// The tag whose footer ends at `end` of `file`, when it lies wholly at or
// after `lowest` and its footer, header and items agree: the header (where
// the footer says there is one) reads the same size, and the counted items
// fill the tag. Nothing for anything else, read errors included.
std::optional<ApeTagPlace> findApeTag(const ReadFile& file, int64_t end, int64_t lowest);

// One item as a line: "Key: value" for text (several values joined by
// " / "), "Key: (binary, N bytes)" otherwise. UTF-8; bytes that are not
// UTF-8 are read as the 8-bit code page, control characters as "?".
std::string apeItemLine(const ApeItem& item);

struct ApeTagView {
  enum Kind { Text, NoItems, NotApe };
  Kind kind = Text;
  std::string text;
  std::string title;
};

// The whole tag as read from the file (header, items, footer) as the viewer
// shows it: one line per item, a note when the items end early or the text
// is too long.
ApeTagView apeTagView(std::string_view tag);

}  // namespace kavrel
