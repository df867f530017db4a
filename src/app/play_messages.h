#pragma once
// Texts of playback, exactly as the program words them.

namespace kavrel::msg {

inline constexpr const char* kPlayFileMoved = "The file was moved, renamed or deleted in the meantime.";
inline constexpr const char* kPlaySourceMoved = "Source file was moved, renamed or deleted in the meantime.";
inline constexpr const char* kPlayInsertedMoved =
    "A file to be inserted from was moved, renamed or deleted in the meantime.";
inline constexpr const char* kPlayTemporaryLocked =
    "You may need to close your mp3 player so that the\r\ntemporary mp3 file can be overwritten and then "
    "played.";
inline constexpr const char* kPlaySystemError = "System error trying to play.";
inline constexpr const char* kShellErrorCaption = " SYSTEM  ERROR";
inline constexpr const char* kPlayErrorCaption = " error";

// The work files of playback.
inline constexpr const char* kPreviewFile = "kavrel.Preview.mp3";
inline constexpr const char* kPreviewAlternateFile = "kavrel.Prevyu.mp3";
inline constexpr const char* kSelectionFile = "kavrel.Selection.mp3";
inline constexpr const char* kSelectionAlternateFile = "kavrel.Selexion.mp3";

}  // namespace kavrel::msg
