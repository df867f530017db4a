// The ID3v2 editor session on tags built in memory.
#include "app/id3v2_session.h"

#include <cstdio>
#include <string>
#include <vector>

#include "support/editor_fixture.h"
#include "tags/id3v2/tag_bytes.h"

namespace kavrel::test {
namespace {

using namespace std::string_literals;
using B = Id3v2Box;
using L = Id3v2List;
constexpr auto Yes = MessageResult::Yes;
constexpr auto No = MessageResult::No;

class Id3v2Session : public EditorFixture {
 protected:
  void loadTag(int major, const std::vector<std::pair<std::string, std::string>>& fields, size_t padding = 0) {
    load(Mp3Builder().id3v2Frames(major, fields, padding).frames(3));
  }
  void loadBytes(const Bytes& tag) { load(Mp3Builder().raw(tag).frames(3)); }
  TagField& field(int32_t i) { return doc().tagFields.fields[size_t(i)]; }
  // Every field as code:source in hex, then the version, padding and flags.
  std::string model() {
    std::string text;
    for (const TagField& f : doc().tagFields.fields) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "%02X", f.source);
      text += f.code(4) + ":" + hex + "=" + f.content + " ";
    }
    const TagHeaderState& h = doc().tagHeader;
    return text + "v" + std::to_string(h.majorVersion) + " p" + std::to_string(h.paddingSize) +
           (h.footer ? " footer" : "") + (h.outputUnsynchronisation ? " unsync" : "") + " text" +
           std::to_string(doc().tagFields.textIndex.size()) + " bin" + std::to_string(doc().tagFields.binaryIndex.size());
  }
  // The main boxes' texts, "|" between them.
  static std::string mainBoxes(const Id3v2EditorSession& s) {
    std::string text = s.boxText(B(0));
    for (int b = 1; b < kId3v2MainBoxes; ++b) text += "|" + s.boxText(B(b));
    return text;
  }
  static std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& l : lines) text += (text.empty() ? "" : " | ") + l;
    return text;
  }
};

TEST_F(Id3v2Session, BoxesListsDuplicatesAndTheirRemoval) {
  loadTag(3, {{"TIT2", "First"}, {"TPE1", "Artist"}, {"TIT2", "Second"}, {"TYER", " 1999\0"s},
              {"TRCK", "  7 "}, {"COMM", "deu\0Hi"s}, {"COMM", "deu\0Again"s}, {"TXXX", "a\0b"s},
              {"TXXX", "c\0d"s}});
  Id3v2EditorSession s(editor);
  EXPECT_EQ(mainBoxes(s), "First|Artist||||||Hi|1999|7||");
  EXPECT_EQ(s.boxHint(B::Title).substr(0, 10), "code: TIT2");
  EXPECT_EQ(std::tuple(s.languageText(B::Comment), s.versionLine()), std::tuple("deu", 1));
  EXPECT_TRUE(s.reloadEnabled());
  EXPECT_EQ(joined(s.listLines(L::Text)),
            "Title (DUPLICATE) (TIT2) | Comment (DUPLICATE) (COMM) | User-defined text information frame (TXXX) | "
            "User-defined text information frame (TXXX)");
  EXPECT_EQ(field(2).source, field_source::kDuplicate);
  EXPECT_EQ(s.listText(L::Text), "Title (DUPLICATE) (TIT2)");
  for (const auto& [list, text] : {std::pair{L::Mixed, "no other mixed fields"},
                                   {L::Binary, "no other binary fields"}, {L::Picture, "no pictures attached"}}) {
    EXPECT_EQ(s.listText(list), text);
    EXPECT_TRUE(s.listEmpty(list) && !s.fieldButtonsEnabled(list));
  }
  s.removeDuplicates();
  EXPECT_EQ(joined(s.listLines(L::Text)),
            "User-defined text information frame (TXXX) | User-defined text information frame (TXXX)");
  EXPECT_EQ(std::tuple(int(field(0).source), field(2).source, field(6).source),
            std::tuple(0, field_source::kRemoved, field_source::kRemoved));
  EXPECT_FALSE(s.hasDuplicates());
  s.selectLine(L::Text, 1);
  EXPECT_EQ(s.boxText(B::Text), "d");
  s.removeSelected(L::Text);
  s.removeSelected(L::Text);
  EXPECT_EQ(std::tuple(s.listText(L::Text), s.boxText(B::Text), s.boxEnabled(B::Text), field(7).source),
            std::tuple("no other text fields", " no item to edit", false, field_source::kRemoved));
}

