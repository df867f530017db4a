#pragma once
// Texts of the ID3v2 reader and field model, exactly as the program shows them.

namespace kavrel::msg {

inline constexpr const char* kBadEncodingNote = "neither ISO-8859-1 nor UNICODE, can't display!";
inline constexpr const char* kUnicodeNote = "note: UNICODE text";
inline constexpr const char* kMissingLanguageNote = "note: missing language information";
inline constexpr const char* kTooLargeToDisplay = "- TOO LARGE TO DISPLAY -";
inline constexpr const char* kNewlyAddedField = "Newly added field";
inline constexpr const char* kInvalidId3v2Tag = "Invalid id3v2 tag!";

}  // namespace kavrel::msg
