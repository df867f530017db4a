// Silent-frame codes, their insertion, and the silence dialog's items and
// length rules.
#include "editing/silence.h"

#include <gtest/gtest.h>

#include "document/save_writer.h"

namespace kavrel {
namespace {

Document oneFormat(int frames, int bitrateIndex, int rate, int mode) {
  Document doc;
  for (int i = 0; i < frames; ++i) {
    doc.frameList.push_back(i);
    doc.gainList.push_back({int16_t(i), int16_t(i)});
  }
  doc.editSummary = {uint8_t(bitrateIndex), uint8_t(mode), uint8_t(rate)};
  doc.sourceSummary = doc.editSummary;
  return doc;
}

TEST(SilentFrameCode, PacksTheChoicesAndTheWriterBuildsThem) {
  // 32 kbps, 48 kHz, mono: FF FB 14 C0 and 92 zero bytes.
  const int32_t entry = silentFrameEntry({0, 1, 3});
  EXPECT_EQ(entry, -(1 + 16 + 192));
  const SilentFrameCode code = decodeSilentFrame(entry);
  EXPECT_EQ(code.bitrateIndex, 1);
  EXPECT_EQ(code.sampleRateIndex, 1);
  EXPECT_EQ(code.channelMode, 3);
  const std::vector<uint8_t> bytes = silentFrameBytes(entry);
  ASSERT_EQ(bytes.size(), 96u);
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 4),
            (std::vector<uint8_t>{0xFF, 0xFB, 0x14, 0xC0}));
  EXPECT_EQ(std::count(bytes.begin() + 4, bytes.end(), 0), 92);

  EXPECT_EQ(silentFrameBytes(silentFrameEntry({13, 2, 0})).size(), 1440u);  // 320 kbps, 32 kHz
  EXPECT_EQ(silentFrameBytes(silentFrameEntry({0, 0, 1})).size(), 104u);    // 32 kbps, 44.1 kHz
  EXPECT_EQ(silentFrameBytes(silentFrameEntry({8, 0, 1})).size(), 417u);    // 128 kbps, no padding
  EXPECT_EQ(silentFrameEntry({13, 2, 3}), -238);                            // the largest code
}

TEST(SilentFrameCode, RecommendedFormatFollowsTheDocument) {
  EXPECT_EQ(recommendedSilence(oneFormat(1, 11, 1, 0)), (SilenceFormat{10, 1, 0}));
  Document mixed = oneFormat(1, 0, 3, 4);
  EXPECT_EQ(recommendedSilence(mixed), (SilenceFormat{0, 0, 1}));
}

// Insertion at a cursor and over a selection goes through the Editor in
// editor_gain_test; here the ends of the list.
TEST(InsertSilentFrames, BeyondTheEndAppendsAndZeroFramesIsNothing) {
  Document doc = oneFormat(4, 9, 0, 1);
  insertSilentFrames(doc, 99, -25, 2);
  EXPECT_EQ(doc.frameList, (std::vector<int32_t>{0, 1, 2, 3, -25, -25}));
  EXPECT_EQ(doc.gainList.back(), (GainPair{-32768, -32768}));
  insertSilentFrames(doc, 0, -1, 0);
  EXPECT_EQ(doc.frameList.size(), 6u);
}

TEST(SilenceLength, TextToFrameCount) {
  // One second: 38 frames at 44.1 kHz (38.28), 42 at 48, 28 at 32 (27.78).
  EXPECT_EQ(parseSilenceLength("1", 0).frames, 38);
  EXPECT_EQ(parseSilenceLength("1", 1).frames, 42);
  EXPECT_EQ(parseSilenceLength("1", 2).frames, 28);
  EXPECT_EQ(parseSilenceLength(" 1,5 ", 1).frames, 62);  // 62.5 -> even
  EXPECT_TRUE(parseSilenceLength("0.036", 2).valid);
  EXPECT_EQ(parseSilenceLength("0.036", 2).frames, 1);

  const SilenceLength bad = parseSilenceLength("1:30", 0);
  EXPECT_FALSE(bad.valid);
  EXPECT_EQ(bad.frames, 0);
  EXPECT_FALSE(parseSilenceLength("", 0).valid);
  EXPECT_FALSE(parseSilenceLength("inf", 0).valid);
  EXPECT_FALSE(parseSilenceLength("1.2.3", 0).valid);

  EXPECT_EQ(parseSilenceLength("99999", 0).frames, kMaxSilenceFrames);
  EXPECT_EQ(parseSilenceLength("1e999", 0).frames, kMaxSilenceFrames);  // overflow
  EXPECT_EQ(parseSilenceLength("1e-999", 0).frames, 0);
  const SilenceLength negative = parseSilenceLength("-2", 0);
  EXPECT_TRUE(negative.valid);
  EXPECT_EQ(negative.frames, 0);
  EXPECT_TRUE(negative.resetText);
}