TEST_F(Id3v2Session, TheTextBoxShowsTheSelectedFieldOrWhyNot) {
  loadBytes(tagBytes(3, 0,
                     fields(3, {{"TOAL", "00 'plain'"}, {"TEXT", "05 'x'"}, {"USER", "00 'en'"},
                                {"USLT", "00 'fra' 00 'words'"}}) +
                         tagField(3, "TENC", latin1(std::string(1100, 'a')))));
  Id3v2EditorSession s(editor);
  const std::tuple<const char*, bool, const char*> rows[] = {
      {"plain", true, "n/a"}, {"- UNKNOWN ENCODING TYPE (PROBABLY JUST DAMAGED) -", false, "n/a"},
      {"- LANGUAGE INFORMATION MISSING -", false, ""}, {"words", true, "fra"},
      {"- TOO LARGE TO DISPLAY (1 KB MAX) -", false, "n/a"}};
  for (int line = 0; line < 5; ++line) {
    const auto& [text, enabled, language] = rows[line];
    s.selectLine(L::Text, line);
    EXPECT_EQ(std::tuple(s.boxText(B::Text), s.boxEnabled(B::Text), s.languageText(B::Text)),
              std::tuple(text, enabled, language));
    EXPECT_EQ(s.languageEnabled(B::Text), enabled && line == 3) << line;
    EXPECT_EQ(s.descriptionAvailable(B::Text), line == 3) << line;
    s.setBoxText(B::Text, "typed");  // a disabled box takes no edit
    EXPECT_EQ(field(line).source, enabled ? field_source::kEdited : 0) << line;
  }
  s.selectLine(L::Text, 3);
  s.setLanguage(B::Text, "deutsch");
  EXPECT_EQ(field(3).language, "deu");
  EXPECT_EQ(s.multiLineTitle(B::Text), " multiple lines input: Unsychronized lyrics");
  s.setMultiLineText(B::Text, "one\r\ntwo");
  EXPECT_EQ(std::pair(field(3).content, field(3).source),
            std::pair(std::string("one\r\ntwo"), field_source::kEditedMultiline));
  EXPECT_EQ(s.multiLineOriginal(B::Text), "words");
}

TEST_F(Id3v2Session, VersionChangesHideAndRestoreFieldsTheVersionLacks) {
  loadTag(4, {{"TIT2", "T"}, {"TDRC", "2001"}, {"ASPI", "x"}});
  Id3v2EditorSession s(editor);
  const std::string question2 =
      "!Warning: There are 2 fields in your tag not in use in id3v2.2 standard.\r\n\nRemove the fields? Choose NO "
      "to cancel version change.\r\n\n(note: fields will be restored if you switch back to id3v2.4)";
  host.answer(No);
  EXPECT_FALSE(s.chooseVersionLine(0));
  EXPECT_EQ(boxes(), question2);
  EXPECT_EQ(s.versionLine(), 2);
  EXPECT_EQ(model(), "TIT2:00=T TDRC:00=2001 ASPI:00= v4 p0 text2 bin1");
  host.answer(Yes);
  EXPECT_TRUE(s.chooseVersionLine(0));
  EXPECT_EQ(boxes(), question2);
  EXPECT_EQ(model(), "TIT2:00=T TDRC:22=2001 ASPI:22= v2 p0 text2 bin1");
  EXPECT_TRUE(s.listEmpty(L::Text) && s.listEmpty(L::Binary) && s.boxText(B::Title) == "T");
  EXPECT_TRUE(s.chooseVersionLine(2));
  EXPECT_EQ(model(), "TIT2:00=T TDRC:00=2001 ASPI:00= v4 p0 text2 bin1");
  EXPECT_EQ(joined(s.listLines(L::Text)), "Recording time (TDRC)");
  // By way of 2.3, which has TDRC but no ASPI.
  host.answer(Yes);
  s.chooseVersionLine(0);
  EXPECT_TRUE(s.chooseVersionLine(1));
  EXPECT_EQ(model(), "TIT2:00=T TDRC:00=2001 ASPI:22= v3 p0 text2 bin1");
  EXPECT_EQ(boxes(), question2);
  EXPECT_TRUE(s.chooseVersionLine(2));
  EXPECT_EQ(model(), "TIT2:00=T TDRC:00=2001 ASPI:00= v4 p0 text2 bin1");
  EXPECT_EQ(joined(s.listLines(L::Binary)), "Audio seek point index (ASPI)");
  host.answer(Yes);
  EXPECT_TRUE(s.chooseVersionLine(1));
  EXPECT_EQ(boxes(),
            "!Warning: There is a field in your tag not in use in id3v2.3 standard.\r\n\nRemove the field? Choose "
            "NO to cancel version change.\r\n\n(note: the field will be restored if you switch back to id3v2.4)");
  EXPECT_FALSE(s.chooseVersionLine(3));
  EXPECT_EQ(boxes(), "!Warning: You can't set to \"other\".");
  EXPECT_EQ(std::pair(s.versionLine(), int(doc().tagHeader.majorVersion)), std::pair(1, 3));
}

