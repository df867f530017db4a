// Number and time texts: rounding halves to even, carries, signs, cut-offs.
#include "base/time_text.h"

#include <gtest/gtest.h>

#include "document/statistics.h"
#include "mpeg/frame_header.h"

namespace kavrel {
namespace {

TEST(TimeText, NumbersRoundHalvesToEven) {
  for (const auto& [v, rounded] :
       {std::pair<double, int64_t>{0.5, 0}, {1.5, 2}, {2.5, 2}, {2.5000001, 3}, {-1.5, -2}, {-2.5, -2}})
    EXPECT_EQ(roundHalfEven(v), rounded) << v;
  // Stripping drops only the fraction's zeros; halves go to the even neighbour (values exact in binary); the
  // sign stays in front of leading zeros, and a value that rounds to zero has none.
  const std::tuple<int, bool, double, const char*> fixed[] = {
      {1, true, 30.0, "30"},       {1, true, -4.5, "-4.5"},      {3, true, 0.5, "0.5"},
      {3, false, 0.5, "0.500"},    {1, true, 100.0, "100"},      {2, true, 0.0, "0"},
      {2, false, 0.0, "0.00"},     {2, false, 0.125, "0.12"},    {1, false, 0.25, "0.2"},
      {2, false, -0.125, "-0.12"}, {2, false, -0.01, "-0.01"},   {3, true, -0.05, "-0.05"},
      {2, false, -0.001, "0.00"},  {1, false, 1234.56, "1234.6"}};
  for (const auto& [digits, strip, v, text] : fixed) EXPECT_EQ(formatFixed(digits, strip, v), text) << v;
  const std::pair<int64_t, const char*> grouped[] = {
      {0, "0"},         {999, "999"}, {1000, "1,000"}, {1234567, "1,234,567"}, {2147483647, "2,147,483,647"},
      {-1234, "-1,234"}};
  for (const auto& [v, text] : grouped) EXPECT_EQ(formatGrouped(v), text);
  // One frame at 44.1 kHz, 3 and 100 at 48 kHz, 500 at 32 kHz.
  const std::pair<double, const char*> exponent[] = {{0.0261224, " 2.6E-0002"}, {0.072, " 7.2E-0002"},
                                                     {2.4, " 2.4E+0000"},       {18.0, " 1.8E+0001"},
                                                     {0.0999, " 1.0E-0001"},    {-0.036, "-3.6E-0002"}};
  for (const auto& [v, text] : exponent) EXPECT_EQ(formatExponent2(v), text) << v;
}

TEST(TimeText, TimesCarryIntoMinutes) {
  const std::tuple<int, double, const char*> times[] = {
      {3, 83.5, "1:23.500"}, {3, 0.0261, "0.026"},     {2, 61.2, "1:01.20 s"},   {3, 0.0, "0.000"},
      {2, 0.0, "0.00 s"},    {3, 59.9996, "1:00.000"}, {3, 3600.0, "60:00.000"}, {2, 0.125, "0.12 s"},
      {3, 1.0625, "1.062"},  {3, 600.007, "10:00.007"}};
  for (const auto& [digits, t, text] : times) EXPECT_EQ(formatTime(digits, t), text) << t;
  EXPECT_EQ(formatTime(3, 38 * frameDuration(kMpeg1, 0)), "0.993");  // a frame time as the views show it
  // Frames at 44.1, 48 and 32 kHz; each rate counts with its own duration.
  const std::tuple<int32_t, int32_t, int32_t, const char*> plays[] = {
      {0, 0, 0, "0 sec"}, {1, 0, 0, "0.026 sec"}, {0, 0, 1161, "41.796 sec"}, {0, 5000, 150, "2 min 5.4 sec"},
      {10000, 0, 0, "4 min 21.224 sec"}, {0, 2500, 0, "1 min 0 sec"}, {1000, 500, 100, "41.722 sec"}};
  for (const auto& [a, b, c, text] : plays) EXPECT_EQ(playTimeText(kMpeg1, {a, b, c}), text) << text;
  EXPECT_DOUBLE_EQ(playTimeSeconds(kMpeg1, {1000, 500, 100}), 1000 * 0.0261224489795918 + 12.0 + 3.6);
  // 576 samples a frame at 22.05/24/16 kHz, and at 11.025/12/8 kHz.
  EXPECT_NEAR(playTimeSeconds(kMpeg2, {1000, 500, 100}), 1000 * 576 / 22050.0 + 12.0 + 3.6, 1e-9);
  EXPECT_NEAR(playTimeSeconds(kMpeg25, {1000, 500, 100}), 1000 * 576 / 11025.0 + 24.0 + 7.2, 1e-9);
}

}  // namespace
}  // namespace kavrel
