#pragma once
// Loudness after EBU R 128 by libebur128: integrated loudness, loudness
// range, true peak and sample peak. A document may hold frames of several
// rates and channel counts (inserted files); each combination is measured
// by a state of its own and the results are combined as one programme.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio/decoder.h"

namespace kavrel {

// Below this (the absolute gate of the measurement) there is nothing to measure.
inline constexpr double kSilentLoudness = -70.0;

struct Loudness {
  bool measured = false;  // some audio above the absolute gate
  double integrated = kSilentLoudness;  // LUFS
  double range = 0;                     // LU
  double truePeak = -200;               // dBTP
  double samplePeak = -200;             // dBFS
  double seconds = 0;
};

class LoudnessMeter {
 public:
  LoudnessMeter();
  ~LoudnessMeter();
  LoudnessMeter(LoudnessMeter&&) noexcept;
  LoudnessMeter& operator=(LoudnessMeter&&) noexcept;

  // False when the measurement could not take the frame (out of memory).
  bool add(const DecodedFrame& frame) { return addPeaks(frame) && addLoudness(frame); }
  // The two halves of add(), which two threads may call at the same time
  // (each half always from the same thread, in frame order).
  bool addLoudness(const DecodedFrame& frame);
  bool addPeaks(const DecodedFrame& frame);
  Loudness result() const;
  // Several meters as one programme: an album's files.
  static Loudness combined(const std::vector<const LoudnessMeter*>& meters);

 private:
  // One libebur128 state per channel count and rate.
  struct States;
  std::unique_ptr<States> states_;
  int64_t sampleFrames_ = 0;
  double seconds_ = 0;
};

// "-23.0 LUFS", "-1.2 dBTP", "-inf" for nothing measurable.
std::string loudnessText(double lufs);
std::string peakText(double db);
// One line: "integrated -23.0 LUFS, range 4.1 LU, true peak -1.2 dBTP, sample peak -1.5 dBFS, length 3:12.520".
std::string loudnessSummary(const Loudness& l);

}  // namespace kavrel
