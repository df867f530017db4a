#pragma once
// The bytes of each document frame as a save would write them now: table
// frames read from their source files with their gain fields patched,
// synthetic silent frames made up. The decoder hears exactly what a save
// would write.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/file_io.h"
#include "document/document.h"

namespace kavrel {

class DocumentFrameReader {
 public:
  explicit DocumentFrameReader(const Document& doc) : doc_(doc) {}

  // Frame i's bytes into `out`; false with `error()` set when its source
  // file is gone or shorter than when it was scanned.
  bool read(int32_t i, std::vector<uint8_t>& out);
  const std::string& error() const { return error_; }

 private:
  // A window of one source file, refilled as reads move past it: frames are
  // read front to back, so one large read serves many frames.
  struct Source {
    ReadFile file;
    std::vector<uint8_t> window;
    int64_t windowStart = 0;
    bool opened = false;
  };
  const uint8_t* bytesAt(int slot, int64_t position, size_t length);

  const Document& doc_;
  std::array<std::unique_ptr<Source>, kSourceSlots> sources_;
  std::string error_;
};

}  // namespace kavrel
