#include "app/id3v2_session.h"

#include <algorithm>
#include <tuple>

#include "app/editor.h"
#include "app/id3v2_session_messages.h"
#include "base/charsets.h"
#include "base/file_io.h"
#include "tags/id3v1.h"
#include "tags/id3v2/messages.h"
#include "tags/id3v2/reader.h"
#include "tags/id3v2/tag_header.h"
#include "tags/id3v2/text_codec.h"

namespace kavrel {

namespace {

namespace src = field_source;

constexpr FieldKind kListKinds[] = {FieldKind::Text, FieldKind::Mixed, FieldKind::Binary, FieldKind::Picture};
constexpr const char* kEmptyListTexts[] = {id3v2_msg::kNoTextFields, id3v2_msg::kNoMixedFields,
                                           id3v2_msg::kNoBinaryFields, id3v2_msg::kNoPictures};
// Bytes of a field's data shown by the erroneous-fields view.
constexpr size_t kDataPreviewBytes = 256;

int rowOf(Id3v2Box box) { return kMainFieldRows[size_t(box)]; }

// The main box a text field of this row fills; -1 for other rows.
int mainBoxOf(int row) {
  const auto* at = std::find(kMainFieldRows.begin(), kMainFieldRows.end(), row);
  return at == kMainFieldRows.end() ? -1 : int(at - kMainFieldRows.begin());
}

bool trimmedBox(Id3v2Box box) {
  return box == Id3v2Box::Year || box == Id3v2Box::Track || box == Id3v2Box::Bpm || box == Id3v2Box::Size;
}

std::string trimBlanksAndZeros(const std::string& text) {
  const auto blank = [](char c) { return c == ' ' || c == '\0'; };
  const auto first = std::find_if_not(text.begin(), text.end(), blank);
  const auto last = std::find_if_not(text.rbegin(), text.rend(), blank).base();
  return first < last ? std::string(first, last) : std::string();
}

// UTF-8 text cut after n code points.
std::string cutCodePoints(const std::string& text, size_t n) {
  size_t count = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if ((uint8_t(text[i]) & 0xC0) != 0x80 && count++ == n) return text.substr(0, i);
  }
  return text;
}

bool hasLanguage(const TagField& f) {
  return f.kind != FieldKind::Picture && f.kind != FieldKind::Unknown && (f.layout & text_layout::kLanguage);
}

bool inLoadedTag(const TagField& f) { return f.totalSize > 0; }

// Several fields of a row that allows them differ by description and
// language (two comments, two pictures); only a field that repeats an
// earlier one in these is a duplicate. Other rows occur once.
using DuplicateKey = std::tuple<int, std::string, std::string>;
DuplicateKey duplicateKey(const TagField& f) {
  if (!kKnownFieldTable[f.tableRow].multiple) return {f.tableRow, {}, {}};
  return {f.tableRow, f.description, f.kind == FieldKind::Picture ? std::string() : f.language};
}

std::string listLine(const TagField& f, int version) {
  if (f.tableRow == kExtendedHeaderRow) return std::string(kKnownFieldTable[kExtendedHeaderRow].displayName);
  return fieldDisplayName(f, version);
}

}  // namespace

Id3v2EditorSession::Id3v2EditorSession(Editor& editor) : editor_(editor) {
  Document& doc = editor_.document();
  if (!doc.layout.id3v2Found && doc.tagFields.fields.empty()) {
    const Options& o = editor_.options();
    createTagIfNone(doc.tagFields, doc.tagHeader, NewTagOptions{o.newTagFormat, o.newTagPadding});
  }
  reloadEnabled_ = doc.layout.id3v2Found || !doc.tagFields.fields.empty();
  refreshHeader();
  rebuildLists();
  savedFields_ = doc.tagFields;
  savedHeader_ = doc.tagHeader;
}

TagFieldList& Id3v2EditorSession::list() { return editor_.document().tagFields; }
const TagFieldList& Id3v2EditorSession::list() const { return editor_.document().tagFields; }
TagHeaderState& Id3v2EditorSession::header() { return editor_.document().tagHeader; }
const TagHeaderState& Id3v2EditorSession::header() const { return editor_.document().tagHeader; }

