// Reading a tag's fields: geometry per version, stop conditions, text and
// picture decoding, padding, errors; and the load that runs it.

#include "tags/id3v2/reader.h"

#include <gtest/gtest.h>

#include <sstream>

#include "app/editor.h"
#include "cli/cli.h"
#include "document/messages.h"
#include "support/mp3_builder.h"
#include "support/recording_host.h"
#include "support/test_files.h"
#include "tags/id3v2/messages.h"
#include "tags/id3v2/tag_bytes.h"

namespace kavrel::test {
namespace {

struct ReadTag {
  TagHeaderState header;
  TagFieldList list;
};

ReadTag readTag(const std::vector<uint8_t>& bytes) {
  ReadTag r;
  EXPECT_TRUE(parseTagHeader(bytes.data(), bytes.size(), 0, r.header));
  const MemoryTagInput input(bytes.data(), bytes.size());
  readId3v2Tag(input, "/music/song.mp3", r.header, r.list);
  return r;
}

std::vector<uint8_t> comm(uint8_t encoding, const std::string& lang, const std::vector<uint8_t>& rest) {
  return std::vector<uint8_t>{encoding} + bytesOf(lang) + rest;
}

TEST(Id3v2Reader, ReadsEveryKindOfA23TagInOrder) {
  const auto body =
      tagField(3, "TIT2", latin1("Song")) +
      tagField(3, "COMM", comm(0, "deu", bytesOf(std::string("desc\0text", 9)))) +
      tagField(3, "APIC",
               std::vector<uint8_t>{0} + bytesOf(std::string("image/png\0", 10)) + std::vector<uint8_t>{3} +
                   bytesOf(std::string("cover\0", 6)) + std::vector<uint8_t>{0x89, 'P', 'N', 'G'}) +
      tagField(3, "PRIV", bytesOf("owner")) + tagField(3, "MCDI", bytesOf("toc")) +
      tagField(3, "XYZW", bytesOf("??"), 0, 0x40);
  const auto r = readTag(tagBytes(3, 0, body));
  EXPECT_FALSE(r.header.tagError);
  EXPECT_EQ(r.header.paddingSize, 0);
  ASSERT_EQ(r.list.count(), 6);
  const auto& f = r.list.fields;

  EXPECT_EQ(f[0].tableRow, 44);
  EXPECT_EQ(f[0].kind, FieldKind::Text);
  EXPECT_EQ(f[0].content, "Song");
  EXPECT_EQ(f[0].originalContent, "Song");
  EXPECT_EQ(f[0].headerPosition, 10);
  EXPECT_EQ(f[0].totalSize, 15);
  EXPECT_EQ(f[0].sourcePath, "/music/song.mp3");
  EXPECT_EQ(f[0].info,
            "code: TIT2\r\noriginal header position: 10\r\noriginal content size: 5\r\nflags: 0,0");

  EXPECT_EQ(f[1].language, "deu");
  EXPECT_EQ(f[1].originalLanguage, "deu");
  EXPECT_EQ(f[1].description, "desc");
  EXPECT_EQ(f[1].originalDescription, "desc");
  EXPECT_EQ(f[1].content, "text");
  EXPECT_EQ(f[1].headerPosition, 25);

  EXPECT_EQ(f[2].kind, FieldKind::Picture);
  EXPECT_EQ(f[2].content, "image/png");
  EXPECT_EQ(f[2].layout, 3) << "the picture type";
  EXPECT_EQ(f[2].description, "cover");
  EXPECT_EQ(f[3].kind, FieldKind::Mixed);
  EXPECT_EQ(f[4].kind, FieldKind::Binary);

  EXPECT_EQ(f[5].kind, FieldKind::Unknown);
  EXPECT_EQ(f[5].status, field_status::kUnknownCode);
  EXPECT_EQ(f[5].originalContent, "XYZW");
  EXPECT_EQ(f[5].frameFlags, 0x4000);
  EXPECT_NE(f[5].info.find("\r\nflags: 0,64 (00h,40h)"), std::string::npos) << f[5].info;

  EXPECT_EQ(r.list.textIndex, (std::vector<int32_t>{0, 1}));
  EXPECT_EQ(r.list.pictureIndex, std::vector<int32_t>{2});
  EXPECT_EQ(r.list.mixedIndex, std::vector<int32_t>{3});
  EXPECT_EQ(r.list.binaryIndex, std::vector<int32_t>{4});
}

TEST(Id3v2Reader, VersionGeometry) {
  // 2.2: 3-character codes, 3-byte sizes, no flags line, 3-letter image format.
  const auto v22 = readTag(tagBytes(
      2, 0,
      tagField(2, "TT2", latin1("Two")) + tagField(2, "COM", comm(0, "eng", bytesOf(std::string("\0c", 2)))) +
          tagField(2, "PIC",
                   std::vector<uint8_t>{0} + bytesOf("JPG") + std::vector<uint8_t>{4} +
                       bytesOf(std::string("b\0", 2)))));
  ASSERT_EQ(v22.list.count(), 3);
  EXPECT_EQ(v22.list.fields[0].tableRow, 44);
  EXPECT_EQ(v22.list.fields[0].totalSize, 10);
  EXPECT_EQ(v22.list.fields[0].info, "code: TT2\r\noriginal header position: 10\r\noriginal content size: 4");
  EXPECT_EQ(v22.list.fields[1].content, "c");
  EXPECT_EQ(v22.list.fields[2].content, "JPG");
  EXPECT_EQ(v22.list.fields[2].layout, 4);
  EXPECT_EQ(v22.list.fields[2].description, "b");

  // 2.4: syncsafe sizes (200 = 01 48), 2.4-only codes.
  const auto v24 = readTag(
      tagBytes(4, 0, tagField(4, "TDRC", latin1(std::string(199, '9'))) + tagField(4, "EQU2", bytesOf("e"))));
  ASSERT_EQ(v24.list.count(), 2);
  EXPECT_EQ(v24.list.fields[0].content.size(), 199u);
  EXPECT_EQ(v24.list.fields[1].tableRow, 7);

  // Major version 6: sizes syncsafe, every code unknown.
  const auto v6 = readTag(
      tagBytes(6, 0, tagField(6, "TIT2", latin1(std::string(150, 'x'))) + tagField(6, "TPE1", latin1("a"))));
  EXPECT_FALSE(v6.header.tagError);
  ASSERT_EQ(v6.list.count(), 2);
  EXPECT_EQ(v6.list.fields[0].kind, FieldKind::Unknown);
  EXPECT_EQ(v6.list.fields[1].originalContent, "TPE1");
  EXPECT_TRUE(v6.list.textIndex.empty());
}

TEST(Id3v2Reader, A4CharacterCodeInA22TagIsReadAs3Characters) {
  // "TIT" + size bytes '2', 0, 0 = 0x320000: far past the tag end, so the loop ends there.
  const auto r = readTag(tagBytes(2, 0, tagField(3, "TIT2", latin1("x"))));
  EXPECT_FALSE(r.header.tagError);
  ASSERT_EQ(r.list.count(), 1);
  EXPECT_EQ(r.list.fields[0].originalContent, "TIT");
  EXPECT_EQ(r.list.fields[0].kind, FieldKind::Unknown);
  EXPECT_EQ(r.list.fields[0].totalSize, 6 + 0x320000);
}

TEST(Id3v2Reader, PaddingAndStopConditions) {
  // Padding counts leading zeros only; "MP3e" and a footer end the fields
  // without a padding scan.
  const auto a3 = tagField(3, "TIT2", latin1("a"));
  const auto a4 = tagField(4, "TIT2", latin1("a"));
  struct Case {
    const char* what;
    std::vector<uint8_t> tag;
    int64_t padding;
  };
  const Case cases[] = {
      {"100 zeros", tagBytes(4, 0, a4 + std::vector<uint8_t>(100, 0)), 100},
      {"no padding", tagBytes(3, 0, a3), 0},
      {"zeros, then data", tagBytes(3, 0, a3 + std::vector<uint8_t>{0, 0, 0, 7, 0}), 3},
      {"MP3e", tagBytes(3, 0, a3 + bytesOf("MP3e") + std::vector<uint8_t>(20, 0)), 0},
      {"footer", tagBytes(4, 0x10, a4, true), 0},
  };
  for (const Case& c : cases) {
    const auto r = readTag(c.tag);
    EXPECT_EQ(r.header.paddingSize, c.padding) << c.what;
    EXPECT_FALSE(r.header.tagError) << c.what;
    EXPECT_EQ(r.list.count(), 1) << c.what;
  }
  EXPECT_TRUE(readTag(cases[4].tag).header.footer);

  // Lower-case and digit characters are fine; a control character is not.
  auto bad = tagField(3, "TIT2", latin1("a"));
  bad[1] = 0x01;
  const auto r = readTag(tagBytes(3, 0,
                                  tagField(3, "xyz9", bytesOf("q")) + tagField(3, "TPE1", latin1("b")) + bad +
                                      tagField(3, "TALB", latin1("c"))));
  EXPECT_TRUE(r.header.tagError);
  ASSERT_EQ(r.list.count(), 2) << "fields before the error stay";
  EXPECT_EQ(r.list.fields[0].originalContent, "xyz9");
  EXPECT_EQ(r.list.fields[1].content, "b");
}

TEST(Id3v2Reader, PlainSizesIn24Tags) {
  // Plain big-endian sizes (tagField's 2.3 form) in a 2.4 tag: 300 reads as
  // 172 when taken as syncsafe, which ends inside the picture.
  const auto picture = [](int major, uint8_t fill) {
    return tagField(major, "APIC",
                    std::vector<uint8_t>{0} + bytesOf(std::string("image/png\0", 10)) +
                        std::vector<uint8_t>{3, 0} + std::vector<uint8_t>(300 - 13, fill));
  };
  const auto fields = [&](int major, uint8_t fill) {
    return tagField(major, "TIT2", latin1("t")) + picture(major, fill) +
           tagField(major, "TPE1", latin1("Artist"));
  };
  struct Case {
    const char* what;
    std::vector<uint8_t> body;
    int count;  // fields read; the picture's size and TPE1 are checked when 3
    bool error;
  };
  const Case cases[] = {
      {"plain sizes", fields(3, 0xAB) + std::vector<uint8_t>(20, 0), 3, false},
      {"plain sizes, zeros where the syncsafe size ends", fields(3, 0) + std::vector<uint8_t>(20, 0), 3,
       false},
      {"syncsafe sizes", fields(4, 0xAB), 3, false},
      // Neither reading explains the data after TPE1: stopped where the
      // syncsafe sizes went wrong, with the error flag.
      {"neither", fields(3, 0xAB) + std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 2, true},
  };
  for (const Case& c : cases) {
    const auto r = readTag(tagBytes(4, 0, c.body));
    EXPECT_EQ(r.header.tagError, c.error) << c.what;
    ASSERT_EQ(r.list.count(), c.count) << c.what;
    if (c.count == 3) {
      EXPECT_EQ(r.list.fields[1].totalSize, 310) << c.what;
      EXPECT_EQ(r.list.fields[2].content, "Artist") << c.what;
    }
  }
}

TEST(Id3v2Reader, FieldClaimingMoreThanTheTagIsKeptAndEndsTheLoop) {
  auto f = tagField(3, "TIT2", latin1("abc"));
  f[7] = 200;                                                        // size 200, the tag holds 4
  auto bytes = tagBytes(3, 0, f) + std::vector<uint8_t>(300, 0x55);  // audio-ish bytes after the tag
  const auto r = readTag(bytes);
  EXPECT_FALSE(r.header.tagError);
  ASSERT_EQ(r.list.count(), 1);
  EXPECT_EQ(r.list.fields[0].totalSize, 210);
}

TEST(Id3v2Reader, TruncatedInputSetsTheErrorFlag) {
  auto bytes = tagBytes(3, 0, tagField(3, "TIT2", latin1("hello")) + tagField(3, "TPE1", latin1("world")));
  bytes.resize(bytes.size() - 3);  // the file ends inside the second field
  ReadTag r;
  ASSERT_TRUE(parseTagHeader(bytes.data(), bytes.size(), 0, r.header));
  readId3v2Tag(MemoryTagInput(bytes.data(), bytes.size()), "", r.header, r.list);
  EXPECT_TRUE(r.header.tagError);
  EXPECT_EQ(r.list.count(), 1);

  TagHeaderState old;
  old.majorVersion = 1;
  TagFieldList list;
  readId3v2Tag(MemoryTagInput(bytes.data(), bytes.size()), "", old, list);
  EXPECT_TRUE(old.tagError) << "major versions below 2 are not read";
}

TEST(Id3v2Reader, CommentEdgeCases) {
  const auto body = tagField(3, "COMM", comm(0, "eng", {})) +
                    tagField(3, "COMM", comm(5, "eng", bytesOf(std::string("d\0t", 3)))) +
                    tagField(3, "COMM", std::vector<uint8_t>{0, 'e', 'n'}) +
                    tagField(3, "COMM", comm(0, std::string("\0\0\0", 3), bytesOf(std::string("\0x", 2))));
  const auto r = readTag(tagBytes(3, 0, body));
  ASSERT_EQ(r.list.count(), 4);
  const auto& f = r.list.fields;
  EXPECT_EQ(f[0].description, "");
  EXPECT_EQ(f[0].content, "");
  EXPECT_EQ(f[0].language, "eng");
  EXPECT_EQ(f[0].status, 0);

  EXPECT_EQ(f[1].encoding, 5);
  EXPECT_EQ(f[1].status, field_status::kBadEncoding);
  EXPECT_EQ(f[1].content, "");
  EXPECT_NE(f[1].info.find("\r\nneither ISO-8859-1 nor UNICODE, can't display!"), std::string::npos);
  EXPECT_TRUE(f[1].erroneous());

  EXPECT_EQ(f[2].status, field_status::kNoLanguage);
  EXPECT_NE(f[2].info.find("\r\nnote: missing language information"), std::string::npos);

  EXPECT_EQ(f[3].language, "") << "a language starting with a zero byte is empty";
  EXPECT_EQ(f[3].content, "x");
  EXPECT_EQ(r.list.textIndex.size(), 4u);
}

TEST(Id3v2Reader, UnicodeTextsAndTheSizeLimit) {
  const auto body =
      tagField(3, "TIT2", std::vector<uint8_t>{1, 0xFE, 0xFF, 0, 'A', 0, 'B'}) +
      tagField(3, "TALB", latin1(std::string(1024, 'x'))) +
      tagField(3, "TCON", latin1(std::string(1023, 'y'))) +
      tagField(3, "TXXX", std::vector<uint8_t>{1, 0xFF, 0xFE, 'k', 0, 0, 0, 0xFF, 0xFE, 'v', 0}) +
      tagField(3, "WXXX", bytesOf(std::string("\0desc\0http://x", 15))) +
      tagField(3, "WXXX", std::vector<uint8_t>{1, 0xFF, 0xFE, 'd', 0, 0, 0, 'h', 't'});
  const auto r = readTag(tagBytes(3, 0, body));
  ASSERT_EQ(r.list.count(), 6);
  const auto& f = r.list.fields;
  EXPECT_EQ(f[0].content, "AB");
  EXPECT_EQ(f[0].encoding, 1);
  EXPECT_NE(f[0].info.find("\r\nnote: UNICODE text"), std::string::npos);
  EXPECT_EQ(f[1].content, msg::kTooLargeToDisplay) << "1025 content bytes";
  EXPECT_EQ(f[1].status, field_status::kTooLarge);
  EXPECT_EQ(f[1].originalContent, msg::kTooLargeToDisplay);
  EXPECT_EQ(f[2].content, std::string(1023, 'y')) << "1024 content bytes are decoded";
  EXPECT_EQ(f[3].description, "k");
  EXPECT_EQ(f[3].content, "v");
  EXPECT_EQ(f[4].description, "desc");
  EXPECT_EQ(f[4].content, "http://x");
  EXPECT_EQ(f[5].description, "d");
  EXPECT_EQ(f[5].content, "ht") << "the URL is single-byte after a UTF-16 description";
}

TEST(Id3v2Reader, PictureDescriptionRules) {
  const std::vector<uint8_t> lead =
      std::vector<uint8_t>{0} + bytesOf(std::string("image/jpeg\0", 11)) + std::vector<uint8_t>{17};
  // No zero within the 1024 bytes after the type: empty description.
  const auto noZero = tagField(3, "APIC", lead + std::vector<uint8_t>(2000, 'd') + std::vector<uint8_t>{0});
  // The description may end exactly at the field end.
  const auto atEnd = tagField(3, "APIC", lead + bytesOf(std::string("end\0", 4)));
  // Without a zero inside the field, the description is empty.
  const auto cut = tagField(3, "APIC", lead + bytesOf("abc")) + tagField(3, "TIT2", latin1("t"));
  const auto r = readTag(tagBytes(3, 0, noZero + atEnd + cut));
  EXPECT_FALSE(r.header.tagError);
  ASSERT_EQ(r.list.count(), 4);
  EXPECT_EQ(r.list.fields[0].description, "");
  EXPECT_EQ(r.list.fields[0].layout, 17);
  EXPECT_EQ(r.list.fields[1].description, "end");
  EXPECT_EQ(r.list.fields[2].description, "");
  EXPECT_EQ(r.list.fields[3].content, "t");
  EXPECT_EQ(r.list.pictureIndex, (std::vector<int32_t>{0, 1, 2}));
}

TEST(Id3v2Reader, ForgedTagsStayBounded) {
  // A MIME type of 300 characters keeps its first 255; the rest of the field still reads.
  const auto pic = tagField(3, "APIC",
                            std::vector<uint8_t>{0} + bytesOf(std::string(300, 'm')) +
                                std::vector<uint8_t>{0, 3} + bytesOf(std::string("d\0", 2)));
  const auto r = readTag(tagBytes(3, 0, pic + tagField(3, "TIT2", latin1("t"))));
  ASSERT_EQ(r.list.count(), 2);
  EXPECT_EQ(r.list.fields[0].content, std::string(255, 'm'));
  EXPECT_EQ(r.list.fields[0].description, "d");
  EXPECT_FALSE(r.header.tagError);

  // More fields than any real tag holds: the list stops growing, with the error flag.
  std::vector<uint8_t> many;
  const auto one = tagField(2, "TT2", {});
  for (int i = 0; i <= kMaxTagFields; ++i) many.insert(many.end(), one.begin(), one.end());
  const auto m = readTag(tagBytes(2, 0, many));
  EXPECT_TRUE(m.header.tagError);
  EXPECT_EQ(m.list.count(), kMaxTagFields);
}

TEST(Id3v2Reader, ExtendedHeaders) {
  // Standard 2.3: size 6 (its own 4 bytes left out), flags, padding size.
  const std::vector<uint8_t> ext23 = {0, 0, 0, 6, 0, 0, 0, 0, 0, 0};
  const auto v23 = readTag(tagBytes(3, 0x40, ext23 + tagField(3, "TIT2", latin1("t"))));
  EXPECT_FALSE(v23.header.tagError);
  ASSERT_EQ(v23.list.count(), 2);
  EXPECT_EQ(v23.list.fields[0].tableRow, kExtendedHeaderRow);
  EXPECT_EQ(v23.list.fields[0].headerPosition, 10);
  EXPECT_EQ(v23.list.fields[0].totalSize, 10);
  EXPECT_EQ(v23.list.binaryIndex, std::vector<int32_t>{0});
  EXPECT_EQ(v23.list.fields[1].content, "t");

  // The form with size 0 for a 10-byte header reads the same.
  const auto zero = readTag(tagBytes(
      3, 0x40, std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0} + tagField(3, "TIT2", latin1("t"))));
  ASSERT_EQ(zero.list.count(), 2);
  EXPECT_EQ(zero.list.fields[1].content, "t");

