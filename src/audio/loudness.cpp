#include "audio/loudness.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <utility>

#include "base/time_text.h"

namespace kavrel {

namespace {

constexpr int kModes = EBUR128_MODE_I | EBUR128_MODE_LRA | EBUR128_MODE_TRUE_PEAK | EBUR128_MODE_SAMPLE_PEAK;

double toDb(double linear) { return linear > 0 ? 20.0 * std::log10(linear) : -200.0; }

}  // namespace

struct LoudnessMeter::States {
  struct Deleter {
    void operator()(ebur128_state* s) const { ebur128_destroy(&s); }
  };
  std::map<std::pair<int, long>, std::unique_ptr<ebur128_state, Deleter>> byFormat;
};

LoudnessMeter::LoudnessMeter() : states_(std::make_unique<States>()) {}
LoudnessMeter::~LoudnessMeter() = default;
LoudnessMeter::LoudnessMeter(LoudnessMeter&&) noexcept = default;
LoudnessMeter& LoudnessMeter::operator=(LoudnessMeter&&) noexcept = default;

bool LoudnessMeter::add(const DecodedFrame& frame) {
  if (frame.channels <= 0 || frame.rate <= 0 || frame.sampleFrames <= 0) return true;
  auto& state = states_->byFormat[{frame.channels, frame.rate}];
  if (!state) {
    state.reset(ebur128_init(unsigned(frame.channels), static_cast<unsigned long>(frame.rate), kModes));
    if (!state) return false;
  }
  sampleFrames_ += frame.sampleFrames;
  seconds_ += double(frame.sampleFrames) / double(frame.rate);
  return ebur128_add_frames_float(state.get(), frame.samples, size_t(frame.sampleFrames)) == EBUR128_SUCCESS;
}

Loudness LoudnessMeter::combined(const std::vector<const LoudnessMeter*>& meters) {
  std::vector<ebur128_state*> all;
  Loudness out;
  double truePeak = 0;
  double samplePeak = 0;
  for (const LoudnessMeter* m : meters) {
    out.seconds += m->seconds_;
    for (const auto& [key, state] : m->states_->byFormat) {
      all.push_back(state.get());
      for (unsigned c = 0; c < unsigned(key.first); ++c) {
        double peak = 0;
        if (ebur128_true_peak(state.get(), c, &peak) == EBUR128_SUCCESS) truePeak = std::max(truePeak, peak);
        if (ebur128_sample_peak(state.get(), c, &peak) == EBUR128_SUCCESS)
          samplePeak = std::max(samplePeak, peak);
      }
    }
  }
  out.truePeak = toDb(truePeak);
  out.samplePeak = toDb(samplePeak);
  if (all.empty()) return out;
  double integrated = 0;
  if (ebur128_loudness_global_multiple(all.data(), all.size(), &integrated) == EBUR128_SUCCESS &&
      std::isfinite(integrated) && integrated > kSilentLoudness) {
    out.measured = true;
    out.integrated = integrated;
  }
  double range = 0;
  if (ebur128_loudness_range_multiple(all.data(), all.size(), &range) == EBUR128_SUCCESS && std::isfinite(range))
    out.range = range;
  return out;
}

Loudness LoudnessMeter::result() const { return combined({this}); }

std::string loudnessText(double lufs) {
  if (lufs <= kSilentLoudness) return "-inf LUFS";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f LUFS", lufs);
  return buf;
}

std::string peakText(double db) {
  if (db <= -200) return "-inf";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f", db);
  return buf;
}

std::string loudnessSummary(const Loudness& l) {
  char range[32];
  std::snprintf(range, sizeof range, "%.1f LU", l.range);
  return "integrated " + loudnessText(l.measured ? l.integrated : kSilentLoudness) + ", range " + range +
         ", true peak " + peakText(l.truePeak) + " dBTP, sample peak " + peakText(l.samplePeak) + " dBFS, " +
         formatTime(3, l.seconds);
}

}  // namespace kavrel
