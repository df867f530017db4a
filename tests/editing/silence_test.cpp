// Silent-frame codes and the silence dialog's items and length rules.
#include "editing/silence.h"

#include <gtest/gtest.h>

#include "document/save_writer.h"
#include "support/doc_builder.h"

namespace kavrel {
namespace {

using D = test::DocBuilder;

// One bitrate, rate and mode throughout, or every field mixed.
Document oneFormat(int frames, int bitrate, int rate, int mode) {
  return D().frames(frames, bitrate, rate, mode).build();
}
Document mixedFormats() { return D().frames(1, 9, 0, 0).frames(1, 10, 1, 3).build(); }

TEST(SilentFrameCode, PacksTheChoicesAndTheWriterBuildsThem) {
  // 32 kbps, 48 kHz, mono: FF FB 14 C0 and 92 zero bytes.
  const int32_t entry = silentFrameEntry({0, 1, 3});
  EXPECT_EQ(entry, -(1 + 16 + 192));
  const SilentFrameCode code = decodeSilentFrame(entry);
  EXPECT_EQ(std::tuple(code.bitrateIndex, code.sampleRateIndex, code.channelMode), std::tuple(1, 1, 3));
  std::vector<uint8_t> expected(96, 0);
  std::copy_n(std::array<uint8_t, 4>{0xFF, 0xFB, 0x14, 0xC0}.begin(), 4, expected.begin());
  EXPECT_EQ(silentFrameBytes(entry, kMpeg1), expected);
  // 320 kbps at 32 kHz, 32 kbps and 128 kbps (no padding) at 44.1 kHz.
  const std::pair<SilenceFormat, size_t> sizes[] = {{{13, 2, 0}, 1440}, {{0, 0, 1}, 104}, {{8, 0, 1}, 417}};
  for (const auto& [format, size] : sizes) EXPECT_EQ(silentFrameBytes(silentFrameEntry(format), kMpeg1).size(), size);
  EXPECT_EQ(silentFrameEntry({13, 2, 3}), -238);  // the largest code
  // The document's version: 8 kbps mono at 11.025 kHz is 52 bytes, at 24 kHz 24 bytes (the shortest frame).
  std::vector<uint8_t> low = silentFrameBytes(silentFrameEntry({0, 0, 3}), kMpeg25);
  EXPECT_EQ(std::tuple(std::vector<uint8_t>(low.begin(), low.begin() + 4), low.size()),
            std::tuple(std::vector<uint8_t>{0xFF, 0xE3, 0x10, 0xC0}, size_t(52)));
  low = silentFrameBytes(silentFrameEntry({0, 1, 1}), kMpeg2);
  EXPECT_EQ(std::tuple(std::vector<uint8_t>(low.begin(), low.begin() + 4), low.size()),
            std::tuple(std::vector<uint8_t>{0xFF, 0xF3, 0x14, 0x40}, size_t(24)));
  EXPECT_EQ(std::tuple(recommendedSilence(oneFormat(1, 11, 1, 0)), recommendedSilence(mixedFormats())),
            std::tuple(SilenceFormat{10, 1, 0}, SilenceFormat{0, 0, 1}));
  // Insertion at a cursor and over a selection goes through the Editor in
  // editor_gain_test; here the ends of the list.
  Document doc = oneFormat(4, 9, 0, 1);
  insertSilentFrames(doc, 99, -25, 2);
  insertSilentFrames(doc, 0, -1, 0);
  EXPECT_EQ(doc.frameList, (std::vector<int32_t>{0, 1, 2, 3, -25, -25}));
  EXPECT_EQ(doc.gainList.back(), (GainPair{-32768, -32768}));
}

TEST(SilenceLength, TextToFrameCountStepsAndTexts) {
  struct Case {
    const char* text;
    int rate;
    bool valid;
    int32_t frames;
  };
  // One second: 38 frames at 44.1 kHz (38.28), 42 at 48, 28 at 32 (27.78);
  // 62.5 goes to the even 62; an overflow is the most there may be.
  const Case cases[] = {
      {"1", 0, true, 38}, {"1", 1, true, 42}, {"1", 2, true, 28}, {" 1,5 ", 1, true, 62},
      {"0.036", 2, true, 1}, {"1:30", 0, false, 0}, {"", 0, false, 0}, {"inf", 0, false, 0},
      {"1.2.3", 0, false, 0}, {"99999", 0, true, kMaxSilenceFrames}, {"1e999", 0, true, kMaxSilenceFrames},
      {"1e-999", 0, true, 0}};
  for (const Case& c : cases) {
    const SilenceLength l = parseSilenceLength(c.text, kMpeg1, c.rate);
    EXPECT_EQ(std::tuple(l.valid, l.frames, l.resetText), std::tuple(c.valid, c.frames, false)) << c.text;
  }
  const SilenceLength negative = parseSilenceLength("-2", kMpeg1, 0);
  EXPECT_EQ(std::tuple(negative.valid, negative.frames, negative.resetText), std::tuple(true, 0, true));
  EXPECT_EQ(silenceLengthText(38, kMpeg1, 0) + " " + silenceLengthText(0, kMpeg1, 0) + " " +
                silenceLengthText(25, kMpeg1, 2) + " " + silenceLengthText(25, kMpeg25, 2),
            "0.993 0 0.9 1.8");
  EXPECT_EQ(
      std::tuple(stepSilenceFrame(0, -1), stepSilenceFrame(kMaxSilenceFrames, 1), stepSilenceFrame(5, 1)),
      std::tuple(0, kMaxSilenceFrames, 6));
  // Up: Int(t + 1.5001) seconds; down: Int(t - 0.5001). "junk" counts as 0 s.
  // 0.6 up is 2 s, 83.33 frames at 48 kHz; 2.4 down 1 s; 0.4 down Int(-0.1001) = 0.
  const std::tuple<const char*, int, int, int32_t> steps[] = {
      {"0", 1, 1, 42},   {"0.6", 1, 1, 83},  {"2.4", 1, -1, 42},
      {"0.4", 1, -1, 0}, {"junk", 2, 1, 28}, {"99999", 0, 1, kMaxSilenceFrames}};
  for (const auto& [text, rate, dir, frames] : steps)
    EXPECT_EQ(stepSilenceSecond(text, kMpeg1, rate, dir), frames) << text << " " << dir;
  // The four buttons by code, and no other code.
  EXPECT_EQ(std::tuple(stepSilence(kSilenceFrameUp, 5, "0.6", kMpeg1, 1),
                       stepSilence(kSilenceSecondUp, 5, "0.6", kMpeg1, 1),
                       stepSilence(kSilenceFrameDown, 5, "0.6", kMpeg1, 1),
                       stepSilence(kSilenceSecondDown, 5, "2.4", kMpeg1, 1), stepSilence(5, 5, "0.6", kMpeg1, 1),
                       stepSilence(kSilenceSecondUp, 5, "0.6", kMpeg2, 1)),
            std::tuple(6, 83, 4, 42, 5, 83));
  // Held: the code times 10 marks the wait of one tick, then a step a tick.
  AutoRepeat held = silenceAutoRepeat();
  EXPECT_FALSE(held.press(5));
  ASSERT_TRUE(held.press(kSilenceSecondDown));
  EXPECT_EQ(held.tick(), 0);
  EXPECT_EQ(held.code(), 40);
  EXPECT_EQ(held.tick(), kSilenceSecondDown);
  EXPECT_EQ(held.tick(), kSilenceSecondDown);
  EXPECT_EQ(held.interval(), 140);
}

// The dialog as the Editor opens it (recommended bitrate, "inserted" label,
// the 256K preset over a long selection) is in editor_gain_test.
TEST(SilenceDialog, RecommendedItemsForOneAndForMixedFormats) {
  using Items3 = std::array<std::string, 3>;
  using Items4 = std::array<std::string, 4>;
  const SilenceDialogState s = silenceDialogState(oneFormat(10, 11, 0, 1), 0, 0, false);  // 192 kbps
  EXPECT_EQ(std::pair(s.kbpsItems[0], s.kbpsItems[10]),
            std::pair(std::string("32 kbps (makes file var. kbps)"), std::string("192 kbps (RECOMMENDED)")));
  EXPECT_EQ(s.format, (SilenceFormat{10, 0, 1}));
  EXPECT_EQ(s.rateItems,
            (Items3{"32 KHz (makes mixed freq.)", "44.1 KHz (RECOMMENDED)", "48 KHz (makes mixed freq.)"}));
  EXPECT_EQ(s.modeItems, (Items4{"stereo (makes variable stereo)", "joint stereo (RECOMMENDED)",
                                 "dual channel (makes variable stereo)", "mono (makes variable stereo)"}));
  EXPECT_EQ(std::tuple(s.limitLabel, s.lengthText, s.replacesSelection),
            std::tuple(std::string("Max. length is 256K frames"), std::string("0"), false));
  // The lists of the document's version: MPEG-2.5 bitrates and rates.
  Document low = oneFormat(10, 11, 0, 1);
  low.mpegVersion = kMpeg25;
  const SilenceDialogState l = silenceDialogState(low, 0, 0, false);
  EXPECT_EQ(std::tuple(l.kbpsItems[10], l.rateItems[0], l.rateItems[1], l.format.version),
            std::tuple(std::string("112 kbps (RECOMMENDED)"), std::string("8 KHz (makes mixed freq.)"),
                       std::string("11.025 KHz (RECOMMENDED)"), kMpeg25));
  const SilenceDialogState m = silenceDialogState(mixedFormats(), 30, 12.3456, true);
  EXPECT_EQ(std::pair(m.kbpsItems[0], m.kbpsItems[1]),
            std::pair(std::string("32 kbps (RECOMMENDED)"), std::string("40 kbps")));
  EXPECT_EQ(m.rateItems, (Items3{"32 KHz ", "44.1 KHz (RECOMMENDED)", "48 KHz "}));
  EXPECT_EQ(m.modeItems, (Items4{"stereo", "joint stereo (RECOMMENDED)", "dual channel", "mono"}));
  EXPECT_EQ(std::tuple(m.frames, m.lengthText, m.replacesSelection),
            std::tuple(30, std::string("12.346"), true));
  // Items run 32, 44.1, 48 kHz; rate codes 44.1, 48, 32 kHz.
  EXPECT_EQ(std::tuple(itemOfRate(0), itemOfRate(1), itemOfRate(2)), std::tuple(1, 2, 0));
  EXPECT_EQ(std::tuple(rateOfItem(0), rateOfItem(1), rateOfItem(2)), std::tuple(2, 0, 1));
}

}  // namespace
}  // namespace kavrel
