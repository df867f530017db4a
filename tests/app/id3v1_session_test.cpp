// The ID3v1 editor's session: what the boxes show and how each edit lands in the record's bytes.
#include "app/id3v1_session.h"

#include "base/charsets.h"
#include "support/editor_fixture.h"

namespace kavrel::test {
namespace {

using B = Id3v1Box;

class Id3v1SessionTest : public EditorFixture {
 protected:
  Id3v1Session& open(const Mp3Builder& b) {
    load(b);
    session.emplace(editor);
    return *session;
  }
  Id3v1Session& open(const std::string& title, const std::string& comment, int track, uint8_t genre = 17) {
    return open(Mp3Builder().frames(3).id3v1(title, "Ar", "Al", "1999", comment, track, genre));
  }
  // The boxes, then the version, "red" for the track warning and the genre line.
  std::string boxes() const {
    const Id3v1Session& s = *session;
    std::string out;
    for (int b = 0; b < kId3v1TextBoxes; ++b) out += s.text(B(b)) + (b < kId3v1TextBoxes - 1 ? "|" : "");
    return out + (s.version11() ? " v1.1" : " v1.0") + (s.trackWarning() ? " red" : "") + " g" +
           std::to_string(s.genreLine());
  }
  // The record's comment bytes (0 as '.'), then bytes 122, 123 and 124.
  std::string tail() {
    const auto& r = doc().id3v1Record.bytes;
    std::string out;
    for (int i = 94; i < 122; ++i) out += r[size_t(i)] ? char(r[size_t(i)]) : '.';
    return out + " " + std::to_string(r[122]) + "," + std::to_string(r[123]) + "," + std::to_string(r[124]);
  }
  std::string written(const std::string& name) {
    const auto bytes = saveAsNew(name);
    const std::string end(bytes.end() - 128, bytes.end());
    return end.starts_with("TAG") ? end.substr(3, 30).c_str() : "no tag";
  }
  std::optional<Id3v1Session> session;
};

const std::string k28(28, 'c');
const std::string k30 = k28 + "de";
const std::string kAbc = "abc" + std::string(27, ' ');  // version 1.0: byte 28 is not 0

TEST_F(Id3v1SessionTest, OpeningShowsTheRecord) {
  const std::tuple<const char*, Mp3Builder, std::string, bool> rows[] = {
      {"version 1.1", Mp3Builder().frames(3).id3v1("T", "A", "Al", "1999", "c", 7, 17),
       "T|A|Al|c|1999|7 v1.1 g17", true},
      {"1.0, blanks after the comment", Mp3Builder().frames(3).id3v1("T", "", "", "", kAbc, -1, 200),
       "T|||abc|| v1.0 g-1", true},
      {"1.0, 30-byte comment", Mp3Builder().frames(3).id3v1("", "", "", "", k30, -1, 148),
       "|||" + k30 + "|| v1.0 g148", true},
      {"1.1 track 0", Mp3Builder().frames(3).id3v1("", "", "", "", "", 0, 255), "||||| v1.1 g-1", true},
      {"no tag: a reset record", Mp3Builder().frames(3), "||||| v1.1 g-1", false},
  };
  for (const auto& [what, file, shown, reload] : rows) {
    open(file);
    EXPECT_EQ(boxes(), shown) << what;
    EXPECT_EQ(session->reloadTagEnabled(), reload) << what;
    EXPECT_EQ(session->commentMaxLength(), session->version11() ? 28 : 30) << what;
  }
}

TEST_F(Id3v1SessionTest, EditsFollowTheByteRules) {
  open("T", "", 5);
  // step, text, boxes after it, record tail after it
  const std::tuple<B, std::string, std::string, std::string> steps[] = {
      {B::Title, std::string(35, 'x'), std::string(30, 'x') + "|Ar|Al||1999|5 v1.1 g17", ""},
      {B::Comment, k30, "|Al|" + k28 + "|1999|5 v1.1", k28 + " 0,5,17"},
      {B::Track, "12a", k28 + "|1999|12a v1.1 red", k28 + " 0,0,17"},
      {B::Track, "007", "007 v1.1 g17", " 0,7,17"}, {B::Track, "000", "000 v1.1 g17", " 0,0,17"},
      {B::Track, "300", "300 v1.1 red", " 0,0,17"}, {B::Track, "9", "9 v1.1 g17", " 0,9,17"},
      {B::Year, "20245", "2024|9 v1.1", ""},
  };
  for (const auto& [box, text, shown, bytes] : steps) {
    session->setText(box, text);
    EXPECT_NE(boxes().find(shown), std::string::npos) << text << ": " << boxes();
    EXPECT_TRUE(tail().ends_with(bytes)) << text << ": " << tail();
  }
  EXPECT_EQ(doc().id3v1Record.text(Id3v1Field::Title) + doc().id3v1Record.text(Id3v1Field::Year),
            std::string(30, 'x') + "2024");
  // Leaving the track box drops up to three leading zeros.
  for (const auto& [typed, left] : {std::pair{"007", "7"}, {"000", ""}, {"0a", "a red"}}) {
    session->setText(B::Track, typed);
    session->leaveTrack();
    EXPECT_EQ(session->text(B::Track) + (session->trackWarning() ? " red" : ""), left) << typed;
  }
  // Version 1.0: a comment of at most 28 bytes ends in a blank, a longer one runs on.
  open("T", std::string(30, ' '), -1);
  EXPECT_EQ(boxes(), "T|Ar|Al||1999| v1.0 g17");
  const std::pair<std::string, std::string> comments[] = {
      {"abc", "abc" + std::string(25, '.') + " 32,0,17"}, {k28, k28 + " 32,0,17"},
      {k28 + "d", k28 + " 100,0,17"}, {k30, k28 + " 100,101,17"}};
  for (const auto& [text, bytes] : comments) {
    session->setText(B::Comment, text);
    EXPECT_EQ(tail(), bytes) << text;
  }
  session->setText(B::Track, "4");  // no track box in version 1.0
  EXPECT_EQ(tail(), k28 + " 100,101,17");
}

TEST_F(Id3v1SessionTest, VersionSwitchKeepsTheTrackAndCutsTheComment) {
  open("T", "short", 7);
  EXPECT_FALSE(session->chooseVersion(false));
  EXPECT_EQ(boxes() + " " + tail(), "T|Ar|Al|short|1999| v1.0 g17 short" + std::string(23, '.') + " 32,0,17");
  session->setText(B::Comment, k28);
  EXPECT_FALSE(session->chooseVersion(true)) << "28 bytes fit";
  session->chooseVersion(false);
  session->setText(B::Comment, k30);
  const auto notice = session->chooseVersion(true);
  ASSERT_TRUE(notice);
  EXPECT_EQ(notice->text, "Truncating comment to 28 characters.");
  EXPECT_EQ(boxes() + " " + tail(), "T|Ar|Al|" + k28 + "|1999|7 v1.1 g17 " + k28 + " 0,7,17");
  EXPECT_FALSE(session->chooseVersion(true)) << "no change, no notice";
}

TEST_F(Id3v1SessionTest, GenreListAndLines) {
  const std::vector<std::string> lines = genreListLines();
  ASSERT_EQ(lines.size(), 150u);
  EXPECT_EQ(lines[17] + "," + lines[148] + "," + lines[149], "Rock,Christian,- EMPTY -");
  open("T", "", 1, 255);
  EXPECT_EQ(session->genreLine(), -1);
  session->chooseGenreLine(148);
  EXPECT_EQ(doc().id3v1Record.genre(), 148);
  EXPECT_TRUE(session->pasteGenre("TRIP-hop"));
  EXPECT_FALSE(session->pasteGenre("Rockabilly"));
  EXPECT_EQ(doc().id3v1Record.genre(), 27);
  session->chooseGenreLine(kEmptyGenreIndex);
  EXPECT_EQ(std::pair(session->genreLine(), int(doc().id3v1Record.genre())), std::pair(-1, 255));
  session->chooseGenreLine(150);  // no such line
  EXPECT_EQ(doc().id3v1Record.genre(), 255);
}

TEST_F(Id3v1SessionTest, OriginalContentAndReload) {
  // Version 1.0 original with a 30-byte comment and an unnamed genre.
  open("Orig", k30, -1, 200);
  session->setText(B::Title, "New");
  session->chooseGenreLine(3);
  const std::pair<B, Id3v1Notice> views[] = {
      {B::Title, {"Orig", "Title"}}, {B::Comment, {k30, "Comment"}}, {B::Genre, {"unknown (200)", "Genre"}},
      {B::Track, {"No track in id3v1.0 original tag!", "Warning", MessageIcon::Exclamation}},
  };
  for (const auto& [box, view] : views) EXPECT_EQ(session->viewOriginal(box), view) << id3v1BoxName(box);
  EXPECT_EQ(session->reloadOriginal(B::Track)->text, "No track in id3v1.0 original tag!");
  for (B box : {B::Title, B::Genre}) EXPECT_FALSE(session->reloadOriginal(box));
  EXPECT_EQ(std::pair(session->text(B::Title), session->genreLine()), std::pair(std::string("Orig"), -1));
  EXPECT_EQ(doc().id3v1Record.genre(), 200);
  // The long original comment does not fit version 1.1: back to 1.0.
  session->chooseVersion(true);
  session->setText(B::Track, "3");
  session->reloadOriginal(B::Comment);
  EXPECT_EQ(boxes() + " " + tail(), "Orig|Ar|Al|" + k30 + "|1999| v1.0 g-1 " + k28 + " 100,101,200");
  open("T", "", 0, 0);
  EXPECT_EQ(session->viewOriginal(B::Track).text + session->viewOriginal(B::Genre).text, "0Blues");
  EXPECT_EQ(session->popupItems(B::Title, false), (Id3v1PopupItems{true, false, true}));
  EXPECT_EQ(session->popupItems(B::Comment, true), (Id3v1PopupItems{false, true, false}));
  // The reload button reads the file again; without a tag the record is reset.
  session->setText(B::Artist, "Changed");
  session->reloadTag();
  EXPECT_EQ(boxes(), "T|Ar|Al||1999| v1.1 g0");
  open(Mp3Builder().frames(3));
  session->setText(B::Artist, "Changed");
  session->reloadTag();
  EXPECT_EQ(doc().id3v1Record, Id3v1Record());
}

TEST_F(Id3v1SessionTest, ScanFillsFromTheFileAndFolderNames) {
  const std::string folder = dir.file("1999 - Best Album");
  std::filesystem::create_directories(folder);
  const std::string path = folder + "/Some Artist - Some Title.MP3";
  writeFile(path, Mp3Builder().frames(3).id3v1("T", "A", "Old", "", "", 1).bytes());
  // album, split: boxes, the boxes filled
  const std::tuple<bool, bool, std::string, std::string> rows[] = {
      {false, true, "Some Title|Some Artist|Old", "1 0"},
      {true, false, "Some Title|Some Artist|1999 - Best Album", "1 0 2"},
      {true, true, "Some Title|Some Artist|Best Album", "1 0 2"},
  };
  for (const auto& [album, split, shown, filled] : rows) {
    ASSERT_TRUE(editor.loadFile(path));
    Id3v1Session& s = session.emplace(editor);
    s.setAlbumScan(album);
    s.setAlbumSplit(split);
    std::string boxesFilled;
    for (B b : s.scan()) boxesFilled += (boxesFilled.empty() ? "" : " ") + std::to_string(int(b));
    EXPECT_EQ(s.text(B::Title) + "|" + s.text(B::Artist) + "|" + s.text(B::Album), shown) << album << split;
    EXPECT_EQ(boxesFilled, filled) << album << split;
    EXPECT_EQ(doc().id3v1Record.text(Id3v1Field::Album), s.text(B::Album)) << album << split;
  }
  // The three settings are bits of the options record.
  session->setShowTransferDialog(false);
  EXPECT_EQ(std::tuple(int(editor.options().record[387]), int(editor.options().record[402])),
            std::tuple(3, 0));
  session->setAlbumScan(false);
  EXPECT_TRUE(!session->splitEnabled() && editor.options().record[387] == 2);
}

TEST(Charsets, EachLineReadsAndWritesItsSet) {
  // line, bytes, as shown; the shown text converts back to the same bytes
  // clang-format off
  const std::tuple<int, std::string, std::string> rows[] = {
      {0, "\x80\xC6", "€Æ"}, {1, "\x82", "é"}, {2, "\x8A", "Š"}, {3, "\xC6\xF3\xEA", "Жук"}, {4, "\xC1", "Α"},
      {5, "\xC0", "Ą"}, {6, "\xE0", "א"}, {7, "\xF0", "ğ"}, {8, "\xC7", "ا"}, {9, "\x80", "€"},
      {10, "\x80", "Ä"}, {11, "\x8A\xBF" "a", "漢a"}, {12, "\xBA\xBA", "汉"}, {13, "\xBA\x7E", "漢"},
      {14, "\xC7\xD1", "한"}, {15, "\xD0\x65", "한"}, {16, "\xD0", "Đ"}, {17, "\xA1", "ก"}, {99, "\xC6", "Æ"}};
  // clang-format on
  for (const auto& [line, bytes, shown] : rows) {
    EXPECT_EQ(charsetToUtf8(line, bytes), shown) << line;
    EXPECT_EQ(utf8ToCharset(line, shown), bytes) << line;
  }
  // What a set lacks: '?' both ways; a double-byte character is never cut.
  EXPECT_EQ(charsetToUtf8(4, "a\xAA\x62") + charsetToUtf8(11, "\xA0x\x8A"), "a?b?x?");
  EXPECT_EQ(utf8ToCharset(3, "Ж漢\xFFz") + "|" + utf8ToCharset(11, "a漢漢", 4), "\xC6??z|a\x8A\xBF");
  EXPECT_EQ(charsetNames()[13], "Traditional Chinese (Taiwanese)");
}

TEST_F(Id3v1SessionTest, CharacterSetChangesTheViewNotTheBytes) {
  open("\xC6\xF3\xEA", "", 2);
  EXPECT_EQ(session->text(B::Title), "Æóê");
  const Id3v1Record before = doc().id3v1Record;
  session->setText(B::Track, "5");
  session->chooseVersion(false);  // the remembered track outlives the new reading
  session->chooseCharset(3);
  session->chooseVersion(true);
  EXPECT_EQ(session->text(B::Title) + session->text(B::Track), "Жук5");
  EXPECT_EQ(doc().id3v1Record.text(Id3v1Field::Title), before.text(Id3v1Field::Title));
  EXPECT_EQ(int(editor.options().record[389]), 3);
  // Typed text goes in as the set's bytes; the box shows what the tag holds.
  session->setText(B::Artist, "Ж漢");
  EXPECT_EQ(doc().id3v1Record.text(Id3v1Field::Artist) + "|" + session->text(B::Artist), "\xC6?|Ж?");
  session->chooseCharset(11);
  std::string kanji;
  for (int i = 0; i < 16; ++i) kanji += "漢";
  session->setText(B::Album, kanji);
  EXPECT_EQ(std::tuple(doc().id3v1Record.text(Id3v1Field::Album).size(), session->text(B::Album).size()),
            std::tuple(size_t(30), size_t(15 * 3)));
}

TEST_F(Id3v1SessionTest, ClosingDecidesWhetherTheTagIsWritten) {
  // Emptied: the remove box becomes unusable and unchecked, the save writes no tag.
  open("Title", "c", 3, 17);
  editor.setRemoveChecked(Block::Id3v1, true);
  for (B b : {B::Title, B::Artist, B::Album, B::Comment, B::Year, B::Track}) session->setText(b, "");
  session->chooseGenreLine(kEmptyGenreIndex);
  session->ok();
  EXPECT_FALSE(on(Command::RemoveId3v1) || editor.removeChecked(Block::Id3v1));
  EXPECT_EQ(written("emptied.mp3"), "no tag");
  // Any one thing left is content: a track byte, or a year.
  for (const auto& [box, text] : {std::pair{B::Track, "1"}, {B::Year, "1"}}) {
    open(Mp3Builder().frames(3));
    EXPECT_FALSE(on(Command::RemoveId3v1));
    session->setText(box, text);
    session->ok();
    EXPECT_TRUE(on(Command::RemoveId3v1)) << text;
  }
  // A new tag is written; Cancel puts the record back as it was opened.
  open(Mp3Builder().frames(3));
  session->setText(B::Title, "New");
  session->ok();
  session->cancel();  // closed already: nothing
  EXPECT_EQ(doc().changeCount, 1);  // closing the document asks to save
  EXPECT_EQ(written("new.mp3"), "New");
  open("Kept", "", 1);
  const Id3v1Record before = doc().id3v1Record;
  session->setText(B::Title, "Gone");
  session->chooseVersion(false);
  session->cancel();
  EXPECT_EQ(std::pair(doc().id3v1Record == before, doc().changeCount), std::pair(true, 0));
  open("Kept", "", 1);
  session->ok();  // nothing changed
  EXPECT_EQ(doc().changeCount, 0);
  // OK zeroes what follows each text, the comment within its first 28 bytes.
  open("T", "c", 0);
  auto& r = doc().id3v1Record.bytes;
  for (int at : {5, 40, 89, 100, 121, 123}) r[size_t(at)] = 'g';
  session->ok();
  std::string poked;
  for (int at : {5, 40, 89, 100, 121, 123}) poked += r[size_t(at)] ? char(r[size_t(at)]) : '.';
  EXPECT_EQ(poked, ".....g");
}

}  // namespace
}  // namespace kavrel::test