const TagField* Id3v2EditorSession::fieldAt(int32_t index) const {
  return index >= 0 && index < list().count() ? &list().fields[size_t(index)] : nullptr;
}
TagField* Id3v2EditorSession::fieldAt(int32_t index) {
  return index >= 0 && index < list().count() ? &list().fields[size_t(index)] : nullptr;
}

int Id3v2EditorSession::charset() const { return tagCharset(editor_.options()); }
std::string Id3v2EditorSession::display(const std::string& bytes) const { return charsetToUtf8(charset(), bytes); }
std::string Id3v2EditorSession::input(const std::string& text) const { return utf8ToCharset(charset(), text); }

int Id3v2EditorSession::editorVersion() const { return std::clamp<int>(header().majorVersion, 2, 5); }
int Id3v2EditorSession::revision() const { return header().revision; }
bool Id3v2EditorSession::unsynchronisation() const { return header().outputUnsynchronisation; }
bool Id3v2EditorSession::experimental() const { return header().experimental; }
bool Id3v2EditorSession::footer() const { return header().footer; }
bool Id3v2EditorSession::removeErroneous() const { return editor_.removeErroneousTagFields; }

void Id3v2EditorSession::refreshHeader() {
  versionLine_ = editorVersion() - 2;
  paddingText_ = std::to_string(header().paddingSize);
}

// --- lists

void Id3v2EditorSession::rebuildLists() {
  for (int l = 0; l < kId3v2Lists; ++l) rebuild(Id3v2List(l));
}

void Id3v2EditorSession::rebuild(Id3v2List which) {
  ListState& state = lists_[size_t(which)];
  const int32_t keep = selectedField(which);
  state = ListState{};
  if (which == Id3v2List::Text) {
    boxFields_.fill(-1);
    describing_.fill(false);
  }
  std::vector<DuplicateKey> seen;
  TagFieldList& fields = list();
  for (int32_t index : *fields.indexFor(kListKinds[size_t(which)])) {
    TagField& f = fields.fields[size_t(index)];
    if (f.removed()) continue;
    const DuplicateKey key = duplicateKey(f);
    const bool duplicate = std::find(seen.begin(), seen.end(), key) != seen.end();
    seen.push_back(key);
    f.source = uint8_t(duplicate ? f.source | src::kDuplicate : f.source & ~src::kDuplicate);
    const int box = which == Id3v2List::Text ? mainBoxOf(f.tableRow) : -1;
    if (box >= 0 && boxFields_[size_t(box)] < 0) {
      boxFields_[size_t(box)] = index;
      continue;
    }
    state.fields.push_back(index);
    state.lines.push_back(listLine(f, editorVersion()));
  }
  const auto kept = std::find(state.fields.begin(), state.fields.end(), keep);
  state.selected = kept != state.fields.end() ? int(kept - state.fields.begin()) : state.fields.empty() ? -1 : 0;
}

const std::vector<std::string>& Id3v2EditorSession::listLines(Id3v2List which) const {
  const ListState& state = lists_[size_t(which)];
  return state.adding ? state.candidateLines : state.lines;
}

std::string Id3v2EditorSession::listText(Id3v2List which) const {
  const ListState& state = lists_[size_t(which)];
  if (state.adding) return id3v2_msg::kChooseItem;
  if (state.fields.empty()) return kEmptyListTexts[size_t(which)];
  return state.lines[size_t(state.selected)];
}

bool Id3v2EditorSession::listEmpty(Id3v2List which) const { return lists_[size_t(which)].fields.empty(); }

int32_t Id3v2EditorSession::selectedField(Id3v2List which) const {
  const ListState& state = lists_[size_t(which)];
  return state.selected >= 0 && size_t(state.selected) < state.fields.size() ? state.fields[size_t(state.selected)]
                                                                            : -1;
}

void Id3v2EditorSession::selectLine(Id3v2List which, int line) {
  ListState& state = lists_[size_t(which)];
  if (state.adding || line < 0 || size_t(line) >= state.fields.size()) return;
  state.selected = line;
  if (which == Id3v2List::Text) describing_[size_t(Id3v2Box::Text)] = false;
}

