#include "editing/frame_view.h"

#include <algorithm>

#include "base/time_text.h"
#include "editing/keyboard.h"

namespace kavrel {

namespace {

// The lowest level of each bar height 1..16.
constexpr std::array<int, 16> kHeightSteps = {1,   32,  64,  96,  112, 129, 144, 152,
                                              159, 166, 173, 180, 187, 194, 201, 208};

// Strip-relative columns the shading may cover.
constexpr int kBandFirst = 1;
constexpr int kBandLast = kStripWidth + 1;

constexpr int32_t kMiddleLabelFrame = 41;
constexpr int32_t kRightLabelFrame = kFramesShown - 1;

int thumbWidth(int32_t maxViewOffset) {
  // The view scrolls only from 85 frames on, where maxViewOffset is the frame count - 84.
  const double frames = double(maxViewOffset) + kFramesShown;
  return std::max<int>(kMinThumbWidth, int(roundHalfEven(kTroughWidth * kFramesShown / frames)));
}

int32_t pageJump(ScrollBarMouse::Part part, int32_t viewOffset, int32_t maxViewOffset) {
  if (part == ScrollBarMouse::Part::None) return viewOffset;
  return viewOffsetAfter(part == ScrollBarMouse::Part::Left ? KeyCommand::PageUp : KeyCommand::PageDown,
                         viewOffset, maxViewOffset);
}

}  // namespace

int barLevel(GainPair gain, int averageGain) {
  return std::clamp((gain.left + gain.right) / 2 + averageGain, 0, 255);
}

int barHeight(int level) {
  return int(std::upper_bound(kHeightSteps.begin(), kHeightSteps.end(), level) - kHeightSteps.begin());
}

Slot frameSlot(const Document& doc, int32_t viewOffset, int s) {
  const int64_t f = int64_t(viewOffset) + s;
  if (f < 0 || f >= doc.documentFrameCount()) return {};
  const int32_t entry = doc.frameList[size_t(f)];
  if (entry < 0) return {};
  const FrameInfo& info = doc.frameTable[entry];
  if (info.vbrHeaderKind != 0) return {Slot::VbrHeader, 0, kBarPictureHeight};
  return {Slot::Bar, info.bitrateIndex & 15, barHeight(barLevel(doc.gainList[size_t(f)], info.averageGain))};
}

Band shadedBand(const ViewState& view) {
  const auto [a, b] = std::minmax(view.selection[0], view.selection[1]);
  const int64_t vo = view.viewOffset;
  int64_t left = (int64_t(view.selection[0]) - vo) * kSlotWidth + 1;
  int64_t right = left + 3;
  if (view.multipleSelected) {
    left = (a - vo) * kSlotWidth + 2;
    right = (b - vo) * kSlotWidth + 3;
  }
  Band band{int(std::clamp<int64_t>(left, kBandFirst, kBandLast)),
            int(std::clamp<int64_t>(right, kBandFirst, kBandLast))};
  if (band.left == 2) band.left = kBandFirst;
  if (band.right == kStripWidth) band.right = kBandLast;
  return band;
}

CursorMarkers cursorMarkers(const ViewState& view) {
  CursorMarkers m;
  const int32_t vo = view.viewOffset;
  if (!view.multipleSelected) {
    const int32_t c = view.selection[0];
    if (c >= vo && c - vo <= kFramesShown) {
      m.lineMark = m.labelWhc = true;
      m.lineMarkX = positionX(c, vo) - 1;
    } else {
      (c < vo ? m.strelLeft : m.strelRight) = true;
    }
    return m;
  }
  const auto [a, b] = std::minmax(view.selection[0], view.selection[1]);
  if (b > vo && a - vo <= kFramesShown - 1) {
    m.linemedi = m.labelWhc = true;
    m.linemediX1 = a <= vo ? kStripLeft + 1 : positionX(a, vo) + 1;
    m.linemediX2 = b - vo > kFramesShown - 1 ? kStripLeft + kStripWidth : positionX(b, vo) + 2;
  } else {
    (b <= vo ? m.strelLeft : m.strelRight) = true;
  }
  return m;
}

int32_t findViewOffset(const ViewState& view) {
  const auto [a, b] = std::minmax(view.selection[0], view.selection[1]);
  const int64_t length = int64_t(b) - a;
  const int64_t centre = kFramesShown / 2;
  const int64_t offset = view.multipleSelected && length >= 1 && length <= kFramesShown
                             ? a - centre + length / 2
                             : view.selection[0] - centre;
  return int32_t(std::clamp<int64_t>(offset, 0, std::max(view.maxViewOffset, 0)));
}

bool TimeLabels::refresh(const Document& doc, int32_t viewOffset) {
  if (viewOffset == labelledOffset_) return false;
  const int64_t n = doc.documentFrameCount();
  left_ = formatTime(2, framePositionTime(doc, viewOffset));
  middle_.clear();
  right_.clear();
  if (int64_t(viewOffset) + kMiddleLabelFrame < n)
    middle_ = formatTime(2, framePositionTime(doc, viewOffset + kMiddleLabelFrame, true));
  if (int64_t(viewOffset) + kRightLabelFrame < n)
    right_ = formatTime(2, framePositionTime(doc, viewOffset + kRightLabelFrame));
  labelledOffset_ = viewOffset;
  return true;
}

ScrollBarLayout scrollBarLayout(int32_t viewOffset, int32_t maxViewOffset) {
  if (maxViewOffset < 1) return {};
  ScrollBarLayout bar{true, kTroughLeft, thumbWidth(maxViewOffset), true, true};
  const int travel = kTroughWidth - bar.thumbWidth;
  if (viewOffset <= 0) {
    bar.leftEnabled = false;
  } else if (viewOffset >= maxViewOffset) {
    bar.thumbX = kTroughRight - bar.thumbWidth + 1;
    bar.rightEnabled = false;
  } else {
    bar.thumbX = kTroughLeft + int(roundHalfEven(double(travel) * viewOffset / maxViewOffset));
  }
  return bar;
}

int32_t ScrollBarMouse::press(int x, int y, int32_t viewOffset, int32_t maxViewOffset) {
  if (maxViewOffset < 1 || x < kTroughLeft || x > kTroughRight || y < kTroughTop || y > kTroughBottom)
    return viewOffset;
  const ScrollBarLayout bar = scrollBarLayout(viewOffset, maxViewOffset);
  if (x >= bar.thumbX && x < bar.thumbX + bar.thumbWidth) {
    dragging_ = true;
    grab_ = x - bar.thumbX;
    return viewOffset;
  }
  pressed_ = x < bar.thumbX ? Part::Left : Part::Right;
  interval_ = kFirstInterval;
  return pageJump(pressed_, viewOffset, maxViewOffset);
}

int32_t ScrollBarMouse::move(int x, int32_t viewOffset, int32_t maxViewOffset) {
  if (!dragging_) return viewOffset;
  if (x < kDragBandLeft || x > kDragBandRight) {
    dragging_ = false;
    return viewOffset;
  }
  const int range = kTroughRight - thumbWidth(maxViewOffset) - kTroughLeft + 1;
  const int pos = std::clamp(x - (kTroughLeft + grab_), 0, range);
  return int32_t(roundHalfEven(double(maxViewOffset) * pos / range));
}

int32_t ScrollBarMouse::tick(int32_t viewOffset, int32_t maxViewOffset) {
  if (interval_ > 80) {
    interval_ -= 80;
  } else if (interval_ > 40) {
    interval_ = 40;
  } else if (interval_ > 20) {
    interval_ = 20;
  }
  return pageJump(pressed_, viewOffset, maxViewOffset);
}

void ScrollBarMouse::release() {
  pressed_ = Part::None;
  dragging_ = false;
  grab_ = 0;
  interval_ = kFirstInterval;
}

std::vector<Band> silenceStripBands(const std::vector<Span>& silences, int32_t viewOffset) {
  std::vector<Band> bands;
  for (const Span& s : silences) {
    const int32_t a = std::max(s.start, viewOffset);
    const int32_t b = std::min(s.end, viewOffset + kFramesShown);
    if (a < b) bands.push_back({1 + int(a - viewOffset) * kSlotWidth, 1 + int(b - viewOffset) * kSlotWidth});
  }
  return bands;
}

std::vector<Band> silenceTroughMarks(const std::vector<Span>& silences, int32_t frameCount) {
  std::vector<Band> marks;
  if (frameCount <= 0) return marks;
  for (const Span& s : silences) {
    const int left = kTroughLeft + int(int64_t(s.start) * kTroughWidth / frameCount);
    const int right = kTroughLeft + int(int64_t(s.end) * kTroughWidth / frameCount);
    marks.push_back({left, std::max(right, left + 1)});
  }
  return marks;
}

}  // namespace kavrel