  // 2.4: the syncsafe size counts the whole header.
  const std::vector<uint8_t> ext24 = {0, 0, 0, 6, 1, 0};
  const auto v24 = readTag(tagBytes(4, 0x40, ext24 + tagField(4, "TIT2", latin1("u"))));
  ASSERT_EQ(v24.list.count(), 2);
  EXPECT_EQ(v24.list.fields[0].totalSize, 6);
  EXPECT_EQ(v24.list.fields[1].content, "u");

  // Unsynchronised: FF 00 in the size is read as FF before decoding.
  const std::vector<uint8_t> extUnsync = {0, 0, 0, 0xFF, 0x00, 0, 0};
  auto bytes =
      tagBytes(3, 0xC0, extUnsync + std::vector<uint8_t>(0xFF + 4 - 6, 0) + tagField(3, "TIT2", latin1("s")));
  const auto un = readTag(bytes);
  ASSERT_GE(un.list.count(), 1);
  EXPECT_EQ(un.list.fields[0].totalSize, 0xFF + 4);
}

TEST(Id3v2Reader, UnsynchronisedTextShowsItsResynchronisedText) {
  // FF FE unsynchronised is FF 00 FE; the stored size counts the inserted zero.
  const std::vector<uint8_t> stored = {1, 0xFF, 0x00, 0xFE, 'O', 0, 'K', 0};
  const auto r = readTag(tagBytes(3, 0x80, tagField(3, "TIT2", stored)));
  EXPECT_TRUE(r.header.unsynchronisation);
  ASSERT_EQ(r.list.count(), 1);
  EXPECT_EQ(r.list.fields[0].content, "OK");
  EXPECT_EQ(r.list.fields[0].totalSize, 10 + 8) << "sizes stay as stored";
}

// Unsynchronisation as 2.3 tags of other programs have it: over the whole
// body, sizes counting the resynchronised bytes.
std::vector<uint8_t> unsyncAll(const std::vector<uint8_t>& in) {
  std::vector<uint8_t> out;
  for (size_t i = 0; i < in.size(); ++i) {
    out.push_back(in[i]);
    if (in[i] == 0xFF && (i + 1 == in.size() || in[i + 1] == 0 || in[i + 1] >= 0xE0)) out.push_back(0);
  }
  return out;
}

TEST(Id3v2Reader, WholeBodyUnsynchronised23TagOfOtherPrograms) {
  const auto body = tagField(3, "TIT2", std::vector<uint8_t>{1, 0xFF, 0xFE, 'H', 0, 'i', 0}) +
                    tagField(3, "TPE1", std::vector<uint8_t>{1, 0xFF, 0xFE, 0xFF, 0x00}) +
                    tagField(3, "TALB", latin1("al"));
  const auto r = readTag(tagBytes(3, 0x80, unsyncAll(body) + std::vector<uint8_t>(6, 0)));
  EXPECT_FALSE(r.header.tagError);
  ASSERT_EQ(r.list.count(), 3);
  EXPECT_EQ(r.list.fields[0].content, "Hi");
  EXPECT_EQ(r.list.fields[0].totalSize, 10 + 8) << "the stored bytes, one zero more than the size";
  EXPECT_EQ(r.list.fields[1].content, "\xFF");
  EXPECT_EQ(r.list.fields[1].totalSize, 10 + 7);
  EXPECT_EQ(r.list.fields[2].content, "al");
  EXPECT_EQ(r.header.paddingSize, 6);

  // A code of other characters after a field that grew in its content or in
  // its header (flags ending in FF before a zero), as this program copies
  // such fields: the usual reading still reaches it.
  for (const auto& first : {tagField(3, "TXXX", {1, 0xFF, 0xFE, 'A', 0, 'B', 0xC3}),
                            tagField(3, "TXXX", {0, 'k', 0, 'v'}, 0, 0xFF)}) {
    const auto odd = readTag(tagBytes(3, 0x80, unsyncAll(first + tagField(3, "TPE:", {2, 0}))));
    EXPECT_FALSE(odd.header.tagError);
    ASSERT_EQ(odd.list.count(), 2);
    EXPECT_EQ(odd.list.fields[1].originalContent, "TPE:");
  }
}

// The load runs the reader; a broken tag shows the loader's message.
class Id3v2Load : public ::testing::Test {
 protected:
  std::string write(const std::vector<uint8_t>& tag) {
    Mp3Builder b;
    b.raw(tag).frames(20).id3v1("v1title");
    const std::string path = dir_.file("t.mp3");
    writeFile(path, b.bytes());
    return path;
  }
  TempDir dir_;
  RecordingHost host_;
  Editor editor_{host_};
};

TEST_F(Id3v2Load, FieldsArriveInTheDocument) {
  const std::string path =
      write(tagBytes(3, 0, tagField(3, "TIT2", latin1("Loaded")) + std::vector<uint8_t>(16, 0)));
  ASSERT_TRUE(editor_.loadFile(path));
  const Document& doc = editor_.document();
  ASSERT_EQ(doc.tagFields.count(), 1);
  EXPECT_EQ(doc.tagFields.fields[0].content, "Loaded");
  EXPECT_EQ(doc.tagFields.fields[0].sourcePath, path);
  EXPECT_EQ(doc.tagHeader.paddingSize, 16);
  EXPECT_TRUE(host_.messages().empty());
  EXPECT_TRUE(hasTag(doc.layout.id3v2Found, doc.tagFields, false));
  EXPECT_FALSE(doc.tagHeader.outputUnsynchronisation);

  // A second load starts from an empty list.
  ASSERT_TRUE(editor_.loadFile(path));
  EXPECT_EQ(editor_.document().tagFields.count(), 1);
  editor_.unload(false);
  EXPECT_EQ(editor_.document().tagFields.count(), 0);

  // The output unsynchronisation starts from the file's.
  ASSERT_TRUE(editor_.loadFile(write(tagBytes(3, 0x80, tagField(3, "TIT2", latin1("u"))))));
  EXPECT_TRUE(editor_.document().tagHeader.outputUnsynchronisation);
}

TEST_F(Id3v2Load, BrokenTagWarnsButTheFileLoads) {
  auto body = tagField(4, "TIT2", latin1("ok")) + tagField(4, "TPE1", latin1("x"));
  body[14] = 0x05;  // control character in the second code
  const std::string path = write(tagBytes(4, 0, body));
  ASSERT_TRUE(editor_.loadFile(path));
  EXPECT_TRUE(editor_.document().tagHeader.tagError);
  EXPECT_EQ(editor_.document().tagFields.count(), 1);
  ASSERT_EQ(host_.messages().size(), 1u);
  EXPECT_EQ(host_.messages()[0].text, msg::kId3v2Error);

  // A silent script run is not interrupted by it.
  RecordingHost quiet;
  Editor silent(quiet);
  silent.scriptRunning = true;
  silent.silentMode = true;
  ASSERT_TRUE(silent.loadFile(path));
  EXPECT_TRUE(quiet.messages().empty());
  EXPECT_TRUE(silent.document().tagHeader.tagError);
}

TEST_F(Id3v2Load, InfoListsTheFields) {
  const std::string path =
      write(tagBytes(3, 0,
                     tagField(3, "TIT2", std::vector<uint8_t>{1, 0xFF, 0xFE, 0xE9, 0}) +
                         tagField(3, "COMM", comm(0, "eng", bytesOf(std::string("d\0line1\nline2", 13)))) +
                         tagField(3, "APIC",
                                  std::vector<uint8_t>{0} + bytesOf(std::string("image/png\0", 10)) +
                                      std::vector<uint8_t>{3} + bytesOf(std::string("c\0", 2))) +
                         tagField(3, "ABCD", bytesOf("zz")) + std::vector<uint8_t>(5, 0)));
  std::ostringstream out, err;
  ASSERT_EQ(printFileInfo(path, out, err), 0) << err.str();
  const std::string text = out.str();
  EXPECT_NE(text.find("ID3v2 fields (4, padding 5 bytes):\n"), std::string::npos) << text;
  EXPECT_NE(text.find("  Title (TIT2), 5 bytes: \"\xC3\xA9\"\n"), std::string::npos) << text;
  EXPECT_NE(text.find("  Comment (COMM), 17 bytes: [eng] \"d\" \"line1 / line2\"\n"), std::string::npos)
      << text;
  EXPECT_NE(text.find("  Attached picture (APIC), 14 bytes: image/png, front cover, \"c\"\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("  undefined (ABCD), 2 bytes\n"), std::string::npos) << text;
}

}  // namespace
}  // namespace kavrel::test
