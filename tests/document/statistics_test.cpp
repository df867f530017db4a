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
  FrameInfo f;
  f.bitrateIndex = uint8_t(bitrate);
  f.sampleRateIndex = uint8_t(rate);
  f.channelMode = uint8_t(mode);
  f.vbrHeaderKind = uint8_t(vbr);
  f.averageGain = 100;
  return f;
}

void append(Document& doc, const FrameInfo& f, int count = 1) {
  for (int k = 0; k < count; ++k) {
    FrameInfo& slot = doc.frameTable.next();
    slot = f;
    slot.filePosition = doc.frameTable.count() * 417;
    doc.frameTable.commitNext();
    doc.frameList.push_back(doc.frameTable.count() - 1);
    doc.gainList.push_back({});
  }
  doc.sourceFirstFrame[1] = doc.frameTable.count();
}

// A silent frame entry with the given fields.
int32_t silent(int bitrate, int rate, int mode) { return -int32_t(bitrate | (rate << 4) | (mode << 6)); }

Document documentOf(const std::vector<std::pair<FrameInfo, int>>& runs) {
  Document doc;
  for (const auto& [frame, count] : runs) append(doc, frame, count);
  return doc;
}

TEST(Statistics, VbrTagFrameInFrontIsLeftOutOnlyWhenItAloneDiffers) {
  struct Case {
    const char* what;
    std::vector<std::pair<FrameInfo, int>> runs;
    Summary expected;  // bitrate (0: variable), mode, rate
  };
  const Case cases[] = {
      {"Info, another bitrate", {{frameOf(1, 0, 1, kVbrInfo), 1}, {frameOf(9), 20}}, {9, 1, 0}},
      {"Xing, another mode", {{frameOf(9, 0, 3, kVbrXing), 1}, {frameOf(9, 0, 0), 5}}, {9, 0, 0}},
      {"VBRI, another rate", {{frameOf(9, 1, 1, kVbrVbri), 1}, {frameOf(9, 2, 1), 5}}, {9, 1, 2}},
      {"one audio frame", {{frameOf(1, 0, 1, kVbrInfo), 1}, {frameOf(9), 1}}, {9, 1, 0}},
      {"no tag", {{frameOf(1), 1}, {frameOf(9), 5}}, {0, 1, 0}},
      {"bitrate used again", {{frameOf(1, 0, 1, kVbrXing), 1}, {frameOf(9), 5}, {frameOf(1), 1}}, {0, 1, 0}},
      {"three bitrates", {{frameOf(1, 0, 1, kVbrXing), 1}, {frameOf(9), 5}, {frameOf(10), 1}}, {0, 1, 0}},
  };
  for (const Case& c : cases) {
    Document doc = documentOf(c.runs);
    recomputeStatistics(doc);
    EXPECT_EQ(doc.editSummary, c.expected) << c.what;
  }
  // The histogram still counts the tag frame.
  Document doc = documentOf(cases[0].runs);
  recomputeStatistics(doc);
  EXPECT_EQ(doc.kbpsHistogram[1], 1);
  EXPECT_EQ(doc.kbpsHistogram[9], 20);

  // The tag frame moved away from the front.
  std::rotate(doc.frameList.begin(), doc.frameList.begin() + 1, doc.frameList.end());
  recomputeStatistics(doc);
  EXPECT_EQ(doc.editSummary.bitrate, 0);
  // A silent frame in front of it.
  Document silentFront = documentOf(cases[0].runs);
  silentFront.frameList.insert(silentFront.frameList.begin(), silent(9, 0, 1));
  silentFront.gainList.push_back({});
  recomputeStatistics(silentFront);
  EXPECT_EQ(silentFront.editSummary.bitrate, 0);
}

TEST(Statistics, SilentFramesCountWithTheirDecodedFields) {
  Document doc;
  append(doc, frameOf(9, 0, 1));
  doc.frameList.push_back(silent(5, 1, 3));
  doc.frameList.push_back(silent(15, 3, 2));  // 15 reads as free format, 3 as 44.1 kHz
  doc.gainList.resize(doc.frameList.size());
  recomputeStatistics(doc);
  EXPECT_EQ(doc.kbpsHistogram[9], 1);
  EXPECT_EQ(doc.kbpsHistogram[5], 1);
  EXPECT_EQ(doc.kbpsHistogram[0], 1);
  EXPECT_EQ(doc.rateHistogram, (std::array<int32_t, 3>{2, 1, 0}));
  EXPECT_EQ(doc.modeHistogram, (std::array<int32_t, 4>{0, 1, 1, 1}));
  EXPECT_EQ(doc.editSummary, (Summary{0, 4, 3}));
}

