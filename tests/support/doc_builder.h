// Documents built in memory, without files: table frames with the header
// fields a test names, and silent-frame entries from their raw codes.
#pragma once

#include <utility>

#include "document/document.h"
#include "document/statistics.h"

namespace kavrel::test {

// A silent-frame list entry; bitrate 15 and rate 3 can be packed too.
inline int32_t silentEntry(int bitrate, int rate, int mode) {
  return -int32_t(bitrate | rate << 4 | mode << 6);
}

// Puts `entry` into the list at `at` with a zero gain pair.
inline void insertEntry(Document& doc, size_t at, int32_t entry) {
  doc.frameList.insert(doc.frameList.begin() + std::ptrdiff_t(at), entry);
  doc.gainList.insert(doc.gainList.begin() + std::ptrdiff_t(at), GainPair{});
}

class DocBuilder {
 public:
  // `count` table frames (average gain 100) of source `slot`, listed at the end.
  DocBuilder& frames(int count, int bitrate = 9, int rate = 0, int mode = 1, int vbrKind = 0, int slot = 0) {
    for (int k = 0; k < count; ++k) {
      doc_.frameTable.next() = {.sampleRateIndex = uint8_t(rate), .channelMode = uint8_t(mode),
                                .bitrateIndex = uint8_t(bitrate), .averageGain = 100,
                                .vbrHeaderKind = uint8_t(vbrKind), .sourceIndex = uint8_t(slot)};
      doc_.frameTable.commitNext();
      insertEntry(doc_, doc_.frameList.size(), doc_.frameTable.count() - 1);
    }
    doc_.sourceFirstFrame[size_t(slot) + 1] = doc_.frameTable.count();
    return *this;
  }
  DocBuilder& silent(int count, int bitrate, int rate, int mode) {
    for (int k = 0; k < count; ++k)
      insertEntry(doc_, doc_.frameList.size(), silentEntry(bitrate, rate, mode));
    return *this;
  }
  // With statistics as a load leaves them (the source summary is the edit summary), or with none at all.
  Document build(bool statistics = true) {
    if (statistics) {
      recomputeStatistics(doc_);
      doc_.sourceSummary = doc_.editSummary;
    }
    return std::move(doc_);
  }

 private:
  Document doc_;
};

}  // namespace kavrel::test
