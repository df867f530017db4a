// The ID3V2.* commands: fields added to the document's ID3v2 tag, written
// at the next save. The first of them in a run starts a new tag.

#include <algorithm>
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

constexpr int kLyricsRow = 80;

// Picture-type words of ID3V2.PICTURE, by type byte; 17 has none.
constexpr std::array<std::pair<std::string_view, uint8_t>, 19> kPictureTypeWords = {{
    {"32X32_PNG_ICON", 1}, {"ICON", 2}, {"FRONT_COVER", 3}, {"BACK_COVER", 4}, {"LEAFLET_PAGE", 5},
    {"MEDIA", 6}, {"LEADING_ARTIST", 7}, {"ARTIST", 8}, {"CONDUCTOR", 9}, {"BAND_OR_ORCHESTRA", 10},
    {"COMPOSER", 11}, {"LYRICIST", 12}, {"RECORDING_LOCATION", 13}, {"RECORDING", 14}, {"PERFORMANCE", 15},
    {"SCREEN_CAPTURE", 16}, {"ILLUSTRATION", 18}, {"ARTIST_LOGOTYPE", 19}, {"PUBLISHER_LOGOTYPE", 20},
}};

// Tag text is the program's 8-bit text; the save picks the encoding that
// holds it. Each script line is UTF-8 when it is well formed there, else
// 8-bit text already, so a comment block converts line by line.
std::string tagText(const std::string& scriptText) {
  std::string out;
  out.reserve(scriptText.size());
  for (size_t at = 0;;) {
    const size_t lineEnd = std::min(scriptText.find("\r\n", at), scriptText.size());
    const std::string_view line = std::string_view(scriptText).substr(at, lineEnd - at);
    const auto converted = utf8ToCodePage(line);
    out += converted ? *converted : std::string(line);
    if (lineEnd == scriptText.size()) break;
    out += "\r\n";
    at = lineEnd + 2;
  }
  return out;
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
