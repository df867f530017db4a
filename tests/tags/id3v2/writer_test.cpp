// The tag a save writes: unchanged fields copied, version changes,
// unsynchronisation, padding, footer, extended header, texts, pictures and
// fields from files, the empty-field option, and the failure paths.

#include "tags/id3v2/writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "document/loader.h"
#include "document/save_fixture.h"
#include "tags/id3v2/messages.h"
#include "tags/id3v2/reader.h"
#include "tags/id3v2/tag_bytes.h"

namespace kavrel::test {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes zeros(size_t n) { return Bytes(n, 0); }

uint32_t syncsafeAt(const Bytes& b, size_t at) {
  return uint32_t(b.at(at)) << 21 | uint32_t(b.at(at + 1)) << 14 | uint32_t(b.at(at + 2)) << 7 | b.at(at + 3);
}

// The tag at the start of a file (header, body, footer), or nothing.
Bytes tagOf(const Bytes& file) {
  if (file.size() < 10 || file[0] != 'I' || file[1] != 'D' || file[2] != '3') return {};
  const size_t total = 10 + syncsafeAt(file, 6) + ((file[5] & 0x10) ? 10 : 0);
  return slice(file, 0, std::min(total, file.size()));
}

Bytes bodyOf(const Bytes& tag) { return slice(tag, 10, syncsafeAt(tag, 6)); }

// The file a tag of these bytes makes, with 12 frames behind it.
Bytes mp3With(const Bytes& tag) {
  Mp3Builder b;
  b.raw(tag).frames(12);
  return b.bytes();
}

Bytes framesOnly() {
  Mp3Builder b;
  b.frames(12);
  return b.bytes();
}

class TagWriteTest : public SaveFixture {
 protected:
  void SetUp() override { editor.dataFolder = dir.path(); }

  // Loads a file with this tag and saves it as a new file: the new tag.
  Bytes roundTrip(const Bytes& tag, const std::function<void()>& change = {}) {
    load(mp3With(tag));
    if (change) change();
    const Bytes out = saveAsNew("out" + std::to_string(++saves_) + ".mp3");
    const Bytes written = tagOf(out);
    EXPECT_EQ(slice(out, written.size(), out.size() - written.size()), framesOnly()) << "the audio follows the tag";
    return written;
  }

  TagField& field(int i) { return doc().tagFields.fields.at(size_t(i)); }

  // Adds a field as the editor does and gives it a text.
  TagField& addText(int row, const std::string& text) {
    const int32_t at = doc().tagFields.addIndexedField(row, doc().tagHeader.majorVersion);
    TagField& f = field(at);
    f.content = text;
    f.source = field_source::kAdded | field_source::kEdited;
    return f;
  }

  void edit(TagField& f, const std::string& text) {
    f.content = text;
    f.source = uint8_t((f.source & 0x07) | field_source::kEdited);
  }

  bool workFileLeft() const {
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
      if (e.path().filename().string().rfind("kavrel.tag.file", 0) == 0) return true;
    return false;
  }

