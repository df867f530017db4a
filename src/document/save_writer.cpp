#include "document/save_writer.h"

#include <algorithm>
#include <bitset>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>

#include "base/file_io.h"
#include "document/messages.h"
#include "document/save_messages.h"
#include "mpeg/lame_tag.h"

namespace kavrel {

namespace {

constexpr int32_t kMinCopiedLength = 16;
constexpr int32_t kMaxCopiedLength = 32767;
constexpr int32_t kMinSilentLength = 32;
constexpr int32_t kMaxSyntheticLength = 16384;
constexpr int32_t kMinXingLength = 148;
constexpr int32_t kGainPatchMinimum = 24;  // frames this short are never patched
constexpr int64_t kPieceSize = 1000000;
// Frames are gathered here and written in large blocks; runs of frames that
// lie back to back in one source are read straight into it in one call.
constexpr size_t kOutputBufferSize = size_t(8) << 20;

void putBe32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v >> 24);
  p[1] = uint8_t(v >> 16);
  p[2] = uint8_t(v >> 8);
  p[3] = uint8_t(v);
}

// Bitrate index of the Xing frame: 48 kbit/s, or the next rate up when that
// frame would be too short to hold the tag or shorter than the Xing minimum
// (48 kbit/s at 48 kHz). The frame is written exactly as long as its header
// says, so decoders and checkers walk straight on to the first audio frame.
int xingBitrateIndex(int version, int sampleRateIndex, int channelMode, bool lameTag = false) {
  const int32_t tag = lameTag ? int32_t(lameTagFrameMinimum(version, channelMode))
                              : xingTagOffset(version, channelMode) + 16 + 100;
  const int32_t needed = std::max(tag, kMinXingLength);
  int b = 3;
  while (b < 14 && frameLength(version, b, sampleRateIndex, false) < needed) ++b;
  return b;
}

class Writer {
 public:
  Writer(const Document& doc, const WriterSettings& settings, SaveObserver& observer)
      : doc_(doc), settings_(settings), observer_(observer) {}

  WriteResult run(const std::string& outputName);

 private:
  enum class Status { Ok, DiskError, Cancel, Closing };

  struct Patch {
    size_t offset;  // within the pending read
    int32_t length;
    int32_t record;
    GainPair change;
  };

  // The tag writer's way into the output buffer.
  struct OutputSink final : TagSink {
    explicit OutputSink(Writer& w) : writer(w) {}
    bool put(const uint8_t* data, size_t n) override {
      if (status == Status::Ok) status = writer.putBytes(data, n);
      return status == Status::Ok;
    }
    Writer& writer;
    Status status = Status::Ok;
  };

  const ReadFile* source(int slot);
  int64_t outputPosition() const { return flushed_ + int64_t(fill_) + int64_t(pendingLength_); }
  Status flushPending();
  Status flushBuffer();
  Status putBytes(const uint8_t* data, size_t n);
  Status copyRange(int64_t position, int64_t count);
  Status addTableFrame(int32_t record, GainPair change);
  Status addSilentFrame(int32_t entry);
  Status checkpoint(int blocks);
  Status writeLeadingBlocks(bool& unknownWritten, bool& tagFailed);
  Status writeFrames(int32_t framesToWrite);
  Status writeTrailingBlocks();
  bool isWritten(int32_t i) const;

  const Document& doc_;
  const WriterSettings& settings_;
  SaveObserver& observer_;
  WriteFile out_;
  std::array<std::unique_ptr<ReadFile>, kSourceSlots> sources_;
  std::unique_ptr<uint8_t[]> buffer_ = std::make_unique_for_overwrite<uint8_t[]>(kOutputBufferSize);
  size_t fill_ = 0;
  int64_t flushed_ = 0;
  int pendingSlot_ = 0;
  int64_t pendingPosition_ = 0;
  size_t pendingLength_ = 0;
  std::vector<Patch> patches_;
  std::vector<int64_t> framePositions_;
  // The audio after an encoder tag frame, whose CRC the tag carries: the
  // bytes of [musicStart_, musicEnd_) as they leave the buffer.
  int64_t musicStart_ = INT64_MAX;
  int64_t musicEnd_ = INT64_MAX;
  uint16_t musicCrc_ = 0;
  int32_t selectionStart_ = 0;
  int32_t selectionEnd_ = 0;
};

