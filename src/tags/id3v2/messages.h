#pragma once
// Texts of the ID3v2 reader and field model, exactly as the program shows them.

namespace kavrel::msg {

inline constexpr const char* kBadEncodingNote = "neither ISO-8859-1 nor UNICODE, can't display!";
inline constexpr const char* kUnicodeNote = "note: UNICODE text";
inline constexpr const char* kMissingLanguageNote = "note: missing language information";
inline constexpr const char* kTooLargeToDisplay = "- TOO LARGE TO DISPLAY -";
inline constexpr const char* kNewlyAddedField = "Newly added field";
inline constexpr const char* kInvalidId3v2Tag = "Invalid id3v2 tag!";

// --- writing the tag on save
inline constexpr const char* kWritingId3v2Caption = "writing id3v2";
inline constexpr const char* kNotSavingTheField = "Not saving the field.";
inline constexpr const char* kSourceFileMoved = "Source file was moved or renamed:";
inline constexpr const char* kErrorReadingSourceFile = "Error reading source file:";
inline constexpr const char* kField22TooLarge = "Fields must be less than 16 MB to fit into id3v2.2 tag.\r\n(";
inline constexpr const char* kFieldTooLarge = "Tag fields larger than 64 MB will not be copied by Kavrel.\r\n(";
inline constexpr const char* kUnknownFieldVersionChange = "Can't copy unknown fields when changing version from ";
inline constexpr const char* kUnknownFrom22 = "v2.2 to higher.";
inline constexpr const char* kUnknownTo22 = "higher down to v2.2.";
inline constexpr const char* kFieldCoded = "Field coded ";
inline constexpr const char* kRemovedFullStop = " removed.";
inline constexpr const char* kExternalFileMissing = "Referenced external file doesn't exist:";
inline constexpr const char* kErrorReadingExternalFile = "Error reading referenced external file:";
inline constexpr const char* kExternalFileTooLarge22 =
    "Referenced external file is above maximum size for ID3v2.2 type tag (16 MB):";
inline constexpr const char* kExternalFileTooLarge =
    "Referenced external file is above maximum size allowed by Kavrel (64 MB):";
inline constexpr const char* kInvalidImageExtension = "Invalid image file extension:";
inline constexpr const char* kUnknownImageType = "Unknown attached image type:";
inline constexpr const char* kExtendedHeaderTooLarge = "Extended header larger than 64 MB will not be copied by Kavrel.";
inline constexpr const char* kExtendedHeaderFileTooLarge = "Extended header file must be below 16 MB:";
inline constexpr const char* kExtendedHeaderFileTooShort = "Extended header file must have at least 6 bytes in ID3v2.3:";
inline constexpr const char* kExtendedHeaderFileMissing = "Extended header file was moved, renamed or deleted:";
inline constexpr const char* kErrorReadingExtendedHeaderFile = "Error reading extended header file:";
// A save that had to leave its tag out says so, or the tag would be lost unseen.
inline constexpr const char* kTagNotWritten = "Error writing id3v2 tag: the file was saved without it.";

}  // namespace kavrel::msg
