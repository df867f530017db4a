// Volume and fade arithmetic, the channel modes of a selection, the dialogs.
#include "editing/gain_ops.h"

#include <gtest/gtest.h>

#include "support/doc_builder.h"

namespace kavrel {
namespace {

using Gains = std::vector<GainPair>;

TEST(GainOps, VolumeAddsToChosenChannelsAndClampsBoth) {
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
  // A silent frame's pair is clamped even on the untouched side; a range beyond the list is cut to it.
  Gains silent{{kSilentFrameGain, kSilentFrameGain}};
  applyVolume(silent, 0, 1, 4, false, true);
  EXPECT_EQ(silent[0], (GainPair{-255, -255}));
  applyVolume(silent, -5, 50, 1, true, false);
  EXPECT_EQ(silent[0], (GainPair{-254, -255}));
}

TEST(GainOps, FadeRampsRoundHalvesToEvenAndRightTakesLeft) {
  // Five frames; four, where -6.67 and -13.33 round to -7 and -13, out and in; three, whose middle -2.5
  // rounds to -2; two, the loud one 0 and the quiet one the full magnitude; magnitude 0 changes only the
  // right values; one frame is no ramp.
  const std::tuple<int, int32_t, int32_t, int, bool, GainPair, Gains> ramps[] = {
      {7, 1, 6, -20, false, {6, 3}, {{6, 3}, {6, 6}, {1, 1}, {-4, -4}, {-9, -9}, {-14, -14}, {6, 3}}},
      {4, 0, 4, -20, false, {6, 3}, {{6, 6}, {-1, -1}, {-7, -7}, {-14, -14}}},
      {4, 0, 4, -20, true, {6, 3}, {{-14, -14}, {-7, -7}, {-1, -1}, {6, 6}}},
      {3, 0, 3, -5, false, {6, 3}, {{6, 6}, {4, 4}, {1, 1}}},
      {2, 0, 2, -40, true, {-250, 9}, {{-255, -255}, {-250, -250}}},
      {3, 0, 2, 0, false, {6, 3}, {{6, 6}, {6, 6}, {6, 3}}},
      {2, 1, 2, -20, false, {6, 3}, {{6, 3}, {6, 3}}}};
  for (const auto& [size, a, b, steps, in, from, expected] : ramps) {
    Gains g(size_t(size), from);
    applyFade(g, a, b, steps, in);
    EXPECT_EQ(g, expected) << size << " frames, " << a << ".." << b << " in " << in;
  }
  EXPECT_EQ(std::pair(fadeDelta(1, 0, 3, -5, false), fadeDelta(1, 0, 3, -3, false)), std::pair(-2, -2));
}

TEST(GainOps, SelectionStereoAndKind) {
  // Two mono frames and a mono silent one.
  const Document mono = test::DocBuilder().frames(2, 9, 0, 3).silent(1, 10, 0, 3).build(false);
  EXPECT_TRUE(!selectionHasStereo(mono, true, 0, 3) && selectionHasStereo(mono, false, 0, 0));
  EXPECT_EQ(selectionStereoKind(mono, true, 0, 3), 0);
  // Kinds: the silent frame is joint stereo; joint plus mono is mixed; stereo only is none.
  const Document mixed = test::DocBuilder()
                             .frames(2, 9, 0, 1)
                             .frames(1, 9, 0, 3)
                             .frames(1, 9, 0, 0)
                             .silent(1, 10, 0, 1)
                             .build(false);
  EXPECT_TRUE(selectionHasStereo(mixed, true, 0, 1) && !selectionHasStereo(mixed, true, 2, 3));
  const std::tuple<bool, int32_t, int32_t, int> kinds[] = {
      {true, 0, 2, 1}, {true, 4, 5, 1}, {true, 1, 3, 2}, {true, 3, 4, 0}, {false, 0, 5, 0}};
  for (const auto& [selected, a, b, kind] : kinds)
    EXPECT_EQ(selectionStereoKind(mixed, selected, a, b), kind) << a << ".." << b;
}

// The remembered-slider case, the joint-stereo warning and the mono
// selection are shown through the Editor in editor_gain_test.
TEST(GainOps, DialogLabelsAndStates) {
  const std::pair<int, const char*> volume[] = {{3, "+4.5 dB"}, {-20, "-30 dB"}, {0, "0 dB"}};
  for (const auto& [steps, text] : volume) EXPECT_EQ(volumeLabel(steps), text);
  const std::pair<int, const char*> fade[] = {
      {20, "Magnitude:  30 dB"}, {27, "Magnitude:  40.5 dB"}, {0, "Magnitude:  0 dB"}};
  for (const auto& [position, text] : fade) EXPECT_EQ(fadeMagnitudeLabel(position), text);
  // Mode 0 ignores the memory.
  const VolumeDialogState s = volumeDialogState(0, 35, 1, true, 0);
  EXPECT_EQ(std::tuple(s.sliderPosition, s.channel, s.warningsVisible),
            std::tuple(20, VolumeChannel::Both, false));
  const VolumeDialogState mixed = volumeDialogState(1, 20, 1, true, 2);
  EXPECT_EQ(std::pair(mixed.warningText, mixed.channel),
            std::pair(std::string("mixed stereo!"), VolumeChannel::Left));
  EXPECT_EQ(volumeDialogState(2, 0, 1, false, 2).valueLabel, "-30 dB");
  EXPECT_EQ(std::pair(fadeDialogState(0, 33, true).sliderPosition, fadeDialogState(1, 33, false).fadeIn),
            std::pair(20, false));
  // From the start: in; to the end: out; else in when a + b reaches no further than the loaded frames.
  const std::tuple<int32_t, int32_t, int32_t, int32_t, bool> preselect[] = {
      {0, 100, 100, 100, true}, {10, 100, 100, 100, false}, {40, 70, 100, 100, false},
      {30, 70, 100, 100, true}, {40, 70, 100, 200, true},   {10, 100, 100, 200, false}};
  for (const auto& [a, b, count, loaded, in] : preselect)
    EXPECT_EQ(preselectFadeIn(a, b, count, loaded), in) << a << ".." << b;
}

}  // namespace
}  // namespace kavrel