const ReadFile* Writer::source(int slot) {
  if (slot < 0 || slot >= kSourceSlots) return nullptr;
  auto& file = sources_[size_t(slot)];
  if (!file) {
    const std::string& path = doc_.sourcePath(slot);
    if (path.empty()) return nullptr;
    auto opened = std::make_unique<ReadFile>();
    if (!opened->open(path)) return nullptr;
    opened->adviseSequential();
    file = std::move(opened);
  }
  return file.get();
}

Writer::Status Writer::flushPending() {
  if (pendingLength_ == 0) return Status::Ok;
  const ReadFile* file = source(pendingSlot_);
  if (!file) return Status::DiskError;
  uint8_t* at = buffer_.get() + fill_;
  // A source that shrank since it was loaded is an error, never garbage.
  if (file->readAt(pendingPosition_, at, pendingLength_) != int64_t(pendingLength_)) return Status::DiskError;
  for (const Patch& p : patches_)
    applyGainAtSave(at + p.offset, p.length, doc_.frameTable[p.record], p.change);
  patches_.clear();
  fill_ += pendingLength_;
  pendingLength_ = 0;
  return Status::Ok;
}

Writer::Status Writer::flushBuffer() {
  if (Status s = flushPending(); s != Status::Ok) return s;
  if (fill_ == 0) return Status::Ok;
  const int64_t from = std::max(flushed_, musicStart_);
  const int64_t to = std::min(flushed_ + int64_t(fill_), musicEnd_);
  if (from < to) musicCrc_ = lameCrc16(buffer_.get() + (from - flushed_), size_t(to - from), musicCrc_);
  if (!out_.write(buffer_.get(), fill_)) return Status::DiskError;
  flushed_ += int64_t(fill_);
  fill_ = 0;
  return Status::Ok;
}

Writer::Status Writer::putBytes(const uint8_t* data, size_t n) {
  if (Status s = flushPending(); s != Status::Ok) return s;
  while (n > 0) {
    if (fill_ == kOutputBufferSize) {
      if (Status s = flushBuffer(); s != Status::Ok) return s;
    }
    const size_t piece = std::min(n, kOutputBufferSize - fill_);
    std::memcpy(buffer_.get() + fill_, data, piece);
    fill_ += piece;
    data += piece;
    n -= piece;
  }
  return Status::Ok;
}

// Bytes of the loaded file, in pieces, letting events run between them.
Writer::Status Writer::copyRange(int64_t position, int64_t count) {
  if (count <= 0) return Status::Ok;
  if (Status s = flushPending(); s != Status::Ok) return s;
  const ReadFile* file = source(0);
  if (!file) return Status::DiskError;
  while (count > 0) {
    const size_t piece = size_t(std::min(count, kPieceSize));
    if (fill_ + piece > kOutputBufferSize) {
      if (Status s = flushBuffer(); s != Status::Ok) return s;
    }
    if (file->readAt(position, buffer_.get() + fill_, piece) != int64_t(piece)) return Status::DiskError;
    fill_ += piece;
    position += int64_t(piece);
    count -= int64_t(piece);
    if (count > 0) {
      if (Status s = checkpoint(-1); s != Status::Ok) return s;
    }
  }
  return Status::Ok;
}

Writer::Status Writer::addTableFrame(int32_t record, GainPair change) {
  const FrameInfo& f = doc_.frameTable[record];
  const size_t length = size_t(copiedFrameLength(f.storedLength));
  const int slot = f.sourceIndex;
  if (pendingLength_ > 0 &&
      (slot != pendingSlot_ || int64_t(f.filePosition) != pendingPosition_ + int64_t(pendingLength_) ||
       fill_ + pendingLength_ + length > kOutputBufferSize)) {
    if (Status s = flushPending(); s != Status::Ok) return s;
  }
  if (fill_ + pendingLength_ + length > kOutputBufferSize) {
    if (Status s = flushBuffer(); s != Status::Ok) return s;
  }
  if (pendingLength_ == 0) {
    pendingSlot_ = slot;
    pendingPosition_ = f.filePosition;
  }
  if (change != GainPair{}) patches_.push_back({pendingLength_, int32_t(length), record, change});
  pendingLength_ += length;
  return Status::Ok;
}

