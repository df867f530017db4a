#pragma once
// Texts of the editing commands, exactly as the program shows them.

namespace kavrel::msg {

inline constexpr const char* kNoFramesSelected = "No frames selected.";
inline constexpr const char* kLeaveOneFrame = "You must leave at least one frame.";
inline constexpr const char* kLeaveOneFrameCaption = "Can't do";
inline constexpr const char* kSelectFramesToCopy = "You must select some frames to copy.";
inline constexpr const char* kSelectMultipleFrames = "You must select multiple frames!";
inline constexpr const char* kTrimNeedsOutside = "Some frames must be out of the selection in order to trim.";
inline constexpr const char* kUndoMemoryError =
    "Error reserving undo memory!\r\n- last operation can't be undone -";
inline constexpr const char* kClipboardMemoryError =
    "Error reserving memory for local clipboard!\r\n- failed to copy -";
inline constexpr const char* kClipboardReadError =
    "Unexpected error reading from local clipboard memory!\r\n- undo will be performed now, if possible -";
inline constexpr const char* kUndoReadError =
    "Unexpected error reading the memory!\r\n- undo can not be performed -";
inline constexpr const char* kTooManyInserted = "Too many files already inserted.";
inline constexpr const char* kInsertAllSelected =
    "That would replace the file since all is selected.\r\nTo do that you have to use \"Load\" (\"Open\") "
    "function.";
inline constexpr const char* kInsertReplaceTitle = " INSERT TO REPLACE THE SELECTION ";
inline constexpr const char* kInsertAtCursorTitle = " INSERT AT CURSOR SPOT ";

// The selection-length label and the hints of the position controls.
inline constexpr const char* kSelectionLengthPrefix = "sel: ";
inline constexpr const char* kSelectionLengthHint = "Length of selection in seconds";
inline constexpr const char* kHintFrameUp = "Increase by one frame";
inline constexpr const char* kHintFrameDown = "Decrease by one frame";
inline constexpr const char* kHintSecondUp = "Increase by one second";
inline constexpr const char* kHintSecondDown = "Decrease by one second";

}  // namespace kavrel::msg