bool Id3v2EditorSession::hasDuplicates() const {
  return std::any_of(list().fields.begin(), list().fields.end(),
                     [](const TagField& f) { return (f.source & src::kDuplicate) && !f.removed(); });
}

bool Id3v2EditorSession::hasErroneousFields() const {
  return std::any_of(list().fields.begin(), list().fields.end(), [](const TagField& f) {
    return f.status & (field_status::kErroneous | field_status::kUnknownCode);
  });
}

// --- boxes

int32_t Id3v2EditorSession::boxField(Id3v2Box box) const {
  if (box == Id3v2Box::Text) return selectedField(Id3v2List::Text);
  return boxFields_[size_t(box)];
}

std::string Id3v2EditorSession::boxText(Id3v2Box box) const {
  const TagField* f = fieldAt(boxField(box));
  if (box == Id3v2Box::Text) {
    if (f == nullptr) return id3v2_msg::kNoItemToEdit;
    if (f->status & field_status::kTooLarge) return id3v2_msg::kTooLargeBox;
    if (f->status & field_status::kBadEncoding) return id3v2_msg::kUnknownEncodingBox;
    if (f->status & field_status::kNoLanguage) return id3v2_msg::kLanguageMissingBox;
  }
  if (f == nullptr) return {};
  if (showingDescription(box)) return cutCodePoints(display(f->description), kId3v2BoxMaxLength);
  return cutCodePoints(display(trimmedBox(box) ? trimBlanksAndZeros(f->content) : f->content), kId3v2BoxMaxLength);
}

std::string Id3v2EditorSession::boxHint(Id3v2Box box) const {
  const TagField* f = fieldAt(boxField(box));
  if (f == nullptr || !boxEnabled(box)) return {};
  return showingDescription(box) ? id3v2_msg::kDescriptionHint : display(f->info);
}

bool Id3v2EditorSession::boxEnabled(Id3v2Box box) const {
  if (box != Id3v2Box::Text) return true;
  const TagField* f = fieldAt(boxField(box));
  return f != nullptr && !(f->status & (field_status::kTooLarge | field_status::kErroneous));
}

std::string Id3v2EditorSession::languageText(Id3v2Box box) const {
  const TagField* f = fieldAt(boxField(box));
  if (box == Id3v2Box::Comment) return f != nullptr ? display(f->language) : std::string();
  if (box != Id3v2Box::Text || f == nullptr || !hasLanguage(*f)) return id3v2_msg::kNoLanguage;
  return display(f->language);
}

bool Id3v2EditorSession::languageEnabled(Id3v2Box box) const {
  if (box == Id3v2Box::Comment) return true;
  const TagField* f = fieldAt(boxField(box));
  return box == Id3v2Box::Text && f != nullptr && hasLanguage(*f) && boxEnabled(box);
}

bool Id3v2EditorSession::descriptionAvailable(Id3v2Box box) const {
  if (box == Id3v2Box::Comment || box == Id3v2Box::Url) return true;
  const TagField* f = fieldAt(boxField(box));
  return box == Id3v2Box::Text && f != nullptr && boxEnabled(box) && (f->layout & text_layout::kDescription);
}

bool Id3v2EditorSession::multiLineAvailable(Id3v2Box box) const {
  return box == Id3v2Box::Comment || (box == Id3v2Box::Text && boxEnabled(box));
}

// A new field (source Added) for a main box without one.
int32_t Id3v2EditorSession::addMainField(Id3v2Box box) {
  const int32_t index = list().addIndexedField(rowOf(box), header().majorVersion);
  boxFields_[size_t(box)] = index;
  return index;
}

// The field an edit of `box` changes; a main box without one gets a new
// field when asked to (the edit then marks it). -1 when there is nothing to change.
int32_t Id3v2EditorSession::editTarget(Id3v2Box box, bool addWhenMissing) {
  if (closed_ || !boxEnabled(box)) return -1;
  const int32_t index = boxField(box);
  if (index >= 0 || box == Id3v2Box::Text || !addWhenMissing) return index;
  return addMainField(box);
}

namespace {
void markEdited(TagField& f, uint8_t how) { f.source = uint8_t((f.source & 0x07) | how); }
}  // namespace