  int saves_ = 0;
};

// --- byte-level helpers

TEST(TagWriterBytes, UnsyncInsertsAZeroAfterFalseSyncs) {
  EXPECT_EQ(unsync(Bytes{0xFF}), (Bytes{0xFF, 0x00})) << "a final 0xFF";
  EXPECT_EQ(unsync(Bytes{0xFF, 0x00}), (Bytes{0xFF, 0x00, 0x00}));
  EXPECT_EQ(unsync(Bytes{0xFF, 0xE3}), (Bytes{0xFF, 0x00, 0xE3}));
  EXPECT_EQ(unsync(Bytes{0xFF, 0xFF}), (Bytes{0xFF, 0x00, 0xFF, 0x00}));
  EXPECT_EQ(unsync(Bytes{0xFF, 0xDF, 'a'}), (Bytes{0xFF, 0xDF, 'a'})) << "below 0xE0 is no sync";
  EXPECT_EQ(unsync(Bytes{}), Bytes{});
}

TEST(TagWriterBytes, SizeEncodings) {
  EXPECT_EQ(encodeSyncsafe(0x0FFFFFFF), (std::array<uint8_t, 4>{0x7F, 0x7F, 0x7F, 0x7F}));
  EXPECT_EQ(encodeSyncsafe(257), (std::array<uint8_t, 4>{0, 0, 2, 1}));
  EXPECT_EQ(encodeFrameSize(257, 3), (std::array<uint8_t, 4>{0, 0, 1, 1}));
  EXPECT_EQ(encodeFrameSize(257, 4), (std::array<uint8_t, 4>{0, 0, 2, 1}));
  EXPECT_EQ(encodeFrameSize(257, 5), (std::array<uint8_t, 4>{0, 0, 2, 1}));
}

TEST(TagWriterBytes, OutputVersionAndWorkFileName) {
  TagHeaderState h;
  h.majorVersion = 4;
  h.revision = 1;
  EXPECT_EQ(outputVersion(h, 2).major, 4);
  EXPECT_EQ(outputVersion(h, 2).revision, 1);
  h.majorVersion = 6;
  EXPECT_EQ(outputVersion(h, 0x82).major, 2) << "the new-tag option, unsync bit aside";
  EXPECT_EQ(outputVersion(h, 0x82).revision, 0);
  EXPECT_EQ(outputVersion(h, 9).major, 3);
  EXPECT_EQ(tagWorkFilePath("/data"), "/data/kavrel.tag.file." + std::to_string(::getpid()));
}

// --- whole tags through a save

TEST_F(TagWriteTest, Unchanged23TagIsWrittenAgainByteForByteWithItsPadding) {
  const Bytes body = tagField(3, "TIT2", latin1("Title"), 0x40, 0x00) +
                     tagField(3, "COMM", Bytes{1, 'd', 'e', 'u', 0xFF, 0xFE, 'd', 0, 0, 0, 0xFF, 0xFE, 'x', 0}) +
                     tagField(3, "APIC", Bytes{0} + bytesOf("image/png") + Bytes{0, 3} + bytesOf("cover") +
                                             Bytes{0, 0x89, 'P', 'N', 'G', 0xFF, 0x00, 0xFF}) +
                     tagField(3, "PRIV", bytesOf("owner") + Bytes{0, 1, 2, 3}) +
                     tagField(3, "XKVR", bytesOf("abc")) + tagField(3, "TIT3", latin1(std::string(1024, 'x'))) +
                     zeros(100);
  const Bytes tag = tagBytes(3, 0, body);
  const Bytes out = roundTrip(tag);
  ASSERT_EQ(doc().tagHeader.paddingSize, 100);
  EXPECT_EQ(out, tag);
  EXPECT_TRUE(host.messages().empty()) << messagesText();
  EXPECT_FALSE(workFileLeft());
}

TEST_F(TagWriteTest, Version22To23RenamesFieldsAndConvertsThePictureFormat) {
  const Bytes tag = tagBytes(2, 0,
                             tagField(2, "TT2", latin1("Two")) +
                                 tagField(2, "PIC", Bytes{0} + bytesOf("JPG") + Bytes{3, 'd', 0, 0xFF, 0xD8, 0xFF}) +
                                 tagField(2, "PIC", Bytes{0} + bytesOf("PNG") + Bytes{0, 0, 0x89}) +
                                 tagField(2, "TP1", latin1("Me")) + zeros(10));
  const Bytes out = roundTrip(tag, [&] { doc().tagHeader.majorVersion = 3; });
  const Bytes expected =
      tagBytes(3, 0,
               tagField(3, "TIT2", latin1("Two")) +
                   tagField(3, "APIC", Bytes{0} + bytesOf("image/jpeg") + Bytes{0, 3, 'd', 0, 0xFF, 0xD8, 0xFF}) +
                   tagField(3, "APIC", Bytes{0} + bytesOf("image/png") + Bytes{0, 0, 0, 0x89}) +
                   tagField(3, "TPE1", latin1("Me")) + zeros(10));
  EXPECT_EQ(out, expected);
}

TEST_F(TagWriteTest, Version23To22DropsUnknownFieldsWithTheirMessage) {
  const Bytes tag =
      tagBytes(3, 0,
               tagField(3, "TIT2", latin1("T")) + tagField(3, "XKVR", bytesOf("abc")) +
                   tagField(3, "APIC", Bytes{0} + bytesOf("image/JPEG") + Bytes{0, 4} + bytesOf("b") + Bytes{0, 0xD8}) +
                   tagField(3, "APIC", Bytes{0} + bytesOf("-->") + Bytes{0, 0} + bytesOf("http://x")) +
                   tagField(3, "PRIV", bytesOf("o") + Bytes{0, 1}));
  const Bytes out = roundTrip(tag, [&] { doc().tagHeader.majorVersion = 2; });
  const Bytes expected = tagBytes(2, 0,
                                  tagField(2, "TT2", latin1("T")) +
                                      tagField(2, "PIC", Bytes{0} + bytesOf("JPG") + Bytes{4} + bytesOf("b") + Bytes{0, 0xD8}) +
                                      tagField(2, "PIC", Bytes{0} + bytesOf("-->") + Bytes{0} + bytesOf("http://x")));
  EXPECT_EQ(out, expected) << "PRIV has no 2.2 code and is left out";
  ASSERT_EQ(host.messages().size(), 1u) << messagesText();
  EXPECT_EQ(host.messages()[0].text,
            "Can't copy unknown fields when changing version from higher down to v2.2.\r\nField coded \"XKVR\" removed.");
  EXPECT_EQ(host.messages()[0].caption, "Warning");
}

TEST_F(TagWriteTest, Version22UnknownFieldCannotGoUp) {
  const Bytes tag = tagBytes(2, 0, tagField(2, "XYZ", bytesOf("q")) + tagField(2, "TT2", latin1("T")));
  const Bytes out = roundTrip(tag, [&] { doc().tagHeader.majorVersion = 4; });
  EXPECT_EQ(out, tagBytes(4, 0, tagField(4, "TIT2", latin1("T"))));
  ASSERT_EQ(host.messages().size(), 1u);
  EXPECT_EQ(host.messages()[0].text,
            "Can't copy unknown fields when changing version from v2.2 to higher.\r\nField coded \"XYZ\" removed.");
}

TEST_F(TagWriteTest, Version23To24KeepsFlagsAndWritesSyncsafeSizes) {
  const Bytes big(200, 'b');
  const Bytes tag = tagBytes(3, 0, tagField(3, "PRIV", big, 0x40, 0x20));
  const Bytes out = roundTrip(tag, [&] { doc().tagHeader.majorVersion = 4; });
  EXPECT_EQ(out, tagBytes(4, 0, tagField(4, "PRIV", big, 0x40, 0x20)));
}

TEST_F(TagWriteTest, FooterRepeatsTheHeaderAndReplacesThePadding) {
  const Bytes tag = tagBytes(4, 0x10, tagField(4, "TIT2", latin1("with footer")), true);
  const Bytes out = roundTrip(tag, [&] { doc().tagHeader.paddingSize = 64; });
  EXPECT_EQ(out, tag);
  ASSERT_EQ(out.size(), 10u + 22u + 10u);
  EXPECT_EQ(slice(out, 32, 3), bytesOf("3DI"));
  EXPECT_EQ(slice(out, 35, 7), slice(out, 3, 7)) << "version, flags and size repeat";

  // Without the footer the padding returns.
  const Bytes padded = roundTrip(tag, [&] {
    doc().tagHeader.footer = false;
    doc().tagHeader.paddingSize = 64;
  });
  EXPECT_EQ(padded, tagBytes(4, 0, tagField(4, "TIT2", latin1("with footer")) + zeros(64)));
}

TEST_F(TagWriteTest, Unsynchronisation24PerFieldWithItsFlag) {
  const Bytes data = {'o', 0, 0xFF, 0x00, 0xFF, 0xE3, 0xFF};
  const Bytes tag = tagBytes(4, 0, tagField(4, "PRIV", data) + zeros(4));
  const Bytes on = roundTrip(tag, [&] { doc().tagHeader.outputUnsynchronisation = true; });
  const Bytes stored = {'o', 0, 0xFF, 0x00, 0x00, 0xFF, 0x00, 0xE3, 0xFF, 0x00};
  EXPECT_EQ(on, tagBytes(4, 0x80, tagField(4, "PRIV", stored, 0x00, 0x02) + zeros(4)));

  // Loaded back and written without unsynchronisation: the original bytes.
  const Bytes off = roundTrip(on, [&] { doc().tagHeader.outputUnsynchronisation = false; });
  EXPECT_EQ(off, tag);
  // Unsynchronised in and out: the stored bytes stay.
  EXPECT_EQ(roundTrip(on), on);
}

TEST_F(TagWriteTest, Unsynchronisation23IsOneStreamWithSizesBeforeIt) {
  // 255 content bytes put 0xFF 0x00 into the field header itself.
  Bytes longText = latin1(std::string(254, 'a'));
  const Bytes data = {'o', 0, 0xFF, 0xE3, 0xFF};
  const Bytes tag = tagBytes(3, 0, tagField(3, "TIT2", longText) + tagField(3, "PRIV", data) + zeros(8));
  const Bytes on = roundTrip(tag, [&] { doc().tagHeader.outputUnsynchronisation = true; });
  const Bytes fields = tagField(3, "TIT2", longText) + tagField(3, "PRIV", data);
  EXPECT_EQ(on, tagBytes(3, 0x80, unsync(fields) + zeros(8)));

  // Our reader finds the fields again, and writing them plain restores the tag.
  const Bytes off = roundTrip(on, [&] {
    ASSERT_EQ(doc().tagFields.count(), 2);
    EXPECT_EQ(field(0).content, std::string(254, 'a'));
    doc().tagHeader.outputUnsynchronisation = false;
  });
  EXPECT_EQ(off, tag);
  EXPECT_EQ(roundTrip(on), on);
}

TEST_F(TagWriteTest, Unsynchronised22TextField) {
  const Bytes tag = tagBytes(2, 0, tagField(2, "TT2", latin1("a\xFF")));
  const Bytes on = roundTrip(tag, [&] {
    doc().tagHeader.outputUnsynchronisation = true;
    edit(field(0), "b\xFF\xE9");
  });
  EXPECT_EQ(on, tagBytes(2, 0x80, unsync(tagField(2, "TT2", latin1("b\xFF\xE9")))));
}

TEST_F(TagWriteTest, ExtendedHeaderFromAFile) {
  const std::string six = dir.file("ext6.bin");
  const std::string five = dir.file("ext5.bin");
  writeFile(six, Bytes{0, 0, 0, 0, 0, 0});
  writeFile(five, Bytes{0, 0, 0, 0, 0});
  const Bytes tag = tagBytes(3, 0, tagField(3, "TIT2", latin1("t")));
  auto addExtended = [&](const std::string& path) {
    const int32_t at = doc().tagFields.addIndexedField(kExtendedHeaderRow, doc().tagHeader.majorVersion);
    field(at).source = field_source::kAdded | field_source::kFromFile;
    field(at).sourcePath = path;
  };
  // Size 6: the bytes after the size field, as 2.3 readers count them.
  EXPECT_EQ(roundTrip(tag, [&] { addExtended(six); }),
            tagBytes(3, 0x40, Bytes{0, 0, 0, 6, 0, 0, 0, 0, 0, 0} + tagField(3, "TIT2", latin1("t"))));
  EXPECT_TRUE(host.messages().empty());

  EXPECT_EQ(roundTrip(tag, [&] { addExtended(five); }), tag);
  ASSERT_EQ(host.messages().size(), 1u);
  EXPECT_EQ(host.messages()[0].text,
            "Extended header file must have at least 6 bytes in ID3v2.3:\r\next5.bin\r\nNot saving the field.");
  EXPECT_EQ(host.messages()[0].caption, "writing id3v2");
  EXPECT_EQ(host.messages()[0].icon, MessageIcon::Exclamation);

  // 2.4 counts the whole extended header; a 2.2 tag has none.
  const Bytes tag24 = tagBytes(4, 0, tagField(4, "TIT2", latin1("t")));
  EXPECT_EQ(roundTrip(tag24, [&] { addExtended(five); }),
            tagBytes(4, 0x40, Bytes{0, 0, 0, 9, 0, 0, 0, 0, 0} + tagField(4, "TIT2", latin1("t"))));
  const Bytes tag22 = tagBytes(2, 0, tagField(2, "TT2", latin1("t")));
  EXPECT_EQ(roundTrip(tag22, [&] { addExtended(six); }), tag22);
}

TEST_F(TagWriteTest, ExtendedHeaderCopiedFromTheTag) {
  const Bytes standard = tagBytes(3, 0x40, Bytes{0, 0, 0, 6, 0, 0, 0, 0, 0, 0} + tagField(3, "TIT2", latin1("t")));
  EXPECT_EQ(roundTrip(standard), standard);
  // The size 0 form of a 10-byte header is written in the form other readers count.
  const Bytes zeroForm = tagBytes(3, 0x40, Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0, 0} + tagField(3, "TIT2", latin1("t")));
  EXPECT_EQ(roundTrip(zeroForm), standard);
  // Removing it clears the flag.
  EXPECT_EQ(roundTrip(standard, [&] { field(0).source = field_source::kRemoved; }),
            tagBytes(3, 0, tagField(3, "TIT2", latin1("t"))));
}

