#include "document/loader.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "base/file_io.h"
#include "base/large_pages.h"
#include "base/time_text.h"
#include "document/messages.h"
#include "document/statistics.h"
#include "mpeg/lame_tag.h"
#include "tags/ape_tag.h"
#include "tags/id3v2/tag_header.h"

namespace kavrel {

namespace {

constexpr int64_t kMinFileSize = 256;
constexpr int64_t kMaxFileSize = int64_t(1) << 31;
constexpr int64_t kChunkSize = 1000000;
constexpr int64_t kScanLimit = 936000;
constexpr int64_t kZeroFillEnd = 1000004;
constexpr int64_t kRiffDataSearch = 516;
constexpr int64_t kLyrics3v1Window = 5100;
constexpr int64_t kLyrics3v2Window = 301000;
constexpr int32_t kSizeTolerance = 2;
constexpr int32_t kFreeFormatFooterMinimum = 1024;
// How far the next header of a free-format stream is looked for.
constexpr int64_t kFreeFormatSearch = 8192;

bool bytesAre(const std::vector<uint8_t>& buf, int64_t count, int64_t pos, const char* text) {
  const size_t n = std::strlen(text);
  return pos >= 0 && pos + int64_t(n) <= count && std::memcmp(buf.data() + pos, text, n) == 0;
}

enum class Failure { None, Open, Read, TooSmall, RiffNotMp3, Refused, NoFrames, FrameSize, Cancel, Closing };

// One scan of one file: the loaded file (recording its layout) or a file to
// insert (only skipping its leading blocks).
class Scanner {
 public:
  Scanner(Document& doc, std::vector<uint8_t>& buf, ScanObserver& observer, bool inserting, int slot)
      : doc_(doc), buf_(buf), observer_(observer), inserting_(inserting), slot_(slot),
        base_(doc.frameTable.count()) {
    if (buf_.size() < kWorkBufferSize) buf_.resize(kWorkBufferSize);
  }

  Failure run(const std::string& path);

  FileLayout layout;
  TagHeaderState tag;
  std::array<int32_t, 3> rateHistogram{};
  int64_t fileSize = 0;
  std::string message;  // for Refused and the frame-size failures
  RefusalKind refusal = RefusalKind::None;
  // The MPEG version of the file's frames (set by its first frame).
  int version = -1;
  int32_t base() const { return base_; }

 private:
  Failure scanLayoutAtEnd();
  Failure scanLeadingBlocks(int64_t& p);
  Failure scanFrames(int64_t start);
  Failure completeLayout();
  void dropApeTag();
  // Where the audio blocks end: the first of the ID3v1 tag and the Lyrics3
  // block and APE tag before it, or the file end.
  int64_t audioEnd() const {
    int64_t end = layout.id3v1Found ? layout.id3v1Pos : fileSize;
    if (layout.lyrics3Found && layout.lyrics3Pos < end) end = layout.lyrics3Pos;
    if (layout.apeFound && layout.apePos < end) end = layout.apePos;
    return end;
  }
  // Where the frames end: a RIFF file's data chunk says so itself (its pad
  // byte and any chunks after it are no part of the last frame).
  int64_t framesEnd() const { return riffDataEnd_ > 0 ? riffDataEnd_ : audioEnd(); }
  bool runFollows(const uint8_t* buf, int64_t available, int64_t i, int64_t toEnd) const;
  bool ask(const std::string& text) { return observer_.tryToContinue(text); }