Writer::Status Writer::addSilentFrame(int32_t entry) {
  const std::vector<uint8_t> frame = silentFrameBytes(entry, doc_.mpegVersion);
  return putBytes(frame.data(), frame.size());
}

Writer::Status Writer::checkpoint(int blocks) {
  switch (observer_.progress(blocks)) {
    case SaveObserver::Checkpoint::Continue: return Status::Ok;
    case SaveObserver::Checkpoint::Cancel: return Status::Cancel;
    case SaveObserver::Checkpoint::CloseWindow: return Status::Closing;
  }
  return Status::Ok;
}

bool Writer::isWritten(int32_t i) const {
  if (!savesAllFrames(settings_.mode) && (i < selectionStart_ || i >= selectionEnd_)) return false;
  // A VBR tag frame that leads the document describes the old stream: a new
  // one is built when the output needs it.
  return !(i == 0 && doc_.entryVbrKind(0) != kVbrNone);
}

Writer::Status Writer::writeLeadingBlocks(bool& unknownWritten, bool& tagFailed) {
  const FileLayout& l = doc_.layout;
  const auto& remove = settings_.remove;
  auto writeRiff = [&] {
    if (!l.riffFound || remove[size_t(Block::Riff)]) return Status::Ok;
    return copyRange(l.riffPos, l.riffSize);
  };
  auto writeTag = [&] {
    if (remove[size_t(Block::Id3v2)]) return Status::Ok;
    OutputSink sink(*this);
    switch (observer_.id3v2Tag(sink)) {
      case SaveObserver::TagResult::NoTag: return Status::Ok;
      case SaveObserver::TagResult::CopyLoaded:
        if (!l.id3v2Found) return Status::Ok;
        return copyRange(doc_.tagHeader.startOffset, doc_.tagHeader.size);
      case SaveObserver::TagResult::Written: return sink.status;
      case SaveObserver::TagResult::Failed: tagFailed = true; return Status::Ok;
      case SaveObserver::TagResult::OutputError: return Status::DiskError;
      case SaveObserver::TagResult::Cancelled: return Status::Cancel;
      case SaveObserver::TagResult::WindowClosing: return Status::Closing;
    }
    return Status::Ok;
  };
  const bool tagFirst = l.id3v2Found && l.riffFound && doc_.tagHeader.startOffset < l.riffPos;
  if (tagFirst) {
    if (Status s = writeTag(); s != Status::Ok) return s;
    if (Status s = writeRiff(); s != Status::Ok) return s;
  } else {
    if (Status s = writeRiff(); s != Status::Ok) return s;
    if (Status s = writeTag(); s != Status::Ok) return s;
  }
  if (l.unknownHeaderFound && !remove[size_t(Block::UnknownHeader)]) {
    if (Status s = copyRange(l.audioSearchStart, l.unknownHeaderSize); s != Status::Ok) return s;
    unknownWritten = true;
  }
  return Status::Ok;
}

Writer::Status Writer::writeFrames(int32_t framesToWrite) {
  const int32_t n = doc_.documentFrameCount();
  framePositions_.clear();
  framePositions_.reserve(size_t(framesToWrite));
  const int32_t first = savesAllFrames(settings_.mode) ? 0 : selectionStart_;
  const int32_t end = savesAllFrames(settings_.mode) ? n : selectionEnd_;
  for (int32_t i = first; i < end; ++i) {
    if (!isWritten(i)) continue;
    const int32_t entry = doc_.frameList[size_t(i)];
    framePositions_.push_back(outputPosition());
    Status s;
    if (entry < 0) {
      s = addSilentFrame(entry);
    } else {
      const GainPair change = size_t(i) < doc_.gainList.size() ? doc_.gainList[size_t(i)] : GainPair{};
      s = addTableFrame(entry, change);
    }
    if (s != Status::Ok) return s;
    if ((int32_t(framePositions_.size()) & 127) == 64) {
      if (Status c = checkpoint(int(int64_t(i) * 56 / std::max<int32_t>(1, n - 1))); c != Status::Ok)
        return c;
    }
  }
  return flushPending();
}