TEST_F(TagWriteTest, EditedUnicodeCommentIsWrittenAsIsoText) {
  const Bytes utf16 = {1, 'd', 'e', 'u', 0xFE, 0xFF, 0, 'd', 0, 0, 0xFE, 0xFF, 0, 'A', 0, 'B'};
  const Bytes tag = tagBytes(3, 0, tagField(3, "COMM", utf16) + tagField(3, "TIT2", Bytes{1, 0xFE, 0xFF, 0, 'x'}));
  const Bytes out = roundTrip(tag, [&] {
    ASSERT_EQ(field(0).content, "AB");
    ASSERT_EQ(field(0).description, "d");
    edit(field(0), "Neu");
  });
  EXPECT_EQ(out, tagBytes(3, 0,
                          tagField(3, "COMM", Bytes{0, 'd', 'e', 'u', 'd', 0, 'N', 'e', 'u'}) +
                              tagField(3, "TIT2", Bytes{1, 0xFE, 0xFF, 0, 'x'})))
      << "the unchanged UTF-16 title keeps its bytes";
}

TEST_F(TagWriteTest, TextOutsideLatin1IsWrittenInTheUnicodeFormOfTheVersionWritten) {
  // 0x80 is the euro sign (U+20AC) in the program's 8-bit text: UTF-16 with
  // a byte-order mark before 2.4, UTF-8 from 2.4, decided by the version
  // written. Latin-1 text keeps encoding 0; a URL stays single-byte.
  const Bytes title16 = {0xFF, 0xFE, '5', 0, ' ', 0, 0xAC, 0x20}, euro16 = {0xFF, 0xFE, 0xAC, 0x20},
              a16 = {0xFF, 0xFE, 'a', 0};
  const Bytes title8 = {'5', ' ', 0xE2, 0x82, 0xAC}, euro8 = {0xE2, 0x82, 0xAC}, a8 = {'a'};
  for (const auto& [loaded, written] : {std::pair{2, 2}, {3, 3}, {4, 4}, {4, 3}}) {
    SCOPED_TRACE(std::to_string(loaded) + " written as " + std::to_string(written));
    const auto code = [&](const char* c22, const char* c) { return written == 2 ? c22 : c; };
    const bool utf8 = written == 4;
    const uint8_t e = utf8 ? 3 : 1;
    const Bytes end = utf8 ? Bytes{0} : Bytes{0, 0};
    const Bytes title = tagField(written, code("TT2", "TIT2"), latin1("t"));
    const Bytes out =
        roundTrip(tagBytes(loaded, 0, tagField(loaded, loaded == 2 ? "TT2" : "TIT2", latin1("t"))), [&] {
          addText(44, "5 \x80");
          addText(kCommentRow, "a").description = "\x80";
          addText(kUrlRow, "u\x80").description = "\x80";
          addText(58, "Caf\xE9");
          doc().tagHeader.majorVersion = uint8_t(written);
        });
    EXPECT_EQ(
        out,
        tagBytes(written, 0,
                 title + tagField(written, code("TT2", "TIT2"), Bytes{e} + (utf8 ? title8 : title16)) +
                     tagField(written, code("COM", "COMM"),
                              Bytes{e, 'e', 'n', 'g'} + (utf8 ? euro8 : euro16) + end + (utf8 ? a8 : a16)) +
                     tagField(written, code("WXX", "WXXX"),
                              Bytes{e} + (utf8 ? euro8 : euro16) + end + Bytes{'u', 0x80}) +
                     tagField(written, code("TP1", "TPE1"), latin1("Caf\xE9"))));
  }

  // Unchanged 2.4 fields in UTF-8 or UTF-16 without a mark, written as 2.3:
  // their text becomes UTF-16 with marks; the rest of the field stays.
  const Bytes tag = tagBytes(4, 0,
                             tagField(4, "TIT2", Bytes{3, 'C', 0xC3, 0xA9, 0}) +
                                 tagField(4, "COMM", Bytes{2, 'd', 'e', 'u', 0x20, 0xAC, 0, 0, 0, 'a'}) +
                                 tagField(4, "WXXX", Bytes{3} + euro8 + Bytes{0, 'u'}) +
                                 tagField(4, "APIC",
                                          Bytes{3} + bytesOf(std::string("image/png\0", 10)) + Bytes{3} +
                                              euro8 + Bytes{0, 0xFF, 0}));
  EXPECT_EQ(roundTrip(tag, [&] { doc().tagHeader.majorVersion = 3; }),
            tagBytes(3, 0,
                     tagField(3, "TIT2", Bytes{1, 0xFF, 0xFE, 'C', 0, 0xE9, 0, 0, 0}) +
                         tagField(3, "COMM", Bytes{1, 'd', 'e', 'u'} + euro16 + Bytes{0, 0} + a16) +
                         tagField(3, "WXXX", Bytes{1} + euro16 + Bytes{0, 0, 'u'}) +
                         tagField(3, "APIC",
                                  Bytes{1} + bytesOf(std::string("image/png\0", 10)) + Bytes{3} + euro16 +
                                      Bytes{0, 0, 0xFF, 0})));
}

