// The known-field table, the field list and the tag-level helpers.

#include <gtest/gtest.h>

#include "tags/id3v2/known_fields.h"
#include "tags/id3v2/tag_field.h"

namespace kavrel::test {
namespace {

TEST(KnownFieldTable, RowsMatchTheirCodesInEveryVersion) {
  ASSERT_EQ(kKnownFieldTable.size(), 91u);
  EXPECT_EQ(findKnownField("TT2", 2), 44);
  EXPECT_EQ(findKnownField("TIT2", 3), 44);
  EXPECT_EQ(findKnownField("TIT2", 4), 44);
  EXPECT_EQ(findKnownField("TIT2", 5), 44);
  EXPECT_EQ(findKnownField("TIT2", 6), 0) << "versions above 5 know no codes";
  EXPECT_EQ(findKnownField("TIT2", 2), 0);
  EXPECT_EQ(findKnownField("EQUA", 3), 7);
  EXPECT_EQ(findKnownField("EQU2", 4), 7);
  EXPECT_EQ(findKnownField("EQUA", 4), 0);
  EXPECT_EQ(findKnownField("IPLS", 3), 42);
  EXPECT_EQ(findKnownField("TIPL", 4), 42);
  EXPECT_EQ(findKnownField("RVAD", 3), 20);
  EXPECT_EQ(findKnownField("RVA2", 4), 20);
  EXPECT_EQ(findKnownField("PIC", 2), kPictureRow);
  EXPECT_EQ(findKnownField("ASPI", 3), 0);
  EXPECT_EQ(findKnownField("ASPI", 4), 3);
  EXPECT_EQ(findKnownField("", 2), 0) << "an empty column entry matches nothing";
  // Every code a 2.2 tag cannot hold.
  for (const char* code : {"ASPI", "COMR", "GRID", "OWNE", "PRIV", "POSS", "SEEK", "SIGN", "USER"}) {
    const int row = findKnownField(code, 4);
    ASSERT_GT(row, 0) << code;
    EXPECT_EQ(knownFieldCode(row, 2), "") << code;
  }
  EXPECT_EQ(knownFieldCode(44, 2), "TT2");
  EXPECT_EQ(knownFieldCode(44, 9), "TIT2") << "versions limited to 2..5";
  EXPECT_EQ(knownFieldCode(kExtendedHeaderRow, 3), "");
}

TEST(KnownFieldTable, KindsLayoutsAndLimitsOfSelectedRows) {
  const KnownField& comment = kKnownFieldTable[kCommentRow];
  EXPECT_EQ(comment.kind, FieldKind::Text);
  EXPECT_EQ(comment.layout, text_layout::kEncoding | text_layout::kLanguage | text_layout::kDescription);
  EXPECT_TRUE(comment.multiple);
  EXPECT_EQ(kKnownFieldTable[19].fixedSize, 8u);                                            // RBUF
  EXPECT_EQ(kKnownFieldTable[21].fixedSize, 12u);                                           // RVRB
  EXPECT_EQ(kKnownFieldTable[23].fixedSize, 4u);                                            // SEEK
  EXPECT_EQ(kKnownFieldTable[22].layout, text_layout::kEncoding | text_layout::kLanguage);  // SYLT
  EXPECT_EQ(kKnownFieldTable[22].kind, FieldKind::Mixed);
  EXPECT_EQ(kKnownFieldTable[83].layout, 0) << "URL fields have no encoding byte";
  EXPECT_EQ(kKnownFieldTable[89].layout, text_layout::kEncoding | text_layout::kDescription);
  EXPECT_EQ(kKnownFieldTable[0].displayName, "undefined");
  EXPECT_EQ(kKnownFieldTable[90].displayName, "Extended tag header");
  EXPECT_EQ(kKnownFieldTable[80].displayName, "Unsychronized lyrics");
  // Every row 1..89 is found by its own code in each column it has one.
  for (int row = 1; row <= 89; ++row) {
    for (int major = 2; major <= 5; ++major) {
      const auto code = knownFieldCode(row, major);
      if (!code.empty()) {
        EXPECT_EQ(findKnownField(code, major), row) << code << " in 2." << major;
      }
    }
  }
}

TEST(KnownFieldTable, MainFieldsRefuseASecondCopyExceptCommentAndUrl) {
  EXPECT_FALSE(mayAddMainField(44));  // Title
  EXPECT_FALSE(mayAddMainField(76));  // Year
  EXPECT_TRUE(mayAddMainField(kCommentRow));
  EXPECT_TRUE(mayAddMainField(89));  // URL
  EXPECT_TRUE(mayAddMainField(8)) << "rows outside the main twelve are always allowed";
}

TEST(PictureNames, TypesAndMimeMapping) {
  EXPECT_EQ(pictureTypeName(3), "front cover");
  EXPECT_EQ(pictureTypeName(16), "screen capture");
  EXPECT_EQ(pictureTypeName(17), "unknown");
  EXPECT_EQ(pictureTypeName(18), "illustration");
  EXPECT_EQ(pictureTypeName(20), "publisher logotype");
  EXPECT_EQ(pictureTypeName(21), "unknown");
  EXPECT_EQ(mimeTypeForFile("/a/cover.JPEG"), "image/jpeg");
  EXPECT_EQ(mimeTypeForFile("x.jfif"), "image/jpeg");
  EXPECT_EQ(mimeTypeForFile("x.Png"), "image/png");
  EXPECT_EQ(mimeTypeForFile("x.ico"), "image/ico");
  EXPECT_EQ(mimeTypeForFile("x.tif"), "");
  EXPECT_EQ(mimeTypeForFile("/dir.jpg/noext"), "");
  EXPECT_EQ(mimeTypeFromImageFormat("JPG"), "image/jpeg");
  EXPECT_EQ(mimeTypeFromImageFormat("PNG"), "image/png");
  EXPECT_EQ(mimeTypeFromImageFormat("-->"), "-->");
  EXPECT_EQ(imageFormatFromMimeType("image/jpeg"), "JPG");
  EXPECT_EQ(imageFormatFromMimeType("image/jpg"), "JPG");
  EXPECT_EQ(imageFormatFromMimeType("image/png"), "PNG");
  EXPECT_EQ(imageFormatFromMimeType("-->"), "-->");
}

TEST(TagFieldList, AddFieldClearAndDisplayNames) {
  TagFieldList list;
  const int32_t at = list.addIndexedField(kCommentRow, 2);
  ASSERT_EQ(at, 0);
  const TagField& f = list.fields[0];
  EXPECT_EQ(f.source, field_source::kAdded);
  EXPECT_EQ(f.kind, FieldKind::Text);
  EXPECT_EQ(f.language, "eng");
  EXPECT_EQ(f.info, "code: COM\r\nNewly added field");
  EXPECT_EQ(f.headerPosition, 0);
  EXPECT_EQ(f.totalSize, 0);
  EXPECT_EQ(list.textIndex, std::vector<int32_t>{0});
  list.addIndexedField(kPictureRow, 4);
  EXPECT_EQ(list.pictureIndex, std::vector<int32_t>{1});
  list.addField(44, 3);
  EXPECT_TRUE(list.textIndex.size() == 1) << "addField leaves the index lists to the caller";

  EXPECT_EQ(fieldDisplayName(list.fields[0], 3), "Comment (COMM)");
  list.fields[0].source |= field_source::kDuplicate;
  EXPECT_EQ(fieldDisplayName(list.fields[0], 2), "Comment (DUPLICATE) (COM)");
  TagField unknown;
  unknown.originalContent = "XYZW";
  EXPECT_EQ(fieldDisplayName(unknown, 3), "undefined (XYZW)");

  list.tagCreated = true;
  list.clear();
  EXPECT_EQ(list.count(), 0);
  EXPECT_TRUE(list.textIndex.empty() && list.pictureIndex.empty() && list.binaryIndex.empty() &&
              list.mixedIndex.empty());
  EXPECT_FALSE(list.tagCreated);
}

TEST(CreateTagIfNone, TakesVersionUnsyncAndPaddingFromTheOptionsOnce) {
  TagFieldList list;
  TagHeaderState header;
  header.footer = true;
  header.extendedHeader = true;
  createTagIfNone(list, header, NewTagOptions{uint8_t(4 | 0x80), 6});
  EXPECT_TRUE(list.tagCreated);
  EXPECT_EQ(header.majorVersion, 4);
  EXPECT_EQ(header.revision, 0);
  EXPECT_EQ(header.inputVersion, 4);
  EXPECT_TRUE(header.outputUnsynchronisation);
  EXPECT_EQ(header.paddingSize, 1024);
  EXPECT_FALSE(header.footer || header.extendedHeader || header.experimental);

  // Once created, another call leaves fields and header alone.
  list.addIndexedField(44, 4);
  createTagIfNone(list, header, NewTagOptions{2, 0});
  EXPECT_EQ(list.count(), 1);
  EXPECT_EQ(header.majorVersion, 4);

  TagFieldList other;
  TagHeaderState h2;
  createTagIfNone(other, h2, NewTagOptions{7, 8});  // 7 is no version; 8 mod 7 = 1
  EXPECT_EQ(h2.majorVersion, 3);
  EXPECT_FALSE(h2.outputUnsynchronisation);
  EXPECT_EQ(h2.paddingSize, 2);
  EXPECT_EQ(newTagPaddingSize(0), 0);
  EXPECT_EQ(newTagPaddingSize(3), 16);
}

TEST(HasTag, LoadedTagFieldsOrAScriptCreatedTag) {
  TagFieldList list;
  EXPECT_FALSE(hasTag(false, list, false));
  EXPECT_TRUE(hasTag(true, list, false));
  list.tagCreated = true;
  EXPECT_FALSE(hasTag(false, list, false)) << "an empty created tag counts only while a script runs";
  EXPECT_TRUE(hasTag(false, list, true));
  list.tagCreated = false;
  list.addField(44, 3);
  EXPECT_TRUE(hasTag(false, list, false));
}

}  // namespace
}  // namespace kavrel::test
