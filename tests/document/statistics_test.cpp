// Histograms, summaries, the information texts, the statistics list and the
// frame information box.
#include "document/statistics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace kavrel {
namespace {

FrameInfo frameOf(int bitrate, int rate = 0, int mode = 1, int vbr = 0) {
  return {.sampleRateIndex = uint8_t(rate), .channelMode = uint8_t(mode), .bitrateIndex = uint8_t(bitrate),
          .averageGain = 100, .vbrHeaderKind = uint8_t(vbr)};
}

void append(Document& doc, const FrameInfo& f, int count = 1) {
  for (int k = 0; k < count; ++k) {
    doc.frameTable.next() = f;
    doc.frameTable.commitNext();
    doc.frameList.push_back(doc.frameTable.count() - 1);
    doc.gainList.push_back({});
  }
  doc.sourceFirstFrame[1] = doc.frameTable.count();
}

// Puts a silent frame entry with the given fields into the list at `at`.
void insertSilent(Document& doc, size_t at, int bitrate, int rate, int mode) {
  doc.frameList.insert(doc.frameList.begin() + std::ptrdiff_t(at),
                       -int32_t(bitrate | (rate << 4) | (mode << 6)));
  doc.gainList.insert(doc.gainList.begin() + std::ptrdiff_t(at), GainPair{});
}

Document documentOf(const std::vector<std::pair<FrameInfo, int>>& runs) {
  Document doc;
  for (const auto& [frame, count] : runs) append(doc, frame, count);
  recomputeStatistics(doc);
  return doc;
}

TEST(Statistics, VbrTagFrameInFrontIsLeftOutOnlyWhenItAloneDiffers) {
  const std::vector<std::pair<FrameInfo, int>> infoFirst{{frameOf(1, 0, 1, kVbrInfo), 1}, {frameOf(9), 20}};
  const std::tuple<const char*, std::vector<std::pair<FrameInfo, int>>, Summary> cases[] = {
      {"Info, another bitrate", infoFirst, {9, 1, 0}},
      {"Xing, another mode", {{frameOf(9, 0, 3, kVbrXing), 1}, {frameOf(9, 0, 0), 5}}, {9, 0, 0}},
      {"VBRI, another rate", {{frameOf(9, 1, 1, kVbrVbri), 1}, {frameOf(9, 2, 1), 5}}, {9, 1, 2}},
      {"one audio frame", {{frameOf(1, 0, 1, kVbrInfo), 1}, {frameOf(9), 1}}, {9, 1, 0}},
      {"no tag", {{frameOf(1), 1}, {frameOf(9), 5}}, {0, 1, 0}},
      {"bitrate used again", {{frameOf(1, 0, 1, kVbrXing), 1}, {frameOf(9), 5}, {frameOf(1), 1}}, {0, 1, 0}},
      {"three bitrates", {{frameOf(1, 0, 1, kVbrXing), 1}, {frameOf(9), 5}, {frameOf(10), 1}}, {0, 1, 0}}};
  for (const auto& [what, runs, summary] : cases) EXPECT_EQ(documentOf(runs).editSummary, summary) << what;

  // The histogram still counts the tag frame.
  Document doc = documentOf(infoFirst);
  EXPECT_EQ(std::pair(doc.kbpsHistogram[1], doc.kbpsHistogram[9]), std::pair(1, 20));
  // Not when the tag frame moved away from the front, or a silent frame is in front of it.
  std::rotate(doc.frameList.begin(), doc.frameList.begin() + 1, doc.frameList.end());
  recomputeStatistics(doc);
  EXPECT_EQ(doc.editSummary.bitrate, 0);
  Document silentFront = documentOf(infoFirst);
  insertSilent(silentFront, 0, 9, 0, 1);
  recomputeStatistics(silentFront);
  EXPECT_EQ(silentFront.editSummary.bitrate, 0);
}

TEST(Statistics, SilentFramesCountWithTheirDecodedFieldsAndAnEmptyListKeepsTheSource) {
  Document doc = documentOf({{frameOf(9, 0, 1), 1}});
  insertSilent(doc, 1, 5, 1, 3);
  insertSilent(doc, 2, 15, 3, 2);  // 15 reads as free format, 3 as 44.1 kHz
  recomputeStatistics(doc);
  std::array<int32_t, 15> kbps{};
  kbps[0] = kbps[5] = kbps[9] = 1;
  EXPECT_EQ(doc.kbpsHistogram, kbps);
  EXPECT_EQ(doc.rateHistogram, (std::array<int32_t, 3>{2, 1, 0}));
  EXPECT_EQ(doc.modeHistogram, (std::array<int32_t, 4>{0, 1, 1, 1}));
  EXPECT_EQ(doc.editSummary, (Summary{0, 4, 3}));

  Document empty;
  empty.sourceSummary = Summary{9, 1, 0};
  recomputeStatistics(empty);
  EXPECT_EQ(empty.editSummary, (Summary{9, 1, 0}));
  EXPECT_EQ(empty.kbpsHistogram, (std::array<int32_t, 15>{}));
}

TEST(Statistics, InfoTextForms) {
  // 1000 x 0.0261224489795918 + 500 x 0.024 = 38.122...: each rate with its duration.
  const Document mixed = documentOf({{frameOf(9, 0), 1000}, {frameOf(9, 1), 500}});
  EXPECT_EQ(mixed.editSummary.rate, 3);
  EXPECT_EQ(infoText(mixed.rateHistogram, mixed.editSummary.bitrate, mixed.editSummary.mode),
            "mixed freq, JOINT STEREO, 128 kbps, 38.122 sec");
  const std::tuple<std::array<int32_t, 3>, int, int, const char*> cases[] = {
      {{0, 0, 0}, 0, 4, "n/a KHz, MIXED STEREO, var.kbps, 0 sec"},
      {{0, 2500, 0}, 255, 3, "48 KHz, MONO, var.kbps, 1 min 0 sec"},
      {{0, 0, 10}, 15, 2, "32 KHz, DUAL CHANNEL, ? kbps, 0.36 sec"},
      {{10, 0, 0}, 14, 7, "44.1 KHz, MIXED STEREO, 320 kbps, 0.261 sec"},
      {{10, 0, 0}, 1, 0, "44.1 KHz, STEREO, 32 kbps, 0.261 sec"},
      {{1, 0, 1}, 9, 1, "mixed freq, JOINT STEREO, 128 kbps, 0.062 sec"}};
  for (const auto& [rates, bitrate, mode, text] : cases) EXPECT_EQ(infoText(rates, bitrate, mode), text);
}

TEST(StatisticsList, FifteenLinesSelectionAndScroll) {
  std::array<int32_t, 15> h{};
  h[9] = 100;
  const StatisticsList list = fillStatisticsList(h);
  EXPECT_EQ(list.lines[0], "free kbps frames: 0");
  EXPECT_EQ(list.lines[1], "  32 kbps frames: 0");
  EXPECT_EQ(list.lines[9], " 128 kbps frames: 100");
  EXPECT_EQ(list.lines[14], " 320 kbps frames: 0");

  // The top is the mean of the starts of the densest seven lines: 3..9 for
  // 128 kbps alone; all tie when empty; 0,1,2,4..10 reach 5 for the tie of
  // 2 and 10, where the first is selected; 8..14 for the last; and 2..7 hold
  // both 6s, which beat a single 10.
  const std::tuple<std::vector<std::pair<size_t, int32_t>>, int, int> cases[] = {
      {{{9, 100}}, 9, 6}, {{}, 0, 7},          {{{2, 5}, {10, 5}}, 2, 5},
      {{{0, 3}}, 0, 0},   {{{14, 3}}, 14, 11}, {{{0, 10}, {7, 6}, {8, 6}}, 0, 4}};
  for (const auto& [counts, selected, top] : cases) {
    std::array<int32_t, 15> histogram{};
    for (const auto& [k, n] : counts) histogram[k] = n;
    const StatisticsList l = fillStatisticsList(histogram);
    EXPECT_EQ(std::pair(l.selected, l.top), std::pair(selected, top)) << selected << " " << top;
  }
}

// --- frame information box

Document infoDocument() {
  Document doc = documentOf({{frameOf(9, 0, 1, kVbrNone), 3}});
  doc.sourceNames[0] = "/music/loaded.mp3";
  return doc;
}

TEST(FrameInfoBox, LoadedAndSilentFrames) {
  Document doc = infoDocument();
  doc.frameTable[1].averageGain = 120;
  doc.gainList[1] = {3, 0};
  auto box = frameInfoBox(doc, 1);
  ASSERT_TRUE(box);
  EXPECT_EQ(box->title, "frame info 0");
  EXPECT_EQ(box->text,
            "Frame position: 2\r\nOriginal position: 2\r\nBitrate: 128 kbps\r\nFrequency: 44.1 KHz\r\n"
            "Mode: joint stereo\r\nAmplification flag: 121");
  EXPECT_FALSE(frameInfoBox(doc, -1));
  EXPECT_FALSE(frameInfoBox(doc, 3));
  EXPECT_FALSE(frameInfoBox(Document{}, 0));

  insertSilent(doc, 1, 1, 1, 3);
  box = frameInfoBox(doc, 1);
  ASSERT_TRUE(box);
  EXPECT_EQ(box->title, "frame info 1");
  EXPECT_EQ(box->text,
            "Frame position: 2\r\n- empty (silence) frame -\r\nBitrate: 32 kbps\r\n"
            "Frequency: 48 KHz\r\nMode: mono");
}

TEST(FrameInfoBox, InsertedFileLineStripsMp3CaseInsensitively) {
  Document doc = infoDocument();
  FrameInfo f = frameOf(10, 2, 0);
  f.sourceIndex = 1;
  append(doc, f, 4);
  doc.sourceFirstFrame[1] = 3;
  doc.sourceFirstFrame[2] = 7;
  doc.insertedFileCount = 1;
  const std::pair<const char*, const char*> names[] = {
      {"/some/folder/Song.Mp3", "Song"}, {"/a/track.MP3", "track"}, {"/a/track.mp3.bak", "track.mp3.bak"},
      {"/a/track.wav", "track.wav"}, {"/a/mp3", "mp3"}};
  for (const auto& [path, name] : names) {
    doc.sourceNames[1] = path;
    const auto box = frameInfoBox(doc, 5);  // the third frame of the inserted file
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text,
              std::string("Frame position: 6\r\nOriginal position: 3\r\nInserted from file: ") + name +
                  "\r\nBitrate: 160 kbps\r\nFrequency: 32 KHz\r\nMode: stereo\r\nAmplification flag: 100");
  }
}