TEST_F(TagWriteTest, TooLargeTextIsCopiedUnchanged) {
  const Bytes big = latin1(std::string(1024, 'z'));
  const Bytes tag = tagBytes(4, 0, tagField(4, "TIT3", big));
  const Bytes out = roundTrip(tag, [&] { ASSERT_TRUE(field(0).status & field_status::kTooLarge); });
  EXPECT_EQ(out, tag);
}

TEST_F(TagWriteTest, AddedTextFieldsAndTheGenreRule) {
  const Bytes tag = tagBytes(3, 0, tagField(3, "TIT2", latin1("t")));
  const Bytes out = roundTrip(tag, [&] {
    addText(kGenreRow, "Pop cr rx");
    addText(kGenreRow, "Rock RX CR");
    addText(kGenreRow, "Jazz CR");
    addText(kGenreRow, "CR");
    addText(44, "Rock CR");  // only the genre is split
    TagField& c = addText(kCommentRow, "text\0\0");
    c.content = std::string("text\0\0", 6);
    c.description = "desc";
    c.language = "ge";  // not three letters: "eng"
  });
  const Bytes expected =
      tagBytes(3, 0,
               tagField(3, "TIT2", latin1("t")) + tagField(3, "TCON", Bytes{0, 'P', 'o', 'p', 0, 'c', 'r', 0, 'r', 'x'}) +
                   tagField(3, "TCON", Bytes{0, 'R', 'o', 'c', 'k', 0, 'R', 'X', 0, 'C', 'R'}) +
                   tagField(3, "TCON", Bytes{0, 'J', 'a', 'z', 'z', 0, 'C', 'R'}) + tagField(3, "TCON", latin1("CR")) +
                   tagField(3, "TIT2", latin1("Rock CR")) +
                   tagField(3, "COMM", Bytes{0, 'e', 'n', 'g', 'd', 'e', 's', 'c', 0, 't', 'e', 'x', 't'}));
  EXPECT_EQ(out, expected);
}

