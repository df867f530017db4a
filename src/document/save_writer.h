#pragma once
// The save writer: assembles an mp3 file from the document. Leading blocks of
// the loaded file, the ID3v2 tag, a Xing frame for variable-bitrate output,
// every written frame copied from its source file with its global_gain
// fields patched, synthetic silent frames, then the trailing blocks and the
// ID3v1 tag.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "document/blocks.h"
#include "document/document.h"
#include "document/loader.h"
#include "tags/id3v2/writer.h"

namespace kavrel {

// What a save is for; decides the frames written and the blocks kept.
enum class SaveMode : int {
  SaveAs = 0,
  PlaySelection = 1,
  Preview = 2,
  PlaySelectionAlternate = 3,
  PreviewAlternate = 4,
  SaveSelection = 5,
  Save = 6,
};

inline bool savesAllFrames(SaveMode m) { return (int(m) & 1) == 0; }
// Leading blocks and the unknown footer belong to real saves only.
inline bool savesOuterBlocks(SaveMode m) {
  return m == SaveMode::SaveAs || m == SaveMode::SaveSelection || m == SaveMode::Save;
}

struct WriterSettings {
  SaveMode mode = SaveMode::Save;
  int32_t selectionStart = 0;  // ordered, used by the selection modes
  int32_t selectionEnd = 0;
  std::array<bool, kBlockCount> remove{};  // the checked remove boxes
  bool writeId3v1 = false;                 // the file has an ID3v1 tag the user keeps
  // Flush the file to the disk before reporting success (a file that is
  // about to replace another one).
  bool durable = false;
  // A loaded file with the encoder's delay and padding keeps them in a
  // Xing/Info frame of its own; off, the output gets today's plain Xing
  // frame (variable bitrate only).
  bool keepGapless = true;
};

// What the writer asks of its caller while it runs.
class SaveObserver {
 public:
  using Checkpoint = kavrel::Checkpoint;
  // NoTag: the output gets none. CopyLoaded: the loaded file's tag is
  // copied unchanged. Written: the tag went through the sink. Failed: no
  // tag, the save goes on (id3v2Failed). OutputError: the output could not
  // be written, the save fails. Cancelled, WindowClosing: the save stops.
  enum class TagResult { NoTag, CopyLoaded, Written, Failed, OutputError, Cancelled, WindowClosing };
  virtual ~SaveObserver() = default;
  // Progress as 0..56 blocks; lets pending events run and reports Esc or closing.
  virtual Checkpoint progress(int blocks) = 0;
  // Variable-bitrate output after unknown leading data: its seek table may be off.
  virtual void unknownLeadingDataWritten() {}
  // The ID3v2 tag slot: the tag is written through `output`, at the place
  // where it goes in the file.
  virtual TagResult id3v2Tag(TagSink& /*output*/) { return TagResult::CopyLoaded; }
};

struct WriteResult {
  enum class Outcome { Written, Failed, Cancelled, WindowClosing };
  Outcome outcome = Outcome::Failed;
  std::string message;         // the failure's text
  bool outputCreated = false;  // the output file exists now (whole or in part)
  bool id3v2Failed = false;
  bool xingWritten = false;
  int32_t writtenFrames = 0;
  int64_t outputSize = 0;
};

// Writes `outputName` (created anew) from the document. On failure or
// cancel the caller decides what happens to the partly written file.
WriteResult writeDocument(const Document& doc, const std::string& outputName, const WriterSettings& settings,
                          SaveObserver& observer);

// --- pieces of the writer, exposed for the tests

// Bytes copied for a table frame: StoredLength brought into 16..32,767.
int32_t copiedFrameLength(int32_t storedLength);

// CRC-16 of MPEG audio (polynomial 0x8005, initial value 0xFFFF).
uint16_t mpegCrc16(const uint8_t* data, size_t size);

// Patches the global_gain fields of a copied frame of `length` bytes in
// place: each field becomes the record's value plus the left (g0, g2) or
// right (g1, g3) change, clamped to 0..255 (0 for a frame carrying a VBR
// tag); mono frames take the left change for every granule. MPEG-1 frames of 24
// bytes or less, and fields beyond `length`, are left alone. A frame with a
// CRC gets it recomputed when its side information is complete.
void applyGainAtSave(uint8_t* frame, int32_t length, const FrameInfo& info, GainPair change);

// A synthetic silent frame of the document's MPEG version: header from the
// code, then zero bytes.
std::vector<uint8_t> silentFrameBytes(int32_t entry, int version);

// The Xing frame before its byte count and table are known: the header,
// "Xing", the flags 7 and the frame count (frames + 1).
std::vector<uint8_t> xingFrameBytes(int version, int sampleRateIndex, int channelMode, int32_t framesToWrite);
// Where "Xing" sits in a frame of this channel mode (after the side information).
int xingTagOffset(int version, int channelMode);

// The loaded file's encoder tag as a written file keeps it: its delay when
// the output starts with the loaded file's first audio frame, else 0 (the
// decoders' own delay is theirs to add); its padding when the output ends
// with that file's last audio frame, else 0; without the ReplayGain figures
// when the level of a written frame changed. `info` for constant bitrate.
LameTag gaplessTagFor(const GaplessInfo& gapless, int32_t firstRecord, int32_t lastRecord, bool levelChanged,
                      bool info);
// A Xing/Info frame holding `tag` with its extension: the shortest frame of
// 48 kbit/s or more that holds it, the counts, table, music length and CRC
// and the extension's CRC filled in.
std::vector<uint8_t> lameTagFrameBytes(int version, int sampleRateIndex, int channelMode, const LameTag& tag,
                                       uint32_t frames, uint32_t bytes, const std::array<uint8_t, 100>& toc,
                                       uint32_t musicLength, uint16_t musicCrc);

// The 100-entry table of contents: entry j is the share (of 256) of the
// audio bytes from the Xing frame on that lie before written frame
// round(j% of (frames - 1)).
std::array<uint8_t, 100> xingTableOfContents(const std::vector<int64_t>& framePositions, int64_t xingPos,
                                             int64_t totalBytes);

}  // namespace kavrel
