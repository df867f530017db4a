#include "document/frame_table.h"

#include <cstdlib>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace kavrel {

namespace {

constexpr size_t kLargePage = size_t(1) << 21;

}  // namespace

void FrameTable::FreeChunk::operator()(FrameInfo* p) const { std::free(p); }

void FrameTable::grow() {
  if (blocks_.size() % kBlocksPerChunk == 0) {
    const size_t bytes = kBlocksPerChunk * size_t(kGrowth) * sizeof(FrameInfo);
    // FrameInfo is an aggregate of plain fields, so raw storage holds records.
    void* raw = std::aligned_alloc(kLargePage, (bytes + kLargePage - 1) / kLargePage * kLargePage);
    if (raw == nullptr) throw std::bad_alloc();
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    ::madvise(raw, bytes, MADV_HUGEPAGE);
#endif
    chunks_.emplace_back(static_cast<FrameInfo*>(raw));
  }
  FrameInfo* chunk = chunks_.back().get();
  blocks_.push_back(chunk + (blocks_.size() % kBlocksPerChunk) * size_t(kGrowth));
}

void FrameTable::truncate(int32_t n) {
  if (n < 0) n = 0;
  if (n >= count_) return;
  count_ = n;
  const size_t blocks = (size_t(n) + kGrowth - 1) / kGrowth;
  blocks_.resize(blocks);
  chunks_.resize((blocks + kBlocksPerChunk - 1) / kBlocksPerChunk);
}

void FrameTable::clear() {
  blocks_.clear();
  chunks_.clear();
  count_ = 0;
}

}  // namespace kavrel