Writer::Status Writer::writeTrailingBlocks() {
  const FileLayout& l = doc_.layout;
  const auto& remove = settings_.remove;
  if (savesOuterBlocks(settings_.mode) && l.unknownFooterFound && !remove[size_t(Block::UnknownFooter)]) {
    if (Status s = copyRange(l.unknownFooterPos, l.unknownFooterSize); s != Status::Ok) return s;
  }
  // The APE tag, the Lyrics3 block and the ID3v1 tag in their order in the
  // loaded file; an ID3v1 tag the file did not have goes last.
  constexpr int64_t kLast = INT64_MAX;
  std::array<std::pair<int64_t, Block>, 3> tail = {{{l.apeFound ? l.apePos : kLast, Block::Ape},
                                                    {l.lyrics3Found ? l.lyrics3Pos : kLast, Block::Lyrics3},
                                                    {l.id3v1Found ? l.id3v1Pos : kLast, Block::Id3v1}}};
  std::stable_sort(tail.begin(), tail.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& [pos, block] : tail) {
    Status s = Status::Ok;
    if (block == Block::Id3v1) {
      if (!settings_.writeId3v1) continue;
      const auto tag = id3v1TagBytes(doc_.id3v1Record);
      s = putBytes(tag.data(), tag.size());
    } else if (pos != kLast && !remove[size_t(block)]) {
      s = block == Block::Ape ? copyRange(l.apePos, l.apeSize) : copyRange(l.lyrics3Pos, l.lyrics3Size);
    }
    if (s != Status::Ok) return s;
  }
  return Status::Ok;
}

