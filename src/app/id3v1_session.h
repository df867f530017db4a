#pragma once
// The ID3v1 editor without its window. It opens on the document's ID3v1
// record, keeps a copy for Cancel, and holds what the editor's boxes show:
// the texts (UTF-8, read through the chosen character set), the version,
// the track and its warning colour, the genre line. Every edit goes into
// the record at once, by the record's byte rules; closing decides whether
// the next save writes the tag at all.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "app/host.h"
#include "tags/id3v1.h"

namespace kavrel {

class Editor;

namespace id3v1_msg {
inline constexpr const char* kTruncatingComment = "Truncating comment to 28 characters.";
inline constexpr const char* kNoOriginalTrack = "No track in id3v1.0 original tag!";
inline constexpr const char* kWarningCaption = "Warning";
inline constexpr const char* kEmptyGenreLine = "- EMPTY -";
inline constexpr const char* kChangesNote =
    "changes will actually be saved when you use main window's \"save\" function";
}  // namespace id3v1_msg

// The editor's fields, in the order their texts are kept.
enum class Id3v1Box { Title, Artist, Album, Comment, Year, Track, Genre };
inline constexpr int kId3v1TextBoxes = 6;  // Title .. Track hold text
// The field's name, as the original-content box is titled.
const char* id3v1BoxName(Id3v1Box box);

// A message box the window shows for the session.
struct Id3v1Notice {
  std::string text;
  std::string caption;
  MessageIcon icon = MessageIcon::Information;
  bool operator==(const Id3v1Notice&) const = default;
};

// The genre list: the 149 names in index order, then "- EMPTY -" (no genre).
std::vector<std::string> genreListLines();
inline constexpr int kEmptyGenreIndex = kGenreCount;

// What a popup menu of a field offers.
struct Id3v1PopupItems {
  bool copy = false;   // the field has text
  bool paste = false;  // the clipboard holds text
  bool cut = false;
  bool operator==(const Id3v1PopupItems&) const = default;
};

class Id3v1Session {
 public:
  // Opens on the document's record.
  explicit Id3v1Session(Editor& editor);

  // --- what the boxes show
  const std::string& text(Id3v1Box box) const { return texts_[size_t(box)]; }
  bool version11() const { return version11_; }
  bool trackEnabled() const { return version11_; }
  // The track text reads as no track although it is not empty or zeros.
  bool trackWarning() const;
  int commentMaxLength() const { return version11_ ? 28 : 30; }
  int genreLine() const { return genreLine_; }  // -1: no line chosen
  bool reloadTagEnabled() const;
  int charset() const;
  bool albumScan() const;
  bool albumSplit() const;
  bool splitEnabled() const { return albumScan(); }
  bool showTransferDialog() const;
  const Id3v1Record& record() const;

  // --- edits, written to the record at once
  // Title, artist, album, year, comment or track as typed.
  void setText(Id3v1Box box, const std::string& text);
  // The track box lost the focus: up to three leading zeros go.
  void leaveTrack();
  // A line of the genre list: 0..148, or kEmptyGenreIndex.
  void chooseGenreLine(int line);
  // Version 1.0 or 1.1; switching to 1.1 with a longer comment cuts it to
  // 28 characters after a notice.
  std::optional<Id3v1Notice> chooseVersion(bool version11);
  // Another character set: the boxes read the same bytes anew.
  void chooseCharset(int charset);
  void setAlbumScan(bool on);
  void setAlbumSplit(bool on);
  void setShowTransferDialog(bool on);

  // --- popup menu of a field
  Id3v1Notice viewOriginal(Id3v1Box box) const;
  std::optional<Id3v1Notice> reloadOriginal(Id3v1Box box);
  Id3v1PopupItems popupItems(Id3v1Box box, bool clipboardHasText) const;
  // The genre list's Paste: the line whose name the text is (any case).
  bool pasteGenre(const std::string& text);

  // Reads the tag of the loaded file again; without one the record is reset.
  void reloadTag();
  // Fills artist, title and (with "album") the album from the file's name
  // and folder; the boxes it filled.
  std::vector<Id3v1Box> scan();

  // OK: the bytes after each text become 0, then closing. Cancel: the
  // record as it was when the editor opened, then closing. Closing lets
  // the ID3v1 remove box follow the record: usable when it has content
  // (the next save writes the tag), else unusable and unchecked (the next
  // save writes none). Only the first of them acts.
  void ok();
  void cancel();
  bool closed() const { return closed_; }

 private:
  Id3v1Record& rec();
  void fillFromRecord();
  std::string display(std::string_view bytes) const;
  std::string commentDisplay(const Id3v1Record& r) const;
  void writeComment(const std::string& bytes);
  void setTrack(const std::string& text);
  void close();

  Editor& editor_;
  Id3v1Record backup_;
  std::array<std::string, kId3v1TextBoxes> texts_;
  bool version11_ = false;
  int track_ = 0;  // the track a switch to version 1.1 brings back
  int genreLine_ = -1;
  bool closed_ = false;
};

}  // namespace kavrel
