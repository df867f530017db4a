#pragma once
// The ID3v2 tag editor without its window. It works on the document's field
// list and tag header in place, keeps a copy of both for Cancel, and holds
// what the editor shows: the twelve main boxes filled from their fields, the
// text box of the selected text field, the four lists (text, mixed, binary,
// pictures), the version, the header options.
//
// The window shows what the accessors return and forwards what the user
// does; it keeps no state of its own. Conventions:
// - Messages and questions: the session shows every one itself through
//   editor.host().messageBox and acts on the answer, so a call returns with
//   its whole effect done. A window re-reads the accessors after each call.
// - Texts crossing this interface are UTF-8. Field texts stay the program's
//   8-bit text; the session reads them through the chosen character set and
//   writes typed text back through it.
// - The edit calls are for the user's own edits (a widget's "edited"
//   signal), never for the window filling its boxes.
// - After OK or Cancel the session is closed and ignores every change.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tags/id3v2/tag_field.h"
#include "tags/id3v2/tag_header_state.h"

namespace kavrel {

class Editor;

// The twelve main boxes in the order of kMainFieldRows, then the text box
// that edits the selected field of the text list.
enum class Id3v2Box { Title, Artist, Album, Genre, Composer, Copyright, Url, Comment, Year, Track, Bpm, Size, Text };
inline constexpr int kId3v2MainBoxes = 12;
inline constexpr int kId3v2Boxes = 13;
// Box texts are cut to this many characters.
inline constexpr size_t kId3v2BoxMaxLength = 1024;

enum class Id3v2List { Text, Mixed, Binary, Picture };
inline constexpr int kId3v2Lists = 4;

// The "?" buttons.
enum class Id3v2Help { Unsynchronisation, Footer, Padding, CharacterSet };

class Id3v2EditorSession {
 public:
  // Opens on the document's tag; a document without a tag and without
  // fields gets a new empty one from the new-tag options first.
  explicit Id3v2EditorSession(Editor& editor);

  // --- the tag header
  int editorVersion() const;  // the major version limited to 2..5: the code column shown
  int versionLine() const { return versionLine_; }  // 0..2 = 2.2..2.4, 3 = " other"
  int revision() const;
  bool unsynchronisation() const;
  bool experimental() const;
  bool footer() const;
  const std::string& paddingText() const { return paddingText_; }
  bool reloadEnabled() const { return reloadEnabled_; }
  int charset() const;
  bool removeErroneous() const;  // "erroneous": the save leaves such fields out

  // --- the boxes
  std::string boxText(Id3v2Box box) const;
  std::string boxHint(Id3v2Box box) const;
  bool boxEnabled(Id3v2Box box) const;  // only the text box is ever disabled
  // The field a box shows (the selected text field for Id3v2Box::Text); -1 when none.
  int32_t boxField(Id3v2Box box) const;
  // The language boxes beside the comment and the text box.
  std::string languageText(Id3v2Box box) const;
  bool languageEnabled(Id3v2Box box) const;
  // The box shows the content description instead of the text.
  bool showingDescription(Id3v2Box box) const { return describing_[size_t(box)]; }
  bool descriptionAvailable(Id3v2Box box) const;
  bool multiLineAvailable(Id3v2Box box) const;

  // --- the lists
  // Items (field display names), or while adding the candidates.
  const std::vector<std::string>& listLines(Id3v2List list) const;
  // The combo's own text: the selected line, "- CHOOSE THE ITEM -" while
  // adding, the grey empty-list text when there are no items.
  std::string listText(Id3v2List list) const;
  bool listEmpty(Id3v2List list) const;  // grey text, field buttons off
  bool adding(Id3v2List list) const { return lists_[size_t(list)].adding; }
  // View, Save original, Load from file and Remove field act on a selected item.
  bool fieldButtonsEnabled(Id3v2List list) const { return !listEmpty(list) && !adding(list); }
  int selectedLine(Id3v2List list) const { return lists_[size_t(list)].selected; }
  int32_t selectedField(Id3v2List list) const;
  void selectLine(Id3v2List list, int line);
  bool hasDuplicates() const;
  bool hasErroneousFields() const;  // bad encoding, missing language or unknown code

