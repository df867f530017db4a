#include "editing/gain_ops.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "base/time_text.h"
#include "editing/positions.h"

namespace kavrel {

void applyVolume(std::vector<GainPair>& gains, int32_t a, int32_t b, int steps, bool left, bool right) {
  const Span s = orderedSpan(a, b, int32_t(gains.size()));
  const int l = left ? steps : 0;
  const int r = right ? steps : 0;
  // Both values are brought into range, also the one not changed: a silent
  // frame's marker pair becomes an ordinary one.
  for (int32_t i = s.start; i < s.end; ++i) {
    GainPair& g = gains[size_t(i)];
    g.left = clampGain(int64_t(g.left) + l);
    g.right = clampGain(int64_t(g.right) + r);
  }
}

int fadeDelta(int32_t i, int32_t a, int32_t b, int fadeSteps, bool fadeIn) {
  const int32_t n = b - a;
  if (n < 2) return 0;
  const double k = 1.0 / double(n - 1);
  const double x = fadeIn ? double(b - 1 - i) : double(i - a);
  return int(roundHalfEven(double(fadeSteps) * (x * k)));
}

void applyFade(std::vector<GainPair>& gains, int32_t a, int32_t b, int fadeSteps, bool fadeIn) {
  const Span s = orderedSpan(a, b, int32_t(gains.size()));
  if (s.length() < 2) return;
  for (int32_t i = s.start; i < s.end; ++i) {
    GainPair& g = gains[size_t(i)];
    g.left = clampGain(int64_t(g.left) + fadeDelta(i, s.start, s.end, fadeSteps, fadeIn));
    g.right = g.left;
  }
}

bool selectionHasStereo(const Document& doc, bool hasSelection, int32_t a, int32_t b) {
  if (!hasSelection) return true;
  const Span s = orderedSpan(a, b, doc.documentFrameCount());
  for (int32_t i = s.start; i < s.end; ++i)
    if (doc.entryChannelMode(i) != 3) return true;
  return false;
}

int selectionStereoKind(const Document& doc, bool hasSelection, int32_t a, int32_t b) {
  if (!hasSelection) return 0;
  const Span s = orderedSpan(a, b, doc.documentFrameCount());
  std::array<bool, 4> seen{};
  for (int32_t i = s.start; i < s.end; ++i) seen[size_t(doc.entryChannelMode(i) & 3)] = true;
  const auto modes = std::count(seen.begin(), seen.end(), true);
  if (modes > 1) return 2;
  return modes == 1 && seen[1] ? 1 : 0;
}

std::string volumeLabel(int steps) {
  return (steps > 0 ? "+" : "") + formatFixed(1, true, steps * 1.5) + " dB";
}

VolumeDialogState volumeDialogState(int memoryMode, int sliderMemory, int channelMemory, bool hasStereo,
                                    int stereoKind) {
  VolumeDialogState s;
  bool adjustLeft = true;
  bool adjustRight = true;
  s.sliderPosition = kVolumeSliderZero;
  if (memoryMode != 0) {
    s.sliderPosition = std::clamp(sliderMemory, 0, kSliderMax);
    if (channelMemory == 1) adjustRight = false;
    if (channelMemory == 2) adjustLeft = false;
  }
  s.valueLabel = volumeLabel(s.sliderPosition - kVolumeSliderZero);
  s.oneChannelEnabled = hasStereo;
  if ((adjustLeft && adjustRight) || !s.oneChannelEnabled) {
    s.channel = VolumeChannel::Both;
  } else {
    s.channel = adjustLeft ? VolumeChannel::Left : VolumeChannel::Right;
  }
  if (s.oneChannelEnabled && (stereoKind == 1 || stereoKind == 2)) {
    s.warningsVisible = true;
    s.warningText = stereoKind == 1 ? "joint stereo!" : "mixed stereo!";
  }
  return s;
}

std::string fadeMagnitudeLabel(int position) {
  return "Magnitude:  " + formatFixed(1, true, position * 1.5) + " dB";
}

bool preselectFadeIn(int32_t a, int32_t b, int32_t documentFrameCount, int32_t frameTableCount) {
  if (a == 0) return true;
  if (b >= documentFrameCount) return false;
  return !(int64_t(a) + b > frameTableCount);
}

FadeDialogState fadeDialogState(int memoryMode, int sliderMemory, bool fadeIn) {
  FadeDialogState s;
  s.sliderPosition = memoryMode != 0 ? std::clamp(sliderMemory, 0, kSliderMax) : kFadeSliderDefault;
  s.magnitudeLabel = fadeMagnitudeLabel(s.sliderPosition);
  s.fadeIn = fadeIn;
  return s;
}

}  // namespace kavrel
