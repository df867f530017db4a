#include "audio/analysis.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kavrel {

AudioAnalysis analyseDocument(const Document& doc, Span span, bool withLevels, const DecodeCheckpoint& checkpoint) {
  AudioAnalysis a;
  a.span = orderedSpan(span.start, span.end, doc.documentFrameCount());
  if (withLevels) {
    a.levels.assign(size_t(a.span.length()), kNoLevel);
    a.durations.assign(size_t(a.span.length()), 0.0f);
  }
  bool meterFailed = false;
  const DecodeResult r = decodeDocument(
      doc, a.span,
      [&](const DecodedFrame& f) {
        if (!a.meter.add(f)) meterFailed = true;
        if (!withLevels) return;
        const size_t k = size_t(f.index - a.span.start);
        const size_t n = size_t(f.sampleFrames) * size_t(f.channels);
        double sum = 0;
        for (size_t s = 0; s < n; ++s) sum += double(f.samples[s]) * double(f.samples[s]);
        const double mean = n ? sum / double(n) : 0;
        // RMS relative to a full-scale square wave.
        a.levels[k] = mean > 1e-20 ? float(10.0 * std::log10(mean)) : kNoLevel;
        a.durations[k] = float(double(f.sampleFrames) / double(f.rate));
      },
      checkpoint);
  a.outcome = r.outcome;
  a.message = r.message;
  if (meterFailed && a.outcome == DecodeOutcome::Done) {
    a.outcome = DecodeOutcome::Failed;
    a.message = "Out of memory while measuring.";
  }
  if (a.outcome == DecodeOutcome::Done) a.loudness = a.meter.result();
  return a;
}

NormalizePlan planNormalize(const Loudness& measured, double target, std::optional<double> ceiling) {
  NormalizePlan p;
  if (!measured.measured) return p;
  p.possible = true;
  int steps = int(std::lround((target - measured.integrated) / kGainStepDb));
  if (ceiling && measured.truePeak > -200) {
    // A hair of tolerance so that a peak exactly on the ceiling stays allowed.
    const int most = int(std::floor((*ceiling - measured.truePeak) / kGainStepDb + 1e-9));
    if (steps > most) {
      steps = most;
      p.limitedByPeak = true;
    }
  }
  steps = std::clamp(steps, -kMaxNormalizeSteps, kMaxNormalizeSteps);
  p.steps = steps;
  p.loudness = measured.integrated + steps * kGainStepDb;
  p.truePeak = measured.truePeak + steps * kGainStepDb;
  return p;
}

std::string replayGainText(const Loudness& l) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f dB", -18.0 - l.integrated);
  return buf;
}

std::string replayPeakText(const Loudness& l) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.6f", l.truePeak > -200 ? std::pow(10.0, l.truePeak / 20.0) : 0.0);
  return buf;
}

std::vector<Span> findSilences(const std::vector<float>& levels, const std::vector<float>& durations,
                               int32_t first, const SilenceRules& rules) {
  std::vector<Span> out;
  const size_t n = levels.size();
  size_t k = 0;
  while (k < n) {
    if (levels[k] >= rules.thresholdDb) {
      ++k;
      continue;
    }
    size_t end = k;
    double seconds = 0;
    while (end < n && levels[end] < rules.thresholdDb) seconds += durations[end++];
    // Half a millisecond of slack against the sum of rounded durations.
    if (seconds + 0.0005 >= rules.minSeconds) out.push_back({first + int32_t(k), first + int32_t(end)});
    k = end;
  }
  return out;
}

std::vector<Span> partsAtSilences(int32_t frameCount, const std::vector<Span>& silences, bool drop) {
  std::vector<Span> parts;
  int32_t start = 0;
  for (const Span& s : silences) {
    if (s.start <= 0) {
      if (drop) start = s.end;
      continue;
    }
    if (s.end >= frameCount) {
      if (drop) frameCount = s.start;
      break;
    }
    const int32_t cut = s.start + s.length() / 2;
    const int32_t end = drop ? s.start : cut;
    if (end > start) parts.push_back({start, end});
    start = drop ? s.end : cut;
  }
  if (frameCount > start) parts.push_back({start, frameCount});
  return parts;
}

}  // namespace kavrel