TEST_F(TagWriteTest, EmptyFieldOption) {
  const Bytes tag = tagBytes(3, 0,
                             tagField(3, "TIT2", Bytes{0}) + tagField(3, "COMM", Bytes{0, 'e', 'n', 'g'}) +
                                 tagField(3, "COMM", Bytes{0, 'e', 'n', 'g', 0}) +
                                 tagField(3, "COMM", Bytes{0, 'd', 'e', 'u', 0}) + tagField(3, "TPE1", latin1("A")) +
                                 tagField(3, "PRIV", Bytes{'a', 0}) + tagField(3, "TALB", Bytes{}));
  const Bytes on = roundTrip(tag, [&] {
    editor.options().dontWriteEmptyTagFields = true;
    addText(44, "");
  });
  EXPECT_EQ(on, tagBytes(3, 0,
                         tagField(3, "COMM", Bytes{0, 'd', 'e', 'u', 0}) + tagField(3, "TPE1", latin1("A")) +
                             tagField(3, "PRIV", Bytes{'a', 0})))
      << "a German comment and private data are kept";

  // Off: everything is written, the empty new title as its encoding byte.
  const Bytes off = roundTrip(tag, [&] {
    editor.options().dontWriteEmptyTagFields = false;
    addText(44, "");
  });
  EXPECT_EQ(off, tagBytes(3, 0, bodyOf(tag) + tagField(3, "TIT2", Bytes{0})));
}

