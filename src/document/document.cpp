#include "document/document.h"

namespace kavrel {

SilentFrameCode decodeSilentFrame(int32_t entry) {
  const uint32_t e = uint32_t(-int64_t(entry));
  SilentFrameCode code{int(e & 15), int((e >> 4) & 3), int((e >> 6) & 3)};
  if (code.bitrateIndex == 15) code.bitrateIndex = 0;
  if (code.sampleRateIndex == 3) code.sampleRateIndex = 0;
  return code;
}

int Document::entrySampleRate(int32_t i) const {
  const int32_t e = frameList[size_t(i)];
  return e >= 0 ? frameTable[e].sampleRateIndex % 3 : decodeSilentFrame(e).sampleRateIndex;
}

int Document::entryBitrate(int32_t i) const {
  const int32_t e = frameList[size_t(i)];
  return e >= 0 ? frameTable[e].bitrateIndex & 15 : decodeSilentFrame(e).bitrateIndex;
}

int Document::entryChannelMode(int32_t i) const {
  const int32_t e = frameList[size_t(i)];
  return e >= 0 ? frameTable[e].channelMode & 3 : decodeSilentFrame(e).channelMode;
}

int Document::entryVbrKind(int32_t i) const {
  const int32_t e = frameList[size_t(i)];
  return e >= 0 ? frameTable[e].vbrHeaderKind : 0;
}

void Document::clear() {
  frameTable.clear();
  frameList.clear();
  frameList.shrink_to_fit();
  gainList.clear();
  gainList.shrink_to_fit();
  for (auto& name : sourceNames) name.clear();
  sourceFirstFrame.fill(0);
  insertedFileCount = 0;
  for (auto& name : slotFiles) name.clear();
  usedSourceSlots = 0;
  id3v1Record.reset();
  loadedId3v1Record.reset();
  layout = FileLayout{};
  gapless = GaplessInfo{};
  tagHeader = TagHeaderState{};
  tagFields.clear();
  sourceFileSize = 0;
  mpegVersion = kMpeg1;
  kbpsHistogram.fill(0);
  modeHistogram.fill(0);
  rateHistogram.fill(0);
  sourceKbpsHistogram.fill(0);
  sourceModeHistogram.fill(0);
  sourceRateHistogram.fill(0);
  editSummary = Summary{};
  sourceSummary = Summary{};
  documentLoaded = false;
  modified = false;
  changeCount = 0;
  documentName.clear();
}

}  // namespace kavrel
