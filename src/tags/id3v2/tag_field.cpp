#include "tags/id3v2/tag_field.h"

#include <algorithm>
#include <array>

#include "tags/id3v2/messages.h"

namespace kavrel {

std::string TagField::code(int majorVersion) const {
  if (kind == FieldKind::Unknown) return originalContent;
  return std::string(knownFieldCode(tableRow, majorVersion));
}

std::vector<int32_t>* TagFieldList::indexFor(FieldKind kind) {
  switch (kind) {
    case FieldKind::Binary: return &binaryIndex;
    case FieldKind::Text: return &textIndex;
    case FieldKind::Mixed: return &mixedIndex;
    case FieldKind::Picture: return &pictureIndex;
    case FieldKind::Unknown: break;
  }
  return nullptr;
}

const std::vector<int32_t>* TagFieldList::indexFor(FieldKind kind) const {
  return const_cast<TagFieldList*>(this)->indexFor(kind);
}

void TagFieldList::clear() {
  for (auto* v : {&binaryIndex, &textIndex, &mixedIndex, &pictureIndex}) {
    v->clear();
    v->shrink_to_fit();
  }
  fields.clear();
  fields.shrink_to_fit();
  tagCreated = false;
}

int32_t TagFieldList::addField(int row, int majorVersion) {
  row = std::clamp(row, 0, kKnownFieldRows - 1);
  const KnownField& known = kKnownFieldTable[size_t(row)];
  TagField f;
  f.tableRow = uint8_t(row);
  f.kind = known.kind;
  f.layout = known.layout;
  f.source = field_source::kAdded;
  f.info = "code: " + std::string(knownFieldCode(row, majorVersion)) + "\r\n" + msg::kNewlyAddedField;
  f.language = kNewFieldLanguage;
  fields.push_back(std::move(f));
  return count() - 1;
}

int32_t TagFieldList::addIndexedField(int row, int majorVersion) {
  const int32_t at = addField(row, majorVersion);
  if (auto* index = indexFor(fields.back().kind)) index->push_back(at);
  return at;
}

int newTagPaddingSize(uint8_t paddingChoice) {
  static constexpr std::array<int, 7> kPadding = {0, 2, 4, 16, 64, 256, 1024};
  return kPadding[paddingChoice % 7];
}

void createTagIfNone(TagFieldList& list, TagHeaderState& header, const NewTagOptions& options) {
  if (list.tagCreated) return;
  list.clear();
  list.tagCreated = true;
  const int version = options.format & 0x7F;
  header.majorVersion = uint8_t(version >= 2 && version <= 4 ? version : 3);
  header.revision = 0;
  header.inputVersion = header.majorVersion;
  header.paddingSize = newTagPaddingSize(options.paddingChoice);
  header.outputUnsynchronisation = (options.format & 0x80) != 0;
  header.extendedHeader = false;
  header.experimental = false;
  header.footer = false;
}

bool hasTag(bool loadedFileHadTag, const TagFieldList& list, bool scriptRunning) {
  return loadedFileHadTag || !list.fields.empty() || (scriptRunning && list.tagCreated);
}

std::string fieldDisplayName(const TagField& field, int majorVersion) {
  std::string name(kKnownFieldTable[field.tableRow < kKnownFieldRows ? field.tableRow : 0].displayName);
  if (field.source & field_source::kDuplicate) name += " (DUPLICATE)";
  return name + " (" + field.code(majorVersion) + ")";
}

}  // namespace kavrel
