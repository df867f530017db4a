#include "audio/loudness.h"

#include <ebur128.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <utility>
#include <vector>

#include "base/time_text.h"

namespace kavrel {

namespace {

// Integrated loudness and range come from libebur128; the peaks are
// measured here (see TruePeak).
constexpr int kModes = EBUR128_MODE_I | EBUR128_MODE_LRA;

double toDb(double linear) { return linear > 0 ? 20.0 * std::log10(linear) : -200.0; }

// 4x oversampling by a 49-tap Hann-windowed sinc in four phases of 13
// taps, the usual true-peak interpolator. Most of the work is skipped: a
// block whose samples (with the 12 before it) are all so small that no
// interpolated value can beat the peak found so far is not oversampled.
class TruePeak {
 public:
  static constexpr int kTaps = 49;
  static constexpr int kFactor = 4;
  static constexpr int kPhaseTaps = (kTaps + kFactor - 1) / kFactor;  // 13
  static constexpr int kBlock = 64;

  explicit TruePeak(int channels) : channels_(channels), history_(size_t(channels) * kPhaseTaps, 0.0f) {
    for (int j = 0; j < kTaps; ++j) {
      const double m = j - (kTaps - 1) / 2.0;
      double c = std::abs(m) > 1e-9 ? std::sin(m * M_PI / kFactor) / (m * M_PI / kFactor) : 1.0;
      c *= 0.5 * (1 - std::cos(2 * M_PI * j / (kTaps - 1)));
      coeff_[size_t(j % kFactor)][size_t(j / kFactor)] = float(c);
    }
    for (const auto& phase : coeff_) {
      double sum = 0;
      for (float c : phase) sum += std::abs(c);
      gain_ = std::max(gain_, sum);
    }
  }

  void add(const float* samples, int32_t frames) {
    std::vector<float>& x = work_;
    for (int c = 0; c < channels_; ++c) {
      // x: the channel's last 12 samples, then this frame's.
      x.assign(history_.begin() + c * kPhaseTaps, history_.begin() + (c + 1) * kPhaseTaps - 1);
      for (int32_t n = 0; n < frames; ++n) x.push_back(samples[size_t(n) * size_t(channels_) + size_t(c)]);
      const size_t head = kPhaseTaps - 1;
      for (size_t n = head; n < x.size(); ++n) samplePeak_ = std::max(samplePeak_, double(std::abs(x[n])));
      for (size_t start = head; start < x.size(); start += kBlock) {
        const size_t end = std::min(x.size(), start + kBlock);
        float local = 0;
        for (size_t n = start - head; n < end; ++n) local = std::max(local, std::abs(x[n]));
        if (local * gain_ <= truePeak_) continue;
        // Phase by phase over the block, so that the sums vectorise.
        const size_t count = end - start;
        float peak = 0;
        for (const auto& phase : coeff_) {
          std::array<float, kBlock> acc{};
          for (int t = 0; t < kPhaseTaps; ++t) {
            const float k = phase[size_t(t)];
            const float* from = x.data() + start - size_t(t);
            for (size_t i = 0; i < count; ++i) acc[i] += k * from[i];
          }
          for (size_t i = 0; i < count; ++i) peak = std::max(peak, std::abs(acc[i]));
        }
        truePeak_ = std::max(truePeak_, double(peak));
      }
      std::copy(x.end() - (kPhaseTaps - 1), x.end(), history_.begin() + c * kPhaseTaps);
    }
    truePeak_ = std::max(truePeak_, samplePeak_);
  }

  double truePeak() const { return truePeak_; }
  double samplePeak() const { return samplePeak_; }

 private:
  int channels_;
  std::array<std::array<float, kPhaseTaps>, kFactor> coeff_{};
  double gain_ = 0;
  std::vector<float> history_;
  std::vector<float> work_;
  double truePeak_ = 0;
  double samplePeak_ = 0;
};

}  // namespace

struct LoudnessMeter::States {
  struct Deleter {
    void operator()(ebur128_state* s) const { ebur128_destroy(&s); }
  };
  std::map<std::pair<int, long>, std::unique_ptr<ebur128_state, Deleter>> byFormat;
  std::map<std::pair<int, long>, TruePeak> peaks;
};

LoudnessMeter::LoudnessMeter() : states_(std::make_unique<States>()) {}
LoudnessMeter::~LoudnessMeter() = default;
LoudnessMeter::LoudnessMeter(LoudnessMeter&&) noexcept = default;
LoudnessMeter& LoudnessMeter::operator=(LoudnessMeter&&) noexcept = default;

bool LoudnessMeter::addLoudness(const DecodedFrame& frame) {
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

bool LoudnessMeter::addPeaks(const DecodedFrame& frame) {
  if (frame.channels <= 0 || frame.rate <= 0 || frame.sampleFrames <= 0) return true;
  auto it = states_->peaks.try_emplace({frame.channels, frame.rate}, frame.channels).first;
  it->second.add(frame.samples, frame.sampleFrames);
  return true;
}

Loudness LoudnessMeter::combined(const std::vector<const LoudnessMeter*>& meters) {
  std::vector<ebur128_state*> all;
  Loudness out;
  double truePeak = 0;
  double samplePeak = 0;
  for (const LoudnessMeter* m : meters) {
    out.seconds += m->seconds_;
    for (const auto& [key, state] : m->states_->byFormat) all.push_back(state.get());
    for (const auto& [key, peak] : m->states_->peaks) {
      truePeak = std::max(truePeak, peak.truePeak());
      samplePeak = std::max(samplePeak, peak.samplePeak());
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
         ", true peak " + peakText(l.truePeak) + " dBTP, sample peak " + peakText(l.samplePeak) + " dBFS, length " +
         formatTime(3, l.seconds);
}

}  // namespace kavrel
