#pragma once
// Texts of the script engine, exactly as the program words them.

namespace kavrel::msg {

// The language itself.
inline constexpr const char* kLineTooLong32K = "Line too long (over 32K).";
inline constexpr const char* kLineTooLong1K = "Line too long (over 1 KB).";
inline constexpr const char* kSyntaxError = "Syntax error: ";

// Shared by the command routines.
inline constexpr const char* kNoFileLoadedSuffix = ": No file loaded.";
inline constexpr const char* kNotReadyLead = "Command: ";
inline constexpr const char* kNotReadyTail =
    "\r\nCondition: not ready.\r\nPlease restart the script or the program.";

// ID3v2 fields.
inline constexpr const char* kFieldNotInVersion = "That field doesn't exist in this version of id3v2 tag.";

// Runs and the log.
inline constexpr const char* kScriptMissing = "The script you specified doesn't exist.";
inline constexpr const char* kScriptReadError = "Disk error reading the script file. Aborted.";
inline constexpr const char* kIgnoreAndContinue = "\r\n\nIgnore and continue?";
inline constexpr const char* kScriptErrorCaption = "script processing error";
inline constexpr const char* kScriptExecuted = "Script executed:\r\n";
inline constexpr const char* kProgramCaption = "Kavrel";
inline constexpr const char* kLogScriptName = "Script name: ";
inline constexpr const char* kLogStarted = "Execution started at ";
inline constexpr const char* kLogFinished = "Execution finished at ";

// The Scripts menu.
inline constexpr const char* kChooseScriptTitle = " - choose the script - ";
inline constexpr const char* kLockEmptyList =
    "What good would locking an empty list do?\r\nFill it with some titles first.";
inline constexpr const char* kNotAllowedCaption = " not allowed";
inline constexpr const char* kLockedOrder =
    "You have locked the above scripts load order.\r\nYou may now call specified scripts by pressing Alt, S, "
    "number from 1 to 5.";
inline constexpr const char* kLockedOrderCaption = "scripts order locked";
inline constexpr const char* kMessageBoxNote =
    "Note that this setting doesn't apply\r\nif you run the script in silent mode.";
inline constexpr const char* kMessageBoxNoteCaption = "messagebox on";
inline constexpr const char* kSilentModeNote =
    "Note that silent mode is when you run\r\nthe script from the command line, i.e.\r\nkavrel "
    "--script=\"/home/me/my_script.txt\"";
inline constexpr const char* kSilentModeNoteCaption = "silent mode info";
inline constexpr const char* kLogFileNote =
    "Note that log file is written only if\r\nthe script runs from the command line!\r\n(in silent mode)";
inline constexpr const char* kLogFileNoteCaption = "log file info";
inline constexpr const char* kLogMissing = "Log file doesn't exist.";
inline constexpr const char* kScriptDoesntExist = "The script doesn't exist.";

// Playback commands.
inline constexpr const char* kPlaySelectionParameters = "PLAYSELECTION: must have 0 or 2 parameters.";
inline constexpr const char* kPlaySelectionNone = "PLAYSELECTION: no selection.";
inline constexpr const char* kPlaySelectionDisabled = "PLAYSELECTION: disabled - not ready? unknown error?";
inline constexpr const char* kPlayInputDisabled = "PLAYINPUT: disabled - no file loaded? not ready?";
inline constexpr const char* kPlayOutputDisabled = "PLAYOUTPUT: disabled - no file saved? not ready?";

}  // namespace kavrel::msg