  Document& doc_;
  std::vector<uint8_t>& buf_;
  ScanObserver& observer_;
  ReadFile file_;
  const bool inserting_;
  const int slot_;
  const int32_t base_;
  int64_t riffDataEnd_ = 0;
  // The Lyrics3 block or ID3v1 tag ends where the APE tag starts.
  bool lyrics3BeforeApe_ = false;
  bool id3v1BeforeApe_ = false;
};

// Whether the header at buf[i] starts a run of frames rather than being
// sync-like bytes inside other data: the next header of the same stream
// starts where this frame's length says, or the frame ends the audio.
// `available` bytes of buf are real; `toEnd` is the distance from i to the
// end of the frames.
bool Scanner::runFollows(const uint8_t* buf, int64_t available, int64_t i, int64_t toEnd) const {
  const uint8_t* h = buf + i;
  const int32_t length = anyMpegFrameLength(h);
  if (length > 0) {
    if (std::abs(toEnd - length) <= kSizeTolerance) return true;
    return i + length + 4 <= available && sameMpegStream(h, buf + i + length);
  }
  // Free format: no stated length, so the next free-format header of the
  // same stream within reach. Reserved version or layer codes start nothing.
  if ((h[2] >> 4) != 0 || ((h[2] >> 2) & 3) == 3 || ((h[1] >> 3) & 3) == 1 || ((h[1] >> 1) & 3) == 0)
    return false;
  const int64_t last = std::min(available - 4, i + kFreeFormatSearch);
  for (int64_t j = i + 4; j <= last; ++j) {
    if (buf[j] == 0xFF && (buf[j + 1] & 0xFE) == (h[1] & 0xFE) && (buf[j + 2] & 0xFC) == (h[2] & 0xFC))
      return true;
  }
  return false;
}

Failure Scanner::run(const std::string& path) {
  if (!file_.open(path)) return Failure::Open;
  fileSize = file_.size();
  if (fileSize < 0) return Failure::Read;
  if (!inserting_ && fileSize == 0) return Failure::Read;
  if (fileSize >= kMaxFileSize) return Failure::Read;
  if (fileSize < kMinFileSize) return Failure::TooSmall;

  if (Failure f = scanLayoutAtEnd(); f != Failure::None) return f;
  int64_t p = 0;
  if (Failure f = scanLeadingBlocks(p); f != Failure::None) return f;
  layout.audioSearchStart = p;
  if (Failure f = scanFrames(p); f != Failure::None) return f;
  // A tag stands after the first frame; one that reaches into it (or into
  // the leading blocks, leaving no frame before it) holds audio: scan again
  // without it.
  if (layout.apeFound) {
    const bool framed = doc_.frameTable.count() > base_;
    if (!framed || int64_t(doc_.frameTable[base_].filePosition) + doc_.frameTable[base_].computedLength >
                       layout.apePos) {
      dropApeTag();
      doc_.frameTable.truncate(base_);
      rateHistogram.fill(0);
      if (Failure f = scanFrames(p); f != Failure::None) return f;
    }
  }
  // A file changed under the scan no longer matches what was found in it.
  if (file_.size() != fileSize) return Failure::Read;
  if (doc_.frameTable.count() == base_) return Failure::NoFrames;
  return completeLayout();
}

// Lyrics3 block, APE tag and ID3v1 tag at the end of the file. Each block
// found must end where the next one starts: an overlap would write bytes
// twice, a gap would belong to no block.
Failure Scanner::scanLayoutAtEnd() {
  // A Lyrics3 block whose end marker ends at blockEnd; the marker's window
  // is counted back from windowEnd.
  auto findLyrics3 = [&](int64_t blockEnd, int64_t windowEnd) -> Failure {
    const int64_t markerPos = blockEnd - 9;
    if (markerPos < 0) return Failure::None;
    char marker[9];
    if (file_.readAt(markerPos, marker, 9) != 9) return Failure::Read;
    int version = 0;
    int64_t window = 0;
    if (std::memcmp(marker, "LYRICS200", 9) == 0) {
      version = 2;
      window = kLyrics3v2Window;
    } else if (std::memcmp(marker, "LYRICSEND", 9) == 0) {
      version = 1;
      window = kLyrics3v1Window;
    } else {
      return Failure::None;
    }
    const int64_t from = std::max<int64_t>(0, windowEnd - window);
    const int64_t want = std::max<int64_t>(0, markerPos - from);
    const int64_t got = file_.readAt(from, buf_.data(), size_t(want));
    if (got < 0) return Failure::Read;
    const int64_t positions = std::min<int64_t>(window - 11 + 1, got - 11 + 1);
    for (int64_t i = 0; i < positions; ++i) {
      if (std::memcmp(buf_.data() + i, "LYRICSBEGIN", 11) == 0) {
        layout.lyrics3Found = true;
        layout.lyrics3Version = version;
        layout.lyrics3Pos = from + i;
        layout.lyrics3Size = markerPos - layout.lyrics3Pos + 9;
        break;
      }
    }
    return Failure::None;
  };
  // An APE tag that ends at `end`.
  auto findApe = [&](int64_t end) {
    const std::optional<ApeTagPlace> tag = findApeTag(file_, end, 0);
    if (!tag) return;
    layout.apeFound = true;
    layout.apeVersion = tag->version;
    layout.apePos = tag->pos;
    layout.apeSize = tag->size;
    layout.apeItemCount = tag->itemCount;
    layout.apeHeader = tag->header;
  };
  // The APE tag ending at `end`, and a Lyrics3 block before it.
  auto findApeThenLyrics3 = [&](int64_t end) -> Failure {
    findApe(end);
    if (!layout.apeFound) return Failure::None;
    if (Failure f = findLyrics3(layout.apePos, layout.apePos); f != Failure::None) return f;
    lyrics3BeforeApe_ = layout.lyrics3Found;
    return Failure::None;
  };

  // A Lyrics3 block that ends the file, perhaps after an APE tag. The block
  // holds any "TAG" the ID3v1 probe could find.
  if (Failure f = findLyrics3(fileSize, fileSize); f != Failure::None) return f;
  if (layout.lyrics3Found) {
    findApe(layout.lyrics3Pos);
    return Failure::None;
  }
  // An APE tag that ends the file (its items could hold a "TAG" too), after
  // a Lyrics3 block or an ID3v1 tag: tag writers that append their tag
  // leave an ID3v1 tag where it was.
  if (Failure f = findApeThenLyrics3(fileSize); f != Failure::None || layout.lyrics3Found) return f;
  if (layout.apeFound) {
    const int64_t at = layout.apePos - 128;
    char probe[3];
    if (at < 0) return Failure::None;
    if (file_.readAt(at, probe, 3) != 3) return Failure::Read;
    if (std::memcmp(probe, "TAG", 3) == 0) {
      layout.id3v1Found = true;
      layout.id3v1Pos = at;
      layout.id3v1Size = 128;
      id3v1BeforeApe_ = true;
      // and the Lyrics3 block that stood before that ID3v1 tag
      if (Failure f = findLyrics3(at, at); f != Failure::None) return f;
      lyrics3BeforeApe_ = layout.lyrics3Found;
    }
    return Failure::None;
  }

  if (fileSize > 130) {
    uint8_t probe[7];
    if (file_.readAt(fileSize - 129, probe, 7) != 7) return Failure::Read;
    for (int i = 0; i < 5; ++i) {
      if (probe[i] == 'T' && probe[i + 1] == 'A' && probe[i + 2] == 'G') {
        layout.id3v1Found = true;
        layout.id3v1Pos = fileSize - 129 + i;
        layout.id3v1Size = fileSize - layout.id3v1Pos;
        break;
      }
    }
  }
  if (!layout.id3v1Found) return Failure::None;
  // Before the ID3v1 tag: a Lyrics3 block (only before a tag of 128 bytes,
  // where its marker is looked for) with perhaps an APE tag before it, or an
  // APE tag with perhaps a Lyrics3 block before it.
  if (layout.id3v1Pos == fileSize - 128) {
    if (Failure f = findLyrics3(layout.id3v1Pos, fileSize); f != Failure::None) return f;
    if (layout.lyrics3Found) {
      findApe(layout.lyrics3Pos);
      return Failure::None;
    }
  }
  return findApeThenLyrics3(layout.id3v1Pos);
}

// An APE tag taken for one turned out to reach into the leading blocks or
// the first frame: its bytes are data of the file, and a block found
// before it no longer ends where a block starts.
void Scanner::dropApeTag() {
  layout.apeFound = false;
  layout.apeVersion = 0;
  layout.apePos = layout.apeSize = 0;
  layout.apeItemCount = 0;
  layout.apeHeader = false;
  if (lyrics3BeforeApe_) {
    layout.lyrics3Found = false;
    layout.lyrics3Version = 0;
    layout.lyrics3Pos = layout.lyrics3Size = 0;
    lyrics3BeforeApe_ = false;
  }
  if (id3v1BeforeApe_) {
    layout.id3v1Found = false;
    layout.id3v1Pos = layout.id3v1Size = 0;
    id3v1BeforeApe_ = false;
  }
}

Failure Scanner::scanLeadingBlocks(int64_t& p) {
  const int64_t count = file_.readAt(0, buf_.data(), size_t(std::min<int64_t>(fileSize, kWorkBufferSize)));
  if (count < 0) return Failure::Read;
  bool tagSeen = false;
  bool riffSeen = false;
  for (;;) {
    // An ID3v2 tag (again after a RIFF header when none came before it).
    if (!tagSeen && bytesAre(buf_, count, p, "ID3") && p + 10 <= count) {
      if (inserting_) {
        // Only skipped: no version check, no footer.
        p += int64_t(decodeSyncsafe(buf_.data() + p + 6)) + 10;
        tagSeen = true;
      } else {
        // Not a tag: the audio search starts here.
        if (!parseTagHeader(buf_.data() + p, size_t(count - p), p, tag)) return Failure::None;
        tagSeen = true;
        layout.id3v2Found = true;
        p = tag.startOffset + tag.size;
      }
    }
    if (riffSeen || !bytesAre(buf_, count, p, "RIFF")) return Failure::None;
    riffSeen = true;
    const int64_t riffPos = p;
    if (!inserting_) {
      layout.riffFound = true;
      layout.riffPos = riffPos;
    }
    int64_t dataPos = -1;
    for (int64_t q = riffPos + 4; q <= riffPos + kRiffDataSearch && q + 4 <= count; ++q) {
      if (std::memcmp(buf_.data() + q, "data", 4) == 0) {
        dataPos = q;
        break;
      }
    }
    if (dataPos < 0) {
      if (!ask(msg::kImproperRiff)) return Failure::RiffNotMp3;
      p = riffPos + kRiffDataSearch + 1;
      return Failure::None;
    }
    p = dataPos + 8;
    if (!inserting_) layout.riffSize = p - riffPos;
    // The data chunk's size bounds the frames; a size of 0, or one running
    // past the audio (streamed or damaged headers), says nothing.
    if (p <= count) {
      const int64_t dataSize = int64_t(buf_[size_t(dataPos + 4)]) | int64_t(buf_[size_t(dataPos + 5)]) << 8 |
                               int64_t(buf_[size_t(dataPos + 6)]) << 16 |
                               int64_t(buf_[size_t(dataPos + 7)]) << 24;
      if (dataSize > 0 && p + dataSize < audioEnd()) riffDataEnd_ = p + dataSize;
    }
    if (tagSeen) return Failure::None;
  }
}

Failure Scanner::scanFrames(int64_t chunkStart) {
  uint8_t* const buf = buf_.data();
  int32_t storedThisFile = 0;
  bool firstFrameSeen = false;
  // Sync-like bytes inside the trailing tags are not frames.
  const int64_t end = framesEnd();
  // Where the next frame starts while the stream runs unbroken; -1 after a
  // free-format frame, whose length is only known from its successor.
  int64_t expected = chunkStart;
  uint8_t freeHeader[3] = {};
  version = -1;
  for (;;) {
    const int64_t remaining = end - chunkStart;
    if (remaining <= 0) return Failure::None;
    int64_t want = remaining > kChunkSize ? kChunkSize : remaining;
    const int64_t got = file_.readAt(chunkStart, buf, size_t(want));
    if (got != want) return Failure::Read;  // a read error, or the file shrank under us
    int64_t limit;
    if (got == kChunkSize) {
      limit = kScanLimit;
    } else {
      limit = std::min(got, kScanLimit);
      std::memset(buf + got, 0, size_t(kZeroFillEnd - got));
    }
    int64_t i = 0;
    while (i < limit) {
      if (buf[i] != 0xFF || (buf[i + 1] & 0xE0) != 0xE0) {
        ++i;
        continue;
      }
      FrameInfo& f = doc_.frameTable.next();
      // Only the first frame of a file can carry a VBR tag.
      const HeaderCodes codes =
          decodeFrameHeader(buf + i, size_t(got - i), chunkStart + i, !firstFrameSeen, f);
      f.sourceIndex = uint8_t(slot_);
      f.storedLength = 0;
      const int64_t at = chunkStart + i;
      if (const RefusalKind kind = headerRefusalKind(codes, f); kind != RefusalKind::None) {
        // A file of frames we do not edit (MPEG-2, Layer II ...) is refused
        // whatever the policy: skipping their headers would only find
        // sync-like bytes in their data.
        const bool refusedStream = storedThisFile == 0 &&
                                   (kind == RefusalKind::Layer || kind == RefusalKind::Version) &&
                                   runFollows(buf, got, i, end - at);
        if (refusedStream || !ask(std::string(headerRefusal(codes, f)))) {
          refusal = kind;
          message = std::string(headerRefusal(codes, f));
          return Failure::Refused;
        }
        ++i;
        continue;
      }
      // After a resynchronisation a header counts only when a run of frames
      // starts with it.
      const bool continues =
          at == expected || (expected < 0 && f.bitrateIndex == 0 && buf[i + 1] == freeHeader[1] &&
                             (buf[i + 2] & 0xFC) == (freeHeader[2] & 0xFC));
      if (!continues && !runFollows(buf, got, i, end - at)) {
        ++i;
        continue;
      }
      if (version < 0 && inserting_ && f.mpegVersion != doc_.mpegVersion) {
        // One document, one MPEG version: frame durations, silent frames and
        // the VBR header all follow it.
        refusal = RefusalKind::Version;
        message = "The file holds " + std::string(mpegVersionText(f.mpegVersion)) +
                  " frames and the document " + std::string(mpegVersionText(doc_.mpegVersion)) +
                  " frames. Files of different MPEG versions cannot be joined.";
        return Failure::Refused;
      }
      if (version >= 0 && f.mpegVersion != version) {
        if (!ask(std::string(mpegVersionText(f.mpegVersion)) + " frame at position " + formatGrouped(at) +
                 " in an " + std::string(mpegVersionText(version)) + " file.")) {
          refusal = RefusalKind::Version;
          message = std::string(mpegVersionText(f.mpegVersion)) + " frames in an " +
                    std::string(mpegVersionText(version)) + " file are not supported.";
          return Failure::Refused;
        }
        ++i;
        continue;
      }
      version = f.mpegVersion;
      if (f.bitrateIndex == 0) {
        expected = -1;
        std::memcpy(freeHeader, buf + i, 3);
      } else {
        expected = at + f.computedLength;
      }
      i += f.computedLength;
      firstFrameSeen = true;
      // A file to insert loses its VBR tag frame: the next frame takes its record.
      if (inserting_ && storedThisFile == 0 && f.vbrHeaderKind != kVbrNone) continue;
      ++rateHistogram[f.sampleRateIndex % 3];
      doc_.frameTable.commitNext();
      ++storedThisFile;
      if ((doc_.frameTable.count() & 127) == 64) {
        const int blocks = int(int64_t(f.filePosition) * 56 / fileSize);
        switch (observer_.progress(blocks)) {
          case ScanObserver::Checkpoint::Continue: break;
          case ScanObserver::Checkpoint::Cancel: return Failure::Cancel;
          case ScanObserver::Checkpoint::CloseWindow: return Failure::Closing;
        }
      }
    }
    if (got == limit) return Failure::None;
    chunkStart += i;
  }
}

Failure Scanner::completeLayout() {
  FrameTable& table = doc_.frameTable;
  const int32_t first = base_;
  const int32_t last = table.count() - 1;
  if (!inserting_) {
    layout.unknownHeaderFound = table[first].filePosition != layout.audioSearchStart;
    if (layout.unknownHeaderFound)
      layout.unknownHeaderSize = table[first].filePosition - layout.audioSearchStart;
  }
  for (int32_t k = first; k < last; ++k) {
    FrameInfo& f = table[k];
    const int32_t next = table[k + 1].filePosition;
    f.storedLength = next - f.filePosition;
    if (f.bitrateIndex != 0 && std::abs(f.storedLength - f.computedLength) > kSizeTolerance) {
      if (!ask("Improper frame size at position " + formatGrouped(f.filePosition) + " to " +
               formatGrouped(next) + ".")) {
        message = msg::kImproperFrameSize;
        return Failure::FrameSize;
      }
    }
  }
  const int64_t end = audioEnd();
  FrameInfo& f = table[last];
  const int64_t stored = framesEnd() - f.filePosition;
  // A free-format frame states no length, but every frame of its stream has
  // the one the distance between their headers shows (a byte more or less
  // with padding): the last is taken as long as the one before it, so that
  // neither it nor what follows it is cut.
  int32_t lastLength = f.computedLength;
  bool lengthKnown = f.bitrateIndex != 0;
  if (!lengthKnown && last > first && table[last - 1].bitrateIndex == 0 &&
      table[last - 1].storedLength > f.computedLength) {
    lastLength = table[last - 1].storedLength;
    lengthKnown = true;
  }
  if (lengthKnown && stored - lastLength < -kSizeTolerance) {
    if (!ask("The last frame is incomplete (position " + formatGrouped(f.filePosition) + ").")) {
      message = msg::kImproperFrameSize;
      return Failure::FrameSize;
    }
  }
  f.storedLength = int32_t(std::max<int64_t>(0, stored));
  const int64_t excess = stored - lastLength;
  const bool overlong = lengthKnown ? excess > kSizeTolerance : excess >= kFreeFormatFooterMinimum;
  // What follows the last frame up to the end of the audio is unknown data
  // (an inserted file's is dropped).
  const int64_t footerPos = overlong ? int64_t(f.filePosition) + lastLength : framesEnd();
  const int64_t footerSize = end - footerPos;
  if (footerSize > 0) {
    f.storedLength = int32_t(std::max<int64_t>(0, footerPos - f.filePosition));
    if (!inserting_) {
      layout.unknownFooterFound = true;
      layout.unknownFooterPos = footerPos;
      layout.unknownFooterSize = footerSize;
    }
  }
  return Failure::None;
}

}  // namespace

std::string freeFormatWarning(const char* lead, int count, int summaryRate, int version) {
  const int r = summaryRate == 0 ? 0 : summaryRate == 1 ? 1 : 2;
  return std::string(lead) + formatExponent2(count * frameDuration(version, r)) + " sec" + "\r\n" +
         "(due to free format frame" + (count > 1 ? "s" : "") + ")";
}

namespace {

// The encoder's tag in the first frame, read within the bytes that frame
// owns; any fault in it leaves the file without gapless information.
GaplessInfo readGaplessInfo(const Document& doc) {
  GaplessInfo info;
  const FrameTable& table = doc.frameTable;
  if (table.count() < 2) return info;
  const FrameInfo& f = table[0];
  if (f.vbrHeaderKind != kVbrXing && f.vbrHeaderKind != kVbrInfo) return info;
  // A free-format frame owns the bytes up to the next header.
  const int32_t length = f.bitrateIndex == 0 ? f.storedLength : std::min(f.computedLength, f.storedLength);
  if (length < 4) return info;
  std::vector<uint8_t> bytes(static_cast<size_t>(length));
  ReadFile file(doc.loadPath);
  if (!file.isOpen() || file.readAt(f.filePosition, bytes.data(), bytes.size()) != int64_t(bytes.size()))
    return info;
  const std::optional<LameTag> tag = parseLameTag(bytes.data(), bytes.size());
  if (!tag) return info;
  info.found = true;
  info.tag = *tag;
  info.firstRecord = 1;
  info.lastRecord = table.count() - 1;
  return info;
}

}  // namespace

LoadResult loadDocumentFile(Document& doc, std::vector<uint8_t>& workBuffer, ScanObserver& observer) {
  LoadResult result;
  doc.frameTable.clear();
  doc.gapless = GaplessInfo{};
  doc.insertedFileCount = 0;
  doc.layout = FileLayout{};
  doc.tagHeader = TagHeaderState{};
  doc.sourceRateHistogram.fill(0);
  doc.mpegVersion = kMpeg1;

  Scanner scanner(doc, workBuffer, observer, false, 0);
  const Failure failure = scanner.run(doc.loadPath);
  doc.sourceFileSize = std::max<int64_t>(0, scanner.fileSize);
  if (failure != Failure::None) {
    doc.frameTable.clear();
    switch (failure) {
      case Failure::Cancel: result.outcome = LoadResult::Outcome::Cancelled; return result;
      case Failure::Closing: result.outcome = LoadResult::Outcome::WindowClosing; return result;
      case Failure::Open:
      case Failure::Read: result.message = msg::kDiskError; break;
      case Failure::TooSmall: result.message = msg::kTooSmall; break;
      case Failure::RiffNotMp3: result.message = msg::kRiffNotMp3; break;
      case Failure::NoFrames: result.message = msg::kNoFrames; break;
      default: result.message = scanner.message; break;
    }
    result.outcome = LoadResult::Outcome::Failed;
    return result;
  }

  doc.layout = scanner.layout;
  doc.tagHeader = scanner.tag;
  doc.mpegVersion = uint8_t(doc.frameTable[0].mpegVersion);
  if (doc.layout.id3v2Found)
    doc.tagHeader.inputVersion = std::clamp<uint8_t>(doc.tagHeader.majorVersion, 2, 5);
  const int32_t n = doc.frameTable.count();
  doc.frameList = freshVector<int32_t>(size_t(n));
  doc.gainList = freshVector<GainPair>(size_t(n));
  for (int32_t i = 0; i < n; ++i) doc.frameList.push_back(i);
  doc.gainList.assign(size_t(n), GainPair{});
  doc.sourceFirstFrame.fill(0);
  doc.sourceFirstFrame[1] = n;
  for (auto& name : doc.sourceNames) name.clear();
  doc.sourceNames[0] = doc.loadPath;
  doc.gapless = readGaplessInfo(doc);

  doc.sourceSummary = Summary{0, 4, 3};
  recomputeStatistics(doc);
  doc.sourceSummary = doc.editSummary;
  doc.sourceKbpsHistogram = doc.kbpsHistogram;
  doc.sourceModeHistogram = doc.modeHistogram;
  doc.sourceRateHistogram = doc.rateHistogram;
  result.freeFormatFrames = doc.kbpsHistogram[0];
  result.outcome = LoadResult::Outcome::Loaded;
  return result;
}

InsertResult insertFileFrames(Document& doc, std::vector<uint8_t>& workBuffer, const std::string& path,
                              int32_t insertAt, int slot, ScanObserver& observer) {
  InsertResult result;
  Scanner scanner(doc, workBuffer, observer, true, slot);
  const int32_t base = scanner.base();
  const Failure failure = scanner.run(path);
  if (failure != Failure::None) {
    doc.frameTable.truncate(base);
    switch (failure) {
      case Failure::Open:
        result.status = InsertStatus::OpenFailed;
        result.message = msg::kInsertOpen;
        break;
      case Failure::TooSmall:
        result.status = InsertStatus::TooSmall;
        result.message = msg::kTooSmall;
        break;
      case Failure::RiffNotMp3:
        result.status = InsertStatus::RiffNotMp3;
        result.message = msg::kRiffNotMp3;
        break;
      case Failure::Refused:
        result.message = scanner.message;
        switch (scanner.refusal) {
          case RefusalKind::Layer: result.status = InsertStatus::WrongLayer; break;
          case RefusalKind::Version: result.status = InsertStatus::WrongVersion; break;
          case RefusalKind::Bitrate: result.status = InsertStatus::BadBitrate; break;
          default: result.status = InsertStatus::Refused; break;
        }
        break;
      case Failure::Cancel:
      case Failure::Closing:
        result.status = InsertStatus::Cancelled;
        result.message = msg::kEscPressed;
        break;
      case Failure::NoFrames:
        result.status = InsertStatus::NoFrames;
        result.message = msg::kNoFrames;
        break;
      case Failure::FrameSize:
        result.status = InsertStatus::FrameSize;
        result.message = msg::kImproperFrameSize;
        break;
      case Failure::Read:
      case Failure::None:
        result.status = InsertStatus::ReadFailed;
        result.message = msg::kInsertRead;
        break;
    }
    return result;
  }

  const int32_t n = doc.frameTable.count() - base;
  const int freeBefore = doc.kbpsHistogram[0];
  insertAt = std::clamp(insertAt, 0, doc.documentFrameCount());
  doc.frameList.insert(doc.frameList.begin() + insertAt, size_t(n), 0);
  doc.gainList.insert(doc.gainList.begin() + insertAt, size_t(n), GainPair{});
  for (int32_t k = 0; k < n; ++k) doc.frameList[size_t(insertAt + k)] = base + k;
  doc.sourceFirstFrame[size_t(slot)] = base;
  if (slot < kSourceSlots - 1) doc.sourceFirstFrame[size_t(slot + 1)] = base + n;
  recomputeStatistics(doc);
  result.insertedFrames = n;
  result.freeFormatIncrease = doc.kbpsHistogram[0] - freeBefore;
  return result;
}

}  // namespace kavrel
