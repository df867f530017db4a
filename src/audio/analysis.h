#pragma once
// One pass over a span of the document: its loudness and, when asked, the
// level of every frame (for finding silences). Also the choice of the
// lossless normalisation and the silence rules, which only do arithmetic on
// what the pass measured.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "audio/decoder.h"
#include "audio/loudness.h"

namespace kavrel {

// A frame nothing was decoded for (a VBR header frame, a frame the decoder
// dropped) counts as silent.
inline constexpr float kNoLevel = -200.0f;

struct AudioAnalysis {
  DecodeOutcome outcome = DecodeOutcome::Failed;
  std::string message;
  Span span;
  Loudness loudness;
  LoudnessMeter meter;
  // Per frame of the span: RMS level over all channels in dBFS (a full-scale
  // square wave is 0) and the frame's duration in seconds.
  std::vector<float> levels;
  std::vector<float> durations;
};

AudioAnalysis analyseDocument(const Document& doc, Span span, bool withLevels, const DecodeCheckpoint& checkpoint);

// --- lossless normalisation

// One global_gain step scales the samples by 2^(1/4).
inline constexpr double kGainStepDb = 1.5051499783199060;  // 20 * log10(2^0.25)
// The most a normalisation changes the level, either way (as VOLUME: 60 dB).
inline constexpr int kMaxNormalizeSteps = 40;

struct NormalizePlan {
  bool possible = false;  // false: nothing measurable (silence)
  int steps = 0;
  double loudness = 0;  // predicted, LUFS
  double truePeak = 0;  // predicted, dBTP
  bool limitedByPeak = false;  // fewer steps than the target asked for
};

// The whole number of steps that brings `measured` closest to `target`
// without the true peak going above `ceiling` (when given).
NormalizePlan planNormalize(const Loudness& measured, double target, std::optional<double> ceiling);

// ReplayGain 2.0 values for TXXX fields: the gain to -18 LUFS as
// "-4.52 dB" and the true peak as a linear factor "0.912011".
std::string replayGainText(const Loudness& l);
std::string replayPeakText(const Loudness& l);

// --- silences

struct SilenceRules {
  double thresholdDb = -50;  // a frame below this is silent
  double minSeconds = 2;     // shortest stretch that counts
};

// Stretches of frames below the threshold lasting at least the minimum, as
// document positions (`levels[0]` is frame `first`).
std::vector<Span> findSilences(const std::vector<float>& levels, const std::vector<float>& durations,
                               int32_t first, const SilenceRules& rules);

// The parts between silences of a document of `frameCount` frames: cut in
// the middle of each silence that has sound on both sides, or without the
// silences at all when `drop`. A silence at either end is never a cut; it
// belongs to its part unless dropped.
std::vector<Span> partsAtSilences(int32_t frameCount, const std::vector<Span>& silences, bool drop);

}  // namespace kavrel
