// Positions and times, the time parser, the stepping rules, the auto-repeat
// timing and the mouse rules of the frame strip.
#include "editing/positions.h"

#include <gtest/gtest.h>

#include "document/statistics.h"
#include "mpeg/frame_header.h"

namespace kavrel {
namespace {

constexpr double d44 = 0.0261224489795918;

// Table frames as (rate, count) runs, with fresh statistics.
Document ofRates(std::initializer_list<std::pair<int, int>> runs) {
  Document doc;
  for (const auto& [rate, count] : runs) {
    for (int k = 0; k < count; ++k) {
      doc.frameTable.next() =
          FrameInfo{.sampleRateIndex = uint8_t(rate), .channelMode = 1, .bitrateIndex = 9};
      doc.frameTable.commitNext();
      doc.frameList.push_back(doc.frameTable.count() - 1);
    }
  }
  doc.gainList.resize(doc.frameList.size());
  recomputeStatistics(doc);
  return doc;
}

// Silent frames of the given rate codes, appended without refreshing the statistics.
void appendSilent(Document& doc, std::initializer_list<int> rates) {
  for (int rate : rates) doc.frameList.push_back(-int32_t(9 | (rate << 4) | (1 << 6)));
  doc.gainList.resize(doc.frameList.size());
}

TEST(Positions, TimesMultiplyTheCountsOfEachRate) {
  Document doc = ofRates({{0, 3}, {1, 2}, {2, 1}});
  appendSilent(doc, {1, 3});  // rate code 3 reads as 44.1 kHz
  EXPECT_EQ(framePositionTime(doc, 0), 0.0);
  EXPECT_EQ(framePositionTime(doc, -4), 0.0);
  EXPECT_DOUBLE_EQ(framePositionTime(doc, 3), 3 * d44);
  EXPECT_DOUBLE_EQ(framePositionTime(doc, 8), 4 * d44 + 3 * 0.024 + 0.036);
  // Positions past the end count only the frames there are.
  EXPECT_DOUBLE_EQ(framePositionTime(doc, 50), framePositionTime(doc, 8));
  // Half a frame: the frame at p, the last frame for p at or past the end.
  EXPECT_DOUBLE_EQ(framePositionTime(doc, 3, true), 3 * d44 + 0.012);
  EXPECT_DOUBLE_EQ(framePositionTime(doc, 5, true), 3 * d44 + 0.048 + 0.018);
  EXPECT_DOUBLE_EQ(framePositionTime(doc, 8, true), framePositionTime(doc, 8) + d44 / 2);
  EXPECT_EQ(spanTime(doc, 4, 4), 0.0);
  EXPECT_DOUBLE_EQ(spanTime(doc, 2, 6), d44 + 0.048 + 0.036);
  EXPECT_DOUBLE_EQ(spanTime(doc, 6, 2), spanTime(doc, 2, 6));

  // A histogram that does not count the list is not trusted.
  Document stale = ofRates({{0, 10}});
  EXPECT_DOUBLE_EQ(framePositionTime(stale, 10), 10 * d44);
  appendSilent(stale, {1, 2});
  EXPECT_DOUBLE_EQ(framePositionTime(stale, 12), 10 * d44 + 0.024 + 0.036);
  EXPECT_DOUBLE_EQ(spanTime(stale, 9, 12), d44 + 0.024 + 0.036);
}

TEST(Positions, SingleRateTimeToPositionRoundsHalvesToEven) {
  // 44.1 kHz: 1 s is 38.28 frames; past the end the caller clamps. 48 kHz:
  // 41.67; just past the 0.012 s cut-off half a frame rounds up, under it 0.
  // 32 kHz: halves of 0.036 go to the even neighbour.
  const std::tuple<int, double, int32_t> cases[] = {
      {0, 1.0, 38},        {0, 0.0119, 0},      {0, -3.0, 0},        {0, 99999.0, 3828087},
      {1, 1.0, 42},        {1, 0.0121, 1},      {1, 0.0239, 1},      {1, 0.01199, 0},
      {2, 1.5 * 0.036, 2}, {2, 2.5 * 0.036, 2}, {2, 5.5 * 0.036, 6}, {2, 6.5 * 0.036, 6}};
  for (const auto& [rate, t, p] : cases)
    EXPECT_EQ(positionAtTime(ofRates({{rate, 100}}), t), p) << rate << " " << t;
}

TEST(Positions, MixedRatesWalkToTheNearestBoundary) {
  const Document doc = ofRates({{0, 10}, {1, 10}, {2, 10}});
  ASSERT_EQ(doc.editSummary.rate, 3);
  auto at = [&](int32_t p, double offset) { return positionAtTime(doc, framePositionTime(doc, p) + offset); };

  EXPECT_EQ(positionAtTime(doc, 0.0119), 0);
  EXPECT_EQ(at(5, 0.005), 5);
  EXPECT_EQ(at(5, 0.02), 6);
  EXPECT_EQ(at(25, -0.017), 25);
  for (int32_t p = 0; p <= 30; ++p) EXPECT_EQ(at(p, 0), p) << p;
  // A time past the end lands on the end, as in a single-rate document.
  EXPECT_EQ(at(30, 0.001), 30);
  EXPECT_EQ(positionAtTime(doc, 99999.0), 30);
  EXPECT_EQ(at(29, 0.017), 29);

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
    const ParsedTime p = parseTime(text);
    EXPECT_FALSE(p.failed) << text;
    EXPECT_DOUBLE_EQ(p.seconds, seconds) << text;
  }
  for (const char* bad : {"",         " ",
                          "1:60",     "1440:00",
                          "25:00:00", "0:60:00",
                          "1:23:60",  "99999.01",
                          "100000",   "-1",
                          "1:-5",     "1:2:3:4",
                          ":30",      "1:",
                          "1,5",      "inf",
                          "1e",       "e5",
                          ".",        "5s",
                          "1:2.5:00", "1:99999999999:00",
                          "27:46:39"}) {
    const ParsedTime p = parseTime(bad);
    EXPECT_TRUE(p.failed) << bad;
    EXPECT_EQ(p.seconds, 0.0) << bad;
  }
  EXPECT_TRUE(timeTextValid("1:00"));
  EXPECT_FALSE(timeTextValid("1:0x"));

