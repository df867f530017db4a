#include "document/statistics.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "base/time_text.h"

namespace kavrel {

double playTimeSeconds(int version, const std::array<int32_t, 3>& counts) {
  double s = 0;
  for (int k = 0; k < 3; ++k) s += double(counts[size_t(k)]) * frameDuration(version, k);
  return s;
}

std::string playTimeText(int version, const std::array<int32_t, 3>& counts) {
  double s = playTimeSeconds(version, counts);
  const int64_t minutes = static_cast<int64_t>(s / 60);
  s -= 60.0 * double(minutes);
  if (s < 0) s = 0;
  std::string text = formatFixed(3, true, s) + " sec";
  if (minutes > 0) text = std::to_string(minutes) + " min " + text;
  return text;
}

namespace {

// The summary of one histogram: the only used value, `several` when more
// than one is used, `keep` when none is. With the header-frame exception a
// constant-bitrate file whose VBR tag frame differs still reads as constant.
template <size_t N>
uint8_t summarise(const std::array<int32_t, N>& h, uint8_t several, uint8_t keep, bool exception,
                  int firstValue, int secondValue) {
  int used = 0;
  int only = 0;
  for (size_t k = 0; k < N; ++k) {
    if (h[k] != 0) {
      ++used;
      only = int(k);
    }
  }
  if (used == 0) return keep;
  if (used == 1) return uint8_t(only);
  if (exception && used == 2 && firstValue >= 0 && size_t(firstValue) < N && h[size_t(firstValue)] == 1)
    return uint8_t(secondValue);
  return several;
}

}  // namespace

void recomputeStatistics(Document& doc) {
  doc.kbpsHistogram.fill(0);
  doc.modeHistogram.fill(0);
  doc.rateHistogram.fill(0);
  const int32_t n = doc.documentFrameCount();
  for (int32_t i = 0; i < n; ++i) {
    const int32_t e = doc.frameList[size_t(i)];
    if (e >= 0) {
      const FrameInfo& f = doc.frameTable[e];
      ++doc.rateHistogram[f.sampleRateIndex % 3];
      ++doc.modeHistogram[f.channelMode & 3];
      // Index 15 never reaches the table; the mask keeps a bad record in range.
      ++doc.kbpsHistogram[std::min(f.bitrateIndex & 15, 14)];
    } else {
      const SilentFrameCode c = decodeSilentFrame(e);
      ++doc.rateHistogram[size_t(c.sampleRateIndex)];
      ++doc.modeHistogram[size_t(c.channelMode)];
      ++doc.kbpsHistogram[size_t(std::min(c.bitrateIndex, 14))];
    }
  }
  const bool exception =
      n > 0 && doc.frameList[0] == 0 && doc.frameTable.count() > 0 && doc.frameTable[0].vbrHeaderKind != 0;
  const bool two = n > 1;
  doc.editSummary.bitrate = summarise(doc.kbpsHistogram, 0, doc.sourceSummary.bitrate, exception && two,
                                      n > 0 ? doc.entryBitrate(0) : -1, two ? doc.entryBitrate(1) : 0);
  doc.editSummary.mode = summarise(doc.modeHistogram, 4, doc.sourceSummary.mode, exception && two,
                                   n > 0 ? doc.entryChannelMode(0) : -1, two ? doc.entryChannelMode(1) : 0);
  doc.editSummary.rate = summarise(doc.rateHistogram, 3, doc.sourceSummary.rate, exception && two,
                                   n > 0 ? doc.entrySampleRate(0) : -1, two ? doc.entrySampleRate(1) : 0);
}

std::string infoText(int version, const std::array<int32_t, 3>& rateHistogram, int summaryBitrate,
                     int summaryMode) {
  int used = 0;
  int only = 0;
  for (int k = 0; k < 3; ++k) {
    if (rateHistogram[size_t(k)] != 0) {
      ++used;
      only = k;
    }
  }
  std::string rate = used == 0   ? "n/a KHz"
                     : used == 1 ? std::string(sampleRateText(version, only))
                                 : "mixed freq";
  std::string mode(channelModeText(summaryMode > 4 || summaryMode < 0 ? 4 : summaryMode));
  std::transform(mode.begin(), mode.end(), mode.begin(),
                 [](unsigned char c) { return char(std::toupper(c)); });
  return rate + ", " + mode + ", " + bitrateSummaryText(version, summaryBitrate) + ", " +
         playTimeText(version, rateHistogram);
}

StatisticsList fillStatisticsList(int version, const std::array<int32_t, 15>& h) {
  StatisticsList list;
  for (int b = 0; b < 15; ++b)
    list.lines[size_t(b)] = bitrateColumnText(version, b) + " kbps frames: " + std::to_string(h[size_t(b)]);
  for (int b = 1; b < 15; ++b)
    if (h[size_t(b)] > h[size_t(list.selected)]) list.selected = b;
  // Scroll so the densest window of seven lines is in view.
  int64_t best = -1;
  int64_t startSum = 0;
  int starts = 0;
  for (int s = 0; s < 15; ++s) {
    int64_t sum = 0;
    for (int k = s; k <= std::min(s + 6, 14); ++k) sum += h[size_t(k)];
    if (sum > best) {
      best = sum;
      startSum = s;
      starts = 1;
    } else if (sum == best) {
      startSum += s;
      ++starts;
    }
  }
  list.top = int(startSum / starts);
  return list;
}

std::optional<FrameInfoBox> frameInfoBox(const Document& doc, int32_t i, bool gaplessKept) {
  if (i < 0 || i >= doc.documentFrameCount()) return std::nullopt;
  const int32_t e = doc.frameList[size_t(i)];
  const int rate = doc.entrySampleRate(i);
  const int mode = doc.entryChannelMode(i);
  FrameInfoBox box;
  box.title = "frame info " + std::to_string(rate);
  std::string lineA;
  std::string lineB;
  std::string lineC;
  if (e < 0) {
    lineA = "- empty (silence) frame -";
  } else {
    const FrameInfo& f = doc.frameTable[e];
    const int slot = f.sourceIndex;
    lineA = "Original position: " + std::to_string(int64_t(e) - doc.sourceFirstFrame[size_t(slot)] + 1);
    if (slot > 0) {
      std::string name = std::filesystem::path(doc.sourceNames[size_t(slot)]).filename().string();
      if (name.size() >= 4) {
        std::string ext = name.substr(name.size() - 4);
        std::transform(ext.begin(), ext.end(), ext.begin(),
                       [](unsigned char c) { return char(std::toupper(c)); });
        if (ext == ".MP3") name.resize(name.size() - 4);
      }
      lineA += "\r\nInserted from file: " + name;
    }
    const bool encoderTag = gaplessKept && doc.gapless.found && e == doc.gapless.firstRecord - 1;
    if (encoderTag) {
      lineC = std::string("\r\n") + (f.vbrHeaderKind == kVbrInfo ? "INFO" : "XING") +
              " header with the encoder's delay and padding. Kept when saving, its counts brought up to date.";
    } else if (f.vbrHeaderKind == 0) {
      const GainPair g = doc.gainList[size_t(i)];
      int value = f.averageGain + (mode == kChannelModeMono ? g.left : (g.left + g.right) / 2);
      value = std::clamp(value, 0, 255);
      lineB = "\r\nAmplification flag: " + std::to_string(value);
    } else if (f.vbrHeaderKind == kVbrXing) {
      lineC = "\r\nXING header. Always written to position 1 of VBR files.";
    } else if (f.vbrHeaderKind == kVbrInfo) {
      lineC = "\r\nINFO header. Removed (CBR) or replaced with Xing (VBR).";
    } else {
      lineC = "\r\nVBRI header. Replaced with Xing in VBR files.";
    }
  }
  box.text = "Frame position: " + std::to_string(int64_t(i) + 1) + "\r\n" + lineA +
             "\r\nBitrate: " + bitrateText(doc.mpegVersion, doc.entryBitrate(i)) +
             "\r\nFrequency: " + std::string(sampleRateText(doc.mpegVersion, rate)) +
             "\r\nMode: " + std::string(channelModeText(mode)) + lineB + lineC;
  return box;
}

}  // namespace kavrel
