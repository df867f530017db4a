#pragma once
// What a command did. Each command leaves its outcome in
// Editor::operationStatus as a number; the script engine turns it into the
// log's words. The numbers are the ones scripts have always been answered
// by, so they are spelled out and never renumbered. Across all commands 0
// is success and 255 means the editor was busy.

#include <cstdint>

namespace kavrel {

inline constexpr uint8_t kStatusOk = 0;
inline constexpr uint8_t kStatusNothingToDo = 1;      // no frames, or no selection, for select/unselect
inline constexpr uint8_t kStatusRenameFailed = 101;   // the new file stays under its temporary name
inline constexpr uint8_t kStatusSaveFailed = 102;     // the writer failed, text in lineError
inline constexpr uint8_t kStatusTagNotWritten = 103;  // saved without the ID3v2 tag
inline constexpr uint8_t kStatusLoadFailed = 201;
inline constexpr uint8_t kStatusBusy = 255;

// Delete and cut.
enum class DeleteOutcome : uint8_t { Done = 0, NoFrames = 1, WouldLeaveNone = 2, NothingSelected = 3, Busy = 255 };
enum class CopyOutcome : uint8_t { Done = 0, NothingSelected = 1, NoFrames = 254, Busy = 255 };
// A paste into a selection deletes it first, with that step's outcomes.
enum class PasteOutcome : uint8_t { Done = 0, NoFrames = 1, ClipboardEmpty = 11, Busy = 255 };
enum class TrimOutcome : uint8_t { Done = 0, NothingSelected = 1, NothingOutside = 2, Busy = 255 };
// Insert of a file: the scan's own refusals (InsertStatus, 3..14) pass
// through unchanged.
enum class InsertOutcome : uint8_t { Done = 0, TooManyFiles = 128, NotReady = 129, AllSelected = 130, Busy = 255 };
enum class VolumeOutcome : uint8_t { Done = 0, NothingSelected = 1, Busy = 255 };
enum class FadeOutcome : uint8_t { Done = 0, NothingSelected = 1, OneFrame = 2, Busy = 255 };
// Limited: fewer frames than asked went in, the document holds its maximum.
enum class SilenceOutcome : uint8_t { Done = 0, NotReady = 1, Limited = 2, Busy = 255 };
// A part that could not be written leaves the save's own status.
enum class SplitOutcome : uint8_t { Done = 0, AllSelected = 1, CursorAtEnd = 2, SameNames = 3, Busy = 255 };
enum class SaveSelectionOutcome : uint8_t { Done = 0, NothingSelected = 1, AllSelected = 2, Busy = 255 };
// The Play menu; scripts read the text of a failure from lineError.
enum class PlayOutcome : uint8_t { Done = 0, FileMissing = 1, NotWritten = 2, PlayerNotStarted = 3, Busy = 255 };
// Measuring, normalising, silences and cue sheets. Failed and BadInput
// leave their text in lineError.
enum class AudioOutcome : uint8_t {
  Done = 0,
  Silent = 1,     // nothing above the measurement's gate
  NoSilence = 2,  // no silence found (nothing to select or split)
  Cancelled = 3,  // Esc, or the window closed
  Failed = 4,     // a source could not be read, a part could not be written
  BadInput = 5,   // a name pattern without '#', a broken cue sheet
  Busy = 255
};

}  // namespace kavrel