TEST(Statistics, EmptyListKeepsTheSourceSummary) {
  Document doc;
  doc.sourceSummary = Summary{9, 1, 0};
  recomputeStatistics(doc);
  EXPECT_EQ(doc.editSummary, (Summary{9, 1, 0}));
  EXPECT_EQ(doc.kbpsHistogram, (std::array<int32_t, 15>{}));
}

TEST(Statistics, MixedRatesAddEachGroupWithItsDuration) {
  Document doc;
  append(doc, frameOf(9, 0), 1000);
  append(doc, frameOf(9, 1), 500);
  recomputeStatistics(doc);
  EXPECT_EQ(doc.editSummary.rate, 3);
  // 1000 x 0.0261224489795918 + 500 x 0.024 = 38.122...
  EXPECT_EQ(infoText(doc.rateHistogram, doc.editSummary.bitrate, doc.editSummary.mode),
            "mixed freq, JOINT STEREO, 128 kbps, 38.122 sec");
}

TEST(Statistics, InfoTextForms) {
  EXPECT_EQ(infoText({0, 0, 0}, 0, 4), "n/a KHz, MIXED STEREO, var.kbps, 0 sec");
  EXPECT_EQ(infoText({0, 2500, 0}, 255, 3), "48 KHz, MONO, var.kbps, 1 min 0 sec");
  EXPECT_EQ(infoText({0, 0, 10}, 15, 2), "32 KHz, DUAL CHANNEL, ? kbps, 0.36 sec");
  EXPECT_EQ(infoText({10, 0, 0}, 14, 7), "44.1 KHz, MIXED STEREO, 320 kbps, 0.261 sec");
  EXPECT_EQ(infoText({10, 0, 0}, 1, 0), "44.1 KHz, STEREO, 32 kbps, 0.261 sec");
  EXPECT_EQ(infoText({1, 0, 1}, 9, 1), "mixed freq, JOINT STEREO, 128 kbps, 0.062 sec");
}

TEST(StatisticsList, FifteenLinesSelectionAndScroll) {
  std::array<int32_t, 15> h{};
  h[9] = 100;
  const StatisticsList list = fillStatisticsList(h);
  EXPECT_EQ(list.lines[0], "free kbps frames: 0");
  EXPECT_EQ(list.lines[1], "  32 kbps frames: 0");
  EXPECT_EQ(list.lines[9], " 128 kbps frames: 100");
  EXPECT_EQ(list.lines[14], " 320 kbps frames: 0");
  EXPECT_EQ(list.selected, 9);
  EXPECT_EQ(list.top, 6);  // mean of the starts 3..9

  const StatisticsList empty = fillStatisticsList({});
  EXPECT_EQ(empty.selected, 0);
  EXPECT_EQ(empty.top, 7);  // every start ties

  std::array<int32_t, 15> ties{};
  ties[2] = 5;
  ties[10] = 5;
  const StatisticsList tied = fillStatisticsList(ties);
  EXPECT_EQ(tied.selected, 2);  // the first of equal counts
  EXPECT_EQ(tied.top, 5);       // starts 0,1,2,4..10 reach 5: 52 / 10

  std::array<int32_t, 15> edge{};
  edge[0] = 3;
  EXPECT_EQ(fillStatisticsList(edge).top, 0);
  edge = {};
  edge[14] = 3;
  EXPECT_EQ(fillStatisticsList(edge).top, 11);  // starts 8..14
  EXPECT_EQ(fillStatisticsList(edge).selected, 14);

  // A window of several values beats a single larger one.
  std::array<int32_t, 15> spread{};
  spread[0] = 10;
  spread[7] = 6;
  spread[8] = 6;
  const StatisticsList s = fillStatisticsList(spread);
  EXPECT_EQ(s.selected, 0);
  EXPECT_EQ(s.top, 4);  // starts 2..7 hold both 6s: 27 / 6
}

// --- frame information box

