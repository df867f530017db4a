#pragma once
// Volume, balance and fade as arithmetic on the gain list, the channel-mode
// tests of a selection, and what the volume and fade dialogs show.

#include <cstdint>
#include <string>
#include <vector>

#include "document/document.h"

namespace kavrel {

inline constexpr int kGainLimit = 255;
// The pair a freshly made silent frame carries; never written.
inline constexpr int16_t kSilentFrameGain = -32768;
// Slider ranges of both dialogs: 0..40; the volume slider's 20 is 0 dB.
inline constexpr int kSliderMax = 40;
inline constexpr int kVolumeSliderZero = 20;
inline constexpr int kFadeSliderDefault = 20;

inline int16_t clampGain(int64_t v) {
  return int16_t(v > kGainLimit ? kGainLimit : v < -kGainLimit ? -kGainLimit : v);
}

// Adds `steps` to the left and/or right values of gains [a, b); both values
// of every touched pair end within -255..255.
void applyVolume(std::vector<GainPair>& gains, int32_t a, int32_t b, int steps, bool left, bool right);

// The linear fade over [a, b) (at least two frames): 0 at the loud end,
// `fadeSteps` (0..-40) at the quiet end, rounded halves to even. The ramp
// is added to the left values and the right values take the result.
void applyFade(std::vector<GainPair>& gains, int32_t a, int32_t b, int fadeSteps, bool fadeIn);
// The ramp value of frame i of [a, b).
int fadeDelta(int32_t i, int32_t a, int32_t b, int fadeSteps, bool fadeIn);

// True without a selection, or when a frame of [a, b) is not mono.
bool selectionHasStereo(const Document& doc, bool hasSelection, int32_t a, int32_t b);
// 0, 1 (every frame of [a, b) joint stereo) or 2 (several channel modes).
int selectionStereoKind(const Document& doc, bool hasSelection, int32_t a, int32_t b);

// --- the volume dialog
enum class VolumeChannel : int { Both = 0, Left = 1, Right = 2 };

struct VolumeDialogState {
  int sliderPosition = kVolumeSliderZero;  // the magnitude slider, 0..40
  std::string valueLabel = "0 dB";        // Label2
  VolumeChannel channel = VolumeChannel::Both;  // the option shown checked
  bool oneChannelEnabled = true;          // RadioButton2 and RadioButton3
  bool warningsVisible = false;           // Warnlab1..WarnLab4
  std::string warningText;                // "joint stereo!" or "mixed stereo!"
};

// How the user left the dialog. Closed without OK (Esc, the close box,
// another window activated) it is not `accepted`, yet what the user touched
// is remembered all the same: the slider and channel memory follow every
// move and every option picked, at once.
struct VolumeDialogResult {
  int sliderPosition = kVolumeSliderZero;
  VolumeChannel channel = VolumeChannel::Both;
  bool accepted = true;
  bool sliderMoved = true;    // the slider was moved while open
  bool channelPicked = true;  // an option was picked while open
};

// "+4.5 dB", "-30 dB", "0 dB" for a change of `steps`.
std::string volumeLabel(int steps);
// The dialog on activation. memoryMode 0 starts at 0 dB for both channels.
VolumeDialogState volumeDialogState(int memoryMode, int sliderMemory, int channelMemory, bool hasStereo,
                                    int stereoKind);

// --- the fade dialog
struct FadeDialogState {
  int sliderPosition = kFadeSliderDefault;  // the magnitude slider, 0..40 = 0..60 dB
  std::string magnitudeLabel;               // Label1
  bool fadeIn = false;                      // RadioButton1 (else RadioButton2)
};

// As with the volume dialog, a dialog closed without OK still reports the
// direction it closed with and whether the slider was moved.
struct FadeDialogResult {
  int sliderPosition = kFadeSliderDefault;
  bool fadeIn = false;
  bool accepted = true;
  bool sliderMoved = true;
};

// "Magnitude:  30 dB" for slider position 20.
std::string fadeMagnitudeLabel(int position);
// The direction offered for [a, b): in at the start, out at the end,
// otherwise by which half of the loaded frames the selection leans to.
bool preselectFadeIn(int32_t a, int32_t b, int32_t documentFrameCount, int32_t frameTableCount);
FadeDialogState fadeDialogState(int memoryMode, int sliderMemory, bool fadeIn);

}  // namespace kavrel
