// Positions and times, the time parser, the stepping rules, the auto-repeat
// timing and the mouse rules of the frame strip.
#include "editing/positions.h"

#include <gtest/gtest.h>

#include <cmath>

#include "document/statistics.h"
#include "mpeg/frame_header.h"

namespace kavrel {
namespace {

constexpr double d44 = 0.0261224489795918;

// Appends `count` table frames at a sampling-rate index.
void append(Document& doc, int rate, int count) {
  for (int k = 0; k < count; ++k) {
    FrameInfo& f = doc.frameTable.next();
    f = FrameInfo{};
    f.sampleRateIndex = uint8_t(rate);
    f.bitrateIndex = 9;
    f.channelMode = 1;
    doc.frameTable.commitNext();
    doc.frameList.push_back(doc.frameTable.count() - 1);
    doc.gainList.push_back({});
  }
  recomputeStatistics(doc);
}

int32_t silent(int bitrate, int rate, int mode) { return -int32_t(bitrate | (rate << 4) | (mode << 6)); }

TEST(Positions, TimesMultiplyTheCountsOfEachRate) {
  Document doc;
  append(doc, 0, 3);
  append(doc, 1, 2);
  append(doc, 2, 1);
  doc.frameList.push_back(silent(9, 1, 1));  // a silent 48 kHz frame
  doc.frameList.push_back(silent(9, 3, 1));  // rate code 3 reads as 44.1 kHz
  doc.gainList.resize(doc.frameList.size());

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
}

TEST(Positions, AHistogramThatDoesNotCountTheListIsNotTrusted) {
  Document doc;
  append(doc, 0, 10);
  EXPECT_DOUBLE_EQ(framePositionTime(doc, 10), 10 * d44);
  // Frames of another rate appended without a refresh.
  doc.frameList.push_back(silent(9, 1, 1));
  doc.frameList.push_back(silent(9, 2, 1));
  doc.gainList.resize(12);
  EXPECT_DOUBLE_EQ(framePositionTime(doc, 12), 10 * d44 + 0.024 + 0.036);
  EXPECT_DOUBLE_EQ(spanTime(doc, 9, 12), d44 + 0.024 + 0.036);
}

TEST(Positions, SingleRateTimeToPositionRoundsHalvesToEven) {
  Document d44k;
  append(d44k, 0, 100);
  EXPECT_EQ(positionAtTime(d44k, 1.0), 38);  // 38.28
  EXPECT_EQ(positionAtTime(d44k, 0.0119), 0);
  EXPECT_EQ(positionAtTime(d44k, -3.0), 0);
  EXPECT_EQ(positionAtTime(d44k, 99999.0), 3828087);  // past the end: the caller clamps

  Document d48k;
  append(d48k, 1, 100);
  EXPECT_EQ(positionAtTime(d48k, 1.0), 42);  // 41.67
  // Just past the 0.012 s cut-off half a 48 kHz frame rounds up; under it, 0.
  EXPECT_EQ(positionAtTime(d48k, 0.0121), 1);
  EXPECT_EQ(positionAtTime(d48k, 0.0239), 1);
  EXPECT_EQ(positionAtTime(d48k, 0.01199), 0);

  Document d32k;
  append(d32k, 2, 100);
  EXPECT_EQ(positionAtTime(d32k, 1.5 * 0.036), 2);
  EXPECT_EQ(positionAtTime(d32k, 2.5 * 0.036), 2);
  EXPECT_EQ(positionAtTime(d32k, 5.5 * 0.036), 6);
  EXPECT_EQ(positionAtTime(d32k, 6.5 * 0.036), 6);
}

TEST(Positions, MixedRatesWalkToTheNearestBoundary) {
  Document doc;
  append(doc, 0, 10);
  append(doc, 1, 10);
  append(doc, 2, 10);
  ASSERT_EQ(doc.editSummary.rate, 3);

  EXPECT_EQ(positionAtTime(doc, 0.0119), 0);
  EXPECT_EQ(positionAtTime(doc, framePositionTime(doc, 5) + 0.005), 5);
  EXPECT_EQ(positionAtTime(doc, framePositionTime(doc, 5) + 0.02), 6);
  EXPECT_EQ(positionAtTime(doc, framePositionTime(doc, 25) - 0.017), 25);
  for (int32_t p = 0; p <= 30; ++p) EXPECT_EQ(positionAtTime(doc, framePositionTime(doc, p)), p) << p;
  // A time past the end lands on the end, as in a single-rate document.
  EXPECT_EQ(positionAtTime(doc, framePositionTime(doc, 30) + 0.001), 30);
  EXPECT_EQ(positionAtTime(doc, 99999.0), 30);
  EXPECT_EQ(positionAtTime(doc, framePositionTime(doc, 29) + 0.017), 29);

  // Mixed rates in an empty list (the summary says so after a delete of all).
  Document empty;
  empty.editSummary.rate = 3;
  EXPECT_EQ(positionAtTime(empty, 5.0), 0);
}

TEST(Positions, ParseTimeAcceptsSecondsMinutesAndHours) {
  auto seconds = [](const char* text) {
    const ParsedTime p = parseTime(text);
    EXPECT_FALSE(p.failed) << text;
    return p.seconds;
  };
  EXPECT_DOUBLE_EQ(seconds("83.5"), 83.5);
  EXPECT_DOUBLE_EQ(seconds("1:23.5"), 83.5);
  EXPECT_DOUBLE_EQ(seconds("0:01:23.5"), 83.5);
  EXPECT_DOUBLE_EQ(seconds(" 1 : 23 .5 "), 83.5);  // blanks go first
  EXPECT_DOUBLE_EQ(parseTime(std::string("1\0:5", 4)).seconds, 65.0);
  EXPECT_DOUBLE_EQ(seconds("1.5e1"), 15.0);
  EXPECT_DOUBLE_EQ(seconds(".5"), 0.5);
  EXPECT_DOUBLE_EQ(seconds("99999"), 99999.0);
  EXPECT_DOUBLE_EQ(seconds("1439:59.9"), 86399.9);
  EXPECT_DOUBLE_EQ(seconds("24:00:00"), 86400.0);
  EXPECT_DOUBLE_EQ(seconds("007"), 7.0);

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
}

TEST(Positions, TrimBlanksDropsNulBlankAndFfAtBothEnds) {
  using namespace std::string_literals;
  EXPECT_EQ(trimBlanks(" \0\xff+4.5 dB\xff \0"s), "+4.5 dB");
  EXPECT_EQ(trimBlanks("a b"), "a b");
  EXPECT_EQ(trimBlanks("  "), "");
  EXPECT_EQ(trimBlanks("\t1\t"), "\t1\t");
}

TEST(Positions, FrameAndSecondSteps) {
  Document doc;
  append(doc, 0, 100);  // 2.612 s
  EXPECT_EQ(stepFramePosition(doc, 99, +1), 100);
  EXPECT_EQ(stepFramePosition(doc, 100, +1), 100);
  EXPECT_EQ(stepFramePosition(doc, 1, -1), 0);
  EXPECT_EQ(stepFramePosition(doc, 0, -1), 0);

  EXPECT_EQ(stepSecondPosition(doc, 0, +1), 38);    // 1 s
  EXPECT_EQ(stepSecondPosition(doc, 20, +1), 77);   // 0.52 s: to 2 s
  EXPECT_EQ(stepSecondPosition(doc, 11, -1), 0);    // 0.29 s back: 0
  EXPECT_EQ(stepSecondPosition(doc, 77, -1), 38);   // 2.01 s back: 1 s
  EXPECT_EQ(stepSecondPosition(doc, 80, +1), 100);  // past the end: the end
  EXPECT_EQ(stepSecondPosition(doc, 100, +1), 100);
  EXPECT_EQ(stepSecondPosition(doc, 100, -1), 77);  // 2.61 s back: 2 s

  // Halves go up: 4.5 s forward is 6 s, back is 4 s.
  Document d32k;
  append(d32k, 2, 400);
  EXPECT_EQ(stepSecondPosition(d32k, 125, +1), 167);  // 6 / 0.036 = 166.7
  EXPECT_EQ(stepSecondPosition(d32k, 125, -1), 111);  // 4 / 0.036 = 111.1
}

TEST(Positions, AutoRepeatWaitsOneIntervalThenSpeedsUp) {
  AutoRepeat r;
  EXPECT_FALSE(r.running());
  EXPECT_FALSE(r.press(0));
  EXPECT_FALSE(r.press(11));
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
  EXPECT_EQ(positionAtColumn(29, 0), 0);
  EXPECT_EQ(positionAtColumn(33, 0), 0);
  EXPECT_EQ(positionAtColumn(34, 0), 1);
  EXPECT_EQ(positionAtColumn(452, 100), 184);
  EXPECT_EQ(positionAtColumn(26, 10), 10);  // truncation toward zero
  EXPECT_EQ(positionAtColumn(24, 10), 9);

  using K = MouseEdit::Kind;
  // Left without Shift places the cursor, clamped to the document.
  EXPECT_EQ(mousePress(54, MouseButton::Left, false, 0, 100, 3).position, 5);
  EXPECT_EQ(mousePress(452, MouseButton::Left, false, 0, 20, 3).position, 20);
  // Right, or Shift+left, moves the other end, unless onto the cursor.
  EXPECT_EQ(mousePress(54, MouseButton::Left, true, 10, 100, 3).position, 15);
  EXPECT_EQ(mousePress(452, MouseButton::Right, false, 0, 20, 20).kind, K::None);  // clamped onto it
  // A left drag ends the selection where the button is released.
  EXPECT_EQ(mouseRelease(54, MouseButton::Left, false, 0, 100, 5).kind, K::None);
  EXPECT_EQ(mouseRelease(54, MouseButton::Left, true, 0, 100, 3).kind, K::None);
  EXPECT_EQ(mouseRelease(54, MouseButton::Right, false, 0, 100, 3).kind, K::None);
  EXPECT_EQ(mouseRelease(452, MouseButton::Left, false, 0, 20, 3).position, 20);
}

}  // namespace
}  // namespace kavrel
