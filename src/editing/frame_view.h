#pragma once
// The frame view of the main window without pixels: the strip of 84 frame
// bars, the cursor band and selection shading, the cursor markers, the three
// time labels and the self-drawn scroll bar with its page jumps, thumb drag
// and ScrollTimer. The window paints what these say, in its client
// coordinates (the window is not resizable).

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "document/document.h"
#include "editing/positions.h"

namespace kavrel {

// Strip (kStripLeft and kSlotWidth are in positions.h).
inline constexpr int32_t kFramesShown = 84;
inline constexpr int kStripTop = 294;
inline constexpr int kStripWidth = 423;
inline constexpr int kStripHeight = 20;
inline constexpr int kBarWidth = 4;
inline constexpr int kBarPictureHeight = 16;         // ChunkPic0..15, ChunkPicX
inline constexpr int kBarBaseline = kStripTop + 19;  // bars end on the row above
inline constexpr int kMarkY = 319;                   // LineMark and Linemedi
inline constexpr int kLineMarkWidth = 5;
// Label centres; the middle label is centred over the strip.
inline constexpr int kLabelLeftCentre = 33;
inline constexpr int kLabelMiddleCentre = kStripLeft + 1 + kStripWidth / 2;
inline constexpr int kLabelRightCentre = 448;
// Scroll bar.
inline constexpr int kTroughLeft = 42;
inline constexpr int kTroughRight = 437;
inline constexpr int kTroughTop = 329;
inline constexpr int kTroughBottom = 344;
inline constexpr int kTroughWidth = kTroughRight - kTroughLeft + 1;
inline constexpr int kMinThumbWidth = 15;
inline constexpr int kPageButtonLeftX = 18;    // SleftBit
inline constexpr int kPageButtonRightX = 438;  // SrightBit
inline constexpr int kPageButtonWidth = 24;
inline constexpr int kPageButtonHeight = 16;
inline constexpr int kDragBandLeft = 18;  // a thumb drag ends outside these columns
inline constexpr int kDragBandRight = 461;
// The load progress box.
inline constexpr int kProgressLeft = 100;
inline constexpr int kProgressRight = 384;
inline constexpr int kProgressTop = 83;
inline constexpr int kProgressBottom = 103;

// What the view shows of the editor's state.
struct ViewState {
  std::array<int32_t, 2> selection{0, 0};  // the cursor, then the other end
  bool multipleSelected = false;
  int32_t viewOffset = 0;  // first frame shown, 0..maxViewOffset
  int32_t maxViewOffset = 0;
};

// frameCount - 84 from 85 frames on, else 0.
inline int32_t maxViewOffsetFor(int32_t frameCount) {
  return frameCount > kFramesShown ? frameCount - kFramesShown : 0;
}

// Column of position p, the boundary in front of frame p.
inline int positionX(int32_t p, int32_t viewOffset) {
  return kStripLeft + 1 + int(p - viewOffset) * kSlotWidth;
}

// Bar level: the mean of the two gain changes (truncated) on the frame's
// average global_gain, within 0..255; and its height in pixels, 0..16.
int barLevel(GainPair gain, int averageGain);
int barHeight(int level);

// Slot s (0..83) of the strip: empty past the end and for silent frames,
// the VBR-header picture (whole), or the bottom `height` rows of the
// picture of the frame's bitrate index.
struct Slot {
  enum Kind : uint8_t { Empty, VbrHeader, Bar };
  Kind kind = Empty;
  int bitrateIndex = 0;
  int height = 0;
  int top() const { return kBarBaseline - height; }
};
Slot frameSlot(const Document& doc, int32_t viewOffset, int s);
inline int slotX(int s) { return kStripLeft + 3 + kSlotWidth * s; }

// The grey cursor band or selection shading behind the bars: columns
// [left, right) counted from kStripLeft; none when empty().
struct Band {
  int left = 0;
  int right = 0;
  bool empty() const { return left == right; }
};
Band shadedBand(const ViewState& view);

// The silences found in the document, as the view marks them: bands under
// the frames shown (from kStripLeft, as shadedBand) and, for the whole
// document, columns of the scroll bar's trough (absolute x, at least one
// pixel wide).
std::vector<Band> silenceStripBands(const std::vector<Span>& silences, int32_t viewOffset);
std::vector<Band> silenceTroughMarks(const std::vector<Span>& silences, int32_t frameCount);

// Which cursor markers show, and where. ButFind shows exactly when
// LabelWhc does not.
struct CursorMarkers {
  bool lineMark = false;  // the cursor without a selection, at lineMarkX
  int lineMarkX = 0;
  bool linemedi = false;  // the selection's part on screen, linemediX1..linemediX2
  int linemediX1 = 0;
  int linemediX2 = 0;
  bool strelLeft = false;  // the cursor or selection lies left of the view
  bool strelRight = false;
  bool labelWhc = false;  // "on screen"
  bool butFind() const { return !labelWhc; }
};
CursorMarkers cursorMarkers(const ViewState& view);

// ButFindClick: the view offset that brings the cursor, or a selection of
// up to 84 frames centred, into view.
int32_t findViewOffset(const ViewState& view);

// The three time labels under the strip, rebuilt only when the view has
// moved since they were last built.
class TimeLabels {
 public:
  // Rebuilds the texts when viewOffset is not the labelled offset; true when
  // it did (the tick marks and cursor markers are then refreshed too).
  bool refresh(const Document& doc, int32_t viewOffset);
  // Forces the next rebuild (after every edit).
  void invalidate() { labelledOffset_ = -1; }
  int32_t labelledOffset() const { return labelledOffset_; }
  const std::string& left() const { return left_; }      // Glabelleft
  const std::string& middle() const { return middle_; }  // Glabelmid
  const std::string& right() const { return right_; }    // Glabelright

 private:
  int32_t labelledOffset_ = -1;
  std::string left_, middle_, right_;
};

// The scroll bar as drawn: no thumb while the view cannot scroll; the page
// buttons SleftBit / SrightBit are enabled unless the view is at that end.
struct ScrollBarLayout {
  bool thumbShown = false;
  int thumbX = 0;
  int thumbWidth = 0;
  bool leftEnabled = false;
  bool rightEnabled = false;
};
ScrollBarLayout scrollBarLayout(int32_t viewOffset, int32_t maxViewOffset);

// Mouse and ScrollTimer on the scroll bar's trough. Each call that can move
// the view returns the new view offset. The caller ignores the mouse while a
// script runs.
class ScrollBarMouse {
 public:
  enum class Part : uint8_t { None = 0, Left = 1, Right = 2 };
  static constexpr int kFirstInterval = 240;

  // Button down at (x, y): a page jump (the part stays pressed and the timer
  // starts) or, on the thumb, the start of a drag.
  int32_t press(int x, int y, int32_t viewOffset, int32_t maxViewOffset);
  // Mouse moved with the button down: while dragging, the offset under the
  // thumb; leaving the drag band ends the drag.
  int32_t move(int x, int32_t viewOffset, int32_t maxViewOffset);
  // ScrollTimer: shortens the interval, then repeats the pressed part's jump.
  int32_t tick(int32_t viewOffset, int32_t maxViewOffset);
  // Button up: nothing pressed, no drag, timer stopped and reset.
  void release();

  Part pressed() const { return pressed_; }
  bool dragging() const { return dragging_; }
  int grab() const { return grab_; }
  bool timerRunning() const { return pressed_ != Part::None; }
  int interval() const { return interval_; }

 private:
  Part pressed_ = Part::None;
  bool dragging_ = false;
  int grab_ = 0;
  int interval_ = kFirstInterval;
};

}  // namespace kavrel
