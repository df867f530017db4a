#pragma once
// Builds the ID3v2 tag of a save from the field list. Unchanged fields are
// copied from the loaded file (converted when the version changes), edited
// and added text fields are written from their text, and fields loaded from
// an external file are written from that file. The body goes into a work
// file first so that its size is known before the header is written; then
// header, body and footer go to the save's output.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tags/id3v2/tag_field.h"
#include "tags/id3v2/tag_header.h"

namespace kavrel {

enum class Checkpoint;  // base/checkpoint.h

// What a field writer did with one field.
enum class FieldWriteResult : uint8_t {
  Done = 0,      // written, or skipped without a word
  IoError = 1,   // the work file failed: the whole tag fails
  Warned = 2,    // left out with a warning
  TooLarge = 3,  // left out: too large
  LeftOut = 4,   // left out: removed, empty, or impossible in this version
};

// What the tag writer asks of the program around it.
class TagWriterEvents {
 public:
  virtual ~TagWriterEvents() = default;
  // A field left out: the reason (ending in ":") and the file the field's data came from.
  virtual void fieldLeftOut(const std::string& message, const std::string& sourcePath) = 0;
  // A size check or a dropped unknown field, worded completely.
  virtual void notice(const std::string& text) = 0;
  // Lets pending events run; Cancel or CloseWindow stops the save.
  virtual Checkpoint checkpoint() = 0;
};

// The save's output, at the place where the tag goes.
class TagSink {
 public:
  virtual ~TagSink() = default;
  // Appends all n bytes; false on a write error.
  virtual bool put(const uint8_t* data, size_t n) = 0;
};

// Where the field writers append the tag body.
class TagBodyOutput {
 public:
  virtual ~TagBodyOutput() = default;
  virtual bool append(const uint8_t* data, size_t n) = 0;
};

struct TagWriterSettings {
  uint8_t newTagFormat = 3;            // the version a tag of another major version gets (2..4, + 0x80)
  bool dontWriteEmptyFields = false;   // leave out fields without content and description
  bool removeErroneousFields = false;  // leave out fields with a bad encoding or no language
  std::string workFilePath;            // created anew, deleted when the tag is done
};

enum class TagWriteOutcome {
  NoTag,          // nothing to write: the output gets no tag
  Written,        // header, body and footer are in the output
  Failed,         // the work file or a field failed: nothing was written to the output
  OutputError,    // writing to the output failed: the save fails
  Cancelled,      // the user pressed Esc
  WindowClosing,  // the main window is closing
};

// Tag sizes are four 7-bit groups: the largest body a header can describe.
inline constexpr int64_t kMaxTagBodySize = 0x0FFFFFFF;
inline constexpr int64_t kMaxField22Size = 16777215;       // 3-byte sizes
inline constexpr int64_t kMaxCopiedFieldSize = 67108864;   // 64 MB, header included
inline constexpr int64_t kMaxFieldContentSize = 67108863;  // after conversion, 2.3 and 2.4
inline constexpr int64_t kMaxExternalFileSize = 67108861;  // files must be smaller than this
inline constexpr int64_t kMaxExtendedHeaderFileSize = 16777215;
inline constexpr size_t kMaxWrittenTextLength = 1048576;
inline constexpr size_t kMaxWrittenDescriptionLength = 1024;
inline constexpr int64_t kTagCopyPiece = 1000000;

// After every 0xFF followed by 0x00 or a byte of 0xE0 and up a 0x00 goes in;
// a final 0xFF gets one too.
std::vector<uint8_t> unsync(const uint8_t* data, size_t n);
inline std::vector<uint8_t> unsync(const std::vector<uint8_t>& bytes) { return unsync(bytes.data(), bytes.size()); }

// The version a tag is written in: its own when 2, 3 or 4, else the
// new-tag option's (with revision 0).
struct OutputVersion {
  int major = 3;
  int revision = 0;
};
OutputVersion outputVersion(const TagHeaderState& header, uint8_t newTagFormat);

// The name of this process's work file in `folder`. Each running copy has
// its own, so two saves at once never mix their tags.
std::string tagWorkFilePath(const std::string& folder);

// The field writers, appending to one body. Each returns what it did; a
// field that was written is counted.
class TagFieldWriter {
 public:
  TagFieldWriter(const TagHeaderState& header, const TagWriterSettings& settings, TagWriterEvents& events,
                 TagBodyOutput& body);
  ~TagFieldWriter();
  TagFieldWriter(const TagFieldWriter&) = delete;
  TagFieldWriter& operator=(const TagFieldWriter&) = delete;

  // An unchanged field: its stored bytes from the loaded file.
  FieldWriteResult copyField(const TagField& field);
  // An edited or added text field from its text (encoding byte 0).
  FieldWriteResult writeTextField(const TagField& field);
  // A field whose data comes from its external file.
  FieldWriteResult writeFieldFromFile(const TagField& field);
  // The loaded tag's extended header, or one from a file.
  FieldWriteResult copyExtendedHeader(const TagField& field);
  FieldWriteResult writeExtendedHeaderFromFile(const TagField& field);

  int32_t fieldsWritten() const { return written_; }
  bool extendedHeaderWritten() const { return extendedHeaderWritten_; }
  const OutputVersion& version() const { return version_; }

 private:
  class SourceFiles;
  bool isOutputUnsynchronised() const { return header_.outputUnsynchronisation; }
  int loadedHeaderLength() const { return header_.inputVersion == 2 ? 6 : 10; }
  FieldWriteResult appendField(const std::string& code, uint16_t flags, std::vector<uint8_t> plain,
                        const std::vector<uint8_t>* stored);
  FieldWriteResult warn(const std::string& message, const std::string& path);
  FieldWriteResult emitExtendedHeader(std::vector<uint8_t> payload);

  const TagHeaderState& header_;
  const TagWriterSettings& settings_;
  TagWriterEvents& events_;
  TagBodyOutput& body_;
  OutputVersion version_;
  std::unique_ptr<SourceFiles> sources_;
  int32_t written_ = 0;
  bool extendedHeaderWritten_ = false;
};

// Writes the document's tag at the output's current position, or nothing.
TagWriteOutcome writeTag(const TagHeaderState& header, const TagFieldList& fields,
                         const TagWriterSettings& settings, TagWriterEvents& events, TagSink& output);

}  // namespace kavrel
