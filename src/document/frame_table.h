#pragma once
// Every frame of every source file of the document, in file order.
//
// Records live in blocks of 65,536 that are never moved: growing the table
// never copies earlier records, so the peak memory of a load stays at one
// record per frame and references stay valid while a scan appends. Blocks
// are carved four at a time from 2 MiB-aligned chunks that ask for large
// pages, and they are not zero-filled: every record is written before it is
// counted, and faulting a long file's table in 4 KB pages costs more than
// reading the file.

#include <cstdint>
#include <memory>
#include <vector>

#include "mpeg/frame_header.h"

namespace kavrel {

class FrameTable {
 public:
  static constexpr int32_t kGrowth = 65536;

  FrameTable() = default;
  FrameTable(const FrameTable&) = delete;
  FrameTable& operator=(const FrameTable&) = delete;
  FrameTable(FrameTable&&) noexcept = default;
  FrameTable& operator=(FrameTable&&) noexcept = default;

  int32_t count() const { return count_; }
  size_t capacity() const { return blocks_.size() * size_t(kGrowth); }

  FrameInfo& operator[](int32_t i) { return blocks_[size_t(i) >> 16][size_t(i) & 0xFFFF]; }
  const FrameInfo& operator[](int32_t i) const { return blocks_[size_t(i) >> 16][size_t(i) & 0xFFFF]; }

  // The record at count(), grown into existence; it is counted only by commitNext().
  FrameInfo& next() {
    if (size_t(count_) >= capacity()) grow();
    return (*this)[count_];
  }
  void commitNext() { ++count_; }

  // Drops the records from n on (a failed insert) and frees chunks no longer used.
  void truncate(int32_t n);
  void clear();

 private:
  static constexpr size_t kBlocksPerChunk = 4;
  struct FreeChunk {
    void operator()(FrameInfo* p) const;
  };
  void grow();

  std::vector<std::unique_ptr<FrameInfo, FreeChunk>> chunks_;
  std::vector<FrameInfo*> blocks_;
  int32_t count_ = 0;
};

}  // namespace kavrel
