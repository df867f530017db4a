// The ID3v1 record: reading rules, versions, genres, the content rule and
// the file-name scan.

#include "tags/id3v1.h"

#include <gtest/gtest.h>

#include <sstream>

#include "app/editor.h"
#include "cli/cli.h"
#include "document/save_messages.h"
#include "support/mp3_builder.h"
#include "support/recording_host.h"
#include "support/test_files.h"

namespace kavrel::test {
namespace {

// The 125 bytes after "TAG", from explicit field bytes.
std::vector<uint8_t> recordBytes(const std::string& title, const std::string& artist,
                                 const std::string& album, const std::string& year,
                                 const std::vector<uint8_t>& comment, uint8_t genre) {
  std::vector<uint8_t> r(125, 0);
  auto put = [&](size_t at, const std::string& text, size_t width) {
    for (size_t i = 0; i < width && i < text.size(); ++i) r[at + i] = uint8_t(text[i]);
  };
  put(0, title, 30);
  put(30, artist, 30);
  put(60, album, 30);
  put(90, year, 4);
  for (size_t i = 0; i < 30 && i < comment.size(); ++i) r[94 + i] = comment[i];
  r[124] = genre;
  return r;
}

TEST(Id3v1Record, ReadingZeroesEverythingAfterTheFirstZeroOfEachField) {
  auto raw = recordBytes("Ti", "Ar", "Al", "19", {}, 3);
  raw[3] = 'X';        // garbage after the title's 0
  raw[29] = 'Y';       // ... up to the field's last byte
  raw[30 + 5] = 'Z';   // in the artist
  raw[60 + 28] = 'W';  // in the album
  raw[93] = '9';       // year "19\09": the 0 lies within the first 3
  const Id3v1Record r = id3v1FromTagBytes(raw.data());
  EXPECT_EQ(r.text(Id3v1Field::Title), "Ti");
  EXPECT_TRUE(std::all_of(r.bytes.begin() + 2, r.bytes.begin() + 30, [](uint8_t b) { return b == 0; }));
  EXPECT_EQ(r.bytes[35], 0);
  EXPECT_EQ(r.bytes[88], 0);
  EXPECT_EQ(r.bytes[93], 0);
  EXPECT_EQ(r.genre(), 3);

  // A zero only in the last byte of a field is kept as it is: nothing follows it.
  auto full = recordBytes(std::string(29, 'a'), "", "", "1999", {}, 0);
  EXPECT_EQ(id3v1FromTagBytes(full.data()).text(Id3v1Field::Title), std::string(29, 'a'));
  EXPECT_EQ(id3v1FromTagBytes(full.data()).text(Id3v1Field::Year), "1999");
}

TEST(Id3v1Record, Version11IsAZeroAtByte28WithTheTrackAfterIt) {
  std::vector<uint8_t> comment(30, 0);
  comment[0] = 'c';
  comment[29] = 7;
  const Id3v1Record r = id3v1FromTagBytes(recordBytes("", "", "", "", comment, 255).data());
  EXPECT_TRUE(r.isVersion11());
  EXPECT_EQ(r.track(), 7);
  EXPECT_EQ(r.text(Id3v1Field::Comment), "c");
}

TEST(Id3v1Record, Version10CommentGarbageIsClearedAndByte28BecomesABlank) {
  std::vector<uint8_t> comment = {'a', 'b', 'c', 0};
  comment.resize(30, 'g');  // garbage after the 0, bytes 28 and 29 included
  const Id3v1Record r = id3v1FromTagBytes(recordBytes("", "", "", "", comment, 255).data());
  for (int i = 3; i < 28; ++i) EXPECT_EQ(r.bytes[size_t(94 + i)], 0) << i;
  EXPECT_EQ(r.bytes[94 + 28], ' ');
  EXPECT_EQ(r.bytes[94 + 29], 'g');
  EXPECT_FALSE(r.isVersion11());
  EXPECT_EQ(r.track(), 0);
  EXPECT_EQ(r.text(Id3v1Field::Comment), "abc");

  // A 30-character version 1.0 comment is left whole.
  const std::string long30(30, 'x');
  const Id3v1Record full = id3v1FromTagBytes(
      recordBytes("", "", "", "", std::vector<uint8_t>(long30.begin(), long30.end()), 1).data());
  EXPECT_EQ(full.text(Id3v1Field::Comment), long30);
}

TEST(Id3v1Record, ContentRuleDecidesWhetherTheTagIsWorthWriting) {
  Id3v1Record r;  // reset: all zero, no genre
  EXPECT_EQ(r.genre(), 255);
  EXPECT_TRUE(std::all_of(r.bytes.begin(), r.bytes.begin() + 124, [](uint8_t b) { return b == 0; }));
  EXPECT_FALSE(id3v1HasContent(r));
  setId3v1Text(r, Id3v1Field::Year, "2001");
  EXPECT_TRUE(id3v1HasContent(r));
  setId3v1Text(r, Id3v1Field::Year, "");
  EXPECT_FALSE(id3v1HasContent(r));
  r.bytes[kId3v1TrackByte] = 1;
  EXPECT_TRUE(id3v1HasContent(r));
  r.bytes[kId3v1TrackByte] = 0;
  r.bytes[kId3v1GenreByte] = 0;  // Blues
  EXPECT_TRUE(id3v1HasContent(r));
}

TEST(Id3v1Record, SettingATextZeroesTheRestOfTheField) {
  Id3v1Record r;
  setId3v1Text(r, Id3v1Field::Album, std::string(40, 'q'));
  EXPECT_EQ(r.text(Id3v1Field::Album), std::string(30, 'q'));
  setId3v1Text(r, Id3v1Field::Album, "ab");
  EXPECT_EQ(r.text(Id3v1Field::Album), "ab");
  EXPECT_EQ(r.bytes[60 + 5], 0);
  // Version 1.1 keeps its comment to 28 bytes so the track survives.
  r.bytes[kId3v1TrackByte] = 9;
  setId3v1Text(r, Id3v1Field::Comment, std::string(30, 'c'));
  EXPECT_EQ(r.text(Id3v1Field::Comment), std::string(28, 'c'));
  EXPECT_EQ(r.track(), 9);
}

TEST(Id3v1Genres, TableEndsAndDisplayTexts) {
  EXPECT_EQ(genreName(0), "Blues");
  EXPECT_EQ(genreName(67), "Psychadelic");  // spelled as players show it
  EXPECT_EQ(genreName(148), "Christian");
  EXPECT_EQ(genreName(149), "");
  EXPECT_EQ(genreDisplayText(79), "Hard Rock");
  EXPECT_EQ(genreDisplayText(149), "unknown (149)");
  EXPECT_EQ(genreDisplayText(255), "unknown");
}

TEST(Id3v1Scan, SplitsArtistAndTitleAtTheFirstSeparator) {
  // " - " wins over an earlier "-"; then " -", "- ", "-". No separator, or a
  // name of fewer than 4 characters: all title. Only a final ".mp3" goes.
  struct Case {
    const char* path;
    const char* artist;
    const char* title;
  };
  for (const Case c :
       {Case{"/music/Some Artist - Some Title.MP3", "Some Artist", "Some Title"},
        Case{"/m/Jean-Luc - A Song.mp3", "Jean-Luc", "A Song"}, Case{"/m/Band -Song.mp3", "Band", "Song"},
        Case{"/m/Band- Song.mp3", "Band", "Song"}, Case{"/m/Band-Song-Live.mp3", "Band", "Song-Live"},
        Case{"/m/Untitled.mp3", "", "Untitled"}, Case{"/m/a-b.mp3", "", "a-b"},
        Case{"/m/Artist - Title.mp3.wav", "Artist", "Title.mp3.wav"}}) {
    const auto scan = scanFileName(c.path, false, false);
    EXPECT_EQ(scan.artist, c.artist) << c.path;
    EXPECT_EQ(scan.title, c.title) << c.path;
    EXPECT_EQ(scan.album, "") << c.path;
  }
}

TEST(Id3v1Scan, AlbumComesFromTheFolder) {
  EXPECT_EQ(scanFileName("/music/1999 - Best Album/Artist - Title.mp3", true, false).album,
            "1999 - Best Album");
  EXPECT_EQ(scanFileName("/music/1999 - Best Album/Artist - Title.mp3", true, true).album, "Best Album");
  EXPECT_EQ(scanFileName("/music/Plain/Artist - Title.mp3", true, true).album, "Plain");
}

class Id3v1LoadTest : public ::testing::Test {
 protected:
  TempDir dir;
  RecordingHost host;
  Editor editor{host};
};

TEST_F(Id3v1LoadTest, LoadReadsTheRecordAndKeepsACopyAsLoaded) {
  Mp3Builder b;
  b.frames(5).id3v1("Title", "Artist", "Album", "2004", "Comment", 12, 17);
  const std::string path = dir.file("t.mp3");
  writeFile(path, b.bytes());
  ASSERT_TRUE(editor.loadFile(path));
  const Document& doc = editor.document();
  EXPECT_EQ(doc.id3v1Record.text(Id3v1Field::Title), "Title");
  EXPECT_EQ(doc.id3v1Record.text(Id3v1Field::Artist), "Artist");
  EXPECT_EQ(doc.id3v1Record.track(), 12);
  EXPECT_EQ(doc.id3v1Record.genre(), 17);
  EXPECT_EQ(doc.loadedId3v1Record, doc.id3v1Record);
  EXPECT_TRUE(editor.enabled(Command::RemoveId3v1));
  EXPECT_TRUE(host.messages().empty());

  // A file without a tag leaves a reset record; unloading resets it too.
  Mp3Builder plain;
  plain.frames(5);
  const std::string other = dir.file("plain.mp3");
  writeFile(other, plain.bytes());
  ASSERT_TRUE(editor.loadFile(other));
  EXPECT_EQ(editor.document().id3v1Record, Id3v1Record{});
  EXPECT_FALSE(editor.enabled(Command::RemoveId3v1));
}

TEST_F(Id3v1LoadTest, InfoPrintsTheTagFields) {
  Mp3Builder b;
  b.frames(5).id3v1("Caf\xE9", "Artist", "Album", "2004", "Note", 3, 79);
  const std::string path = dir.file("t.mp3");
  writeFile(path, b.bytes());
  std::ostringstream out;
  std::ostringstream err;
  ASSERT_EQ(printFileInfo(path, out, err), 0) << err.str();
  const std::string text = out.str();
  EXPECT_NE(text.find("ID3v1 tag (version 1.1):"), std::string::npos) << text;
  EXPECT_NE(text.find("  Title: Caf\xC3\xA9\n"), std::string::npos) << text;
  EXPECT_NE(text.find("  Year: 2004\n"), std::string::npos);
  EXPECT_NE(text.find("  Comment: Note\n"), std::string::npos);
  EXPECT_NE(text.find("  Track: 3\n"), std::string::npos);
  EXPECT_NE(text.find("  Genre: Hard Rock\n"), std::string::npos);
}

}  // namespace
}  // namespace kavrel::test
