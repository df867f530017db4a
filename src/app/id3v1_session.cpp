#include "app/id3v1_session.h"

#include <algorithm>

#include "app/editor.h"
#include "base/charsets.h"

namespace kavrel {

namespace {

constexpr const char* kBoxNames[] = {"Title", "Artist", "Album", "Comment", "Year", "Track", "Genre"};

// The record field behind a text box (the track has none).
Id3v1Field fieldOf(Id3v1Box box) {
  switch (box) {
    case Id3v1Box::Title: return Id3v1Field::Title;
    case Id3v1Box::Artist: return Id3v1Field::Artist;
    case Id3v1Box::Album: return Id3v1Field::Album;
    case Id3v1Box::Year: return Id3v1Field::Year;
    default: return Id3v1Field::Comment;
  }
}

// The track as the byte stores it: decimal digits only, at most 255; any
// other text is no track (0).
int parseTrack(const std::string& text) {
  if (text.empty() || text.size() > 3 ||
      !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return 0;
  const int n = std::stoi(text);
  return n <= 255 ? n : 0;
}

std::string trackText(int track) { return track > 0 ? std::to_string(track) : std::string(); }

// Zeroes what follows the first 0 among the first `size` bytes at `at`.
void zeroAfterText(Id3v1Record& r, int at, int size) {
  auto* begin = r.bytes.data() + at;
  auto* nul = std::find(begin, begin + size, uint8_t(0));
  if (nul != begin + size) std::fill(nul, begin + size, uint8_t(0));
}

bool equalsIgnoringAsciiCase(const std::string& a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
           return lower(x) == lower(y);
         });
}

}  // namespace

const char* id3v1BoxName(Id3v1Box box) { return kBoxNames[int(box)]; }

std::vector<std::string> genreListLines() {
  std::vector<std::string> lines;
  for (int i = 0; i < kGenreCount; ++i) lines.emplace_back(genreName(i));
  lines.emplace_back(id3v1_msg::kEmptyGenreLine);
  return lines;
}

Id3v1Session::Id3v1Session(Editor& editor) : editor_(editor), backup_(editor.document().id3v1Record) {
  fillFromRecord();
}

Id3v1Record& Id3v1Session::rec() { return editor_.document().id3v1Record; }
const Id3v1Record& Id3v1Session::record() const { return editor_.document().id3v1Record; }

int Id3v1Session::charset() const { return tagCharset(editor_.options()); }
bool Id3v1Session::albumScan() const { return tagScanBit(editor_.options(), tag_option_byte::kScanAlbumBit); }
bool Id3v1Session::albumSplit() const {
  return tagScanBit(editor_.options(), tag_option_byte::kScanSplitBit);
}
bool Id3v1Session::showTransferDialog() const { return kavrel::showTransferDialog(editor_.options()); }
bool Id3v1Session::reloadTagEnabled() const { return editor_.document().layout.id3v1Found; }

std::string Id3v1Session::display(std::string_view bytes) const { return charsetToUtf8(charset(), bytes); }

// The comment up to its first 0 (at most 30 bytes), without trailing blanks.
std::string Id3v1Session::commentDisplay(const Id3v1Record& r) const {
  const auto* begin = r.bytes.data() + id3v1FieldRange(Id3v1Field::Comment).offset;
  const auto* end = std::find(begin, begin + 30, uint8_t(0));
  while (end != begin && end[-1] == ' ') --end;
  return display(std::string_view(reinterpret_cast<const char*>(begin), size_t(end - begin)));
}

void Id3v1Session::fillFromRecord() {
  const Id3v1Record& r = record();
  version11_ = r.isVersion11();
  track_ = r.track();
  for (Id3v1Box box : {Id3v1Box::Title, Id3v1Box::Artist, Id3v1Box::Album, Id3v1Box::Year})
    texts_[size_t(box)] = display(r.text(fieldOf(box)));
  std::string comment = commentDisplay(r);
  // A version 1.1 box holds 28 bytes at most.
  if (version11_) comment = display(utf8ToCharset(charset(), comment, 28));
  texts_[size_t(Id3v1Box::Comment)] = comment;
  texts_[size_t(Id3v1Box::Track)] = version11_ ? trackText(track_) : std::string();
  genreLine_ = r.genre() < kGenreCount ? r.genre() : -1;
}

