#pragma once
// Texts of saving and of the ID3v1 tag, exactly as the program shows them.

namespace kavrel::msg {

inline constexpr const char* kZeroFrameCount = " Error: zero/invalid frame count.";
inline constexpr const char* kRenameFailed =
    "Failed to rename the temporary file to existing filename.\r\nResult of this operation is a temporary "
    "file "
    "with KVTMPMP3 extension.\r\nMost probable reason for this error is the file being in use.";
inline constexpr const char* kOverwritePrompt = "Overwrite the existing file?";
inline constexpr const char* kOverwriteCaption = "The file exists!";
inline constexpr const char* kSaveToProgramFolder =
    "You are not allowed to save to application working folder.\r\nPlease change the path.";
inline constexpr const char* kUnknownLeadingData =
    "You chose to include unknown origin data on the file beginning.\r\nNote that VBR seek header may be "
    "unusable in this case.\r\nYou are advised to check the output file.";
// A part, selection or preview may not be written over a file the document
// still reads its frames from.
inline constexpr const char* kTargetIsSource =
    "The target file is a source of the open document.\r\nIts frames are still read from it, so it can't be "
    "overwritten this way.\r\nPlease choose another filename.";
inline constexpr const char* kTemporaryExtension = ".kvtmpmp3";

inline constexpr const char* kId3v1ReadError = "Disk error reading id3v1 tag.";

}  // namespace kavrel::msg