TEST_F(TagWriteTest, TagWhoseOnlyFieldIsEmptyIsNotWritten) {
  load(framesOnly());
  editor.options().dontWriteEmptyTagFields = true;
  createTagIfNone(doc().tagFields, doc().tagHeader, {0x03, 6});
  addText(44, "");
  EXPECT_EQ(saveAsNew(), framesOnly());

  // A removed field alone gives no tag either, even with padding.
  editor.options().dontWriteEmptyTagFields = false;
  doc().tagFields.fields[0].content = "gone";
  doc().tagFields.fields[0].source = field_source::kRemoved;
  EXPECT_EQ(saveAsNew("removed.mp3"), framesOnly());
}

TEST_F(TagWriteTest, NewTagTakesTheOptionsVersion) {
  load(framesOnly());
  editor.options().newTagFormat = 0x84;
  createTagIfNone(doc().tagFields, doc().tagHeader, {0x84, 1});
  addText(58, "\xFF");
  const Bytes out = tagOf(saveAsNew());
  EXPECT_EQ(out, tagBytes(4, 0x80, tagField(4, "TPE1", Bytes{0, 0xFF, 0x00}, 0, 0x02) + zeros(2)));
}

TEST_F(TagWriteTest, ErroneousFieldsGoWithTheBoxChecked) {
  const Bytes tag = tagBytes(3, 0, tagField(3, "TIT2", Bytes{7, 'x'}) + tagField(3, "COMM", Bytes{0, 'e'}) +
                                       tagField(3, "TPE1", latin1("ok")));
  EXPECT_EQ(roundTrip(tag), tag);
  editor.removeErroneousTagFields = true;
  EXPECT_EQ(roundTrip(tag), tagBytes(3, 0, tagField(3, "TPE1", latin1("ok"))));
}