  using namespace std::string_literals;
  EXPECT_EQ(trimBlanks(" \0\xff+4.5 dB\xff \0"s), "+4.5 dB");  // NUL, blank and FF at both ends
  EXPECT_EQ(trimBlanks("a b"), "a b");
  EXPECT_EQ(trimBlanks("  "), "");
  EXPECT_EQ(trimBlanks("\t1\t"), "\t1\t");
}

TEST(Positions, FrameAndSecondSteps) {
  const Document doc = ofRates({{0, 100}});  // 2.612 s
  const std::tuple<int32_t, int, int32_t> frames[] = {{99, 1, 100}, {100, 1, 100}, {1, -1, 0}, {0, -1, 0}};
  for (const auto& [p, dir, to] : frames) EXPECT_EQ(stepFramePosition(doc, p, dir), to) << p << " " << dir;

  // To the nearest whole second, halves going up: from 0.52 s up is 2 s,
  // from 0.29 s back 0, from 2.01 s back 1 s, past the end the end.
  const std::tuple<int32_t, int, int32_t> seconds[] = {
      {0, 1, 38}, {20, 1, 77}, {11, -1, 0}, {77, -1, 38}, {80, 1, 100}, {100, 1, 100}, {100, -1, 77}};
  for (const auto& [p, dir, to] : seconds) EXPECT_EQ(stepSecondPosition(doc, p, dir), to) << p << " " << dir;

  // 4.5 s forward is 6 s (166.7 frames of 32 kHz), back is 4 s (111.1).
  const Document d32k = ofRates({{2, 400}});
  EXPECT_EQ(stepSecondPosition(d32k, 125, +1), 167);
  EXPECT_EQ(stepSecondPosition(d32k, 125, -1), 111);
}

TEST(Positions, AutoRepeatWaitsOneIntervalThenSpeedsUp) {
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
  EXPECT_FALSE(r.running());
  EXPECT_EQ(r.interval(), 220);
  EXPECT_EQ(r.tick(), 0);
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
  // Left without Shift places the cursor, clamped to the document. Right, or
  // Shift+left, moves the other end, unless onto the cursor. A left drag ends
  // the selection where the button is released.
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
