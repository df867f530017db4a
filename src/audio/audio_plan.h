#pragma once
// What the audio commands' dialogs show and return, and the names of the
// files a split into numbered parts writes.

#include <optional>
#include <string>

#include "audio/analysis.h"

namespace kavrel {

// The normalise dialog: a target loudness, an optional true-peak ceiling,
// and ReplayGain tags instead of changing the gains.
struct NormalizeDialogState {
  double target = -16;
  bool useCeiling = true;
  double ceiling = -1;
  bool replayGain = false;
  std::string measuredText;  // what was measured, one line
  std::string scopeText;     // "the selection" / "the whole file"
};

struct NormalizeRequest {
  double target = -16;
  std::optional<double> ceiling = -1.0;
  bool replayGain = false;  // write REPLAYGAIN_TRACK_* fields, leave the gains
};

// Splitting into numbered files at silences or along a cue sheet.
struct PartSplitRequest {
  std::string pattern;  // "# " runs become the part number, zero padded
  bool dropSilences = false;
  bool tagTracks = false;  // TRCK "n/N" in each part's ID3v2 tag
  SilenceRules rules;
};

struct SilenceSplitDialogState {
  PartSplitRequest request;
  int silenceCount = -1;  // found with the current rules; -1 not looked yet
};

// The file name of part `number` of `count`: the first run of '#' in the
// pattern becomes the number, zero padded to the run's length (wider when
// the number needs it). Nothing when the pattern has no '#'.
std::optional<std::string> partFileName(const std::string& pattern, int number);

// Target and ceiling within sense: target -70..0 LUFS, ceiling -30..+3 dBTP.
inline bool targetValid(double target) { return target >= -70 && target <= 0; }
inline bool ceilingValid(double ceiling) { return ceiling >= -30 && ceiling <= 3; }
// Threshold -120..-10 dBFS, minimum length 0.05..3600 s.
inline bool thresholdValid(double db) { return db >= -120 && db <= -10; }
inline bool minLengthValid(double seconds) { return seconds >= 0.05 && seconds <= 3600; }

}  // namespace kavrel