TEST_F(TagWriteTest, PicturesAndDataFromFiles) {
  const Bytes jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 1, 2};
  writeFile(dir.file("cover.JPEG"), jpeg);
  writeFile(dir.file("scan.tif"), jpeg);
  writeFile(dir.file("noext"), jpeg);
  writeFile(dir.file("buffer.bin"), Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  writeFile(dir.file("object.bin"), Bytes{'o', 'b'});
  auto addFromFile = [&](int row, const std::string& name) -> TagField& {
    const int32_t at = doc().tagFields.addIndexedField(row, doc().tagHeader.majorVersion);
    field(at).source = field_source::kAdded | field_source::kFromFile;
    field(at).sourcePath = dir.file(name);
    return field(at);
  };
  auto addAll = [&] {
    TagField& p = addFromFile(kPictureRow, "cover.JPEG");
    p.layout = 3;
    p.description = "front";
    addFromFile(kPictureRow, "scan.tif");
    addFromFile(kPictureRow, "noext");
    addFromFile(19, "buffer.bin");  // RBUF takes 8 bytes
    TagField& c = addFromFile(kCommentRow, "object.bin");
    c.encoding = 1;
    c.language = "fra";
    c.description = "\xE9";
    addFromFile(26, "missing.txt");
  };
  const Bytes tag = tagBytes(3, 0, tagField(3, "TIT2", latin1("t")));
  const Bytes out = roundTrip(tag, addAll);
  EXPECT_EQ(out, tagBytes(3, 0,
                          tagField(3, "TIT2", latin1("t")) +
                              tagField(3, "APIC", Bytes{0} + bytesOf("image/jpeg") + Bytes{0, 3} + bytesOf("front") +
                                                      Bytes{0} + jpeg) +
                              tagField(3, "RBUF", Bytes{1, 2, 3, 4, 5, 6, 7, 8}) +
                              tagField(3, "COMM", Bytes{1, 'f', 'r', 'a', 0xFF, 0xFE, 0xE9, 0, 0, 0, 'o', 'b'})));
  std::vector<std::string> texts;
  for (const auto& m : host.messages()) {
    EXPECT_EQ(m.caption, "writing id3v2");
    texts.push_back(m.text);
  }
  EXPECT_EQ(texts, (std::vector<std::string>{
                       "Unknown attached image type:\r\nscan.tif\r\nNot saving the field.",
                       "Invalid image file extension:\r\nnoext\r\nNot saving the field.",
                       "Referenced external file doesn't exist:\r\nmissing.txt\r\nNot saving the field.",
                   }));

  // In a 2.2 tag the picture gets its three-letter format.
  const Bytes tag22 = tagBytes(2, 0, tagField(2, "TT2", latin1("t")));
  const Bytes out22 = roundTrip(tag22, [&] {
    TagField& p = addFromFile(kPictureRow, "cover.JPEG");
    p.layout = 0;
  });
  EXPECT_EQ(out22, tagBytes(2, 0, tagField(2, "TT2", latin1("t")) + tagField(2, "PIC", Bytes{0, 'J', 'P', 'G', 0, 0} + jpeg)));
}

TEST_F(TagWriteTest, SilentScriptRunsShowNoWarnings) {
  writeFile(dir.file("scan.tif"), Bytes{1});
  const Bytes tag = tagBytes(3, 0, tagField(3, "TIT2", latin1("t")) + tagField(3, "XKVR", bytesOf("x")));
  load(mp3With(tag));
  doc().tagHeader.majorVersion = 2;
  const int32_t at = doc().tagFields.addIndexedField(kPictureRow, 2);
  field(at).source = field_source::kAdded | field_source::kFromFile;
  field(at).sourcePath = dir.file("scan.tif");
  editor.scriptRunning = true;
  editor.silentMode = true;
  ASSERT_TRUE(editor.saveAs(Sender::ScriptMarker, dir.file("silent.mp3")));
  EXPECT_TRUE(host.messages().empty()) << messagesText();
  EXPECT_EQ(editor.operationStatus, kStatusOk);
  EXPECT_EQ(tagOf(readFile(dir.file("silent.mp3"))), tagBytes(2, 0, tagField(2, "TT2", latin1("t"))));
}

TEST_F(TagWriteTest, FailedWorkFileSavesWithoutTheTag) {
  const Bytes tag = tagBytes(3, 0, tagField(3, "TIT2", latin1("t")));
  load(mp3With(tag));
  editor.dataFolder = dir.file("no such folder");
  EXPECT_EQ(saveAsNew(), framesOnly());
  EXPECT_EQ(editor.operationStatus, kStatusTagNotWritten);
  ASSERT_EQ(host.messages().size(), 1u);
  EXPECT_EQ(host.messages()[0].text, msg::kTagNotWritten);
}

TEST_F(TagWriteTest, AnotherCopysWorkFileIsNeitherUsedNorTouched) {
  // Another running copy is building its tag in the same data folder.
  const Bytes theirs = bytesOf("another copy's tag body");
  const std::string other = dir.file("kavrel.tag.file.1");
  const std::string shared = dir.file("kavrel.tag.file");
  writeFile(other, theirs);
  writeFile(shared, theirs);
  const Bytes tag = tagBytes(3, 0, tagField(3, "TIT2", latin1("mine")));
  load(mp3With(tag));
  EXPECT_EQ(tagOf(saveAsNew()), tag);
  EXPECT_EQ(readFile(other), theirs);
  EXPECT_EQ(readFile(shared), theirs);
}