void Id3v2EditorSession::setBoxText(Id3v2Box box, const std::string& text) {
  TagField* f = fieldAt(editTarget(box, true));
  if (f == nullptr) return;
  const std::string bytes = input(cutCodePoints(text, kId3v2BoxMaxLength));
  (showingDescription(box) ? f->description : f->content) = bytes;
  markEdited(*f, src::kEdited);
}

void Id3v2EditorSession::setLanguage(Id3v2Box box, const std::string& text) {
  if (!languageEnabled(box)) return;
  TagField* f = fieldAt(editTarget(box, box == Id3v2Box::Comment));
  if (f == nullptr) return;
  f->language = input(text).substr(0, 3);
  markEdited(*f, src::kEdited);
}

bool Id3v2EditorSession::showDescription(Id3v2Box box) {
  if (closed_ || !descriptionAvailable(box)) return false;
  if (showingDescription(box)) return true;
  const TagField* f = fieldAt(boxField(box));
  const char* question = f == nullptr ? id3v2_msg::kFieldMissingAdd
                         : f->description.empty() ? id3v2_msg::kFieldEmptyEdit
                                                  : nullptr;
  if (question != nullptr &&
      editor_.host().messageBox(question, id3v2_msg::kProgramCaption, MessageIcon::Question, MessageButtons::YesNo,
                                MessageResult::Yes) != MessageResult::Yes)
    return false;
  if (f == nullptr) addMainField(box);
  describing_[size_t(box)] = true;
  return true;
}

void Id3v2EditorSession::showText(Id3v2Box box) { describing_[size_t(box)] = false; }

std::string Id3v2EditorSession::multiLineTitle(Id3v2Box box) const {
  if (box == Id3v2Box::Comment) return std::string(id3v2_msg::kMultiLineTitle) + id3v2_msg::kMultiLineComment;
  const TagField* f = fieldAt(boxField(box));
  const int row = f != nullptr ? f->tableRow : 0;
  return id3v2_msg::kMultiLineTitle + std::string(kKnownFieldTable[size_t(row)].displayName);
}

std::string Id3v2EditorSession::multiLineText(Id3v2Box box) const {
  const TagField* f = fieldAt(boxField(box));
  return f != nullptr && multiLineAvailable(box) ? display(f->content) : std::string();
}

std::string Id3v2EditorSession::multiLineOriginal(Id3v2Box box) const {
  const TagField* f = fieldAt(boxField(box));
  return f != nullptr && multiLineAvailable(box) ? display(f->originalContent) : std::string();
}

void Id3v2EditorSession::setMultiLineText(Id3v2Box box, const std::string& text) {
  if (!multiLineAvailable(box)) return;
  int32_t index = editTarget(box, false);
  if (index < 0 && box == Id3v2Box::Comment && !closed_) index = addMainField(box);
  TagField* f = fieldAt(index);
  if (f == nullptr) return;
  f->content = input(text);
  markEdited(*f, src::kEditedMultiline);
}

void Id3v2EditorSession::reloadOriginalContent(int32_t index) {
  TagField* f = fieldAt(index);
  if (closed_) return;
  if (f == nullptr || !inLoadedTag(*f)) {
    editor_.host().messageBox(id3v2_msg::kNotInOriginalTag, id3v2_msg::kProgramCaption, MessageIcon::Information,
                              MessageButtons::Ok, MessageResult::Ok);
    return;
  }
  f->content = f->originalContent;
  f->description = f->originalDescription;
  f->language = f->originalLanguage;
  f->source = 0;
  rebuildLists();
}

std::string Id3v2EditorSession::extendedInformation(int32_t index) const {
  const TagField* f = fieldAt(index);
  if (f == nullptr) return id3v2_msg::kNotInInputTag;
  std::string text = inLoadedTag(*f) ? std::string() : std::string(id3v2_msg::kNotInInputTag) + "\r\n";
  text += display(f->info) + "\r\n\n";
  const uint8_t s = f->source;
  const bool edited = s & (src::kEdited | src::kEditedMultiline);
  if ((s & 0x1F) == 0) {
    text += id3v2_msg::kNotModified;
  } else if ((s & src::kAdded) && edited) {
    text += id3v2_msg::kAddedToTag;
  } else {
    std::vector<const char*> lines;
    if (s & src::kAdded) lines.push_back(id3v2_msg::kNewlyAdded);
    if (s & src::kFromFile) lines.push_back(id3v2_msg::kLoadedFromFile);
    if (edited) lines.push_back(id3v2_msg::kEdited);
    for (size_t i = 0; i < lines.size(); ++i) text += (i > 0 ? "\r\n" : "") + std::string(lines[i]);
  }
  if (hasLanguage(*f)) text += "\r\n" + std::string(id3v2_msg::kLanguageLine) + display(f->language);
  return text;
}

