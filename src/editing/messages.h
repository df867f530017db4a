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

// Volume, fade, silence, split and save selection.
inline constexpr const char* kSelectFramesToAmplify = "You must select some frames to amplify.";
inline constexpr const char* kAmplificationWarning =
    "You chose very high amplification factor which may cause\r\nnot only sound distortion, but player "
    "malfunction as well.\r\nIt is recommended that you check the results if you click OK.";
inline constexpr const char* kAmplificationWarningCaption = "Amplification warning";
inline constexpr const char* kCantDoCaption = "can't do";
inline constexpr const char* kFadeNeedsTwoFrames = "You must select 2 frames at least!";
inline constexpr const char* kEraseSelectionPrompt = "Erase the selection?";
inline constexpr const char* kPromptCaption = "Prompt";
inline constexpr const char* kSilenceMemoryError =
    "Error reserving memory for the silence!\r\n- nothing was inserted -";
inline constexpr const char* kMustHaveSelection = "You must have a selection.";
inline constexpr const char* kSaveSelectionAllSelected =
    "Use \"Save\" or \"Save as\" function when all frames are selected.\r\nHowever, if you prefer saving the "
    "file as selection, click OK.";
inline constexpr const char* kSplitAllSelected =
    "Use \"Save\" or \"Save as\" function when all frames are selected.\r\nHowever, if you prefer saving the "
    "selection this way, click OK.";
inline constexpr const char* kSplitAtEnd =
    "Use \"Save\" or \"Save as\" function to save all frames to a file.\r\nHowever, if you prefer saving "
    "this way, click OK.";
inline constexpr const char* kSameFileNameLead =
    "You can't save different parts to the same filename.\r\nFilenames ";
inline constexpr const char* kSourcePathCaption = "Full source filename:";
inline constexpr const char* kDocumentPathCaption = "Full current document filename:";
inline constexpr const char* kNotSavedYet = "The file hasn't been saved yet. Would save to:\r\n\n";
inline constexpr const char* kSplitDialogCaption = " File split";
inline constexpr const char* kSaveSelectionDialogCaption = " Save the selection as";

}  // namespace kavrel::msg
