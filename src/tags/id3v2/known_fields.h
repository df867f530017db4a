#pragma once
// The constant table of field codes the program knows, by tag version, and
// the names that go with fields and pictures.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kavrel {

enum class FieldKind : uint8_t { Binary = 0, Text = 1, Mixed = 2, Picture = 3, Unknown = 4 };

// Parts that precede a field's data, in this order.
namespace text_layout {
inline constexpr uint8_t kEncoding = 0x01;
inline constexpr uint8_t kLanguage = 0x02;
inline constexpr uint8_t kDescription = 0x04;
}  // namespace text_layout

struct KnownField {
  // Codes for 2.2, 2.3, 2.4 and later versions; "" where the version has no such field.
  std::array<std::string_view, 4> codes;
  std::string_view displayName;
  FieldKind kind;
  uint8_t layout;      // text_layout flags
  uint32_t fixedSize;  // bytes taken from an external file; 0 = the whole file
  bool multiple;       // may be added again when one exists
};

inline constexpr int kKnownFieldRows = 91;
inline constexpr int kUndefinedRow = 0;
inline constexpr int kPictureRow = 2;
inline constexpr int kCommentRow = 4;
inline constexpr int kGenreRow = 29;
inline constexpr int kUrlRow = 89;  // WXXX: its URL is single-byte whatever the encoding
inline constexpr int kExtendedHeaderRow = 90;

extern const std::array<KnownField, kKnownFieldRows> kKnownFieldTable;

// Column of the table for a tag's major version: 0 for 2.2 (and below), 1 for
// 2.3, 2 for 2.4, 3 for 5; -1 for versions above 5, which know no codes.
int knownFieldColumn(int majorVersion);

// Row 1..89 whose code in the version's column equals `code`; 0 when none.
int findKnownField(std::string_view code, int majorVersion);

// The row's code in the column of `majorVersion` limited to 2..5.
std::string_view knownFieldCode(int row, int majorVersion);

// The twelve fields with their own edit boxes, in box order.
inline constexpr std::array<int, 12> kMainFieldRows = {44, 58, 26, 29, 28, 30, 89, 4, 76, 65, 27, 72};

// False only for a main field row that may not occur twice.
bool mayAddMainField(int row);

// Display name of a picture-type byte ("unknown" for 17 and above 20).
std::string_view pictureTypeName(int type);

// MIME type for an image file name by its extension; "" when the extension is
// not one of the known image types.
std::string mimeTypeForFile(const std::string& fileName);

// 2.2 image format ("JPG") to a MIME type ("image/jpeg"); "-->" stays.
std::string mimeTypeFromImageFormat(const std::string& format);
// MIME type to the 3-character 2.2 image format; "-->" stays.
std::string imageFormatFromMimeType(const std::string& mime);

}  // namespace kavrel
