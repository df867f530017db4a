#pragma once
// The document's ID3v2 fields between loading and saving. Field data stays in
// its file (the loaded file or an external one); only decoded text is held.

#include <cstdint>
#include <string>
#include <vector>

#include "tags/id3v2/known_fields.h"
#include "tags/id3v2/tag_header_state.h"

namespace kavrel {

namespace field_status {
inline constexpr uint8_t kBadEncoding = 0x01;  // encoding byte above 3
inline constexpr uint8_t kNoLanguage = 0x02;   // too short to hold its language
inline constexpr uint8_t kTooLarge = 0x40;     // text above 1024 bytes, not decoded
inline constexpr uint8_t kUnknownCode = 0x80;
inline constexpr uint8_t kErroneous = kBadEncoding | kNoLanguage;
}  // namespace field_status

// How the save writer treats a field.
namespace field_source {
inline constexpr uint8_t kAdded = 0x01;
inline constexpr uint8_t kRemoved = 0x02;
inline constexpr uint8_t kFromFile = 0x04;
inline constexpr uint8_t kEdited = 0x08;
inline constexpr uint8_t kEditedMultiline = 0x10;
inline constexpr uint8_t kVersionHidden = 0x20;
inline constexpr uint8_t kDuplicate = 0x40;
inline constexpr uint8_t kChangedMask = 0x3F;  // no bit of these: copy the stored bytes
}  // namespace field_source

// OmitParts uses the text_layout bits: parts already inside a field's external file.

inline constexpr size_t kMaxInfoLength = 255;
inline constexpr const char* kNewFieldLanguage = "eng";

struct TagField {
  int64_t headerPosition = 0;  // in the loaded file; 0 for an added field
  int64_t totalSize = 0;       // stored header + content length; 0 for an added field
  uint8_t tableRow = kUndefinedRow;
  FieldKind kind = FieldKind::Unknown;
  uint8_t layout = 0;  // text_layout parts; the picture type for a Picture field
  uint8_t status = 0;
  uint8_t encoding = 0;  // as stored; values above 3 come with kBadEncoding
  uint8_t source = 0;
  uint8_t omittedParts = 0;
  uint16_t frameFlags = 0;  // first stored flag byte in the low half
  std::string info;
  std::string content;          // decoded text; MIME type or 2.2 image format of a picture
  std::string originalContent;  // as read; the code itself for an Unknown field
  std::string sourcePath;
  std::string description;
  std::string originalDescription;
  std::string originalLanguage;
  std::string language;

  bool unchanged() const { return (source & field_source::kChangedMask) == 0; }
  bool removed() const { return (source & field_source::kRemoved) != 0; }
  bool erroneous() const { return (status & field_status::kErroneous) != 0; }
  // The field's code: its own for an Unknown field, else the table's in that version.
  std::string code(int majorVersion) const;
  bool operator==(const TagField&) const = default;
};

struct TagFieldList {
  std::vector<TagField> fields;      // file order, added fields at the end
  std::vector<int32_t> binaryIndex;  // also the extended header
  std::vector<int32_t> textIndex;
  std::vector<int32_t> mixedIndex;
  std::vector<int32_t> pictureIndex;
  bool tagCreated = false;  // a tag was created for a document that had none
  bool operator==(const TagFieldList&) const = default;

  int32_t count() const { return int32_t(fields.size()); }
  // The index list a field of this kind belongs to; nullptr for Unknown.
  std::vector<int32_t>* indexFor(FieldKind kind);
  const std::vector<int32_t>* indexFor(FieldKind kind) const;

  void clear();
  // Appends a new field for a table row (source Added, language "eng") and
  // returns its position; the caller files it in the matching index list.
  int32_t addField(int row, int majorVersion);
  // addField plus filing in the index list of the row's kind.
  int32_t addIndexedField(int row, int majorVersion);
};

// Values of the new-tag options a created tag starts from.
struct NewTagOptions {
  uint8_t format = 3;         // 2, 3 or 4, plus 0x80 for unsynchronisation
  uint8_t paddingChoice = 0;  // index into 0, 2, 4, 16, 64, 256, 1024 bytes
};

int newTagPaddingSize(uint8_t paddingChoice);

// Starts an empty tag once per document (the mark stays until the fields are cleared).
void createTagIfNone(TagFieldList& list, TagHeaderState& header, const NewTagOptions& options);

bool hasTag(bool loadedFileHadTag, const TagFieldList& list, bool scriptRunning);

// "Title (TIT2)", with " (DUPLICATE)" before the code when marked so.
std::string fieldDisplayName(const TagField& field, int majorVersion);

// The field's stored bytes are unsynchronised: the whole tag is, or a 2.4
// field says so in its own flags.
inline constexpr uint16_t kFrameUnsyncFlag24 = 0x0200;
inline bool storedUnsynchronised(const TagField& f, const TagHeaderState& h) {
  return h.unsynchronisation || (h.inputVersion >= 4 && (f.frameFlags & kFrameUnsyncFlag24) != 0);
}

}  // namespace kavrel