TEST(FrameInfoBox, AmplificationValueOrTheVbrLine) {
  // Mono uses the left change only; the value stays in 0..255; (-3 + 0) / 2
  // truncates toward zero.
  const std::tuple<int, int, int, int, int> cases[] = {{3, 170, 100, 0, 255}, {3, 170, 10, -200, 180},
                                                       {3, 20, -100, 0, 0},   {1, 100, -3, 0, 99},
                                                       {0, 100, 3, 0, 101},   {2, 250, 255, 255, 255}};
  for (const auto& [mode, average, left, right, shown] : cases) {
    Document doc;
    FrameInfo f = frameOf(9, 0, mode);
    f.averageGain = uint8_t(average);
    append(doc, f);
    doc.gainList[0] = {int16_t(left), int16_t(right)};
    const std::string text = frameInfoBox(doc, 0)->text;
    EXPECT_EQ(text.substr(text.find("\r\nAmplification")), "\r\nAmplification flag: " + std::to_string(shown))
        << mode << " " << average << " " << left << " " << right;
  }

  const std::pair<int, std::string> kinds[] = {
      {kVbrXing, "\r\nXING header. Always written to position 1 of VBR files."},
      {kVbrInfo, "\r\nINFO header. Removed (CBR) or replaced with Xing (VBR)."},
      {kVbrVbri, "\r\nVBRI header. Replaced with Xing in VBR files."},
      {kVbrFbri, "\r\nVBRI header. Replaced with Xing in VBR files."}};
  for (const auto& [kind, line] : kinds) {
    const Document doc = documentOf({{frameOf(9, 0, 1, kind), 1}, {frameOf(9), 2}});
    EXPECT_EQ(frameInfoBox(doc, 0)->text,
              "Frame position: 1\r\nOriginal position: 1\r\nBitrate: 128 kbps\r\nFrequency: 44.1 KHz\r\n"
              "Mode: joint stereo" +
                  line);
  }
}

}  // namespace
}  // namespace kavrel