void Id3v2EditorSession::showExtendedInformation(int32_t index) {
  const TagField* f = fieldAt(index);
  const std::string caption = f != nullptr ? listLine(*f, editorVersion()) : id3v2_msg::kProgramCaption;
  editor_.host().messageBox(extendedInformation(index), caption, MessageIcon::Information, MessageButtons::Ok,
                            MessageResult::Ok);
}

// --- adding and removing

bool Id3v2EditorSession::beginAdd(Id3v2List which) {
  if (closed_) return false;
  ListState& state = lists_[size_t(which)];
  const FieldKind kind = kListKinds[size_t(which)];
  std::array<bool, kKnownFieldRows> used{};
  for (const TagField& f : list().fields)
    if (!f.removed() && f.tableRow < kKnownFieldRows) used[f.tableRow] = true;
  state.candidates.clear();
  state.candidateLines.clear();
  for (int row = 1; row < kExtendedHeaderRow; ++row) {
    const KnownField& known = kKnownFieldTable[size_t(row)];
    const std::string_view code = knownFieldCode(row, editorVersion());
    if (known.kind != kind || code.empty() || (used[size_t(row)] && !known.multiple) || !mayAddMainField(row))
      continue;
    state.candidates.push_back(row);
    state.candidateLines.push_back(std::string(known.displayName) + " (" + std::string(code) + ")");
  }
  if (which == Id3v2List::Binary && !used[kExtendedHeaderRow]) {
    state.candidates.push_back(kExtendedHeaderRow);
    state.candidateLines.emplace_back(kKnownFieldTable[kExtendedHeaderRow].displayName);
  }
  if (state.candidates.empty()) {
    editor_.host().messageBox(id3v2_msg::kAllItemsUsed, id3v2_msg::kProgramCaption, MessageIcon::Information,
                              MessageButtons::Ok, MessageResult::Ok);
    return false;
  }
  state.adding = true;
  return true;
}

void Id3v2EditorSession::cancelAdd(Id3v2List which) { lists_[size_t(which)].adding = false; }

int32_t Id3v2EditorSession::chooseCandidate(Id3v2List which, int line) {
  ListState& state = lists_[size_t(which)];
  if (closed_ || !state.adding || line < 0 || size_t(line) >= state.candidates.size()) return -1;
  const int row = state.candidates[size_t(line)];
  if (row == kExtendedHeaderRow)
    editor_.host().messageBox(id3v2_msg::kExtendedHeaderNotes, id3v2_msg::kWarningCaption, MessageIcon::Exclamation,
                              MessageButtons::Ok, MessageResult::Ok);
  const int32_t index = list().addIndexedField(row, header().majorVersion);
  rebuild(which);
  const auto at = std::find(state.fields.begin(), state.fields.end(), index);
  if (at != state.fields.end()) state.selected = int(at - state.fields.begin());
  return index;
}

void Id3v2EditorSession::removeSelected(Id3v2List which) {
  TagField* f = fieldAt(selectedField(which));
  if (closed_ || f == nullptr || adding(which)) return;
  f->source = src::kRemoved;
  rebuild(which);
}

void Id3v2EditorSession::removeDuplicates() {
  if (closed_) return;
  for (TagField& f : list().fields)
    if (f.source & src::kDuplicate) f.source = src::kRemoved;
  rebuildLists();
}

// --- version and header options

