#pragma once
// What the viewers of the blocks the program keeps but does not edit show:
// the lyrics of a Lyrics3 block, and data of unknown origin as text.

#include <cstdint>
#include <string>
#include <string_view>

namespace kavrel {

// At most this much of a Lyrics3 block is read to view it, and this many
// characters of lyrics are shown.
inline constexpr int64_t kLyrics3ViewBytes = 8320;
inline constexpr size_t kLyrics3ViewChars = 732;
// At most this many bytes of unknown data are shown.
inline constexpr int64_t kRawDataViewBytes = 750;

inline constexpr const char* kLyrics3UnknownError = "Unknown error";
inline constexpr const char* kLyrics3DiskError = "Disk error. Perhaps the file was moved or modified.";
inline constexpr const char* kApeDiskError = kLyrics3DiskError;
inline constexpr const char* kRawDataDiskError =
    "Disk read error. Perhaps the source file was either\r\nmoved, modified, renamed or deleted in the meantime?";
inline constexpr const char* kUnknownHeaderTitle = "Behind-header data:";
inline constexpr const char* kUnknownFooterTitle = "Unknown footer data:";

struct Lyrics3View {
  enum Kind { Text, NoLyrics, NotLyrics3 };
  Kind kind = Text;
  std::string text;
  std::string title;
};

// `block` holds the block from "LYRICSBEGIN" on, without its end marker
// (at most kLyrics3ViewBytes). Version 2 shows the LYR field's text, version
// 1 the whole text; long lyrics are cut with a note.
Lyrics3View lyrics3View(std::string_view block, int version);

// `bytes` (at most kRawDataViewBytes of data `size` bytes long) as text:
// NUL and 0xFF become blanks, other control bytes "?" except line feed and
// carriage return; a note says when the data was longer.
std::string rawDataText(std::string_view bytes, int64_t size);

}  // namespace kavrel
