#pragma once
// Tag-level state of the loaded file's ID3v2 tag, as the loader finds it.

#include <cstdint>

namespace kavrel {

struct TagHeaderState {
  int64_t startOffset = 0;
  int64_t size = 0;          // including the 10-byte header and, when present, the footer
  uint8_t majorVersion = 0;  // as read
  uint8_t revision = 0;
  uint8_t flags = 0;
  bool unsynchronisation = false;        // the loaded tag's flag; describes the file being read
  bool outputUnsynchronisation = false;  // what the next save writes; the editor and options change it
  bool extendedHeader = false;
  bool experimental = false;
  bool footer = false;
  uint8_t inputVersion = 0;  // major version limited to 2..5, set when a tag was found
  int64_t paddingSize = 0;   // zero bytes after the last field (measured, or chosen for a new tag)
  bool tagError = false;     // reading the fields stopped on an error
  bool operator==(const TagHeaderState&) const = default;
};

}  // namespace kavrel