bool Id3v2EditorSession::chooseVersionLine(int line) {
  if (closed_ || line < 0 || line > 3) return false;
  Host& host = editor_.host();
  const int old = header().majorVersion;
  if (line == 3) {
    host.messageBox(id3v2_msg::kCantSetOther, id3v2_msg::kWarningCaption, MessageIcon::Exclamation,
                    MessageButtons::Ok, MessageResult::Ok);
    versionLine_ = std::min(editorVersion(), 4) - 2;
    return false;
  }
  const int major = line + 2;
  if (major < old) {
    std::vector<TagField*> hidden;
    for (TagField& f : list().fields) {
      if (!f.removed() && f.tableRow >= 1 && f.tableRow < kExtendedHeaderRow && knownFieldCode(f.tableRow, major).empty())
        hidden.push_back(&f);
    }
    if (!hidden.empty()) {
      const bool one = hidden.size() == 1;
      const std::string plural = one ? "" : "s";
      const std::string text =
          (one ? std::string(id3v2_msg::kOneFieldPhrase)
               : id3v2_msg::kManyFieldsPhrase + std::to_string(hidden.size()) + " fields") +
          id3v2_msg::kNotInUseIn + std::to_string(major) + id3v2_msg::kStandardFullStop + "\r\n\n" +
          id3v2_msg::kRemoveTheField + plural + id3v2_msg::kChooseNoToCancel + "\r\n\n" + id3v2_msg::kRestoredNote +
          (one ? "the " : "") + "field" + plural + id3v2_msg::kWillBeRestored + std::to_string(old) + ")";
      if (host.messageBox(text, id3v2_msg::kWarningCaption, MessageIcon::Exclamation, MessageButtons::YesNo,
                          MessageResult::No) != MessageResult::Yes) {
        versionLine_ = editorVersion() - 2;
        return false;
      }
      for (TagField* f : hidden) f->source |= src::kRemoved | src::kVersionHidden;
    }
  } else if (major > old) {
    // A field comes back once the version has its code again: a 2.4 field
    // hidden at 2.2 stays hidden at 2.3 when 2.3 has no such field.
    constexpr uint8_t kHidden = src::kRemoved | src::kVersionHidden;
    for (TagField& f : list().fields) {
      if ((f.source & kHidden) == kHidden && !knownFieldCode(f.tableRow, major).empty())
        f.source = uint8_t(f.source & ~kHidden);
    }
  }
  header().majorVersion = uint8_t(major);
  versionLine_ = line;
  rebuildLists();
  return true;
}

void Id3v2EditorSession::setRevision(int revision) {
  if (!closed_) header().revision = uint8_t(std::clamp(revision, 0, 255));
}

void Id3v2EditorSession::setUnsynchronisation(bool on) {
  if (!closed_) header().outputUnsynchronisation = on;
}

void Id3v2EditorSession::setExperimental(bool on) {
  if (!closed_) header().experimental = on;
}

void Id3v2EditorSession::setFooter(bool on) {
  if (closed_) return;
  header().footer = on;
  if (on && header().paddingSize != 0) {
    editor_.host().messageBox(id3v2_msg::kPaddingClearedForFooter, id3v2_msg::kWarningCaption,
                              MessageIcon::Exclamation, MessageButtons::Ok, MessageResult::Ok);
    header().paddingSize = 0;
    paddingText_ = "0";
  }
}

void Id3v2EditorSession::setPaddingText(const std::string& text) {
  if (closed_) return;
  // The box takes at most five digits.
  std::string digits;
  for (char c : text)
    if (c >= '0' && c <= '9' && digits.size() < 5) digits += c;
  paddingText_ = digits;
  header().paddingSize = digits.empty() ? 0 : std::stoi(digits);
  if (header().paddingSize != 0 && header().footer) {
    editor_.host().messageBox(id3v2_msg::kFooterClearedForPadding, id3v2_msg::kWarningCaption,
                              MessageIcon::Exclamation, MessageButtons::Ok, MessageResult::Ok);
    header().footer = false;
  }
}

void Id3v2EditorSession::chooseCharset(int c) { setTagCharset(editor_.options(), ((c % 18) + 18) % 18); }

void Id3v2EditorSession::setRemoveErroneous(bool on) { editor_.removeErroneousTagFields = on; }

