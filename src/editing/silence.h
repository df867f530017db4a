#pragma once
// Synthetic silent frames: their frame-list codes, the insertion into the
// lists, and what the silence dialog shows and how its length text and
// frame count follow each other.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "document/document.h"
#include "editing/positions.h"

namespace kavrel {

// At most this many silent frames (256K) per insertion.
inline constexpr int32_t kMaxSilenceFrames = 262144;

// The choices of one insertion: bitrate list item (bitrate index - 1,
// 0..13), sampling-rate index (0 44.1, 1 48, 2 32 kHz, halved in MPEG-2 and
// quartered in MPEG-2.5) and channel mode. The MPEG version is the
// document's and not a choice; the frame-list entry does not hold it.
struct SilenceFormat {
  int kbpsItem = 0;
  int rate = 0;
  int mode = 1;
  int version = kMpeg1;
  bool operator==(const SilenceFormat&) const = default;
};

// The frame-list entry of a silent frame of this format (negative).
int32_t silentFrameEntry(const SilenceFormat& format);

// What the document suggests: its bitrate when it has only one (else
// 32 kbps), the loaded file's rate and channel mode (joint stereo when
// modes are mixed).
SilenceFormat recommendedSilence(const Document& doc);

// Inserts `count` silent frames of `entry` in front of position p, with the
// marker gain pair. Throws std::bad_alloc with the document unchanged.
void insertSilentFrames(Document& doc, int32_t p, int32_t entry, int32_t count);

// The rate combo lists 32, 44.1, 48 kHz: item <-> sampling-rate index.
int rateOfItem(int item);
int itemOfRate(int rate);

// --- the length box
// The text of a frame count at a rate: seconds with up to 3 decimals.
std::string silenceLengthText(int32_t frames, int version, int rate);

// The edit box's text read as seconds ("," for ".", blanks ignored).
struct SilenceLength {
  bool valid = false;     // else red text, OK disabled, counted as 0 s
  int32_t frames = 0;     // the pending count, 0..262144
  bool resetText = false;  // negative: the box goes back to "0"
};
SilenceLength parseSilenceLength(std::string_view text, int version, int rate);

// cmsb1 / cmsb3: one frame more or less.
int32_t stepSilenceFrame(int32_t frames, int dir);
// cmsb2 / cmsb4: to the next whole second up (dir +1) or down (-1) from
// the seconds of `text`.
int32_t stepSilenceSecond(std::string_view text, int version, int rate, int dir);

// The four stepping buttons by code.
enum SilenceStepButton : int {
  kSilenceFrameUp = 1,     // cmsb1
  kSilenceSecondUp = 2,    // cmsb2
  kSilenceFrameDown = 3,   // cmsb3
  kSilenceSecondDown = 4,  // cmsb4
};
// Button `code` with `frames` pending and `text` in the box: the new count.
int32_t stepSilence(int code, int32_t frames, std::string_view text, int version, int rate);
// Held down, the buttons repeat as the main window's stepping buttons do:
// one interval of wait, then a step per tick, faster and faster.
AutoRepeat silenceAutoRepeat();

// --- the dialog
struct SilenceDialogState {
  std::array<std::string, 14> kbpsItems;  // the bitrate choices
  std::array<std::string, 3> rateItems;   // ComboFreq: 32, 44.1, 48 kHz (or their halves, quarters)
  std::array<std::string, 4> modeItems;   // ComboMode
  SilenceFormat format;                   // the items chosen
  int32_t frames = 0;                     // the pending count as preset
  std::string lengthText = "0";           // xbox
  std::string limitLabel;                 // Label2
  std::string whereLabel;                 // where the silence goes
  bool replacesSelection = false;         // shown as a warning
};

struct SilenceDialogResult {
  int32_t frames = 0;
  SilenceFormat format;
};

// The dialog on activation for `presetFrames` (already limited) whose length
// is `presetSeconds` (the selection's span; 0 without one).
SilenceDialogState silenceDialogState(const Document& doc, int32_t presetFrames, double presetSeconds,
                                      bool hasSelection);

}  // namespace kavrel