void Id3v1Session::writeComment(const std::string& bytes) {
  Id3v1Record& r = rec();
  const int at = id3v1FieldRange(Id3v1Field::Comment).offset;
  const size_t width = size_t(commentMaxLength());
  const size_t n = std::min(bytes.size(), width);
  std::copy_n(bytes.begin(), n, r.bytes.begin() + at);
  std::fill_n(r.bytes.begin() + at + std::ptrdiff_t(n), width - n, uint8_t(0));
  if (version11_) {
    r.bytes[kId3v1VersionByte] = 0;
    r.bytes[kId3v1TrackByte] = uint8_t(track_);
  } else if (n <= 28) {
    // A blank keeps a short comment a version 1.0 one.
    r.bytes[kId3v1VersionByte] = ' ';
    r.bytes[kId3v1TrackByte] = 0;
  }
}

void Id3v1Session::setTrack(const std::string& text) {
  texts_[size_t(Id3v1Box::Track)] = text;
  track_ = parseTrack(text);
  rec().bytes[kId3v1VersionByte] = 0;
  rec().bytes[kId3v1TrackByte] = uint8_t(track_);
}

void Id3v1Session::setText(Id3v1Box box, const std::string& text) {
  if (closed_ || box == Id3v1Box::Genre) return;
  if (box == Id3v1Box::Track) {
    if (version11_) setTrack(text.substr(0, 3));
    return;
  }
  const int width = box == Id3v1Box::Comment ? commentMaxLength() : id3v1FieldRange(fieldOf(box)).size;
  const std::string bytes = utf8ToCharset(charset(), text, size_t(width));
  // The box shows what the tag holds: characters the set lacks as '?'.
  texts_[size_t(box)] = display(bytes);
  if (box == Id3v1Box::Comment)
    writeComment(bytes);
  else
    setId3v1Text(rec(), fieldOf(box), bytes);
}

bool Id3v1Session::trackWarning() const {
  const std::string& t = text(Id3v1Box::Track);
  return track_ == 0 && !t.empty() && t != "0" && t != "00" && t != "000";
}

void Id3v1Session::leaveTrack() {
  std::string t = text(Id3v1Box::Track);
  for (int i = 0; i < 3 && !t.empty() && t.front() == '0'; ++i) t.erase(0, 1);
  if (t != text(Id3v1Box::Track)) setText(Id3v1Box::Track, t);
}

void Id3v1Session::chooseGenreLine(int line) {
  if (closed_ || line < 0 || line > kEmptyGenreIndex) return;
  genreLine_ = line < kGenreCount ? line : -1;
  rec().bytes[kId3v1GenreByte] = line < kGenreCount ? uint8_t(line) : kNoGenre;
}

std::optional<Id3v1Notice> Id3v1Session::chooseVersion(bool version11) {
  if (closed_ || version11 == version11_) return std::nullopt;
  Id3v1Record& r = rec();
  if (!version11) {
    version11_ = false;
    texts_[size_t(Id3v1Box::Track)].clear();
    if (r.bytes[kId3v1VersionByte] == 0) {
      r.bytes[kId3v1VersionByte] = ' ';
      r.bytes[kId3v1TrackByte] = 0;
    }
    return std::nullopt;
  }
  std::optional<Id3v1Notice> notice;
  std::string comment = utf8ToCharset(charset(), text(Id3v1Box::Comment));
  if (comment.size() > 28) {
    notice = Id3v1Notice{id3v1_msg::kTruncatingComment, id3v1_msg::kWarningCaption, MessageIcon::Exclamation};
    comment = utf8ToCharset(charset(), text(Id3v1Box::Comment), 28);
    texts_[size_t(Id3v1Box::Comment)] = display(comment);
  }
  version11_ = true;
  texts_[size_t(Id3v1Box::Track)] = trackText(track_);
  writeComment(comment);
  return notice;
}

void Id3v1Session::chooseCharset(int c) {
  setTagCharset(editor_.options(), c);
  const std::string trackBox = text(Id3v1Box::Track);
  const bool version = version11_;
  const int track = track_;
  const int genre = genreLine_;
  fillFromRecord();
  // Only the texts read anew: what the user chose stays.
  version11_ = version;
  track_ = track;
  texts_[size_t(Id3v1Box::Track)] = trackBox;
  genreLine_ = genre;
}

void Id3v1Session::setAlbumScan(bool on) {
  setTagScanBit(editor_.options(), tag_option_byte::kScanAlbumBit, on);
}
void Id3v1Session::setAlbumSplit(bool on) {
  setTagScanBit(editor_.options(), tag_option_byte::kScanSplitBit, on);
}
void Id3v1Session::setShowTransferDialog(bool on) { kavrel::setShowTransferDialog(editor_.options(), on); }

