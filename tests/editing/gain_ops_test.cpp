// Gain-list arithmetic of volume and fade, the channel-mode tests of a
// selection and the texts of the two dialogs.
#include "editing/gain_ops.h"

#include <gtest/gtest.h>

#include <vector>

namespace kavrel {
namespace {

using Gains = std::vector<GainPair>;

std::vector<int> lefts(const Gains& g) {
  std::vector<int> v;
  for (const GainPair& p : g) v.push_back(p.left);
  return v;
}

// Frames of the given channel modes; mode m + 4 is a silent frame of mode m.
Document withModes(const std::vector<int>& modes) {
  Document doc;
  for (int m : modes) {
    if (m < 4) {
      doc.frameTable.next().channelMode = uint8_t(m);
      doc.frameTable.commitNext();
    }
    doc.frameList.push_back(m < 4 ? doc.frameTable.count() - 1 : -(1 + 9 + 64 * (m - 4)));
  }
  doc.gainList.resize(doc.frameList.size());
  return doc;
}

TEST(ApplyVolume, AddsToChosenChannelsAndClampsBoth) {
  Gains g(4);
  applyVolume(g, 3, 1, 3, true, false);  // either order; frames 1 and 2
  EXPECT_EQ(g, (Gains{{0, 0}, {3, 0}, {3, 0}, {0, 0}}));

  // +20 thirteen times stops at +255; a later -20 gives +235.
  Gains h(1);
  for (int i = 0; i < 13; ++i) applyVolume(h, 0, 1, 20, true, true);
  EXPECT_EQ(h[0], (GainPair{255, 255}));
  applyVolume(h, 0, 1, -20, true, true);
  EXPECT_EQ(h[0], (GainPair{235, 235}));
  for (int i = 0; i < 30; ++i) applyVolume(h, 0, 1, -20, true, false);
  EXPECT_EQ(h[0], (GainPair{-255, 235}));

  // A silent frame's pair is clamped even on the untouched side; a range
  // beyond the list is cut to it.
  Gains silent{{kSilentFrameGain, kSilentFrameGain}};
  applyVolume(silent, 0, 1, 4, false, true);
  EXPECT_EQ(silent[0], (GainPair{-255, -255}));
  applyVolume(silent, -5, 50, 1, true, false);
  EXPECT_EQ(silent[0], (GainPair{-254, -255}));
}

TEST(ApplyFade, RampsRoundHalvesToEvenAndRightTakesLeft) {
  // Five frames; four, where -6.67 and -13.33 round to -7 and -13, out and in.
  const std::tuple<int, int32_t, int32_t, bool, std::vector<int>> ramps[] = {
      {7, 1, 6, false, {0, 0, -5, -10, -15, -20, 0}},
      {4, 0, 4, false, {0, -7, -13, -20}},
      {4, 0, 4, true, {-20, -13, -7, 0}}};
  for (const auto& [size, a, b, in, expected] : ramps) {
    Gains g(static_cast<size_t>(size));
    applyFade(g, a, b, -20, in);
    EXPECT_EQ(lefts(g), expected) << size << " in " << in;
  }
  // 3 frames, -5 steps: the middle is -2.5, which rounds to -2.
  Gains g{{6, 0}, {6, 0}, {6, 0}};
  applyFade(g, 0, 3, -5, false);
  EXPECT_EQ(g, (Gains{{6, 6}, {4, 4}, {1, 1}}));
  EXPECT_EQ(fadeDelta(1, 0, 3, -5, false), -2);
  EXPECT_EQ(fadeDelta(1, 0, 3, -3, false), -2);  // -1.5

  // Two frames: the loud one 0, the quiet one the full magnitude.
  Gains two{{-250, 9}, {-250, 9}};
  applyFade(two, 0, 2, -40, true);
  EXPECT_EQ(two, (Gains{{-255, -255}, {-250, -250}}));

  // Magnitude 0 changes only the right values; one frame is no ramp.
  Gains flat{{3, 7}, {3, 7}, {1, 2}};
  applyFade(flat, 0, 2, 0, false);
  applyFade(flat, 2, 3, -20, false);
  EXPECT_EQ(flat, (Gains{{3, 3}, {3, 3}, {1, 2}}));
}

TEST(SelectionModes, StereoAndKind) {
  const Document mono = withModes({3, 3, 7});  // two mono frames and a mono silent one
  EXPECT_FALSE(selectionHasStereo(mono, true, 0, 3));
  EXPECT_TRUE(selectionHasStereo(mono, false, 0, 0));
  EXPECT_EQ(selectionStereoKind(mono, true, 0, 3), 0);

  // Kinds: the silent frame is joint stereo; joint plus mono is mixed; stereo only is none.
  const Document mixed = withModes({1, 1, 3, 0, 5});
  EXPECT_TRUE(selectionHasStereo(mixed, true, 0, 1));
  EXPECT_FALSE(selectionHasStereo(mixed, true, 2, 3));
  const std::tuple<bool, int32_t, int32_t, int> kinds[] = {
      {true, 0, 2, 1}, {true, 4, 5, 1}, {true, 1, 3, 2}, {true, 3, 4, 0}, {false, 0, 5, 0}};
  for (const auto& [selected, a, b, kind] : kinds)
    EXPECT_EQ(selectionStereoKind(mixed, selected, a, b), kind) << a << ".." << b;
}

// The remembered-slider case, the joint-stereo warning and the mono
// selection are shown through the Editor in editor_gain_test.
TEST(GainDialogs, LabelsAndStateRules) {
  const std::pair<int, const char*> volume[] = {{3, "+4.5 dB"}, {-20, "-30 dB"}, {0, "0 dB"}};
  for (const auto& [steps, text] : volume) EXPECT_EQ(volumeLabel(steps), text);
  const std::pair<int, const char*> fade[] = {
      {20, "Magnitude:  30 dB"}, {27, "Magnitude:  40.5 dB"}, {0, "Magnitude:  0 dB"}};
  for (const auto& [position, text] : fade) EXPECT_EQ(fadeMagnitudeLabel(position), text);

  // Mode 0 ignores the memory.
  const VolumeDialogState s = volumeDialogState(0, 35, 1, true, 0);
  EXPECT_EQ(s.sliderPosition, 20);
  EXPECT_EQ(s.channel, VolumeChannel::Both);
  EXPECT_FALSE(s.warningsVisible);
  EXPECT_EQ(volumeDialogState(1, 20, 1, true, 2).warningText, "mixed stereo!");
  EXPECT_EQ(volumeDialogState(1, 20, 1, true, 2).channel, VolumeChannel::Left);
  EXPECT_EQ(volumeDialogState(2, 0, 1, false, 2).valueLabel, "-30 dB");
  EXPECT_EQ(fadeDialogState(0, 33, true).sliderPosition, 20);
  EXPECT_FALSE(fadeDialogState(1, 33, false).fadeIn);

  // From the start: in; to the end: out; else in when a + b reaches no
  // further than the loaded frames.
  const std::tuple<int32_t, int32_t, int32_t, int32_t, bool> preselect[] = {
      {0, 100, 100, 100, true}, {10, 100, 100, 100, false}, {40, 70, 100, 100, false},
      {30, 70, 100, 100, true}, {40, 70, 100, 200, true},   {10, 100, 100, 200, false}};
  for (const auto& [a, b, count, loaded, in] : preselect)
    EXPECT_EQ(preselectFadeIn(a, b, count, loaded), in) << a << ".." << b;
}

}  // namespace
}  // namespace kavrel
