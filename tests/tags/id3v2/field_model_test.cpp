// Known fields, the field list, text decoding, sizes and the tag header.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "tags/id3v2/known_fields.h"
#include "tags/id3v2/tag_field.h"
#include "tags/id3v2/tag_header.h"
#include "tags/id3v2/text_codec.h"

namespace kavrel::test {
namespace {

TEST(KnownFields, LookupsAndPictureNames) {
  // Every row 1..89 is found by its own code in each column it has one.
  for (int row = 1; row <= 89; ++row) {
    for (int major = 2; major <= 5; ++major) {
      const auto code = knownFieldCode(row, major);
      if (!code.empty()) {
        EXPECT_EQ(findKnownField(code, major), row) << code << " in 2." << major;
      }
    }
  }
  const std::tuple<const char*, int, int> finds[] = {
      {"TT2", 2, 44},  {"TIT2", 5, 44}, {"TIT2", 6, 0} /* above 5 no codes */, {"TIT2", 2, 0},
      {"EQUA", 4, 0},  {"ASPI", 3, 0},  {"", 2, 0} /* empty column entries match nothing */};
  for (const auto& [code, major, row] : finds) EXPECT_EQ(findKnownField(code, major), row) << code << major;
  EXPECT_EQ(knownFieldCode(44, 1), "TT2");
  EXPECT_EQ(knownFieldCode(7, 9), "EQU2") << "versions limited to 2..5";
  EXPECT_EQ(knownFieldCode(kExtendedHeaderRow, 3), "");
  EXPECT_EQ(knownFieldCode(kKnownFieldRows, 3), "");
  // Main fields refuse a second copy except comment and URL; other rows are always allowed.
  for (const auto& [row, allowed] :
       {std::pair{44, false}, {76, false}, {kCommentRow, true}, {kUrlRow, true}, {8, true}})
    EXPECT_EQ(mayAddMainField(row), allowed) << row;
  // Picture type names and the MIME type of an image file or a 2.2 image format.
  for (const auto& [type, name] : {std::pair{3, "front cover"}, {20, "publisher logotype"}, {21, "unknown"},
                                   {-1, "unknown"}})
    EXPECT_EQ(pictureTypeName(type), name) << type;
  for (const auto& [file, mime] : {std::pair{"/a/cover.JPEG", "image/jpeg"}, {"x.jfif", "image/jpeg"},
                                   {"x.Png", "image/png"}, {"x.gif", "image/gif"}, {"x.bmp", "image/bmp"},
                                   {"x.ico", "image/ico"}, {"/dir.jpg/noext", ""}, {"noext", ""}})
    EXPECT_EQ(mimeTypeForFile(file), mime) << file;
  for (const auto& [format, mime] : {std::pair{"JPG", "image/jpeg"}, {"PNG", "image/png"}, {"-->", "-->"}}) {
    EXPECT_EQ(mimeTypeFromImageFormat(format), mime);
    EXPECT_EQ(imageFormatFromMimeType(mime), format);
  }
  EXPECT_EQ(imageFormatFromMimeType("image/jpg") + "|" + imageFormatFromMimeType("image"), "JPG|");
}

TEST(TagFieldList, AddClearNamesAndTheTagHelpers) {
  TagFieldList list;
  ASSERT_EQ(list.addIndexedField(kCommentRow, 2), 0);
  const TagField& f = list.fields[0];
  EXPECT_EQ(std::tuple(f.source, f.kind, f.language, f.info),
            std::tuple(field_source::kAdded, FieldKind::Text, "eng", "code: COM\r\nNewly added field"));
  list.addIndexedField(kPictureRow, 4);
  list.addField(44, 3);
  EXPECT_EQ(list.textIndex, std::vector<int32_t>{0}) << "addField leaves the index lists to the caller";
  EXPECT_EQ(list.pictureIndex, std::vector<int32_t>{1});
  EXPECT_EQ(list.fields[2].code(2), "TT2");
  list.fields[0].source |= field_source::kDuplicate;  // plain names show in --info
  EXPECT_EQ(fieldDisplayName(list.fields[0], 2), "Comment (DUPLICATE) (COM)");
  // A tag counts when the file had one, has fields, or a running script created it.
  EXPECT_TRUE(hasTag(false, list, false));
  list.tagCreated = true;
  list.clear();
  EXPECT_TRUE(list.fields.empty() && list.textIndex.empty() && list.pictureIndex.empty() && !list.tagCreated);
  EXPECT_TRUE(!hasTag(false, list, true) && hasTag(true, list, false));
  list.tagCreated = true;
  EXPECT_TRUE(!hasTag(false, list, false) && hasTag(false, list, true));
  // A created tag takes version, unsynchronisation and padding from the options, once.
  for (const auto& [format, choice, major, padding] :
       {std::tuple{0x84, 6, 4, 1024}, {7, 8, 3, 2} /* no version; 8 mod 7 */, {2, 0, 2, 0}, {1, 3, 3, 16}}) {
    TagFieldList created;
    TagHeaderState h;
    h.footer = h.extendedHeader = h.experimental = true;
    h.revision = 1;
    createTagIfNone(created, h, NewTagOptions{uint8_t(format), uint8_t(choice)});
    EXPECT_TRUE(created.tagCreated);
    EXPECT_EQ(h.majorVersion * 10 + h.revision, major * 10) << format;
    EXPECT_EQ(h.inputVersion, major) << format;
    EXPECT_EQ(h.paddingSize, padding) << format;
    EXPECT_EQ(h.outputUnsynchronisation, format > 0x80) << format;
    EXPECT_FALSE(h.footer || h.extendedHeader || h.experimental) << format;
    created.addIndexedField(44, 4);
    createTagIfNone(created, h, NewTagOptions{2, 0});
    EXPECT_EQ(created.count() * 10 + h.majorVersion, 10 + major) << "created once";
  }
}

TEST(DecodeFieldText, Table) {
  // Single bytes stop at a zero, a line feed becomes CR LF and other controls go; UTF-16 takes either mark
  // (little-endian without one, encoding 2 big-endian); UTF-8 converts when well formed, else shows its
  // bytes; characters outside the code page become '?', a surrogate pair one '?'.
  const std::tuple<int, std::vector<uint8_t>, size_t, const char*, size_t> rows[] = {
      {0, {'a', 10, 'b', 13, 9, 'c', 0xE9, 0, 'x'}, 0, "a\r\nbc\xE9", 8},
      {0, {'a', 'b'}, 0, "ab", 3}, {0, {'a'}, 1, "", 1}, {0, {0xC3, 0xA9}, 0, "\xC3\xA9", 3},
      {1, {0xFF, 0xFE, 'A', 0x00, 'B', 0x00}, 0, "AB", 8}, {1, {'H', 0, 'i', 0}, 0, "Hi", 6},
      {2, {0, 'O', 0, 'K', 0, 0, 0, 'x'}, 0, "OK", 6}, {2, {0xFE, 0xFF, 0, 'K'}, 0, "?K", 6},
      {1, {0xFF, 0xFE, 0xE9, 0, 0xAC, 0x20, 0x14, 0x04, 0x3D, 0xD8, 0, 0xDE, 'z', 0}, 0, "\xE9\x80??z", 16},
      {2, {0xD8, 0x00, 0, 'q'}, 0, "?q", 6}, {3, {'a', 0xE9, 'b'}, 0, "a\xE9" "b", 4},
      {1, {0xFF, 0xFE, 0xA0, 0, 0x9F, 0}, 0, "\xA0?", 8},
      {3, {'C', 'a', 'f', 0xC3, 0xA9, 0xE2, 0x82, 0xAC, 0xD0, 0x94, 10, 0, 'x'}, 0, "Caf\xE9\x80?\r\n", 12},
      {3, {0xE0, 0x80, 0x80}, 0, "\xE0\x80\x80", 4}, {4, {0xFF, 0xFE, 'x'}, 0, "\xFF\xFEx", 4},
  };
  for (const auto& [encoding, bytes, start, text, next] : rows) {
    const DecodedText d = decodeFieldText(encoding, bytes.data(), start, bytes.size());
    EXPECT_EQ(d.text, text) << encoding << " " << testing::PrintToString(bytes);
    EXPECT_EQ(d.next, next) << encoding << " " << testing::PrintToString(bytes);
  }
}

TEST(TagSizes, FrameSizesSyncsafeAndResync) {
  // Sizes as the reader rows read them, at their ends too: 2.2 3 bytes, 2.3 plain, 2.4 syncsafe.
  const uint8_t big[4] = {0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(std::tuple(decodeFrameSize(big, 2), decodeFrameSize(big, 3)), std::tuple(0xFFFFFFu, 0xFFFFFFFFu));
  for (const uint32_t n : {0u, 127u, 128u, 257u, 0x0FFFFFFFu}) {
    EXPECT_EQ(decodeSyncsafe(encodeSyncsafe(n).data()), n);
    EXPECT_EQ(decodeFrameSize(encodeFrameSize(n, 3).data(), 3), n);
    EXPECT_EQ(decodeFrameSize(encodeFrameSize(n, 4).data(), 4), n);
  }
  EXPECT_EQ(encodeSyncsafe(0x0FFFFFFF), (std::array<uint8_t, 4>{0x7F, 0x7F, 0x7F, 0x7F}));
  EXPECT_EQ(encodeFrameSize(257, 3), (std::array<uint8_t, 4>{0, 0, 1, 1}));
  // Resynchronisation drops the zero after every FF.
  std::vector<uint8_t> r = {0xFF, 0x00, 0xE0, 0xFF, 0x00, 0x00, 0x12, 0xFF};
  r.resize(resync(r.data(), r.size()));
  EXPECT_EQ(r, (std::vector<uint8_t>{0xFF, 0xE0, 0xFF, 0x00, 0x12, 0xFF}));
  // Tag headers: the footer counts from 2.4 on; a revision byte of 0xFF is no header.
  std::vector<uint8_t> head = {'I', 'D', '3', 4, 0, 0xF0, 0, 0, 2, 44};
  TagHeaderState h;
  ASSERT_TRUE(parseTagHeader(head.data(), head.size(), 7, h));
  EXPECT_EQ(h.startOffset + h.size, 7 + 10 + 300 + 10);
  EXPECT_TRUE(h.unsynchronisation && h.extendedHeader && h.experimental && h.footer);
  head[3] = 3;
  ASSERT_TRUE(parseTagHeader(head.data(), head.size(), 0, h));
  EXPECT_EQ(h.size, 310);
  head[4] = 0xFF;
  EXPECT_FALSE(parseTagHeader(head.data(), head.size(), 0, h));
}

}  // namespace
}  // namespace kavrel::test
