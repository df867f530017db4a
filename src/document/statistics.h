#pragma once
// Histograms and summaries of the edited frame list, the information texts
// and the frame statistics list.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "document/document.h"

namespace kavrel {

// Recounts the three histograms over the frame list and derives EditSummary.
void recomputeStatistics(Document& doc);

// Play time of frame counts per sampling-rate index: "2 min 5.5 sec", "41.8 sec".
std::string playTimeText(int version, const std::array<int32_t, 3>& counts);
double playTimeSeconds(int version, const std::array<int32_t, 3>& counts);

// "44.1 KHz, JOINT STEREO, 128 kbps, 2 min 5.5 sec".
std::string infoText(int version, const std::array<int32_t, 3>& rateHistogram, int summaryBitrate,
                     int summaryMode);

// The 15-line frame statistics list, as data the list box shows.
struct StatisticsList {
  std::array<std::string, 15> lines;
  int selected = 0;  // line with the largest count
  int top = 0;       // first visible line
};
StatisticsList fillStatisticsList(int version, const std::array<int32_t, 15>& histogram);

// The frame information box of document frame i; nothing outside the list.
struct FrameInfoBox {
  std::string title;
  std::string text;
};
// `gaplessKept`: saves keep the encoder's tag frame (its delay and padding).
std::optional<FrameInfoBox> frameInfoBox(const Document& doc, int32_t i, bool gaplessKept = false);

}  // namespace kavrel
