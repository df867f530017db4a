#pragma once
// Texts of the loudness, normalisation, silence and cue-sheet commands.

namespace kavrel::msg {

inline constexpr const char* kLoudnessCaption = "loudness";
inline constexpr const char* kNormalizeCaption = "normalize";
inline constexpr const char* kSilencesCaption = "silences";
inline constexpr const char* kCueCaption = "cue sheet";
inline constexpr const char* kMeasureCancelled = "Esc pressed, measurement cancelled.";
inline constexpr const char* kNothingToMeasure = "Nothing to measure: the audio is silent (below -70 LUFS).";
inline constexpr const char* kNoSilenceFound = "No silence found (threshold %s dBFS, at least %s s).";
inline constexpr const char* kNoSilenceAfterCursor = "No silence after the cursor.";
inline constexpr const char* kPatternNeedsNumber =
    "The file name pattern needs # where the part number goes (e.g. track ##.mp3).";
inline constexpr const char* kNothingToSplit = "Nothing to split: the whole file is one part.";
inline constexpr const char* kCueUnreadable = "Can't read the cue sheet ";
inline constexpr const char* kCueInvalid = "Cue sheet not usable, ";
inline constexpr const char* kCueBeyondEnd = "Cue sheet track %d starts after the end of the audio.";
inline constexpr const char* kCueNotWritten = "Can't write the cue sheet ";
inline constexpr const char* kNormalizeLimited = " (limited by the true-peak ceiling)";
inline constexpr const char* kAlreadyAtTarget = "Already within half a step of the target, nothing changed:\r\n";
inline constexpr const char* kReplayGainSet =
    "ReplayGain fields set in the ID3v2 tag (written at the next save): gain ";
inline constexpr const char* kFilesWritten = " files written, the last ";
inline constexpr const char* kCueTracksWritten = " tracks in the cue sheet ";

}  // namespace kavrel::msg
