#pragma once
// Positions in the edited frame list and their times: a position p is the
// boundary in front of document frame p, 0 .. frame count. Also the time
// parser behind the position boxes, the stepping rules, the auto-repeat of
// the stepping buttons and the mouse rules of the frame strip.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "document/document.h"

namespace kavrel {

// Frames of [from, to) per sampling-rate index; the range is cut to the list.
// A document of one rate is answered from its rate histogram when that
// counts the whole list (RefreshStatistics keeps it so after every change).
std::array<int64_t, 3> rateCounts(const Document& doc, int32_t from, int32_t to);

// Time of position p. `halfFrame` adds half the duration of the frame at p
// (the frame view's middle label).
double framePositionTime(const Document& doc, int32_t p, bool halfFrame = false);

// Length of the frames between two positions given in any order.
double spanTime(const Document& doc, int32_t p, int32_t q);

// The position nearest to time t, not yet clamped to the document.
int32_t positionAtTime(const Document& doc, double t);

// Drops NUL, blank and 0xFF bytes from both ends.
std::string trimBlanks(std::string_view text);

// "83.5", "1:23.5", "0:01:23.5", "1:23:00" (hours:minutes:seconds) as seconds.
// How a typed position counts: from the start of the document, or back or
// forward from a reference position.
enum class RelativeMode : uint8_t { Absolute = 0, Backward = 1, Forward = 2 };

struct ParsedTime {
  bool failed = true;
  double seconds = 0;
};
ParsedTime parseTime(std::string_view text);
inline bool timeTextValid(std::string_view text) { return !parseTime(text).failed; }

inline int32_t clampPosition(int64_t p, int32_t frameCount) {
  return p < 0 ? 0 : p > frameCount ? frameCount : int32_t(p);
}

// Document positions start <= end within 0..frameCount: the frames a
// selection or an edit covers.
struct Span {
  int32_t start = 0;
  int32_t end = 0;
  int32_t length() const { return end - start; }
};
// Two ends in either order, each brought into the document.
inline Span orderedSpan(int64_t p, int64_t q, int32_t frameCount) {
  return p <= q ? Span{clampPosition(p, frameCount), clampPosition(q, frameCount)}
                : Span{clampPosition(q, frameCount), clampPosition(p, frameCount)};
}

// The stepping buttons: one frame, or to the nearest whole second plus or
// minus one (halves up). `dir` is +1 or -1; the result is within the document.
int32_t stepFramePosition(const Document& doc, int32_t p, int dir);
int32_t stepSecondPosition(const Document& doc, int32_t p, int dir);

// Button codes of the stepping and page buttons.
enum StepButton : int {
  kCursorFrameUp = 1,     // cmsb1
  kCursorSecondUp = 2,    // cmsb2
  kCursorFrameDown = 3,   // cmsb3
  kCursorSecondDown = 4,  // cmsb4
  kEndFrameUp = 5,        // cmsb5
  kEndSecondUp = 6,       // cmsb6
  kEndFrameDown = 7,      // cmsb7
  kEndSecondDown = 8,     // cmsb8
  kPageLeft = 9,          // a page of the frame view back
  kPageRight = 10,        // a page forward
};

// Auto-repeat of a held stepping or page button. The window's timer calls
// tick() every interval() ms while running(); the first tick only waits, each
// later one repeats the button and shortens the interval down to 20 ms.
class AutoRepeat {
 public:
  static constexpr int kInitialInterval = 220;

  // The main window's buttons 1..10; the first tick marks the wait by
  // multiplying the code by 20.
  AutoRepeat() = default;
  // Buttons 1..lastCode, the wait marked by `delayFactor` (above lastCode).
  AutoRepeat(int lastCode, int delayFactor) : lastCode_(lastCode), delayFactor_(delayFactor) {}

  // Button down; false (nothing to start) while another button repeats.
  bool press(int buttonCode);
  // The button (1..lastCode) whose action to perform now, or 0.
  int tick();
  // Any of the buttons released: stop and reset.
  void release();

  bool running() const { return code_ != 0; }
  int interval() const { return interval_; }
  int code() const { return code_; }

 private:
  int lastCode_ = kPageRight;
  int delayFactor_ = 20;
  int code_ = 0;
  int interval_ = kInitialInterval;
};

// The frame strip under the mouse.
inline constexpr int kStripLeft = 29;
inline constexpr int kSlotWidth = 5;

enum class MouseButton { Left, Right, Middle };

// Position under pixel column x (division truncating toward zero).
int32_t positionAtColumn(int x, int32_t viewOffset);

// What a press or release on the strip does to the selection.
struct MouseEdit {
  enum Kind { None, PlaceCursor, SetEnd };
  Kind kind = None;
  int32_t position = 0;
};
MouseEdit mousePress(int x, MouseButton button, bool shift, int32_t viewOffset, int32_t frameCount,
                     int32_t cursor);
MouseEdit mouseRelease(int x, MouseButton button, bool shift, int32_t viewOffset, int32_t frameCount,
                       int32_t cursor);

}  // namespace kavrel