TEST_F(TagWriteTest, EscAtTheFieldCheckpointStopsTheSave) {
  Bytes body;
  for (int i = 0; i < 200; ++i) body = body + tagField(3, "TXXX", latin1(std::to_string(i)));
  load(mp3With(tagBytes(3, 0, body)));
  ASSERT_EQ(doc().tagFields.count(), 200);
  host.escapeAfterProgress(0);
  EXPECT_FALSE(editor.saveAs(Sender::User, dir.file("stopped.mp3")));
  EXPECT_FALSE(exists(dir.file("stopped.mp3")));
  EXPECT_FALSE(workFileLeft());
  EXPECT_EQ(host.processEventsCalls(), 1) << "after the 128th field";

  // Fewer fields: no checkpoint in the tag.
  body = tagField(3, "TIT2", latin1("t"));
  load(mp3With(tagBytes(3, 0, body)), "short.mp3");
  host.escapeAfterProgress(0);
  EXPECT_EQ(tagOf(saveAsNew("short-out.mp3")), tagBytes(3, 0, body));
}

// --- single field writers on a memory body

struct MemoryBody : TagBodyOutput {
  Bytes bytes;
  bool append(const uint8_t* data, size_t n) override {
    bytes.insert(bytes.end(), data, data + n);
    return true;
  }
};

struct RecordedEvents : TagWriterEvents {
  std::vector<std::string> leftOut;
  std::vector<std::string> notices;
  void fieldLeftOut(const std::string& message, const std::string& path) override {
    leftOut.push_back(message + "|" + path);
  }
  void notice(const std::string& text) override { notices.push_back(text); }
  Checkpoint checkpoint() override { return Checkpoint::Continue; }
};

TEST(TagFieldWriter, FieldsWhoseSourceIsGoneOrBroken) {
  TempDir dir;
  TagHeaderState h;
  h.majorVersion = 3;
  h.inputVersion = 3;
  TagWriterSettings settings;
  RecordedEvents events;
  MemoryBody body;
  TagFieldWriter w(h, settings, events, body);

  TagField copied;
  copied.tableRow = 44;
  copied.kind = FieldKind::Text;
  copied.totalSize = 20;
  copied.sourcePath = dir.file("gone.mp3");
  EXPECT_EQ(w.copyField(copied), FieldWriteResult::Warned);
  writeFile(dir.file("short.mp3"), Bytes{1, 2, 3});
  copied.sourcePath = dir.file("short.mp3");
  EXPECT_EQ(w.copyField(copied), FieldWriteResult::Warned) << "the file ends inside the field";

  TagField ext;
  ext.tableRow = kExtendedHeaderRow;
  ext.sourcePath = dir.file("gone.bin");
  EXPECT_EQ(w.writeExtendedHeaderFromFile(ext), FieldWriteResult::Warned);
  ext.sourcePath = dir.file("empty.bin");
  writeFile(ext.sourcePath, Bytes{});
  EXPECT_EQ(w.writeExtendedHeaderFromFile(ext), FieldWriteResult::LeftOut);

  TagField noPath;
  noPath.tableRow = 15;
  noPath.kind = FieldKind::Mixed;
  EXPECT_EQ(w.writeFieldFromFile(noPath), FieldWriteResult::Warned);

  EXPECT_EQ(events.leftOut, (std::vector<std::string>{
                                std::string(msg::kSourceFileMoved) + "|" + dir.file("gone.mp3"),
                                std::string(msg::kErrorReadingSourceFile) + "|" + dir.file("short.mp3"),
                                std::string(msg::kExtendedHeaderFileMissing) + "|" + dir.file("gone.bin"),
                            }));
  EXPECT_TRUE(body.bytes.empty());
  EXPECT_EQ(w.fieldsWritten(), 0);
}

TEST(TagFieldWriter, LongTextsAreCut) {
  TagHeaderState h;
  h.majorVersion = 4;
  TagWriterSettings settings;
  RecordedEvents events;
  MemoryBody body;
  TagFieldWriter w(h, settings, events, body);
  TagField f;
  f.tableRow = 77;  // TXXX: encoding and description
  f.kind = FieldKind::Text;
  f.layout = 0x05;
  f.source = field_source::kAdded | field_source::kEdited;
  f.description = std::string(2000, 'd');
  f.content = std::string(kMaxWrittenTextLength + 10, 'c');
  ASSERT_EQ(w.writeTextField(f), FieldWriteResult::Done);
  const size_t size = 1 + 1024 + 1 + kMaxWrittenTextLength;
  ASSERT_EQ(body.bytes.size(), 10 + size);
  EXPECT_EQ(syncsafeAt(body.bytes, 4), size);
  EXPECT_EQ(body.bytes[10 + 1 + 1024], 0);
  EXPECT_EQ(w.fieldsWritten(), 1);

  f.kind = FieldKind::Mixed;
  EXPECT_EQ(w.writeTextField(f), FieldWriteResult::Done);
  EXPECT_EQ(w.fieldsWritten(), 1) << "only text fields are written from their text";
}

}  // namespace
}  // namespace kavrel::test