WriteResult Writer::run(const std::string& outputName) {
  WriteResult result;
  const int32_t n = doc_.documentFrameCount();
  const int32_t tableCount = doc_.frameTable.count();
  if (tableCount < 1 || n < 1) {
    result.message = msg::kZeroFrameCount;
    return result;
  }
  selectionStart_ = std::clamp(settings_.selectionStart, 0, n);
  selectionEnd_ = std::clamp(settings_.selectionEnd, selectionStart_, n);

  // Count what will be written, and open its sources before the output is
  // created, so that a missing source leaves the target alone.
  int32_t framesToWrite = 0;
  std::bitset<16> bitrates;
  std::bitset<kSourceSlots> slots;
  int32_t firstEntry = 0, lastEntry = 0;
  bool levelChanged = false;
  bool inOrder = true;  // the written entries are records in file order, none left out
  for (int32_t i = 0; i < n; ++i) {
    if (!isWritten(i)) continue;
    const int32_t entry = doc_.frameList[size_t(i)];
    if (entry >= tableCount) {
      result.message = msg::kZeroFrameCount;
      return result;
    }
    if (framesToWrite == 0) firstEntry = entry;
    if (framesToWrite > 0 && entry != lastEntry + 1) inOrder = false;
    lastEntry = entry;
    if (size_t(i) < doc_.gainList.size() && doc_.gainList[size_t(i)] != GainPair{}) levelChanged = true;
    if (entry >= 0) slots.set(doc_.frameTable[entry].sourceIndex);
    bitrates.set(size_t(doc_.entryBitrate(i)));
    ++framesToWrite;
  }
  for (int slot = 0; slot < kSourceSlots; ++slot) {
    if (slots.test(size_t(slot)) && !source(slot)) {
      result.message = msg::kDiskError;
      return result;
    }
  }
  if (!out_.create(outputName)) {
    result.message = msg::kDiskError;
    return result;
  }
  result.outputCreated = true;

  auto fail = [&](Status s) {
    out_.close();
    switch (s) {
      case Status::Cancel: result.outcome = WriteResult::Outcome::Cancelled; break;
      case Status::Closing: result.outcome = WriteResult::Outcome::WindowClosing; break;
      default:
        result.outcome = WriteResult::Outcome::Failed;
        result.message = msg::kDiskError;
        break;
    }
    return result;
  };

  bool unknownWritten = false;
  if (savesOuterBlocks(settings_.mode)) {
    if (Status s = writeLeadingBlocks(unknownWritten, result.id3v2Failed); s != Status::Ok) return fail(s);
  }

  int64_t xingPosition = -1;
  int xingMode = 0;
  int xingRate = 0;
  bool gapless = doc_.gapless.found && settings_.keepGapless && framesToWrite > 0;
  LameTag lameTag;
  // The loaded file's tag frame: the record before the audio it describes.
  const int32_t tagRecord = doc_.gapless.firstRecord - 1;
  // The audio exactly as loaded keeps the encoder's own tag frame byte for
  // byte (its CRC protection, bitrate and figures included).
  const bool loadedTagFits = gapless && inOrder && !levelChanged && firstEntry == doc_.gapless.firstRecord &&
                             lastEntry == doc_.gapless.lastRecord;
  // A tag frame of a stated bitrate would break a free-format stream's
  // rhythm: edited free-format audio gets the encoder's own frame back,
  // its figures rewritten in place.
  std::vector<uint8_t> freeFormatTag;
  if (gapless && !loadedTagFits && doc_.frameTable[tagRecord].bitrateIndex == 0) {
    const FrameInfo& f = doc_.frameTable[tagRecord];
    freeFormatTag.resize(size_t(copiedFrameLength(f.storedLength)));
    const ReadFile* file = source(f.sourceIndex);
    // Left out rather than guessed when the frame cannot be read again or
    // has no room for every field (the tag may sit after a CRC).
    if (!file ||
        file->readAt(f.filePosition, freeFormatTag.data(), freeFormatTag.size()) !=
            int64_t(freeFormatTag.size()) ||
        freeFormatTag.size() < lameTagFrameMinimum(doc_.mpegVersion, f.channelMode) + 2) {
      gapless = false;
      freeFormatTag.clear();
    }
  }
  auto gaplessFrame = [&](int rate, int mode, uint32_t frames, uint32_t bytes,
                          const std::array<uint8_t, 100>& toc, uint16_t crc) {
    if (freeFormatTag.empty())
      return lameTagFrameBytes(doc_.mpegVersion, rate, mode, lameTag, frames, bytes, toc, bytes, crc);
    std::vector<uint8_t> frame = freeFormatTag;
    writeLameTag(frame.data(), frame.size(), lameTag, frames, bytes, toc, bytes, crc);
    return frame;
  };
  if (gapless)
    lameTag = gaplessTagFor(doc_.gapless, firstEntry, lastEntry, levelChanged, bitrates.count() <= 1);
  if (loadedTagFits) {
    if (Status s = addTableFrame(tagRecord, GainPair{}); s != Status::Ok) return fail(s);
    if (Status s = flushPending(); s != Status::Ok) return fail(s);
  } else if (bitrates.count() > 1 || gapless) {
    if (unknownWritten && bitrates.count() > 1) observer_.unknownLeadingDataWritten();
    // The header follows the edited frames: their common rate (else the
    // loaded file's first frame) and mode (else that of document frame 1,
    // never mono in a mixed file).
    const int rate =
        doc_.editSummary.rate < 3 ? doc_.editSummary.rate : doc_.frameTable[0].sampleRateIndex % 3;
    xingMode = doc_.editSummary.mode & 3;
    if (doc_.editSummary.mode > 3 && n > 1) {
      xingMode = doc_.entryChannelMode(1);
      if (xingMode == kChannelModeMono) xingMode = kChannelModeJoint;
    }
    xingRate = rate;
    // The frame is written again at the end with its counts: here it only
    // takes its place.
    const int version = doc_.mpegVersion;
    const std::vector<uint8_t> xing = gapless ? gaplessFrame(rate, xingMode, 0, 0, {}, 0)
                                              : xingFrameBytes(version, rate, xingMode, framesToWrite);
    xingPosition = outputPosition();
    if (Status s = putBytes(xing.data(), xing.size()); s != Status::Ok) return fail(s);
    if (gapless) musicStart_ = outputPosition();
    result.xingWritten = bitrates.count() > 1;
  }

  if (Status s = writeFrames(framesToWrite); s != Status::Ok) return fail(s);
  // The Xing byte count and table cover the audio stream only, not the
  // blocks that follow it: players seek with them.
  const int64_t audioEnd = outputPosition();
  musicEnd_ = audioEnd;
  if (Status s = writeTrailingBlocks(); s != Status::Ok) return fail(s);
  if (Status s = flushBuffer(); s != Status::Ok) return fail(s);
  const int64_t total = flushed_;

  if (xingPosition >= 0 && gapless) {
    // Decoders take the encoder's frame count as the audio frames alone (the
    // padding is cut that many frames in); the music length, as the encoder
    // writes it, counts the tag frame too.
    const auto bytes = uint32_t(audioEnd - xingPosition);
    const auto toc = xingTableOfContents(framePositions_, xingPosition, audioEnd - xingPosition);
    const auto frames = uint32_t(framesToWrite);
    const std::vector<uint8_t> frame = gaplessFrame(xingRate, xingMode, frames, bytes, toc, musicCrc_);
    if (!out_.writeAt(xingPosition, frame.data(), frame.size())) return fail(Status::DiskError);
  } else if (xingPosition >= 0) {
    std::array<uint8_t, 104> tail{};
    putBe32(tail.data(), uint32_t(audioEnd - xingPosition));
    const auto toc = xingTableOfContents(framePositions_, xingPosition, audioEnd - xingPosition);
    std::memcpy(tail.data() + 4, toc.data(), toc.size());
    if (!out_.writeAt(xingPosition + xingTagOffset(doc_.mpegVersion, xingMode) + 12, tail.data(),
                      tail.size()))
      return fail(Status::DiskError);
  }
  if (settings_.durable && !out_.sync()) return fail(Status::DiskError);
  if (!out_.close()) return fail(Status::DiskError);

  result.outcome = WriteResult::Outcome::Written;
  result.writtenFrames = int32_t(framePositions_.size());
  result.outputSize = total;
  return result;
}

}  // namespace