Document infoDocument() {
  Document doc;
  append(doc, frameOf(9, 0, 1, kVbrNone), 3);
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

  doc.frameList.insert(doc.frameList.begin() + 1, silent(1, 1, 3));
  doc.gainList.insert(doc.gainList.begin() + 1, GainPair{});
  box = frameInfoBox(doc, 1);
  ASSERT_TRUE(box);
  EXPECT_EQ(box->title, "frame info 1");
  EXPECT_EQ(box->text,
            "Frame position: 2\r\n- empty (silence) frame -\r\nBitrate: 32 kbps\r\nFrequency: 48 "
            "KHz\r\nMode: mono");
}

TEST(FrameInfoBox, InsertedFileLineStripsMp3CaseInsensitively) {
  auto insertedName = [](const std::string& path) {
    Document doc = infoDocument();
    FrameInfo f = frameOf(10, 2, 0);
    f.sourceIndex = 1;
    append(doc, f, 4);
    doc.sourceFirstFrame[1] = 3;
    doc.sourceFirstFrame[2] = 7;
    doc.sourceNames[1] = path;
    doc.insertedFileCount = 1;
    const auto box = frameInfoBox(doc, 5);  // the third frame of the inserted file
    return box ? box->text : std::string();
  };
  EXPECT_EQ(insertedName("/some/folder/Song.Mp3"),
            "Frame position: 6\r\nOriginal position: 3\r\nInserted from file: Song\r\nBitrate: 160 kbps\r\n"
            "Frequency: 32 KHz\r\nMode: stereo\r\nAmplification flag: 100");
  EXPECT_NE(insertedName("/a/track.MP3").find("Inserted from file: track\r\n"), std::string::npos);
  EXPECT_NE(insertedName("/a/track.mp3.bak").find("Inserted from file: track.mp3.bak\r\n"),
            std::string::npos);
  EXPECT_NE(insertedName("/a/track.wav").find("Inserted from file: track.wav\r\n"), std::string::npos);
  EXPECT_NE(insertedName("/a/mp3").find("Inserted from file: mp3\r\n"), std::string::npos);
}

TEST(FrameInfoBox, AmplificationValue) {
  auto amplification = [](int mode, int average, int left, int right) {
    Document doc;
    FrameInfo f = frameOf(9, 0, mode);
    f.averageGain = uint8_t(average);
    append(doc, f);
    doc.gainList[0] = {int16_t(left), int16_t(right)};
    const std::string text = frameInfoBox(doc, 0)->text;
    const std::string key = "Amplification flag: ";
    const size_t at = text.find(key);
    return at == std::string::npos ? -1 : std::stoi(text.substr(at + key.size()));
  };
  EXPECT_EQ(amplification(3, 170, 100, 0), 255);    // mono uses the left change, limited to 255
  EXPECT_EQ(amplification(3, 170, 10, -200), 180);  // the right change does not count for mono
  EXPECT_EQ(amplification(3, 20, -100, 0), 0);      // never below 0
  EXPECT_EQ(amplification(1, 100, -3, 0), 99);      // (-3 + 0) / 2 truncates toward zero
  EXPECT_EQ(amplification(0, 100, 3, 0), 101);
  EXPECT_EQ(amplification(2, 250, 255, 255), 255);
}

TEST(FrameInfoBox, VbrKindsShowTheirLineInsteadOfAmplification) {
  const std::pair<int, std::string> kinds[] = {
      {kVbrXing, "\r\nXING header. Always written to position 1 of VBR files."},
      {kVbrInfo, "\r\nINFO header. Removed (CBR) or replaced with Xing (VBR)."},
      {kVbrVbri, "\r\nVBRI header. Replaced with Xing in VBR files."},
      {kVbrFbri, "\r\nVBRI header. Replaced with Xing in VBR files."}};
  for (const auto& [kind, line] : kinds) {
    Document doc;
    append(doc, frameOf(9, 0, 1, kind));
    append(doc, frameOf(9), 2);
    const std::string text = frameInfoBox(doc, 0)->text;
    EXPECT_EQ(text,
              "Frame position: 1\r\nOriginal position: 1\r\nBitrate: 128 kbps\r\nFrequency: 44.1 KHz\r\n"
              "Mode: joint stereo" +
                  line);
  }
}

}  // namespace
}  // namespace kavrel