TEST_F(Id3v2Session, FooterAndPaddingExcludeEachOtherAndOkAsksAboutAnOldFooter) {
  loadTag(3, {{"TIT2", "T"}}, 64);
  Id3v2EditorSession s(editor);
  EXPECT_EQ(s.paddingText(), "64");
  s.setFooter(true);
  EXPECT_EQ(boxes(), "!Warning: Padding and footer are mutually exclusive.\r\nSetting padding to zero.");
  EXPECT_TRUE(s.paddingText() == "0" && s.footer());
  s.setPaddingText("16");
  EXPECT_EQ(boxes(), "!Warning: Padding and footer are mutually exclusive.\r\nUnchecking the footer.");
  EXPECT_FALSE(s.footer());
  EXPECT_EQ(model(), "TIT2:00=T v3 p16 text1 bin0");
  s.setPaddingText("1234567");
  EXPECT_EQ(s.paddingText(), "12345");
  s.setPaddingText("0");
  s.setFooter(true);
  s.setUnsynchronisation(true);
  EXPECT_EQ(boxes(), "");
  host.answer(No);
  EXPECT_FALSE(s.ok());
  EXPECT_EQ(boxes(),
            "!Warning: ID3v2 footer is not compatible with ID3v2.3\r\nstandard. It is highly recommended that "
            "you\r\neither remove it or set the version to ID3v2.4\r\n\nDo you want to continue anyway?");
  EXPECT_FALSE(s.closed());
  editor.setEnabled(Command::RemoveId3v2, false);
  host.answer(Yes);
  EXPECT_TRUE(s.ok() && s.closed() && on(Command::RemoveId3v2));
  EXPECT_EQ(model(), "TIT2:00=T v3 p0 footer unsync text1 bin0");
  // The "?" buttons.
  s.showHelp(Id3v2Help::Padding);
  s.showHelp(Id3v2Help::CharacterSet);
  EXPECT_EQ(host.messages()[host.messages().size() - 2].text.substr(0, 49),
            "A sequence of zero bytes appended to the tag end.");
  EXPECT_EQ(host.lastMessage().caption, "character set");
}

TEST_F(Id3v2Session, CancelRestoresTheTagAfterAddsRemovesAndAVersionChange) {
  loadTag(4, {{"TPE1", "A"}, {"TDRC", "2001"}, {"TXXX", "d\0v"s}, {"TXXX", "d\0v"s}});
  Id3v2EditorSession s(editor);
  const std::string before = model();
  EXPECT_EQ(before, "TPE1:00=A TDRC:00=2001 TXXX:00=v TXXX:40=v v4 p0 text4 bin0");
  s.setBoxText(B::Title, "New");
  EXPECT_EQ(std::tuple(s.boxField(B::Title), field(4).source, field(4).language),
            std::tuple(4, field_source::kAdded | field_source::kEdited, "eng"));
  ASSERT_TRUE(s.beginAdd(L::Text));
  s.chooseCandidate(L::Text, 1);
  s.removeSelected(L::Text);
  s.removeDuplicates();
  host.answer(Yes);
  ASSERT_TRUE(s.chooseVersionLine(0));
  s.setPaddingText("256");
  s.setUnsynchronisation(true);
  EXPECT_NE(model(), before);
  s.cancel();
  EXPECT_TRUE(model() == before && s.closed());
  s.setBoxText(B::Title, "after");  // a closed session changes nothing
  EXPECT_EQ(model(), before);
}