int32_t copiedFrameLength(int32_t storedLength) {
  return std::clamp(storedLength, kMinCopiedLength, kMaxCopiedLength);
}

uint16_t mpegCrc16(const uint8_t* data, size_t size) {
  uint16_t crc = 0xFFFF;
  for (size_t i = 0; i < size; ++i) {
    crc ^= uint16_t(data[i]) << 8;
    for (int bit = 0; bit < 8; ++bit)
      crc = (crc & 0x8000) ? uint16_t((crc << 1) ^ 0x8005) : uint16_t(crc << 1);
  }
  return crc;
}

void applyGainAtSave(uint8_t* frame, int32_t length, const FrameInfo& info, GainPair change) {
  // Low-rate frames can be this short and still hold their side information;
  // the field checks below keep the patch inside the frame.
  if (change == GainPair{} || (info.mpegVersion == kMpeg1 && length <= kGainPatchMinimum)) return;
  const bool crc = (frame[1] & 1) == 0;
  const int mode = info.channelMode & 3;
  const int version = info.mpegVersion;
  bool patched = false;
  for (int g = 0; g < globalGainCount(version, mode); ++g) {
    const GainLocation loc = globalGainLocation(version, mode, crc, g);
    // The bytes past a short frame belong to the next one.
    if (loc.byteOffset + 2 > length) continue;
    const int delta = globalGainChannel(mode, g) == 0 ? change.left : change.right;
    const int value =
        info.vbrHeaderKind != kVbrNone ? 0 : std::clamp(int(info.globalGain[size_t(g)]) + delta, 0, 255);
    writeGlobalGain(frame, version, mode, crc, g, uint8_t(value));
    patched = true;
  }
  // Decoders that check the CRC drop a frame whose side information changed
  // under it.
  const int side = sideInfoLength(version, mode);
  if (crc && patched && sideInfoOffset(true) + side <= length) {
    uint8_t covered[2 + 32];
    covered[0] = frame[2];
    covered[1] = frame[3];
    std::memcpy(covered + 2, frame + sideInfoOffset(true), size_t(side));
    const uint16_t value = mpegCrc16(covered, size_t(2 + side));
    frame[4] = uint8_t(value >> 8);
    frame[5] = uint8_t(value);
  }
}

std::vector<uint8_t> silentFrameBytes(int32_t entry, int version) {
  const SilentFrameCode code = decodeSilentFrame(entry);
  int32_t length =
      std::min(frameLength(version, code.bitrateIndex, code.sampleRateIndex, false), kMaxSyntheticLength);
  // Every stated length holds the header and side information (24 bytes
  // and up); only a free-format code states none.
  if (length < sideInfoOffset(false) + sideInfoLength(version, code.channelMode)) length = kMinSilentLength;
  std::vector<uint8_t> frame(size_t(length), 0);
  frame[0] = 0xFF;
  frame[1] = headerByte1(version);
  frame[2] = uint8_t(16 * code.bitrateIndex + 4 * code.sampleRateIndex);
  frame[3] = uint8_t(64 * code.channelMode);
  return frame;
}

