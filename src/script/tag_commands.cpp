// The ID3V2.* commands: fields added to the document's ID3v2 tag, written
// at the next save. The first of them in a run starts a new tag.

#include <array>
#include <string_view>
#include <utility>

#include "script/line_processor.h"
#include "script/messages.h"
#include "tags/id3v2/known_fields.h"
#include "tags/id3v2/tag_field.h"
#include "tags/id3v2/text_codec.h"

namespace kavrel {

namespace {

constexpr int kUrlRow = 89;
constexpr int kLyricsRow = 80;

// Picture-type words of ID3V2.PICTURE, by type byte; 17 has none.
constexpr std::array<std::pair<std::string_view, uint8_t>, 19> kPictureTypeWords = {{
    {"32X32_PNG_ICON", 1}, {"ICON", 2}, {"FRONT_COVER", 3}, {"BACK_COVER", 4}, {"LEAFLET_PAGE", 5},
    {"MEDIA", 6}, {"LEADING_ARTIST", 7}, {"ARTIST", 8}, {"CONDUCTOR", 9}, {"BAND_OR_ORCHESTRA", 10},
    {"COMPOSER", 11}, {"LYRICIST", 12}, {"RECORDING_LOCATION", 13}, {"RECORDING", 14}, {"PERFORMANCE", 15},
    {"SCREEN_CAPTURE", 16}, {"ILLUSTRATION", 18}, {"ARTIST_LOGOTYPE", 19}, {"PUBLISHER_LOGOTYPE", 20},
}};

// Script text is UTF-8 when it is well formed; tag text is 8-bit.
std::string tagText(const std::string& scriptText) {
  auto converted = utf8ToCodePage(scriptText);
  return converted ? std::move(*converted) : scriptText;
}

}  // namespace

uint8_t pictureTypeFromWord(const std::string& word) {
  // Exact words only: a lower-case or unknown word is "other".
  if (word.size() < 4) return 0;
  for (const auto& [name, type] : kPictureTypeWords)
    if (word == name) return type;
  return 0;
}

TagField& ScriptEngine::addScriptTagField(int row, const std::string& content, const std::string& description) {
  Document& doc = editor_.document();
  TagFieldList& list = doc.tagFields;
  const int32_t at = list.addIndexedField(row, doc.tagHeader.majorVersion);
  TagField& field = list.fields[size_t(at)];
  field.source = field_source::kAdded | field_source::kEdited;
  field.content = tagText(content);
  field.description = tagText(description);
  return field;
}

void ScriptEngine::createScriptTag() {
  Document& doc = editor_.document();
  const Options& options = editor_.options();
  createTagIfNone(doc.tagFields, doc.tagHeader, NewTagOptions{options.newTagFormat, options.newTagPadding});
}

void ScriptEngine::cmdTagText(int row) {
  if (paramCount_ == 0) return;
  stripQuotes(1);
  // Unquoted words come back joined by single blanks.
  std::string value = slot(1);
  for (int k = 2; k <= 4 && !slot(k).empty(); ++k) value += ' ' + slot(k);
  if (value.empty()) return;
  createScriptTag();
  if (knownFieldCode(row, editor_.document().tagHeader.majorVersion).empty()) {
    setError(msg::kFieldNotInVersion);
    return;
  }
  addScriptTagField(row, value, {});
}

void ScriptEngine::cmdTagUrl() {
  if (paramCount_ == 0) return;
  stripQuotes(1);
  std::string description = slot(2);
  if (paramCount_ > 2) description += ' ' + slot(3);
  if (paramCount_ > 3) description += ' ' + slot(4);
  createScriptTag();
  addScriptTagField(kUrlRow, slot(1), description);
}

void ScriptEngine::cmdTagPicture() {
  stripQuotes(1);
  stripQuotes(2);
  const uint8_t type = pictureTypeFromWord(slot(2));
  createScriptTag();
  TagField& field = addScriptTagField(kPictureRow, {}, {});
  field.source = field_source::kAdded | field_source::kFromFile;
  field.sourcePath = slot(1);  // a file name: read when the tag is written
  field.layout = type;
  field.content = mimeTypeForFile(slot(1));
}

void ScriptEngine::commitBlock(BlockKind kind, const std::string& description, const std::string& text) {
  createScriptTag();
  addScriptTagField(kind == BlockKind::Comment ? kCommentRow : kLyricsRow, text, description);
}

}  // namespace kavrel