TEST(SilenceLength, StepButtonsAndTexts) {
  EXPECT_EQ(silenceLengthText(38, 0), "0.993");
  EXPECT_EQ(silenceLengthText(0, 0), "0");
  EXPECT_EQ(silenceLengthText(25, 2), "0.9");
  EXPECT_EQ(stepSilenceFrame(0, -1), 0);
  EXPECT_EQ(stepSilenceFrame(kMaxSilenceFrames, 1), kMaxSilenceFrames);
  EXPECT_EQ(stepSilenceFrame(5, 1), 6);

  // Up: Int(t + 1.5001) seconds; down: Int(t - 0.5001).
  EXPECT_EQ(stepSilenceSecond("0", 1, 1), 42);     // 1 s at 48 kHz
  EXPECT_EQ(stepSilenceSecond("0.6", 1, 1), 83);   // Int(2.1001) = 2 s, 83.33 frames
  EXPECT_EQ(stepSilenceSecond("2.4", 1, -1), 42);  // Int(1.8999) = 1 s
  EXPECT_EQ(stepSilenceSecond("0.4", 1, -1), 0);   // Int(-0.1001) = 0
  EXPECT_EQ(stepSilenceSecond("junk", 2, 1), 28);  // counts as 0 s
  EXPECT_EQ(stepSilenceSecond("99999", 0, 1), kMaxSilenceFrames);
}

// The dialog as the Editor opens it (recommended bitrate, "inserted" label,
// the 256K preset over a long selection) is in editor_gain_test.
TEST(SilenceDialog, RecommendedItemsForOneAndForMixedFormats) {
  Document doc = oneFormat(10, 11, 0, 1);  // 192 kbps, 44.1 kHz, joint stereo
  const SilenceDialogState s = silenceDialogState(doc, 0, 0, false);
  EXPECT_EQ(s.kbpsItems[0], "32 kbps (makes file var. kbps)");
  EXPECT_EQ(s.format, (SilenceFormat{10, 0, 1}));
  EXPECT_EQ(s.rateItems[0], "32 KHz (makes mixed freq.)");
  EXPECT_EQ(s.rateItems[1], "44.1 KHz (RECOMMENDED)");
  EXPECT_EQ(itemOfRate(s.format.rate), 1);
  EXPECT_EQ(s.modeItems[1], "joint stereo (RECOMMENDED)");
  EXPECT_EQ(s.modeItems[3], "mono (makes variable stereo)");
  EXPECT_EQ(s.limitLabel, "Max. length is 256K frames");
  EXPECT_FALSE(s.replacesSelection);

  Document mixed = oneFormat(10, 0, 3, 4);
  mixed.sourceSummary = {0, 4, 3};
  const SilenceDialogState m = silenceDialogState(mixed, 30, 12.3456, true);
  EXPECT_EQ(m.kbpsItems[0], "32 kbps (RECOMMENDED)");
  EXPECT_EQ(m.kbpsItems[1], "40 kbps");
  EXPECT_EQ(m.rateItems[2], "48 KHz ");
  EXPECT_EQ(m.modeItems[0], "stereo");
  EXPECT_EQ(m.frames, 30);
  EXPECT_EQ(m.lengthText, "12.346");
  EXPECT_TRUE(m.replacesSelection);
  EXPECT_EQ(rateOfItem(0), 2);
  EXPECT_EQ(rateOfItem(2), 1);
}

}  // namespace
}  // namespace kavrel
