// Gain-list arithmetic of volume and fade, the channel-mode tests of a
// selection and the texts of the two dialogs.
#include "editing/gain_ops.h"

#include <gtest/gtest.h>

#include <vector>

namespace kavrel {
namespace {

std::vector<int> lefts(const std::vector<GainPair>& g) {
  std::vector<int> v;
  for (const GainPair& p : g) v.push_back(p.left);
  return v;
}

// Frames of the given channel modes; a negative mode is a silent frame of
// that mode (mode = -1 - m).
Document withModes(const std::vector<int>& modes) {
  Document doc;
  for (int m : modes) {
    if (m < 0) {
      doc.frameList.push_back(-(1 + 9 + 64 * (-1 - m)));
    } else {
      FrameInfo& f = doc.frameTable.next();
      f.channelMode = uint8_t(m);
      doc.frameTable.commitNext();
      doc.frameList.push_back(doc.frameTable.count() - 1);
    }
    doc.gainList.push_back({});
  }
  return doc;
}

TEST(ApplyVolume, AddsToChosenChannelsAndClampsBoth) {
  std::vector<GainPair> g(4);
  applyVolume(g, 3, 1, 3, true, false);  // either order; frames 1 and 2
  EXPECT_EQ(g, (std::vector<GainPair>{{0, 0}, {3, 0}, {3, 0}, {0, 0}}));

  // +20 thirteen times stops at +255; a later -20 gives +235.
  std::vector<GainPair> h(1);
  for (int i = 0; i < 13; ++i) applyVolume(h, 0, 1, 20, true, true);
  EXPECT_EQ(h[0], (GainPair{255, 255}));
  applyVolume(h, 0, 1, -20, true, true);
  EXPECT_EQ(h[0], (GainPair{235, 235}));
  for (int i = 0; i < 30; ++i) applyVolume(h, 0, 1, -20, true, false);
  EXPECT_EQ(h[0], (GainPair{-255, 235}));
}

TEST(ApplyVolume, SilentFramePairIsClampedEvenOnTheUntouchedSide) {
  std::vector<GainPair> g{{kSilentFrameGain, kSilentFrameGain}};
  applyVolume(g, 0, 1, 4, false, true);
  EXPECT_EQ(g[0], (GainPair{-255, -255}));
  // A range beyond the list is cut to it.
  applyVolume(g, -5, 50, 1, true, false);
  EXPECT_EQ(g[0], (GainPair{-254, -255}));
}

TEST(ApplyFade, RampsForFourAndFiveFrames) {
  std::vector<GainPair> five(7);
  applyFade(five, 1, 6, -20, false);
  EXPECT_EQ(lefts(five), (std::vector<int>{0, 0, -5, -10, -15, -20, 0}));

  // -6.67 and -13.33 round to -7 and -13.
  std::vector<GainPair> four(4);
  applyFade(four, 0, 4, -20, false);
  EXPECT_EQ(lefts(four), (std::vector<int>{0, -7, -13, -20}));
  std::vector<GainPair> fourIn(4);
  applyFade(fourIn, 0, 4, -20, true);
  EXPECT_EQ(lefts(fourIn), (std::vector<int>{-20, -13, -7, 0}));
}

TEST(ApplyFade, HalvesGoToEvenAndRightTakesLeft) {
  // 3 frames, -5 steps: the middle is -2.5, which rounds to -2.
  std::vector<GainPair> g{{6, 0}, {6, 0}, {6, 0}};
  applyFade(g, 0, 3, -5, false);
  EXPECT_EQ(g, (std::vector<GainPair>{{6, 6}, {4, 4}, {1, 1}}));
  EXPECT_EQ(fadeDelta(1, 0, 3, -5, false), -2);
  EXPECT_EQ(fadeDelta(1, 0, 3, -3, false), -2);  // -1.5

  // Two frames: the loud one 0, the quiet one the full magnitude.
  std::vector<GainPair> two{{-250, 9}, {-250, 9}};
  applyFade(two, 0, 2, -40, true);
  EXPECT_EQ(two, (std::vector<GainPair>{{-255, -255}, {-250, -250}}));

  // Magnitude 0 changes only the right values; one frame is no ramp.
  std::vector<GainPair> flat{{3, 7}, {3, 7}, {1, 2}};
  applyFade(flat, 0, 2, 0, false);
  applyFade(flat, 2, 3, -20, false);
  EXPECT_EQ(flat, (std::vector<GainPair>{{3, 3}, {3, 3}, {1, 2}}));
}

TEST(SelectionModes, StereoAndKind) {
  const Document mono = withModes({3, 3, -4});  // two mono frames and a mono silent one
  EXPECT_FALSE(selectionHasStereo(mono, true, 0, 3));
  EXPECT_TRUE(selectionHasStereo(mono, false, 0, 0));
  EXPECT_EQ(selectionStereoKind(mono, true, 0, 3), 0);

  const Document mixed = withModes({1, 1, 3, 0, -2});
  EXPECT_TRUE(selectionHasStereo(mixed, true, 0, 1));
  EXPECT_FALSE(selectionHasStereo(mixed, true, 2, 3));
  EXPECT_EQ(selectionStereoKind(mixed, true, 0, 2), 1);
  EXPECT_EQ(selectionStereoKind(mixed, true, 4, 5), 1);  // silent joint stereo
  EXPECT_EQ(selectionStereoKind(mixed, true, 1, 3), 2);  // joint plus mono
  EXPECT_EQ(selectionStereoKind(mixed, true, 3, 4), 0);  // stereo only
  EXPECT_EQ(selectionStereoKind(mixed, false, 0, 5), 0);
}

// The remembered-slider case, the joint-stereo warning and the mono
// selection are shown through the Editor in editor_gain_test.
TEST(VolumeDialog, LabelsAndStateRules) {
  EXPECT_EQ(volumeLabel(3), "+4.5 dB");
  EXPECT_EQ(volumeLabel(-20), "-30 dB");
  EXPECT_EQ(volumeLabel(0), "0 dB");

  // Mode 0 ignores the memory.
  const VolumeDialogState s = volumeDialogState(0, 35, 1, true, 0);
  EXPECT_EQ(s.sliderPosition, 20);
  EXPECT_EQ(s.channel, VolumeChannel::Both);
  EXPECT_FALSE(s.warningsVisible);
  EXPECT_EQ(volumeDialogState(1, 20, 1, true, 2).warningText, "mixed stereo!");
  EXPECT_EQ(volumeDialogState(1, 20, 1, true, 2).channel, VolumeChannel::Left);
  EXPECT_EQ(volumeDialogState(2, 0, 1, false, 2).valueLabel, "-30 dB");
}

TEST(FadeDialog, MagnitudeLabelDirectionAndMemory) {
  EXPECT_EQ(fadeMagnitudeLabel(20), "Magnitude:  30 dB");
  EXPECT_EQ(fadeMagnitudeLabel(27), "Magnitude:  40.5 dB");
  EXPECT_EQ(fadeMagnitudeLabel(0), "Magnitude:  0 dB");

  EXPECT_TRUE(preselectFadeIn(0, 100, 100, 100));    // from the start: in
  EXPECT_FALSE(preselectFadeIn(10, 100, 100, 100));  // to the end: out
  EXPECT_FALSE(preselectFadeIn(40, 70, 100, 100));   // 110 > 100: out
  EXPECT_TRUE(preselectFadeIn(30, 70, 100, 100));    // 100: in
  EXPECT_TRUE(preselectFadeIn(40, 70, 100, 200));    // against the loaded frames

  EXPECT_EQ(fadeDialogState(0, 33, true).sliderPosition, 20);
  EXPECT_FALSE(fadeDialogState(1, 33, false).fadeIn);
}

}  // namespace
}  // namespace kavrel