void Id3v2EditorSession::showHelp(Id3v2Help topic) {
  static constexpr std::pair<const char*, const char*> kHelp[] = {
      {id3v2_msg::kUnsyncHelpTitle, id3v2_msg::kUnsyncHelp},
      {id3v2_msg::kFooterHelpTitle, id3v2_msg::kFooterHelp},
      {id3v2_msg::kPaddingHelpTitle, id3v2_msg::kPaddingHelp},
      {id3v2_msg::kCharsetHelpTitle, id3v2_msg::kCharsetHelp}};
  const auto& [title, text] = kHelp[size_t(topic)];
  editor_.host().messageBox(text, title, MessageIcon::Information, MessageButtons::Ok, MessageResult::Ok);
}

// --- the tag as a whole

void Id3v2EditorSession::reloadTag() {
  if (closed_) return;
  Document& doc = editor_.document();
  doc.tagFields.clear();
  if (doc.layout.id3v2Found) {
    // The header as loaded: the fields are read in the version they were
    // stored in, whatever version the editor was set to.
    const int64_t start = doc.tagHeader.startOffset;
    ReadFile file(doc.loadPath);
    uint8_t head[10] = {};
    TagHeaderState loaded;
    if (file.isOpen() && file.readAt(start, head, sizeof head) == int64_t(sizeof head) &&
        parseTagHeader(head, sizeof head, start, loaded)) {
      doc.tagHeader = loaded;
      readId3v2Tag(FileTagInput(file), doc.loadPath, doc.tagHeader, doc.tagFields);
    } else {
      doc.tagHeader.tagError = true;
    }
    if (doc.tagHeader.tagError)
      editor_.host().messageBox(msg::kInvalidId3v2Tag, id3v2_msg::kWarningCaption, MessageIcon::Exclamation,
                                MessageButtons::Ok, MessageResult::Ok);
  }
  reloadEnabled_ = doc.layout.id3v2Found || !doc.tagFields.fields.empty();
  for (ListState& state : lists_) state = ListState{};
  refreshHeader();
  rebuildLists();
}

void Id3v2EditorSession::viewErroneousFields() {
  if (closed_) return;
  Host& host = editor_.host();
  const int loadedVersion = std::clamp<int>(header().inputVersion, 2, 5);
  const int64_t headerLength = loadedVersion == 2 ? 6 : 10;
  for (const TagField& f : list().fields) {
    if (!(f.status & (field_status::kErroneous | field_status::kUnknownCode))) continue;
    const std::string title = f.kind == FieldKind::Unknown
                                  ? std::string(id3v2_msg::kUnknownField)
                                  : std::string(kKnownFieldTable[f.tableRow].displayName);
    const int64_t contentSize = std::max<int64_t>(0, f.totalSize - headerLength);
    const std::string question = id3v2_msg::kFieldCode + display(f.code(loadedVersion)) + id3v2_msg::kHeaderPosition +
                                 std::to_string(f.headerPosition) + id3v2_msg::kContentSize +
                                 std::to_string(contentSize) + id3v2_msg::kShowSomeOfField;
    if (host.messageBox(question, title, MessageIcon::Question, MessageButtons::YesNo, MessageResult::No) !=
        MessageResult::Yes)
      continue;
    std::vector<uint8_t> data(size_t(std::min<int64_t>(contentSize, kDataPreviewBytes)));
    ReadFile file(editor_.document().loadPath);
    if (!file.isOpen() || file.readAt(f.headerPosition + headerLength, data.data(), data.size()) !=
                              int64_t(data.size())) {
      host.messageBox(id3v2_msg::kDiskErrorReadingData, id3v2_msg::kErrorCaption, MessageIcon::Stop,
                      MessageButtons::Ok, MessageResult::Ok);
      continue;
    }
    if (header().unsynchronisation) data.resize(resync(data.data(), data.size()));
    std::string preview(data.begin(), data.end());
    for (char& c : preview)
      if (uint8_t(c) < 0x20) c = '.';
    if (host.messageBox(display(preview) + "\r\n\n" + id3v2_msg::kSaveFieldToFile, title, MessageIcon::Question,
                        MessageButtons::YesNo, MessageResult::No) == MessageResult::Yes)
      saveFieldData(f);
  }
}

