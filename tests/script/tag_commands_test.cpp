// The ID3V2.* commands: values, the new tag of each run, URL and picture fields.
#include <gtest/gtest.h>

#include "script/messages.h"
#include "script_fixture.h"
#include "tags/id3v2/known_fields.h"

namespace kavrel::test {
namespace {

class TagCommandsTest : public ScriptFixture {
 protected:
  void loadTagged() {
    Mp3Builder b;
    b.id3v2Frames(3, {{"TIT2", "Old title"}, {"TPE1", "Old artist"}}, 16).frames(50, {.bitrateIndex = 1});
    path = write("tagged.mp3", b);
    ASSERT_EQ(run("LOAD \"" + path + "\""), "");
    ASSERT_EQ(fields().size(), 2u);
  }
  const std::vector<TagField>& fields() { return doc().tagFields.fields; }
};

TEST_F(TagCommandsTest, ValuesJoinUnquotedWordsAndKeepQuotedText) {
  load(20);
  EXPECT_EQ(run("ID3V2.TITLE My Song, Part 2"), "");
  EXPECT_EQ(run("ID3V2.TITLE \"My Song, Part 2\""), "");
  EXPECT_EQ(run("ID3V2.ARTIST a, b, c, d, e"), "");
  ASSERT_EQ(fields().size(), 3u);
  EXPECT_EQ(fields()[0].content, "My Song Part 2");
  EXPECT_EQ(fields()[1].content, "My Song, Part 2");
  EXPECT_EQ(fields()[2].content, "a b c d");
  for (const TagField& f : fields()) {
    EXPECT_EQ(f.source, field_source::kAdded | field_source::kEdited);
    EXPECT_EQ(f.language, "eng");
    EXPECT_EQ(f.description, "");
  }
  // A second title is a second field; both sit in the text list.
  EXPECT_EQ(fields()[0].code(3), "TIT2");
  EXPECT_EQ(fields()[1].code(3), "TIT2");
  EXPECT_EQ(doc().tagFields.textIndex.size(), 3u);
}

TEST_F(TagCommandsTest, EmptyValuesAddNothing) {
  load(20);
  EXPECT_EQ(run("ID3V2.TITLE"), "");
  EXPECT_EQ(run("ID3V2.URL"), "");
  EXPECT_EQ(run("ID3V2.TITLE \"\""), "");
  EXPECT_TRUE(fields().empty());
  // Nothing was added, so no tag was started either.
  EXPECT_FALSE(doc().tagFields.tagCreated);
}

TEST_F(TagCommandsTest, EveryKeywordAddsItsField) {
  load(20);
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"ALBUM", "TALB"},    {"BPM", "TBPM"},   {"COMPOSER", "TCOM"}, {"GENRE", "TCON"}, {"(C)", "TCOP"},
      {"ENCODER", "TENC"},  {"LYRICIST", "TEXT"}, {"CGD", "TIT1"},  {"TITLE", "TIT2"}, {"ARTIST", "TPE1"},
      {"TRACK", "TRCK"},    {"YEAR", "TYER"},  {"COMMENT", "COMM"}, {"LYRICS", "USLT"}, {"URL", "WXXX"}};
  for (const auto& [keyword, code] : expected) EXPECT_EQ(run("id3v2." + keyword + " x"), "") << keyword;
  ASSERT_EQ(fields().size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(fields()[i].code(3), expected[i].second);
  EXPECT_EQ(fields()[0].code(2), "TAL");
}

TEST_F(TagCommandsTest, FirstCommandOfARunStartsANewTagFromTheOptions) {
  editor.options().newTagFormat = 4 | 0x80;
  editor.options().newTagPadding = 6;
  loadTagged();
  EXPECT_EQ(doc().tagHeader.majorVersion, 3);
  EXPECT_EQ(run("ID3V2.ALBUM Album"), "");
  ASSERT_EQ(fields().size(), 1u);  // the loaded title and artist are gone
  EXPECT_EQ(fields()[0].content, "Album");
  EXPECT_EQ(doc().tagHeader.majorVersion, 4);
  EXPECT_TRUE(doc().tagHeader.outputUnsynchronisation);
  EXPECT_EQ(doc().tagHeader.paddingSize, 1024);
  // Later commands of the run add to it.
  EXPECT_EQ(run("ID3V2.YEAR 2026"), "");
  EXPECT_EQ(fields().size(), 2u);
  // The next run starts over.
  engine.startRun();
  EXPECT_EQ(run("ID3V2.TITLE New"), "");
  ASSERT_EQ(fields().size(), 1u);
  EXPECT_EQ(fields()[0].content, "New");
  // A load in the middle of a run clears the fields, and the next command starts again.
  editor.options().newTagFormat = 2;
  ASSERT_EQ(run("LOAD \"" + path + "\""), "");
  EXPECT_EQ(fields().size(), 2u);
  EXPECT_EQ(run("ID3V2.TRACK 7"), "");
  ASSERT_EQ(fields().size(), 1u);
  EXPECT_EQ(doc().tagHeader.majorVersion, 2);
  EXPECT_EQ(fields()[0].code(2), "TRK");
}

TEST_F(TagCommandsTest, ScriptTextBecomesEightBitText) {
  load(20);
  EXPECT_EQ(run("ID3V2.TITLE \"Caf\xC3\xA9 \xE6\x97\xA5\""), "");
  EXPECT_EQ(run("ID3V2.ARTIST \"Caf\xE9\""), "");  // not UTF-8: kept as it is
  // A comment block converts line by line: a UTF-8 line beside an 8-bit one.
  EXPECT_EQ(run("ID3V2.COMMENT.START \xE2\x82\xAC"), "");
  EXPECT_EQ(run("Caf\xC3\xA9"), "");
  EXPECT_EQ(run("\x93quoted\x94"), "");
  EXPECT_EQ(run("ID3V2.COMMENT.END"), "");
  ASSERT_EQ(fields().size(), 3u);
  EXPECT_EQ(fields()[0].content, "Caf\xE9 ?");
  EXPECT_EQ(fields()[1].content, "Caf\xE9");
  EXPECT_EQ(fields()[2].description, "\x80");
  EXPECT_EQ(fields()[2].content, "Caf\xE9\r\n\x93quoted\x94");
}

TEST_F(TagCommandsTest, UrlTakesItsDescriptionFromTheOtherSlots) {
  load(20);
  EXPECT_EQ(run("ID3V2.URL \"http://example.org/a,b\", my, home, page"), "");
  EXPECT_EQ(run("ID3V2.URL http://example.org"), "");
  ASSERT_EQ(fields().size(), 2u);
  EXPECT_EQ(fields()[0].content, "http://example.org/a,b");
  EXPECT_EQ(fields()[0].description, "my home page");
  EXPECT_EQ(fields()[0].tableRow, 89);
  EXPECT_EQ(fields()[1].description, "");
}

TEST_F(TagCommandsTest, PictureTypesComeFromExactUpperCaseWords) {
  load(20);
  EXPECT_EQ(pictureTypeFromWord("FRONT_COVER"), 3);
  EXPECT_EQ(pictureTypeFromWord("front_cover"), 0);
  EXPECT_EQ(pictureTypeFromWord("32X32_PNG_ICON"), 1);
  EXPECT_EQ(pictureTypeFromWord("ICON"), 2);
  EXPECT_EQ(pictureTypeFromWord("PUBLISHER_LOGOTYPE"), 20);
  EXPECT_EQ(pictureTypeFromWord("ILLUSTRATION"), 18);
  EXPECT_EQ(pictureTypeFromWord("FRONT"), 0);
  EXPECT_EQ(run("ID3V2.PICTURE cover.jpg, front_cover"), "");
  EXPECT_EQ(run("ID3V2.PICTURE \"my cover.png\", \"FRONT_COVER\""), "");
  EXPECT_EQ(run("ID3V2.PICTURE"), "");  // an empty name is taken; the save leaves it out
  ASSERT_EQ(fields().size(), 3u);
  EXPECT_EQ(fields()[0].layout, 0);
  EXPECT_EQ(fields()[1].layout, 3);
  EXPECT_EQ(fields()[1].sourcePath, "my cover.png");
  EXPECT_EQ(fields()[1].content, "image/png");
  EXPECT_EQ(fields()[1].source, field_source::kAdded | field_source::kFromFile);
  EXPECT_EQ(fields()[1].code(2), "PIC");
  EXPECT_EQ(doc().tagFields.pictureIndex, (std::vector<int32_t>{0, 1, 2}));
}

}  // namespace
}  // namespace kavrel::test