  // --- edits
  // Text typed into a box: the field's text (or its description while the
  // box shows it); a main box without a field first gets a new one.
  void setBoxText(Id3v2Box box, const std::string& text);
  // The comment's or the selected text field's language (3 characters).
  void setLanguage(Id3v2Box box, const std::string& text);
  // Content description of the comment, the URL or the selected text field:
  // false when the field does not take one or the user declined.
  bool showDescription(Id3v2Box box);
  void showText(Id3v2Box box);  // back to the text ("Revert", or the box lost the focus)
  // Multi-line entry of the comment or the selected text field.
  std::string multiLineTitle(Id3v2Box box) const;
  std::string multiLineText(Id3v2Box box) const;
  std::string multiLineOriginal(Id3v2Box box) const;
  void setMultiLineText(Id3v2Box box, const std::string& text);
  // "Reload original content" and "Extended information" of a field (-1: none).
  void reloadOriginalContent(int32_t field);
  void showExtendedInformation(int32_t field);
  std::string extendedInformation(int32_t field) const;

  // --- adding and removing
  // The Add button: false (after the notice) when nothing can be added.
  bool beginAdd(Id3v2List list);
  void cancelAdd(Id3v2List list);
  // A candidate line chosen: the new field's index, now selected (-1 when
  // not adding). A new mixed, binary or picture field gets its data through
  // "Load from file", which the window starts next.
  int32_t chooseCandidate(Id3v2List list, int line);
  void removeSelected(Id3v2List list);
  void removeDuplicates();

  // --- version and header options
  // A line of the version box: false when refused or declined (the box
  // goes back to versionLine()).
  bool chooseVersionLine(int line);
  void setRevision(int revision);
  void setUnsynchronisation(bool on);
  void setExperimental(bool on);
  void setFooter(bool on);
  void setPaddingText(const std::string& text);
  void chooseCharset(int charset);
  void setRemoveErroneous(bool on);
  void showHelp(Id3v2Help topic);

  // --- the tag as a whole
  // Reads the loaded file's tag again, as it was loaded.
  void reloadTag();
  // The erroneous and unknown fields one after another, each offered for a
  // look at its data and for saving to a file.
  void viewErroneousFields();
  // Artist, title and (with "album") album from the file's name and folder;
  // the boxes whose text changed.
  std::vector<Id3v2Box> scan();
  bool albumScan() const;
  bool albumSplit() const;
  void setAlbumScan(bool on);
  void setAlbumSplit(bool on);

  // "View" of a text field: the desktop's text viewer instead of a box.
  bool externalViewer() const;
  void setExternalViewer(bool on);
  // The note on how the editor works, once: on the first opening after the
  // options were reset (or on the first run).
  void showFirstUseNote();

  // OK: false when the footer question kept the window open. Otherwise the
  // changes stay and the ID3v2 remove box is usable only while a field is
  // left. Cancel: the tag as it was when the session opened.
  bool ok();
  void cancel();
  bool closed() const { return closed_; }

 private:
  struct ListState {
    std::vector<int32_t> fields;
    std::vector<std::string> lines;
    std::vector<int> candidates;  // table rows while adding
    std::vector<std::string> candidateLines;
    int selected = -1;
    bool adding = false;
  };

  TagFieldList& list();
  const TagFieldList& list() const;
  TagHeaderState& header();
  const TagHeaderState& header() const;
  const TagField* fieldAt(int32_t index) const;
  TagField* fieldAt(int32_t index);
  std::string display(const std::string& bytes) const;
  std::string input(const std::string& text) const;
  void refreshHeader();
  void rebuildLists();
  void rebuild(Id3v2List which);
  int32_t addMainField(Id3v2Box box);
  int32_t editTarget(Id3v2Box box, bool addWhenMissing);
  void saveFieldData(const TagField& field);

  Editor& editor_;
  TagFieldList savedFields_;
  TagHeaderState savedHeader_;
  std::array<int32_t, kId3v2MainBoxes> boxFields_{};
  std::array<ListState, kId3v2Lists> lists_{};
  std::array<bool, kId3v2Boxes> describing_{};
  int versionLine_ = 1;
  std::string paddingText_;
  bool reloadEnabled_ = false;
  bool closed_ = false;
};

}  // namespace kavrel