TEST_F(Id3v2Session, ANewTagFromTheOptionsAndTheRemoveBoxAfterOk) {
  editor.options().newTagFormat = 0x84;
  editor.options().newTagPadding = 6;
  load(5);
  {
    Id3v2EditorSession s(editor);
    EXPECT_FALSE(s.reloadEnabled());
    EXPECT_EQ(std::tuple(s.versionLine(), s.paddingText(), s.unsynchronisation()),
              std::tuple(2, "1024", true));
    s.setBoxText(B::Title, "typed");
    EXPECT_EQ(model(), "TIT2:09=typed v4 p1024 unsync text1 bin0");
    s.cancel();
  }
  EXPECT_TRUE(doc().tagFields.fields.empty() && doc().tagFields.tagCreated);
  editor.setRemoveChecked(Block::Id3v2, true);
  Id3v2EditorSession empty(editor);
  EXPECT_TRUE(empty.ok() && !(on(Command::RemoveId3v2) || editor.removeChecked(Block::Id3v2)));
  EXPECT_EQ(doc().changeCount, 0);
  Id3v2EditorSession filled(editor);
  filled.setLanguage(B::Comment, "fra");
  EXPECT_TRUE(filled.ok() && on(Command::RemoveId3v2));
  EXPECT_EQ(doc().changeCount, 1);  // closing the document asks to save
  EXPECT_EQ(model() + " " + field(0).language, "COMM:09= v4 p1024 unsync text1 bin0 fra");
}

TEST_F(Id3v2Session, AddingOffersTheRowsTheVersionAndTheTagStillAllow) {
  loadTag(2, {{"TT2", "T"}, {"COM", "eng\0c"s}});
  Id3v2EditorSession s(editor);
  ASSERT_TRUE(s.beginAdd(L::Text));
  const std::vector<std::string>& lines = s.listLines(L::Text);
  EXPECT_EQ(s.listText(L::Text), "- CHOOSE THE ITEM -");
  EXPECT_EQ(lines.front() + " | " + lines[1] + " | " + lines.back(),
            "Comment (COM) | Date (TDA) | User defined URL link frame (WXX)");
  EXPECT_EQ(joined(lines).find("Title"), std::string::npos);
  EXPECT_EQ(joined(lines).find("Recording time"), std::string::npos);
  s.cancelAdd(L::Text);
  EXPECT_EQ(s.listText(L::Text), "no other text fields");
  // Eight binary rows of 2.2 and the extended header, each once.
  int added = 0;
  while (added < 12 && s.beginAdd(L::Binary)) {
    const bool last = s.listLines(L::Binary).size() == 1;
    EXPECT_EQ(s.listLines(L::Binary).back(), "Extended tag header") << added;
    const int32_t index = s.chooseCandidate(L::Binary, 0);
    EXPECT_TRUE(s.selectedField(L::Binary) == index && field(index).source == field_source::kAdded);
    EXPECT_EQ(boxes().substr(0, 25), last ? "!Warning: Important notes" : "") << added;
    ++added;
  }
  EXPECT_EQ(added, 9);
  EXPECT_EQ(boxes(), "iKavrel: Already used all items of this sort.");
  EXPECT_EQ(s.listLines(L::Binary)[0], "Equalization (EQU)");
  ASSERT_TRUE(s.beginAdd(L::Picture));
  EXPECT_EQ(joined(s.listLines(L::Picture)), "Attached picture (PIC)");
  s.chooseCandidate(L::Picture, 0);
  EXPECT_EQ(s.listText(L::Picture), "Attached picture (PIC)");
}

