#pragma once
// Scanning mp3 files into the document: the layout of the loaded file and
// its frames, and the insert loader that splices another file's frames in.

#include <cstdint>
#include <string>
#include <vector>

#include "base/checkpoint.h"
#include "document/document.h"

namespace kavrel {

// What the scan asks of its caller: the processing-error policy and the
// progress/cancel checkpoint every 128 frames.
class ScanObserver {
 public:
  using Checkpoint = kavrel::Checkpoint;
  virtual ~ScanObserver() = default;
  // A recoverable problem: true to go on.
  virtual bool tryToContinue(const std::string& message) = 0;
  // Progress as 0..56 blocks; lets pending events run and reports Esc or closing.
  virtual Checkpoint progress(int blocks) = 0;
};

struct LoadResult {
  enum class Outcome { Loaded, Failed, Cancelled, WindowClosing };
  Outcome outcome = Outcome::Failed;
  std::string message;  // the failure's message
  int freeFormatFrames = 0;
};

// Scans doc.loadPath into the (already cleared) document: layout, frame
// table, frame and gain lists, source slot 0, statistics. On any failure the
// document's frames are left empty.
LoadResult loadDocumentFile(Document& doc, std::vector<uint8_t>& workBuffer, ScanObserver& observer);

// Why a file could not be inserted. The numbers are those scripts see as
// the insert's status.
enum class InsertStatus : uint8_t {
  Inserted = 0,
  OpenFailed = 3,
  TooSmall = 4,
  RiffNotMp3 = 6,
  WrongLayer = 7,
  WrongVersion = 8,
  BadBitrate = 9,
  Refused = 10,  // another header the program does not edit
  Cancelled = 11,
  NoFrames = 12,
  FrameSize = 13,
  ReadFailed = 14,
};

struct InsertResult {
  InsertStatus status = InsertStatus::Inserted;
  std::string message;
  int32_t insertedFrames = 0;
  int freeFormatIncrease = 0;
};

// Scans `path` and inserts its frames before document position insertAt
// with source slot `slot`. On failure the document is unchanged.
InsertResult insertFileFrames(Document& doc, std::vector<uint8_t>& workBuffer, const std::string& path,
                              int32_t insertAt, int slot, ScanObserver& observer);

// The free-format warning texts shown after a load or an insert.
std::string freeFormatWarning(const char* lead, int count, int summaryRate, int version);

}  // namespace kavrel
