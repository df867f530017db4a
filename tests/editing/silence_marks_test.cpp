// Where the frame view marks the silences: under the frames shown, and on
// the scroll bar's trough for the whole document.
#include <gtest/gtest.h>

#include "editing/frame_view.h"

namespace kavrel {
namespace {

std::string text(const std::vector<Band>& bands) {
  std::string s;
  for (const Band& b : bands) s += std::to_string(b.left) + "-" + std::to_string(b.right) + " ";
  return s;
}

TEST(SilenceMarks, StripBandsAreCutToTheViewAndTroughMarksScaleToTheDocument) {
  const std::vector<Span> silences{{10, 20}, {95, 200}, {300, 301}, {1000, 1100}};
  // Frames 100..183 shown: the second silence from the first slot to its end, the last cut off.
  EXPECT_EQ(text(silenceStripBands(silences, 100)), "1-421 ");
  EXPECT_EQ(text(silenceStripBands(silences, 0)), "51-101 ");
  EXPECT_EQ(text(silenceStripBands(silences, 250)), "251-256 ");
  // 1,100 frames over the 396-pixel trough; a one-frame silence still shows.
  EXPECT_EQ(text(silenceTroughMarks(silences, 1100)), "45-49 76-114 150-151 402-438 ");
  EXPECT_TRUE(silenceTroughMarks(silences, 0).empty());
}

}  // namespace
}  // namespace kavrel
