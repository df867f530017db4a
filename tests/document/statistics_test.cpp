// Histograms, summaries, the information texts and boxes.
#include "document/statistics.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/doc_builder.h"

namespace kavrel {
namespace {

using D = test::DocBuilder;

TEST(Statistics, VbrTagFrameInFrontIsLeftOutOnlyWhenItAloneDiffers) {
  const std::tuple<const char*, Summary, Summary> cases[] = {
      {"Info, another bitrate", D().frames(1, 1, 0, 1, kVbrInfo).frames(20).build().editSummary, {9, 1, 0}},
      {"Xing, another mode",
       D().frames(1, 9, 0, 3, kVbrXing).frames(5, 9, 0, 0).build().editSummary,
       {9, 0, 0}},
      {"VBRI, another rate", D().frames(1, 9, 1, 1, kVbrVbri).frames(5, 9, 2).build().editSummary, {9, 1, 2}},
      {"one audio frame", D().frames(1, 1, 0, 1, kVbrInfo).frames(1).build().editSummary, {9, 1, 0}},
      {"no tag", D().frames(1, 1).frames(5).build().editSummary, {0, 1, 0}},
      {"bitrate used again",
       D().frames(1, 1, 0, 1, kVbrXing).frames(5).frames(1, 1).build().editSummary,
       {0, 1, 0}},
      {"three bitrates",
       D().frames(1, 1, 0, 1, kVbrXing).frames(5).frames(1, 10).build().editSummary,
       {0, 1, 0}}};
  for (const auto& [what, summary, expected] : cases) EXPECT_EQ(summary, expected) << what;
  // The histogram still counts the tag frame. The exception ends when the tag
  // frame moves away from the front, or a silent frame comes before it.
  Document doc = D().frames(1, 1, 0, 1, kVbrInfo).frames(20).build();
  EXPECT_EQ(std::pair(doc.kbpsHistogram[1], doc.kbpsHistogram[9]), std::pair(1, 20));
  std::rotate(doc.frameList.begin(), doc.frameList.begin() + 1, doc.frameList.end());
  recomputeStatistics(doc);
  EXPECT_EQ(doc.editSummary.bitrate, 0);
  Document silentFront = D().frames(1, 1, 0, 1, kVbrInfo).frames(20).build();
  test::insertEntry(silentFront, 0, test::silentEntry(9, 0, 1));
  recomputeStatistics(silentFront);
  EXPECT_EQ(silentFront.editSummary.bitrate, 0);
}

TEST(Statistics, SilentFramesCountWithTheirDecodedFieldsAndAnEmptyListKeepsTheSource) {
  const Document doc =
      D().frames(1).silent(1, 5, 1, 3).silent(1, 15, 3, 2).build();  // 15 is free, 3 44.1 kHz
  std::array<int32_t, 15> kbps{};
  kbps[0] = kbps[5] = kbps[9] = 1;
  EXPECT_EQ(std::tuple(doc.kbpsHistogram, doc.rateHistogram, doc.modeHistogram, doc.editSummary),
            std::tuple(kbps, std::array<int32_t, 3>{2, 1, 0}, std::array<int32_t, 4>{0, 1, 1, 1},
                       Summary{0, 4, 3}));
  Document empty;
  empty.sourceSummary = Summary{9, 1, 0};
  recomputeStatistics(empty);
  EXPECT_EQ(std::tuple(empty.editSummary, empty.kbpsHistogram),
            std::tuple(Summary{9, 1, 0}, std::array<int32_t, 15>{}));
}

TEST(Statistics, InfoTextForms) {
  // 1000 x 0.0261224489795918 + 500 x 0.024 = 38.122...: each rate with its duration.
  const Document mixed = D().frames(1000).frames(500, 9, 1).build();
  const std::tuple<std::array<int32_t, 3>, int, int, const char*> cases[] = {
      {mixed.rateHistogram, mixed.editSummary.bitrate, mixed.editSummary.mode,
       "mixed freq, JOINT STEREO, 128 kbps, 38.122 sec"},
      {{0, 0, 0}, 0, 4, "n/a KHz, MIXED STEREO, var.kbps, 0 sec"},
      {{0, 2500, 0}, 255, 3, "48 KHz, MONO, var.kbps, 1 min 0 sec"},
      {{0, 0, 10}, 15, 2, "32 KHz, DUAL CHANNEL, ? kbps, 0.36 sec"},
      {{10, 0, 0}, 14, 7, "44.1 KHz, MIXED STEREO, 320 kbps, 0.261 sec"},
      {{10, 0, 0}, 1, 0, "44.1 KHz, STEREO, 32 kbps, 0.261 sec"},
      {{1, 0, 1}, 9, 1, "mixed freq, JOINT STEREO, 128 kbps, 0.062 sec"}};
  for (const auto& [rates, bitrate, mode, text] : cases) EXPECT_EQ(infoText(kMpeg1, rates, bitrate, mode), text);
  EXPECT_EQ(infoText(kMpeg2, {0, 0, 10}, 14, 3), "16 KHz, MONO, 160 kbps, 0.36 sec");
  EXPECT_EQ(infoText(kMpeg25, {0, 10, 0}, 1, 1), "12 KHz, JOINT STEREO, 8 kbps, 0.48 sec");
}

TEST(StatisticsList, FifteenLinesSelectionAndScroll) {
  std::array<int32_t, 15> h{};
  h[9] = 100;
  const StatisticsList list = fillStatisticsList(kMpeg1, h);
  EXPECT_EQ(list.lines[0] + "|" + list.lines[1] + "|" + list.lines[9] + "|" + list.lines[14],
            "free kbps frames: 0|  32 kbps frames: 0| 128 kbps frames: 100| 320 kbps frames: 0");
  // The top is the mean of the starts of the densest seven lines: 3..9 for 128 kbps alone; all tie when
  // empty; 0,1,2,4..10 reach 5 for the tie of 2 and 10, where the first is selected; 8..14 for the last; and
  // 2..7 hold both 6s, which beat a single 10.
  const std::tuple<std::vector<std::pair<size_t, int32_t>>, int, int> cases[] = {
      {{{9, 100}}, 9, 6}, {{}, 0, 7},          {{{2, 5}, {10, 5}}, 2, 5},
      {{{0, 3}}, 0, 0},   {{{14, 3}}, 14, 11}, {{{0, 10}, {7, 6}, {8, 6}}, 0, 4}};
  for (const auto& [counts, selected, top] : cases) {
    std::array<int32_t, 15> histogram{};
    for (const auto& [k, n] : counts) histogram[k] = n;
    const StatisticsList l = fillStatisticsList(kMpeg1, histogram);
    EXPECT_EQ(std::pair(l.selected, l.top), std::pair(selected, top)) << selected << " " << top;
  }
}

// The box as "title|text" with its line breaks shown as "/".
std::string boxText(const Document& doc, int32_t i) {
  const auto box = frameInfoBox(doc, i);
  if (!box) return "none";
  std::string text = box->title + "|" + box->text;
  for (size_t at; (at = text.find("\r\n")) != std::string::npos;) text.replace(at, 2, "/");
  return text;
}

TEST(FrameInfoBox, LoadedSilentAndInsertedFrames) {
  Document doc = D().frames(3).frames(4, 10, 2, 0, 0, 1).build();
  doc.sourceNames[0] = "/music/loaded.mp3";
  doc.insertedFileCount = 1;
  doc.frameTable[1].averageGain = 120;
  doc.gainList[1] = {3, 0};
  test::insertEntry(doc, 2, test::silentEntry(1, 1, 3));
  EXPECT_EQ(boxText(doc, 1), "frame info 0|Frame position: 2/Original position: 2/Bitrate: 128 kbps/"
                             "Frequency: 44.1 KHz/Mode: joint stereo/Amplification flag: 121");
  EXPECT_EQ(boxText(doc, 2), "frame info 1|Frame position: 3/- empty (silence) frame -/Bitrate: 32 kbps/"
                             "Frequency: 48 KHz/Mode: mono");
  EXPECT_EQ(boxText(doc, -1) + boxText(doc, 8) + boxText(Document{}, 0), "nonenonenone");
  // The inserted file's name loses ".mp3" in any case, and only that.
  const std::pair<const char*, const char*> names[] = {
      {"/some/folder/Song.Mp3", "Song"}, {"/a/track.MP3", "track"}, {"/a/track.mp3.bak", "track.mp3.bak"},
      {"/a/track.wav", "track.wav"}, {"/a/mp3", "mp3"}};
  for (const auto& [path, name] : names) {
    doc.sourceNames[1] = path;
    EXPECT_EQ(boxText(doc, 6),
              std::string("frame info 2|Frame position: 7/Original position: 3/") + "Inserted from file: " +
                  name + "/Bitrate: 160 kbps/Frequency: 32 KHz/Mode: stereo/Amplification flag: 100");
  }
}

TEST(FrameInfoBox, AmplificationValueOrTheVbrLine) {
  // Mono uses the left change only; the value stays in 0..255; (-3 + 0) / 2
  // truncates toward zero. A VBR tag frame has its kind's line instead.
  const std::string vbri = "VBRI header. Replaced with Xing in VBR files.";
  const std::tuple<int, int, int, int, int, std::string> cases[] = {
      {3, 170, 100, 0, 0, "Amplification flag: 255"}, {3, 170, 10, -200, 0, "Amplification flag: 180"},
      {3, 20, -100, 0, 0, "Amplification flag: 0"},    {1, 100, -3, 0, 0, "Amplification flag: 99"},
      {0, 100, 3, 0, 0, "Amplification flag: 101"},    {2, 250, 255, 255, 0, "Amplification flag: 255"},
      {1, 100, 3, 3, kVbrXing, "XING header. Always written to position 1 of VBR files."},
      {1, 100, 0, 0, kVbrInfo, "INFO header. Removed (CBR) or replaced with Xing (VBR)."},
      {1, 100, 0, 0, kVbrVbri, vbri}, {1, 100, 0, 0, kVbrFbri, vbri}};
  for (const auto& [mode, average, left, right, vbr, line] : cases) {
    Document doc = D().frames(1, 9, 0, mode, vbr).frames(2, 9, 0, mode).build();
    doc.frameTable[0].averageGain = uint8_t(average);
    doc.gainList[0] = {int16_t(left), int16_t(right)};
    const std::string text = boxText(doc, 0);  // the lines after the mode
    EXPECT_EQ(text.substr(text.find('/', text.find("Mode: ")) + 1), line) << mode << " " << left << vbr;
  }
  // The loaded file's encoder tag, kept by saves.
  Document doc = D().frames(1, 9, 0, 1, kVbrInfo).frames(2, 9, 0, 1).build();
  doc.gapless.found = true;
  doc.gapless.firstRecord = 1;
  const std::string kept = frameInfoBox(doc, 0, true)->text;
  EXPECT_EQ(kept.substr(kept.rfind("\r\n") + 2),
            "INFO header with the encoder's delay and padding. Kept when saving, its counts brought up to date.");
  EXPECT_NE(frameInfoBox(doc, 0, false)->text.find("Removed (CBR)"), std::string::npos);
}

}  // namespace
}  // namespace kavrel
