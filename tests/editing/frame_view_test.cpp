// The frame view's rules at their edges.
#include "editing/frame_view.h"

#include <gtest/gtest.h>

namespace kavrel {
namespace {

// 44.1 kHz frames; bitrate index -1 is a silent frame (no table record).
struct F {
  int bitrate = 9;
  uint8_t averageGain = 150, vbr = 0;
  GainPair gain{};
};
Document docOf(const std::vector<F>& frames) {
  Document doc;
  for (const F& f : frames) {
    doc.frameList.push_back(f.bitrate < 0 ? -(9 | 64) : doc.frameTable.count());
    doc.gainList.push_back(f.gain);
    if (f.bitrate < 0) continue;
    doc.frameTable.next() = {
        .bitrateIndex = uint8_t(f.bitrate), .averageGain = f.averageGain, .vbrHeaderKind = f.vbr};
    doc.frameTable.commitNext();
  }
  return doc;
}
Document docOf(int n) { return docOf(std::vector<F>(size_t(n))); }
ViewState view(int32_t cursor, int32_t other, bool multiple, int32_t offset, int32_t max = 10000) {
  return {{cursor, other}, multiple, offset, max};
}

// M LineMark at x, S Linemedi x1-x2, < StrelLeft, > StrelRight, "on" LabelWhc, "find" ButFind.
std::string shown(const CursorMarkers& m) {
  std::string s;
  if (m.lineMark) s += "M" + std::to_string(m.lineMarkX);
  if (m.linemedi) s += "S" + std::to_string(m.linemediX1) + "-" + std::to_string(m.linemediX2);
  s += std::string(m.strelLeft ? "<" : "") + (m.strelRight ? ">" : "") + (m.labelWhc ? " on" : "");
  return s + (m.butFind() ? " find" : "");
}

TEST(FrameView, BarsVbrPicturesAndGaps) {
  const int lowest[] = {0, 1, 32, 64, 96, 112, 129, 144, 152, 159, 166, 173, 180, 187, 194, 201, 208};
  const int highest[] = {0, 31, 63, 95, 111, 128, 143, 151, 158, 165, 172, 179, 186, 193, 200, 207, 255};
  for (int h = 0; h <= 16; ++h)
    EXPECT_EQ(std::pair(barHeight(lowest[h]), barHeight(highest[h])), std::pair(h, h));
  // Mean of both channels truncated toward zero, within 0..255.
  const std::tuple<GainPair, int, int> levels[] = {
      {{-3, 0}, 97, 96}, {{20, 20}, 250, 255}, {{-30, -30}, 10, 0}};
  for (const auto& [gain, average, level] : levels) EXPECT_EQ(barLevel(gain, average), level) << average;
  // Frame 0 is scrolled off; after the silent frame 5 table and list indices differ.
  const std::vector<F> frames = {
      {9, 207, 0, {1, 1}}, {9, 207}, {10, 207, 0, {1, 1}}, {11, 207, 0, {2, 0}}, {5, 207, 0, {1, 0}}, {-1},
      {3, 0, 1},           {14, 0}};
  const Document doc = docOf(frames);
  const std::tuple<Slot::Kind, int, int> want[] = {
      {Slot::Bar, 9, 15},  {Slot::Bar, 10, 16},      {Slot::Bar, 11, 16}, {Slot::Bar, 5, 15},
      {Slot::Empty, 0, 0}, {Slot::VbrHeader, 0, 16}, {Slot::Bar, 14, 0},  {Slot::Empty, 0, 0}};
  for (int s = 0; s < 8; ++s) {
    const Slot slot = frameSlot(doc, 1, s);
    EXPECT_EQ(std::tuple(slot.kind, slot.bitrateIndex, slot.height), want[s]) << s;
  }
  EXPECT_EQ(std::pair(frameSlot(doc, 1, 5).top(), slotX(83)), std::pair(297, 447));
  // 84 frames fill the strip and cannot scroll; the 85th makes one step.
  const Document full = docOf(84);
  for (int s = 0; s < 84; ++s) EXPECT_EQ(frameSlot(full, 0, s).kind, Slot::Bar) << s;
  EXPECT_EQ(std::pair(maxViewOffsetFor(84), maxViewOffsetFor(85)), std::pair(0, 1));
  EXPECT_EQ(frameSlot(docOf(85), 1, 83).kind, Slot::Bar);
}

TEST(FrameView, ShadedBandIsClampedToTheStrip) {
  const std::tuple<ViewState, int, int> cases[] = {
      {view(110, 50, false, 100), 51, 54},    {view(100, 100, false, 100), 1, 4},
      {view(184, 184, false, 100), 421, 424}, {view(99, 99, false, 100), 1, 1},
      {view(185, 185, false, 100), 424, 424}, {view(100, 184, true, 100), 1, 424},
      {view(150, 120, true, 100), 102, 253},  {view(101, 103, true, 100), 7, 18},
      {view(183, 184, true, 100), 417, 424},  {view(180, 185, true, 100), 402, 424},
      {view(90, 98, true, 100), 1, 1},        {view(190, 195, true, 100), 424, 424},
      {view(50, 300, true, 100), 1, 424}};
  for (const auto& [v, left, right] : cases)
    EXPECT_EQ(std::pair(shadedBand(v).left, shadedBand(v).right), std::pair(left, right)) << v.selection[0];
}

TEST(FrameView, CursorMarkersAndFind) {
  const std::tuple<ViewState, const char*> cases[] = {
      {view(100, 100, false, 100), "M29 on"},    {view(184, 184, false, 100), "M449 on"},
      {view(99, 99, false, 100), "< find"},      {view(185, 185, false, 100), "> find"},
      {view(100, 184, true, 100), "S30-452 on"}, {view(101, 183, true, 100), "S36-447 on"},
      {view(101, 90, true, 100), "S30-37 on"},   {view(183, 190, true, 100), "S446-452 on"},
      {view(90, 100, true, 100), "< find"},      {view(190, 184, true, 100), "> find"},
      {view(5000, 5000, false, 0), "> find"},    {view(5000, 5000, false, 4958), "M239 on"}};
  for (const auto& [v, markers] : cases) EXPECT_EQ(shown(cursorMarkers(v)), markers) << v.selection[0];
  // The cursor 42 frames from the left, or a selection of 1..84 frames centred.
  const std::tuple<ViewState, int32_t> finds[] = {
      {view(5000, 5000, false, 0), 4958},     {view(10, 10, false, 500), 0},
      {view(990, 990, false, 500, 900), 900}, {view(200, 284, true, 0), 200},
      {view(284, 200, true, 0), 200},         {view(200, 285, true, 0), 158},
      {view(285, 200, true, 0), 243},         {view(200, 203, true, 0), 159},
      {view(500, 520, false, 0), 458},        {view(300, 300, false, 0, 0), 0}};
  for (const auto& [v, offset] : finds)
    EXPECT_EQ(findViewOffset(v), offset) << v.selection[0] << ".." << v.selection[1];
}

TEST(FrameView, TimeLabelsAndTheirRebuild) {
  // Left: position 100; middle: the middle of frame 141; right: position 183.
  const std::tuple<int, const char*, const char*> cases[] = {
      {141, "", ""}, {142, "3.70 s", ""}, {183, "3.70 s", ""}, {184, "3.70 s", "4.78 s"}};
  for (const auto& [n, middle, right] : cases) {
    TimeLabels labels;
    EXPECT_TRUE(labels.refresh(docOf(n), 100));
    EXPECT_EQ(std::tuple(labels.left(), labels.middle(), labels.right()), std::tuple("2.61 s", middle, right))
        << n;
  }
  const Document doc = docOf(300);
  TimeLabels labels;
  EXPECT_TRUE(labels.refresh(doc, 0));
  EXPECT_FALSE(labels.refresh(doc, 0));
  labels.invalidate();
  EXPECT_TRUE(labels.refresh(doc, 0));
  EXPECT_TRUE(labels.refresh(doc, 100));
}

TEST(FrameView, ScrollBarLayout) {
  // (offset, max) -> shown, x, width, SleftBit, SrightBit. 10,000 frames: 15 px.
  const std::tuple<int32_t, int32_t, bool, int, int, bool, bool> cases[] = {
      {0, 0, false, 0, 0, false, false},        {0, 1, true, 42, 391, false, true},
      {1, 1, true, 47, 391, true, false},       {0, 9916, true, 42, 15, false, true},
      {9916, 9916, true, 423, 15, true, false}, {4958, 9916, true, 232, 15, true, true},
      {1, 9916, true, 42, 15, true, true},      {9915, 9916, true, 423, 15, true, true},
      {134, 268, true, 193, 94, true, true},    {5, 2292, true, 43, 15, true, true},
      {0, 916, true, 42, 33, false, true}};
  for (const auto& [offset, max, shown, x, width, left, right] : cases) {
    const ScrollBarLayout b = scrollBarLayout(offset, max);
    EXPECT_EQ(std::tuple(b.thumbShown, b.thumbX, b.thumbWidth, b.leftEnabled, b.rightEnabled),
              std::tuple(shown, x, width, left, right))
        << offset << " of " << max;
  }
}

TEST(FrameView, ScrollBarPressesRepeatsAndDrags) {
  // 1000 frames (max 916): a 33-px thumb at 42 for offset 0, 62 for 50, 240 for 500.
  using enum ScrollBarMouse::Part;
  const std::tuple<int, int, int32_t, int32_t, int32_t, ScrollBarMouse::Part, int> presses[] = {
      {41, 330, 500, 916, 500, None, -1},  {438, 330, 500, 916, 500, None, -1},
      {100, 328, 500, 916, 500, None, -1}, {100, 345, 500, 916, 500, None, -1},
      {100, 330, 500, 0, 500, None, -1},   {75, 344, 0, 916, 84, Right, -1},
      {239, 329, 500, 916, 416, Left, -1}, {42, 329, 50, 916, 0, Left, -1},
      {240, 329, 500, 916, 500, None, 0},  {272, 329, 500, 916, 500, None, 32},
      {273, 329, 500, 916, 584, Right, -1}};
  for (const auto& [x, y, offset, max, after, part, grab] : presses) {
    ScrollBarMouse mouse;
    const int32_t moved = mouse.press(x, y, offset, max);
    EXPECT_EQ(std::tuple(moved, mouse.pressed(), mouse.dragging() ? mouse.grab() : -1),
              std::tuple(after, part, grab))
        << x << "," << y;
  }
  ScrollBarMouse mouse;
  EXPECT_EQ(mouse.tick(7, 916), 7);  // nothing pressed
  int32_t offset = mouse.press(75, 344, 0, 916);
  std::vector<int> intervals{mouse.interval()};
  for (int k = 0; k < 5; ++k) {
    offset = mouse.tick(offset, 916);
    intervals.push_back(mouse.interval());
  }
  EXPECT_TRUE((intervals == std::vector<int>{240, 160, 80, 40, 20, 20}) && offset == 84 * 6);
  mouse.release();
  EXPECT_EQ(std::pair(mouse.timerRunning(), mouse.interval()), std::pair(false, 240));
  // Grab 8: pos = x - 50 within 0..363, offset = 916 x pos / 363; the band is 18..461.
  for (const auto& [x, after] :
       {std::pair{18, 0}, {49, 0}, {231, 457}, {413, 916}, {461, 916}, {17, 3}, {462, 3}}) {
    mouse.release();
    mouse.press(50, 330, 0, 916);
    EXPECT_EQ(mouse.move(x, 3, 916), after) << x;
    EXPECT_EQ(mouse.move(231, 3, 916), mouse.dragging() ? 457 : 3) << x;
  }
  EXPECT_FALSE(mouse.dragging());
}

}  // namespace
}  // namespace kavrel