int xingTagOffset(int version, int channelMode) {
  return sideInfoOffset(false) + sideInfoLength(version, channelMode & 3);
}

std::vector<uint8_t> xingFrameBytes(int version, int sampleRateIndex, int channelMode,
                                    int32_t framesToWrite) {
  const int rate = sampleRateIndex % 3;
  const int mode = channelMode & 3;
  const int bitrate = xingBitrateIndex(version, rate, mode);
  std::vector<uint8_t> frame(size_t(frameLength(version, bitrate, rate, false)), 0);
  frame[0] = 0xFF;
  frame[1] = headerByte1(version);
  frame[2] = uint8_t(16 * bitrate + 4 * rate);
  frame[3] = uint8_t(64 * mode + 4);
  const size_t at = size_t(xingTagOffset(version, mode));
  std::memcpy(frame.data() + at, "Xing", 4);
  putBe32(frame.data() + at + 4, 7);  // frame count, byte count and table present
  putBe32(frame.data() + at + 8, uint32_t(framesToWrite) + 1);
  return frame;
}

LameTag gaplessTagFor(const GaplessInfo& gapless, int32_t firstRecord, int32_t lastRecord, bool levelChanged,
                      bool info) {
  LameTag tag = gapless.tag;
  tag.info = info;
  // Frames cut from the start take the encoder's leading samples with them:
  // what remains starts at a frame boundary, and the decoders skip their
  // own delay without being told.
  tag.setDelayAndPadding(firstRecord == gapless.firstRecord ? tag.encoderDelay() : 0,
                         lastRecord == gapless.lastRecord ? tag.padding() : 0);
  // Stale loudness figures would have a player undo the change.
  if (levelChanged) std::fill_n(tag.extension.begin() + kLameReplayGainAt, kLameReplayGainSize, uint8_t(0));
  return tag;
}

std::vector<uint8_t> lameTagFrameBytes(int version, int sampleRateIndex, int channelMode, const LameTag& tag,
                                       uint32_t frames, uint32_t bytes, const std::array<uint8_t, 100>& toc,
                                       uint32_t musicLength, uint16_t musicCrc) {
  const int rate = sampleRateIndex % 3;
  const int mode = channelMode & 3;
  const int bitrate = xingBitrateIndex(version, rate, mode, true);
  std::vector<uint8_t> frame(size_t(frameLength(version, bitrate, rate, false)), 0);
  frame[0] = 0xFF;
  frame[1] = headerByte1(version);
  frame[2] = uint8_t(16 * bitrate + 4 * rate);
  frame[3] = uint8_t(64 * mode + 4);
  writeLameTag(frame.data(), frame.size(), tag, frames, bytes, toc, musicLength, musicCrc);
  return frame;
}

std::array<uint8_t, 100> xingTableOfContents(const std::vector<int64_t>& framePositions, int64_t xingPos,
                                             int64_t totalBytes) {
  std::array<uint8_t, 100> toc{};
  const int64_t w = int64_t(framePositions.size());
  if (w == 0 || totalBytes <= 0) return toc;
  for (int j = 1; j < 100; ++j) {
    // nearbyint rounds halves to the even neighbour.
    auto k = int64_t(std::nearbyint(0.01 * j * double(w - 1)));
    k = std::clamp<int64_t>(k, 0, w - 1);
    const int64_t d = std::max<int64_t>(0, framePositions[size_t(k)] - xingPos);
    toc[size_t(j)] = uint8_t(std::min<int64_t>(255, int64_t(256.0 * double(d) / double(totalBytes))));
  }
  return toc;
}

WriteResult writeDocument(const Document& doc, const std::string& outputName, const WriterSettings& settings,
                          SaveObserver& observer) {
  try {
    Writer writer(doc, settings, observer);
    return writer.run(outputName);
  } catch (const std::bad_alloc&) {
    WriteResult result;
    result.message = msg::kDiskError;
    return result;
  }
}

}  // namespace kavrel
