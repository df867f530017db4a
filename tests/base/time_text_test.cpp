// Number and time texts: rounding halves to even, carries, signs.
#include "base/time_text.h"
#include "document/statistics.h"

#include <gtest/gtest.h>

#include "mpeg/frame_header.h"

namespace kavrel {
namespace {

TEST(TimeText, RoundHalfEven) {
  EXPECT_EQ(roundHalfEven(0.5), 0);
  EXPECT_EQ(roundHalfEven(1.5), 2);
  EXPECT_EQ(roundHalfEven(2.5), 2);
  EXPECT_EQ(roundHalfEven(2.5000001), 3);
  EXPECT_EQ(roundHalfEven(-1.5), -2);
  EXPECT_EQ(roundHalfEven(-2.5), -2);
}

TEST(TimeText, FormatFixed) {
  EXPECT_EQ(formatFixed(1, true, 30.0), "30");
  EXPECT_EQ(formatFixed(1, true, -4.5), "-4.5");
  EXPECT_EQ(formatFixed(3, true, 0.5), "0.5");
  EXPECT_EQ(formatFixed(3, false, 0.5), "0.500");
  EXPECT_EQ(formatFixed(1, true, 100.0), "100");  // only the fraction's zeros go
  EXPECT_EQ(formatFixed(2, true, 0.0), "0");
  EXPECT_EQ(formatFixed(2, false, 0.0), "0.00");
  // Halves go to the even neighbour (values exact in binary).
  EXPECT_EQ(formatFixed(2, false, 0.125), "0.12");
  EXPECT_EQ(formatFixed(1, false, 0.25), "0.2");
  EXPECT_EQ(formatFixed(2, false, -0.125), "-0.12");
  // The sign stays in front of the leading zeros.
  EXPECT_EQ(formatFixed(2, false, -0.01), "-0.01");
  EXPECT_EQ(formatFixed(3, true, -0.05), "-0.05");
  // A value that rounds to zero has no sign.
  EXPECT_EQ(formatFixed(2, false, -0.001), "0.00");
  EXPECT_EQ(formatFixed(1, false, 1234.56), "1234.6");
}

TEST(TimeText, FormatTime) {
  EXPECT_EQ(formatTime(3, 83.5), "1:23.500");
  EXPECT_EQ(formatTime(3, 0.0261), "0.026");
  EXPECT_EQ(formatTime(2, 61.2), "1:01.20 s");
  EXPECT_EQ(formatTime(3, 0.0), "0.000");
  EXPECT_EQ(formatTime(2, 0.0), "0.00 s");
  EXPECT_EQ(formatTime(3, 59.9996), "1:00.000");  // rounding carries into the minutes
  EXPECT_EQ(formatTime(3, 3600.0), "60:00.000");
  EXPECT_EQ(formatTime(2, 0.125), "0.12 s");
  EXPECT_EQ(formatTime(3, 1.0625), "1.062");
  EXPECT_EQ(formatTime(3, 600.007), "10:00.007");
  // Frame times as the views show them.
  EXPECT_EQ(formatTime(3, 38 * kFrameDuration[0]), "0.993");
}

TEST(TimeText, PlayTimeText) {
  EXPECT_EQ(playTimeText({0, 0, 0}), "0 sec");
  EXPECT_EQ(playTimeText({1, 0, 0}), "0.026 sec");
  EXPECT_EQ(playTimeText({0, 0, 1161}), "41.796 sec");
  EXPECT_EQ(playTimeText({0, 5000, 150}), "2 min 5.4 sec");
  EXPECT_EQ(playTimeText({10000, 0, 0}), "4 min 21.224 sec");
  EXPECT_EQ(playTimeText({0, 2500, 0}), "1 min 0 sec");
  // Each rate counts with its own duration.
  EXPECT_EQ(playTimeText({1000, 500, 100}), "41.722 sec");
  EXPECT_DOUBLE_EQ(playTimeSeconds({1000, 500, 100}), 1000 * 0.0261224489795918 + 12.0 + 3.6);
}

TEST(TimeText, FormatGrouped) {
  EXPECT_EQ(formatGrouped(0), "0");
  EXPECT_EQ(formatGrouped(999), "999");
  EXPECT_EQ(formatGrouped(1000), "1,000");
  EXPECT_EQ(formatGrouped(1234567), "1,234,567");
  EXPECT_EQ(formatGrouped(2147483647), "2,147,483,647");
  EXPECT_EQ(formatGrouped(-1234), "-1,234");
}

TEST(TimeText, ExponentText) {
  EXPECT_EQ(formatExponent2(1 * kFrameDuration[0]), " 2.6E-0002");
  EXPECT_EQ(formatExponent2(3 * kFrameDuration[1]), " 7.2E-0002");
  EXPECT_EQ(formatExponent2(100 * kFrameDuration[1]), " 2.4E+0000");
  EXPECT_EQ(formatExponent2(500 * kFrameDuration[2]), " 1.8E+0001");
  EXPECT_EQ(formatExponent2(0.0999), " 1.0E-0001");
  EXPECT_EQ(formatExponent2(-0.036), "-3.6E-0002");
}

}  // namespace
}  // namespace kavrel