TEST_F(Id3v2Session, EditsDescriptionsOriginalsAndExtendedInformation) {
  loadTag(3, {{"TIT2", "T"}, {"COMM", "eng\0c"s}});
  Id3v2EditorSession s(editor);
  field(0).source = 0x25;  // Added, FromFile, VersionHidden: only the low three bits stay
  s.setBoxText(B::Title, "New");
  EXPECT_EQ(std::tuple(field(0).source, field(0).content), std::tuple(0x0D, "New"));
  // Content description: the missing URL is added, the comment's empty one is declined.
  host.answer({Yes, No});
  EXPECT_TRUE(s.showDescription(B::Url));
  EXPECT_EQ(boxes(), "?Kavrel: - the field doesn't exist -\r\n\nADD IT?");
  s.setBoxText(B::Url, "site");
  EXPECT_EQ(s.boxText(B::Url), "site");
  EXPECT_EQ(s.boxHint(B::Url), "Right-click or tab out (shift focus)\r\nwhen finished with \"content description\"");
  s.showText(B::Url);
  EXPECT_EQ(s.boxText(B::Url), "");
  const int32_t url = s.boxField(B::Url);
  EXPECT_EQ(std::tuple(field(url).description, field(url).source),
            std::tuple("site", field_source::kAdded | field_source::kEdited));
  EXPECT_FALSE(s.showDescription(B::Comment));
  EXPECT_EQ(boxes(), "?Kavrel: - the field is empty -\r\n\nEDIT?");
  std::string accented;
  for (int i = 0; i < 1100; ++i) accented += "\u00e9";
  s.setMultiLineText(B::Comment, accented);
  EXPECT_EQ(field(1).content, std::string(1100, '\xe9'));
  EXPECT_EQ(s.boxText(B::Comment), accented.substr(0, 2048));
  EXPECT_EQ(s.multiLineTitle(B::Comment), " multiple lines input: COMMENT");
  const std::string info = "code: COMM\r\noriginal header position: 22\r\noriginal content size: 6\r\nflags: 0,0";
  EXPECT_EQ(s.extendedInformation(1), info + "\r\n\nThe field has been edited.\r\nLanguage: eng");
  s.reloadOriginalContent(1);
  EXPECT_EQ(std::tuple(field(1).content, field(1).source), std::tuple("c", 0));
  EXPECT_EQ(s.extendedInformation(1), info + "\r\n\nThe field hasn't been modified.\r\nLanguage: eng");
  const std::string added = "The field doesn't exist in input tag.\r\ncode: WXXX\r\nNewly added field\r\n\n";
  EXPECT_EQ(s.extendedInformation(url), added + "The field has been added to the tag.");
  field(url).source = field_source::kAdded | field_source::kFromFile;
  EXPECT_EQ(s.extendedInformation(url), added + "Newly added field.\r\nThe field has been loaded from an external file.");
  s.reloadOriginalContent(url);
  EXPECT_EQ(boxes(), "iKavrel: The field doesn't exist in the original tag.");
}

TEST_F(Id3v2Session, ReloadReadsTheTagAsLoadedAndReportsABrokenOne) {
  loadTag(3, {{"TIT2", "T"}, {"TDRC", "x"}});
  Id3v2EditorSession s(editor);
  s.setBoxText(B::Title, "edited");
  host.answer(Yes);
  s.chooseVersionLine(0);
  s.setPaddingText("4");
  boxes();
  s.reloadTag();
  EXPECT_EQ(model(), "TIT2:00=T TDRC:00=x v3 p0 text2 bin0");
  EXPECT_EQ(std::tuple(s.versionLine(), s.paddingText(), s.boxText(B::Title)), std::tuple(1, "0", "T"));
  EXPECT_EQ(boxes(), "");
  loadBytes(tagBytes(3, 0, fields(3, {{"TIT2", "00 'T'"}}) + tagField(3, "T\x01T2", "00")));
  Id3v2EditorSession broken(editor);
  broken.reloadTag();
  EXPECT_EQ(boxes(), "!Warning: Invalid id3v2 tag!");
  EXPECT_EQ(broken.boxText(B::Title), "T");
  // Above 2.4 the box shows " other"; refused, it goes back to 2.4.
  loadBytes(tagBytes(5, 0, fields(5, {{"TIT2", "00 'T'"}})));
  Id3v2EditorSession other(editor);
  EXPECT_EQ(other.versionLine(), 3);
  EXPECT_FALSE(other.chooseVersionLine(3));
  EXPECT_EQ(other.versionLine(), 2);
}

TEST_F(Id3v2Session, ErroneousAndUnknownFieldsAreShownAndSaved) {
  const Bytes unknown = tagField(3, "XYZW", "00 'hello'");
  loadBytes(tagBytes(3, 0, unknown + fields(3, {{"TEXT", "07 'x'"}, {"TIT2", "00 'ok'"}})));
  Id3v2EditorSession s(editor);
  ASSERT_TRUE(s.hasErroneousFields());
  const std::string saved = dir.file("field.bin");
  host.answer({Yes, Yes, No});
  host.answerSaveFile(saved);
  s.viewErroneousFields();
  EXPECT_EQ(boxes(),
            "?unknown field: Field code: XYZW\r\nHeader position: 10\r\nContent size: 6\r\n\nShow (some) of this "
            "field? / ?unknown field: .hello\r\n\n- save the field to a file? - / ?Lyricist: Field code: "
            "TEXT\r\nHeader position: 26\r\nContent size: 2\r\n\nShow (some) of this field?");
  EXPECT_EQ(readFile(saved), unknown);
}

}  // namespace
}  // namespace kavrel::test
