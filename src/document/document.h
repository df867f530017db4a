#pragma once
// The one open file and its edit state. No audio is held here: frames stay
// in their source files and are copied when saving.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "document/frame_table.h"
#include "mpeg/lame_tag.h"
#include "tags/id3v1.h"
#include "tags/id3v2/tag_field.h"
#include "tags/id3v2/tag_header_state.h"

namespace kavrel {

inline constexpr int kSourceSlots = 256;
inline constexpr int kMaxInsertedFiles = 255;
inline constexpr size_t kWorkBufferSize = 1049601;  // 1 MB + 1025

// Per-frame left/right global_gain change in steps of 1.5 dB, applied when saving.
struct GainPair {
  int16_t left = 0;
  int16_t right = 0;
  bool operator==(const GainPair&) const = default;
};

// Negative FrameList entries are synthetic silent frames; E = -entry.
struct SilentFrameCode {
  int bitrateIndex;     // bits 0-3, 15 read as 0
  int sampleRateIndex;  // bits 4-5, 3 read as 0
  int channelMode;      // bits 6-7
};
SilentFrameCode decodeSilentFrame(int32_t entry);

struct FileLayout {
  bool riffFound = false;
  int64_t riffPos = 0;
  int64_t riffSize = 0;
  bool id3v2Found = false;  // position and size are in TagHeaderState
  bool unknownHeaderFound = false;
  int64_t audioSearchStart = 0;
  int64_t unknownHeaderSize = 0;
  bool unknownFooterFound = false;
  int64_t unknownFooterPos = 0;
  int64_t unknownFooterSize = 0;
  // An APE tag after the audio, before or after a Lyrics3 block, before an
  // ID3v1 tag: header (when it has one), items and footer.
  bool apeFound = false;
  int apeVersion = 0;  // 1000 or 2000
  int64_t apePos = 0;
  int64_t apeSize = 0;
  uint32_t apeItemCount = 0;
  bool apeHeader = false;
  bool lyrics3Found = false;
  int lyrics3Version = 0;
  int64_t lyrics3Pos = 0;
  int64_t lyrics3Size = 0;
  bool id3v1Found = false;
  int64_t id3v1Pos = 0;
  int64_t id3v1Size = 0;
};

// The loaded file's Xing/Info tag with the encoder's extension (its delay
// and padding), and the table records of the audio frames that delay and
// padding belong to: the first one after the tag frame and the last one.
struct GaplessInfo {
  bool found = false;
  LameTag tag;
  int32_t firstRecord = -1;
  int32_t lastRecord = -1;
};

// Summary bitrate index (0 = several), channel mode (4 = several) and
// sampling-rate index (3 = several).
struct Summary {
  uint8_t bitrate = 0;
  uint8_t mode = 4;
  uint8_t rate = 3;
  bool operator==(const Summary&) const = default;
};

struct Document {
  FrameTable frameTable;
  std::vector<int32_t> frameList;
  std::vector<GainPair> gainList;

  std::array<std::string, kSourceSlots> sourceNames;
  std::array<int32_t, kSourceSlots> sourceFirstFrame{};
  int insertedFileCount = 0;

  // The file behind each slot as the save writer reads it. A slot given to an
  // inserted file keeps that file until unload, whatever later happens to
  // sourceNames and insertedFileCount: frame records of an undone insert (and
  // clipboard copies of them) still name their slot, so no slot is handed out
  // twice. usedSourceSlots never decreases while the document is open.
  std::array<std::string, kSourceSlots> slotFiles;
  int usedSourceSlots = 0;
  // Slot 0 is the loaded file; 0 when no slot is left.
  int nextSourceSlot() const { return usedSourceSlots < kMaxInsertedFiles ? usedSourceSlots + 1 : 0; }
  void bindSourceSlot(int slot, const std::string& path) {
    slotFiles[size_t(slot)] = path;
    if (slot > usedSourceSlots) usedSourceSlots = slot;
  }
  // The file frames of `slot` are read from (empty when the slot was never used).
  const std::string& sourcePath(int slot) const {
    const std::string& bound = slotFiles[size_t(slot)];
    return bound.empty() ? sourceNames[size_t(slot)] : bound;
  }

  // The ID3v1 record a save writes, and the record as read from the file.
  Id3v1Record id3v1Record;
  Id3v1Record loadedId3v1Record;

  FileLayout layout;
  GaplessInfo gapless;
  TagHeaderState tagHeader;
  TagFieldList tagFields;
  int64_t sourceFileSize = 0;
  // The MPEG version of every frame (kMpeg1, kMpeg2 or kMpeg25): a document
  // never mixes them, and its silent frames take it too.
  uint8_t mpegVersion = kMpeg1;

  std::array<int32_t, 15> kbpsHistogram{};
  std::array<int32_t, 4> modeHistogram{};
  std::array<int32_t, 3> rateHistogram{};
  std::array<int32_t, 15> sourceKbpsHistogram{};
  std::array<int32_t, 4> sourceModeHistogram{};
  std::array<int32_t, 3> sourceRateHistogram{};
  Summary editSummary;
  Summary sourceSummary;

  bool documentLoaded = false;
  bool busy = false;
  bool modified = false;
  int changeCount = 0;
  std::string documentName;
  std::string loadPath;

  int32_t documentFrameCount() const { return int32_t(frameList.size()); }

  // Getters by document index: table entries read their record, silent
  // entries decode their code (and never carry a VBR tag).
  int entrySampleRate(int32_t i) const;
  int entryBitrate(int32_t i) const;
  int entryChannelMode(int32_t i) const;
  int entryVbrKind(int32_t i) const;

  // Everything but the load path back to the empty state.
  void clear();
};

}  // namespace kavrel
