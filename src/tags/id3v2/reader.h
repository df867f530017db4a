#pragma once
// Reads the fields of the loaded file's ID3v2 tag into the field list. Only
// positions, sizes and the text of small text fields are kept; everything
// else is read again from the file when it is needed.

#include <cstddef>
#include <cstdint>
#include <string>

#include "tags/id3v2/tag_field.h"
#include "tags/id3v2/tag_header.h"

namespace kavrel {

class ReadFile;

// Where the tag bytes come from: the loaded file, or memory.
class TagInput {
 public:
  virtual ~TagInput() = default;
  virtual int64_t size() const = 0;
  // Up to n bytes at pos; the count read (short at the end) or -1 on an error.
  virtual int64_t readAt(int64_t pos, void* buffer, size_t n) const = 0;
};

class FileTagInput : public TagInput {
 public:
  explicit FileTagInput(const ReadFile& file);
  int64_t size() const override { return size_; }
  int64_t readAt(int64_t pos, void* buffer, size_t n) const override;

 private:
  const ReadFile& file_;
  int64_t size_;
};

class MemoryTagInput : public TagInput {
 public:
  MemoryTagInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  int64_t size() const override { return int64_t(size_); }
  int64_t readAt(int64_t pos, void* buffer, size_t n) const override;

 private:
  const uint8_t* data_;
  size_t size_;
};

// Text fields above this many content bytes are not decoded.
inline constexpr int64_t kMaxDecodedTextSize = 1024;
// Bytes looked at when measuring the padding.
inline constexpr int64_t kMaxPaddingScan = 1048576;
// A tag with more fields than this is treated as broken: no real tag comes
// near it, and a forged one must not exhaust memory.
inline constexpr int32_t kMaxTagFields = 65536;

// Appends the tag's fields to `list` (cleared by the caller) and sets the
// header's padding size and error flag. `sourcePath` is recorded in every
// field as the file its data comes from.
void readId3v2Tag(const TagInput& input, const std::string& sourcePath, TagHeaderState& header,
                  TagFieldList& list);


}  // namespace kavrel
