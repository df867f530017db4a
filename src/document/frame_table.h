#pragma once
// Every frame of every source file of the document, in file order.
//
// Records live in blocks of 65,536 that are never moved: growing the table
// never copies earlier records, so the peak memory of a load stays at one
// record per frame and references stay valid while a scan appends.

#include <cstdint>
#include <memory>
#include <vector>

#include "mpeg/frame_header.h"

namespace kavrel {

class FrameTable {
 public:
  static constexpr int32_t kGrowth = 65536;

  int32_t count() const { return count_; }
  size_t capacity() const { return blocks_.size() * size_t(kGrowth); }

  FrameInfo& operator[](int32_t i) { return blocks_[size_t(i) >> 16][size_t(i) & 0xFFFF]; }
  const FrameInfo& operator[](int32_t i) const { return blocks_[size_t(i) >> 16][size_t(i) & 0xFFFF]; }

  // The record at count(), grown into existence; it is counted only by commitNext().
  FrameInfo& next() {
    if (size_t(count_) >= capacity()) blocks_.push_back(std::make_unique<FrameInfo[]>(kGrowth));
    return (*this)[count_];
  }
  void commitNext() { ++count_; }

  // Drops the records from n on (a failed insert) and frees blocks no longer used.
  void truncate(int32_t n) {
    if (n < 0) n = 0;
    if (n >= count_) return;
    count_ = n;
    blocks_.resize((size_t(n) + kGrowth - 1) / kGrowth);
  }
  void clear() {
    blocks_.clear();
    count_ = 0;
  }

 private:
  std::vector<std::unique_ptr<FrameInfo[]>> blocks_;
  int32_t count_ = 0;
};

}  // namespace kavrel