Id3v1Notice Id3v1Session::viewOriginal(Id3v1Box box) const {
  const Id3v1Record& loaded = editor_.document().loadedId3v1Record;
  Id3v1Notice notice{{}, id3v1BoxName(box), MessageIcon::Information};
  switch (box) {
    case Id3v1Box::Track:
      if (!loaded.isVersion11())
        return {id3v1_msg::kNoOriginalTrack, id3v1_msg::kWarningCaption, MessageIcon::Exclamation};
      notice.text = std::to_string(loaded.track());
      break;
    case Id3v1Box::Genre: notice.text = genreDisplayText(loaded.genre()); break;
    default: notice.text = display(loaded.text(fieldOf(box))); break;
  }
  return notice;
}

std::optional<Id3v1Notice> Id3v1Session::reloadOriginal(Id3v1Box box) {
  if (closed_) return std::nullopt;
  const Id3v1Record& loaded = editor_.document().loadedId3v1Record;
  switch (box) {
    case Id3v1Box::Track:
      if (!loaded.isVersion11())
        return Id3v1Notice{id3v1_msg::kNoOriginalTrack, id3v1_msg::kWarningCaption, MessageIcon::Exclamation};
      setText(box, trackText(loaded.track()));
      break;
    case Id3v1Box::Genre:
      if (loaded.genre() < kGenreCount) {
        chooseGenreLine(loaded.genre());
      } else {
        genreLine_ = -1;
        rec().bytes[kId3v1GenreByte] = loaded.genre();
      }
      break;
    case Id3v1Box::Comment: {
      const std::string comment = commentDisplay(loaded);
      // Too long for version 1.1: the editor goes back to 1.0.
      if (version11_ && utf8ToCharset(charset(), comment).size() > 28) chooseVersion(false);
      setText(box, comment);
      break;
    }
    default: setText(box, display(loaded.text(fieldOf(box)))); break;
  }
  return std::nullopt;
}

Id3v1PopupItems Id3v1Session::popupItems(Id3v1Box box, bool clipboardHasText) const {
  const bool filled = box == Id3v1Box::Genre ? genreLine_ >= 0 : !text(box).empty();
  return {filled, clipboardHasText, filled};
}

bool Id3v1Session::pasteGenre(const std::string& text) {
  const std::vector<std::string> lines = genreListLines();
  for (int i = 0; i < kGenreCount; ++i) {
    if (equalsIgnoringAsciiCase(text, lines[size_t(i)])) {
      chooseGenreLine(i);
      return true;
    }
  }
  return false;
}

void Id3v1Session::reloadTag() {
  if (closed_) return;
  if (editor_.document().layout.id3v1Found) {
    editor_.processId3v1();
  } else {
    rec().reset();
    editor_.document().loadedId3v1Record.reset();
  }
  fillFromRecord();
}

std::vector<Id3v1Box> Id3v1Session::scan() {
  if (closed_) return {};
  const bool album = albumScan();
  const FileNameScan found = scanFileName(editor_.document().loadPath, album, album && albumSplit());
  setText(Id3v1Box::Artist, found.artist);
  setText(Id3v1Box::Title, found.title);
  std::vector<Id3v1Box> filled{Id3v1Box::Artist, Id3v1Box::Title};
  if (album) {
    setText(Id3v1Box::Album, found.album);
    filled.push_back(Id3v1Box::Album);
  }
  return filled;
}

void Id3v1Session::ok() {
  if (closed_) return;
  Id3v1Record& r = rec();
  for (Id3v1Field f : {Id3v1Field::Title, Id3v1Field::Artist, Id3v1Field::Album, Id3v1Field::Year}) {
    const Id3v1FieldRange range = id3v1FieldRange(f);
    zeroAfterText(r, range.offset, range.size);
  }
  zeroAfterText(r, id3v1FieldRange(Id3v1Field::Comment).offset, 28);
  if (!(r == backup_)) editor_.noteTagChange();
  close();
}

void Id3v1Session::cancel() {
  if (closed_) return;
  rec() = backup_;
  close();
}

void Id3v1Session::close() {
  closed_ = true;
  const bool content = id3v1HasContent(record());
  editor_.setEnabled(Command::RemoveId3v1, content);
  if (!content) editor_.setRemoveChecked(Block::Id3v1, false);
  editor_.host().viewChanged(ViewChange::Document);
}

}  // namespace kavrel