// The field as stored in the loaded file, header included, into a file the
// user chooses.
void Id3v2EditorSession::saveFieldData(const TagField& f) {
  Host& host = editor_.host();
  FileDialogRequest request;
  request.save = true;
  request.filter = id3v2_msg::kAllFilesFilter;
  request.confirmOverwrite = true;
  const auto path = host.chooseFile(request);
  if (!path) return;
  const auto fail = [&](const char* text) {
    host.messageBox(text, id3v2_msg::kErrorCaption, MessageIcon::Stop, MessageButtons::Ok, MessageResult::Ok);
  };
  ReadFile in(editor_.document().loadPath);
  std::vector<uint8_t> data(size_t(std::max<int64_t>(0, f.totalSize)));
  if (!in.isOpen() || in.readAt(f.headerPosition, data.data(), data.size()) != int64_t(data.size()))
    return fail(id3v2_msg::kDiskErrorReadingSource);
  WriteFile out;
  if (!out.create(*path)) return fail(id3v2_msg::kNoAccessToOutput);
  if (!out.write(data.data(), data.size()) || !out.close()) fail(id3v2_msg::kDiskErrorWritingOutput);
}

bool Id3v2EditorSession::albumScan() const { return tagScanBit(editor_.options(), tag_option_byte::kScanAlbumBit); }
bool Id3v2EditorSession::albumSplit() const { return tagScanBit(editor_.options(), tag_option_byte::kScanSplitBit); }
void Id3v2EditorSession::setAlbumScan(bool on) {
  setTagScanBit(editor_.options(), tag_option_byte::kScanAlbumBit, on);
}
void Id3v2EditorSession::setAlbumSplit(bool on) {
  setTagScanBit(editor_.options(), tag_option_byte::kScanSplitBit, on);
}

bool Id3v2EditorSession::externalViewer() const {
  return editor_.options().record[tag_option_byte::kExternalTextViewer] != 0;
}
void Id3v2EditorSession::setExternalViewer(bool on) {
  editor_.options().record[tag_option_byte::kExternalTextViewer] = on;
}

void Id3v2EditorSession::showFirstUseNote() {
  uint8_t& pending = editor_.options().record[tag_option_byte::kEditorNote];
  if (pending == 0) return;
  pending = 0;
  editor_.saveConfiguration();
  editor_.host().messageBox(id3v2_msg::kFirstUseNote, id3v2_msg::kProgramCaption, MessageIcon::Information,
                            MessageButtons::Ok, MessageResult::Ok);
}

std::vector<Id3v2Box> Id3v2EditorSession::scan() {
  if (closed_) return {};
  const bool album = albumScan();
  const FileNameScan found = scanFileName(editor_.document().loadPath, album, album && albumSplit());
  std::vector<std::pair<Id3v2Box, std::string>> texts = {{Id3v2Box::Artist, found.artist},
                                                         {Id3v2Box::Title, found.title}};
  if (album) texts.emplace_back(Id3v2Box::Album, found.album);
  std::vector<Id3v2Box> changed;
  for (const auto& [box, text] : texts) {
    if (boxText(box) == text) continue;
    setBoxText(box, text);
    changed.push_back(box);
  }
  return changed;
}

bool Id3v2EditorSession::ok() {
  if (closed_) return true;
  if (header().footer && header().majorVersion < 4) {
    const std::string text = id3v2_msg::kFooterIncompatible + std::to_string(header().majorVersion) +
                             id3v2_msg::kFooterAdvice;
    if (editor_.host().messageBox(text, id3v2_msg::kWarningCaption, MessageIcon::Exclamation,
                                  MessageButtons::YesNo, MessageResult::No) != MessageResult::Yes)
      return false;
  }
  const bool anyField = std::any_of(list().fields.begin(), list().fields.end(),
                                    [](const TagField& f) { return !f.removed(); });
  editor_.setEnabled(removeCommand(Block::Id3v2), anyField);
  if (!anyField) editor_.setRemoveChecked(Block::Id3v2, false);
  if (!(list() == savedFields_) || !(header() == savedHeader_)) editor_.noteTagChange();
  closed_ = true;
  editor_.host().viewChanged(ViewChange::Document);
  return true;
}

void Id3v2EditorSession::cancel() {
  if (closed_) return;
  list() = savedFields_;
  header() = savedHeader_;
  closed_ = true;
  editor_.host().viewChanged(ViewChange::Document);
}

}  // namespace kavrel
