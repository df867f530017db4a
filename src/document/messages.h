#pragma once
// Texts of the document subsystem, exactly as the program shows them.

namespace kavrel::msg {

inline constexpr const char* kDiskError =
    " Disk error. Most likely reasons:\r\n - output file in use or read only\r\n - input file erased, moved or "
    "renamed\r\n - disk full or read only\r\n - invalid filename";
inline constexpr const char* kTooSmall = "Can't process files smaller than 0.25 KB!";
inline constexpr const char* kNoFrames = "Doesn't seem like a 32/44.1/48 KHz mp3 file.";
inline constexpr const char* kImproperRiff = "Improper or unknown header format.";
inline constexpr const char* kRiffNotMp3 = "RIFF header doesn't seem to be of an mp3 file.";
inline constexpr const char* kImproperFrameSize = "Improper frame size.";
inline constexpr const char* kInsertOpen = "File to insert can't be opened (probably doesn't exist).";
inline constexpr const char* kInsertRead = "Disk error reading the file to insert.";
inline constexpr const char* kEscPressed = "Esc key pressed.";
inline constexpr const char* kLoadErrorLead = "Error processing file: \r\n ";
inline constexpr const char* kLoadErrorCaption = "Warning!";
inline constexpr const char* kId3v2Error = "Error processing id3v2 header tag.";
inline constexpr const char* kPolicyQuestion = "Try to continue processing?";
inline constexpr const char* kPolicyCaption = "Error, may be possible to continue";
inline constexpr const char* kSavePrompt = "Do you wish to save the changes?";
inline constexpr const char* kSavePromptCaption = "prompt";
inline constexpr const char* kNoFileLoaded = "No file loaded";
inline constexpr const char* kWarningCaption = "Warning";

}  // namespace kavrel::msg
