// Positions and times, stepping, auto-repeat and the mouse on the strip.
#include "editing/positions.h"

#include <gtest/gtest.h>

#include "support/doc_builder.h"

namespace kavrel {
namespace {

using D = test::DocBuilder;
constexpr double d44 = 0.0261224489795918;

TEST(Positions, TimesOfPositionsAndPositionsOfTimes) {
  // Each rate's count times its duration.
  Document doc = D().frames(3).frames(2, 9, 1).frames(1, 9, 2).silent(1, 9, 1, 1).silent(1, 9, 3, 1).build();
  EXPECT_EQ(std::pair(framePositionTime(doc, 0), framePositionTime(doc, -4)), std::pair(0.0, 0.0));
  EXPECT_DOUBLE_EQ(framePositionTime(doc, 3), 3 * d44);
  // Rate code 3 of a silent frame reads as 44.1 kHz; past the end only the frames there are count.
  EXPECT_DOUBLE_EQ(framePositionTime(doc, 8), 4 * d44 + 3 * 0.024 + 0.036);
  EXPECT_DOUBLE_EQ(framePositionTime(doc, 50), framePositionTime(doc, 8));
  // Half a frame: the frame at p, the last frame for p at or past the end.
  EXPECT_DOUBLE_EQ(framePositionTime(doc, 3, true), 3 * d44 + 0.012);
  EXPECT_DOUBLE_EQ(framePositionTime(doc, 5, true), 3 * d44 + 0.048 + 0.018);
  EXPECT_DOUBLE_EQ(framePositionTime(doc, 8, true), framePositionTime(doc, 8) + d44 / 2);
  EXPECT_EQ(spanTime(doc, 4, 4), 0.0);
  EXPECT_DOUBLE_EQ(spanTime(doc, 2, 6), d44 + 0.048 + 0.036);
  EXPECT_DOUBLE_EQ(spanTime(doc, 6, 2), spanTime(doc, 2, 6));
  // A histogram that does not count the list is not trusted, even where one
  // of its rates has as many frames as the list.
  Document stale = D().frames(10).frames(1, 9, 1).build();  // rates {10, 1, 0}
  stale.frameList[0] = 10;  // the 48 kHz frame first, ten entries
  stale.frameList.pop_back();
  stale.gainList.pop_back();
  EXPECT_DOUBLE_EQ(framePositionTime(stale, 10), 0.024 + 9 * d44);
  test::insertEntry(stale, 10, test::silentEntry(9, 1, 1));
  test::insertEntry(stale, 11, test::silentEntry(9, 2, 1));
  EXPECT_DOUBLE_EQ(framePositionTime(stale, 12), 0.048 + 9 * d44 + 0.036);
  EXPECT_DOUBLE_EQ(spanTime(stale, 9, 12), d44 + 0.024 + 0.036);
  // One rate: at 44.1 kHz 1 s is 38.28 frames, past the end the caller clamps; at 48 kHz 41.67, and just past
  // the 0.012 s cut-off half a frame rounds up, under it to 0; at 32 kHz halves of 0.036 go to the even one.
  const std::tuple<int, double, int32_t> cases[] = {
      {0, 1.0, 38},        {0, 0.0119, 0},      {0, -3.0, 0},        {0, 99999.0, 3828087},
      {1, 1.0, 42},        {1, 0.0121, 1},      {1, 0.0239, 1},      {1, 0.01199, 0},
      {2, 1.5 * 0.036, 2}, {2, 2.5 * 0.036, 2}, {2, 5.5 * 0.036, 6}, {2, 6.5 * 0.036, 6}};
  for (const auto& [rate, t, p] : cases)
    EXPECT_EQ(positionAtTime(D().frames(100, 9, rate).build(), t), p) << rate << " " << t;
  // Mixed rates walk to the nearest boundary.
  const Document mixed = D().frames(10).frames(10, 9, 1).frames(10, 9, 2).build();
  ASSERT_EQ(mixed.editSummary.rate, 3);
  auto at = [&](int32_t p, double dt) { return positionAtTime(mixed, framePositionTime(mixed, p) + dt); };
  for (int32_t p = 0; p <= 30; ++p) EXPECT_EQ(at(p, 0), p) << p;
  // Under the cut-off, nearest boundaries either way; a time past the end
  // lands on the end, as in a single-rate document.
  const std::tuple<int32_t, double, int32_t> walks[] = {
      {0, 0.0119, 0}, {5, 0.005, 5}, {5, 0.02, 6}, {25, -0.017, 25}, {30, 0.001, 30}, {29, 0.017, 29}};
  for (const auto& [p, offset, expected] : walks) EXPECT_EQ(at(p, offset), expected) << p << " " << offset;
  EXPECT_EQ(positionAtTime(mixed, 99999.0), 30);
  // Mixed rates in an empty list (the summary says so after a delete of all).
  Document empty;
  empty.editSummary.rate = 3;
  EXPECT_EQ(positionAtTime(empty, 5.0), 0);
}

TEST(Positions, ParseTimeAcceptsSecondsMinutesAndHours) {
  // Blanks and NULs go first.
  const std::pair<std::string, double> good[] = {
      {"83.5", 83.5}, {"1:23.5", 83.5}, {"0:01:23.5", 83.5}, {" 1 : 23 .5 ", 83.5},
      {std::string("1\0:5", 4), 65.0}, {"1.5e1", 15.0}, {".5", 0.5}, {"99999", 99999.0},
      {"1439:59.9", 86399.9}, {"24:00:00", 86400.0}, {"007", 7.0}};
  for (const auto& [text, seconds] : good) {
    EXPECT_FALSE(parseTime(text).failed) << text;
    EXPECT_DOUBLE_EQ(parseTime(text).seconds, seconds) << text;
  }
  for (const char* bad : {"", " ", "1:60", "1440:00", "25:00:00", "0:60:00", "1:23:60", "99999.01", "100000",
                          "-1", "1:-5", "1:2:3:4", ":30", "1:", "1,5", "inf", "1e", "e5", ".", "5s",
                          "1:2.5:00", "1:99999999999:00", "27:46:39"})
    EXPECT_EQ(std::pair(parseTime(bad).failed, parseTime(bad).seconds), std::pair(true, 0.0)) << bad;
  EXPECT_TRUE(timeTextValid("1:00") && !timeTextValid("1:0x"));
  // NUL, blank and FF go at both ends, nothing else anywhere.
  using namespace std::string_literals;
  const std::pair<std::string, std::string> trims[] = {
      {" \0\xff+4.5 dB\xff \0"s, "+4.5 dB"}, {"a b", "a b"}, {"  ", ""}, {"\t1\t", "\t1\t"}};
  for (const auto& [text, trimmed] : trims) EXPECT_EQ(trimBlanks(text), trimmed);
}

TEST(Positions, FrameAndSecondStepsAndTheirAutoRepeat) {
  const Document doc = D().frames(100).build();  // 2.612 s
  // Seconds go to the nearest whole second, halves up: from 0.52 s up is 2 s, from 0.29 s back 0, from 2.01 s
  // back 1 s, past the end the end. 4.5 s at 32 kHz: forward is 6 s (166.7 frames), back 4 s (111.1).
  const Document d32k = D().frames(400, 9, 2).build();
  const std::tuple<const Document*, bool, int32_t, int, int32_t> steps[] = {
      {&doc, false, 99, 1, 100},  {&doc, false, 100, 1, 100}, {&doc, false, 1, -1, 0},
      {&doc, false, 0, -1, 0},    {&doc, true, 0, 1, 38},     {&doc, true, 20, 1, 77},
      {&doc, true, 11, -1, 0},    {&doc, true, 77, -1, 38},   {&doc, true, 80, 1, 100},
      {&doc, true, 100, 1, 100},  {&doc, true, 100, -1, 77},  {&d32k, true, 125, 1, 167},
      {&d32k, true, 125, -1, 111}};
  for (const auto& [d, second, p, dir, to] : steps)
    EXPECT_EQ((second ? stepSecondPosition : stepFramePosition)(*d, p, dir), to)
        << second << " " << p << " " << dir;
  // Auto-repeat waits one interval, then speeds up.
  AutoRepeat r;
  EXPECT_FALSE(r.running());
  EXPECT_FALSE(r.press(0) || r.press(11));  // no button codes
  ASSERT_TRUE(r.press(kCursorSecondUp));
  EXPECT_FALSE(r.press(kEndFrameUp));  // another button while one repeats
  EXPECT_EQ(r.interval(), 220);
  EXPECT_EQ(r.tick(), 0);  // the delay
  EXPECT_EQ(r.code(), 40);
  std::vector<int> intervals{r.interval()};
  for (int k = 0; k < 9; ++k) {
    EXPECT_EQ(r.tick(), kCursorSecondUp);
    intervals.push_back(r.interval());
  }
  EXPECT_EQ(intervals, (std::vector<int>{220, 180, 140, 100, 80, 60, 40, 20, 20, 20}));
  r.release();
  EXPECT_TRUE(!r.running() && r.interval() == 220 && r.tick() == 0);
  ASSERT_TRUE(r.press(kPageRight));
  EXPECT_EQ(r.tick(), 0);
  EXPECT_EQ(r.tick(), kPageRight);
}

TEST(Positions, MouseRulesOfTheStrip) {
  // Truncation toward zero left of the first slot.
  const std::tuple<int, int32_t, int32_t> columns[] = {{29, 0, 0},      {33, 0, 0},   {34, 0, 1},
                                                       {452, 100, 184}, {26, 10, 10}, {24, 10, 9}};
  for (const auto& [x, offset, p] : columns) EXPECT_EQ(positionAtColumn(x, offset), p) << x;
  using K = MouseEdit::Kind;
  using B = MouseButton;
  // Left without Shift places the cursor, clamped to the document. Right, or Shift+left, moves the other end,
  // unless onto the cursor. A left drag ends the selection where the button is released.
  const std::tuple<bool, int, B, bool, int32_t, int32_t, int32_t, K, int32_t> cases[] = {
      {true, 54, B::Left, false, 0, 100, 3, K::PlaceCursor, 5},
      {true, 452, B::Left, false, 0, 20, 3, K::PlaceCursor, 20},
      {true, 54, B::Left, true, 10, 100, 3, K::SetEnd, 15},
      {true, 452, B::Right, false, 0, 20, 20, K::None, 0},
      {true, 54, B::Middle, false, 0, 100, 3, K::None, 0}, {false, 54, B::Left, false, 0, 100, 5, K::None, 0},
      {false, 54, B::Left, true, 0, 100, 3, K::None, 0}, {false, 54, B::Right, false, 0, 100, 3, K::None, 0},
      {false, 452, B::Left, false, 0, 20, 3, K::SetEnd, 20}};
  for (const auto& [press, x, button, shift, offset, frames, cursor, kind, position] : cases) {
    const MouseEdit e = (press ? mousePress : mouseRelease)(x, button, shift, offset, frames, cursor);
    EXPECT_EQ(std::pair(e.kind, e.position), std::pair(kind, position))
        << press << " " << x << " " << int(button);
  }
}

}  // namespace
}  // namespace kavrel
