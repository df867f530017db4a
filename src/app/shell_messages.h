#pragma once
// Texts of the configuration commands and the application shell, exactly
// as the program words them.

namespace kavrel::msg {

inline constexpr const char* kConfigurationReset =
    "Error reading configuration file.\r\nOptions reset to default.";
inline constexpr const char* kWorkingFolderUnknown = "Can't determine working directory.";
inline constexpr const char* kUnexpectedErrorCaption = "Unexpected error";
inline constexpr const char* kErrorCaption = " error";

inline constexpr const char* kSaveOptionsTitle = "save options as";
inline constexpr const char* kLoadOptionsTitle = "load options from";
inline constexpr const char* kIniFilter = "ini files|*.ini|all files|*.*";
inline constexpr const char* kLoadFromProgramFolder =
    "You are not allowed to load from application working folder.";
inline constexpr const char* kDiskErrorWritingFile = "Disk error writing the file.";
inline constexpr const char* kDiskErrorReadingFile = "Disk error reading the file.";
inline constexpr const char* kAreYouCertain = "Are you certain?";
inline constexpr const char* kOptionsResetCaption = "options reset";

inline constexpr const char* kOpenSourceTitle = " CHOOSE THE SOURCE FILE ";
inline constexpr const char* kMp3Filter = "mp3 files|*.mp3|all files|*.*";
inline constexpr const char* kClosingCaption = "closing";
inline constexpr const char* kDropSingleFile =
    "Drag & drop enabled for single file only.\r\nFirst file from the list loaded.";

inline constexpr const char* kHelpMissing = "The help file is missing.";
inline constexpr const char* kHelpSystemError = "System error trying to display the file";
inline constexpr const char* kSystemErrorCaption = " SYSTEM  ERROR";
inline constexpr const char* kClosingAllInstances = " closing all instances...";
inline constexpr const char* kMainCaption = " Kavrel";

}  // namespace kavrel::msg
