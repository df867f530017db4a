#include "editing/edit_ops.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "base/large_pages.h"
#include "editing/positions.h"

namespace kavrel {

namespace {

// The list positions [a, b) covers, as indices.
struct Range {
  size_t a;
  size_t b;
};

Range cut(const Document& doc, int64_t a, int64_t b) {
  const Span s = orderedSpan(a, b, doc.documentFrameCount());
  return {size_t(s.start), size_t(s.end)};
}

// Makes `to` a copy of [first, last), reusing its memory when large enough;
// new memory gets room for at least `capacity` elements.
template <class T, class It>
void copyInto(std::vector<T>& to, It first, It last, size_t capacity = 0) {
  const size_t n = size_t(last - first);
  if (to.capacity() < n) to = freshVector<T>(std::max(n, capacity));
  to.assign(first, last);
}

// Room for `needed` elements; grows geometrically so that repeated pastes
// don't reallocate every time.
template <class T>
void reserveFor(std::vector<T>& v, size_t needed) {
  if (v.capacity() >= needed) return;
  std::vector<T> bigger = freshVector<T>(std::max(needed, v.capacity() + v.capacity() / 2));
  bigger.assign(v.begin(), v.end());
  v.swap(bigger);
}

}  // namespace

void removeFrames(Document& doc, int32_t a, int32_t b) {
  const Range r = cut(doc, a, b);
  if (r.a >= r.b) return;
  doc.frameList.erase(doc.frameList.begin() + std::ptrdiff_t(r.a),
                      doc.frameList.begin() + std::ptrdiff_t(r.b));
  doc.gainList.erase(doc.gainList.begin() + std::ptrdiff_t(r.a), doc.gainList.begin() + std::ptrdiff_t(r.b));
}

void keepFrames(Document& doc, int32_t a, int32_t b) {
  const Range r = cut(doc, a, b);
  doc.frameList.resize(r.b);
  doc.gainList.resize(r.b);
  doc.frameList.erase(doc.frameList.begin(), doc.frameList.begin() + std::ptrdiff_t(r.a));
  doc.gainList.erase(doc.gainList.begin(), doc.gainList.begin() + std::ptrdiff_t(r.a));
}

void insertFrames(Document& doc, int32_t p, const int32_t* frames, const GainPair* gains, int32_t count) {
  if (count <= 0) return;
  const size_t at = size_t(std::clamp(p, 0, doc.documentFrameCount()));
  // Both lists get their room first: when memory runs out, neither has changed.
  reserveFor(doc.frameList, doc.frameList.size() + size_t(count));
  reserveFor(doc.gainList, doc.gainList.size() + size_t(count));
  doc.frameList.insert(doc.frameList.begin() + std::ptrdiff_t(at), frames, frames + count);
  doc.gainList.insert(doc.gainList.begin() + std::ptrdiff_t(at), gains, gains + count);
}

void LocalClipboard::copyFrom(const Document& doc, int32_t p, int32_t q) {
  const Range r = cut(doc, p, q);
  try {
    copyInto(frames_, doc.frameList.begin() + std::ptrdiff_t(r.a),
             doc.frameList.begin() + std::ptrdiff_t(r.b));
    copyInto(gains_, doc.gainList.begin() + std::ptrdiff_t(r.a), doc.gainList.begin() + std::ptrdiff_t(r.b));
  } catch (...) {
    clear();
    throw;
  }
}

void LocalClipboard::insertInto(Document& doc, int32_t p) const {
  insertFrames(doc, p, frames_.data(), gains_.data(), count());
}

void LocalClipboard::clear() {
  std::vector<int32_t>().swap(frames_);
  std::vector<GainPair>().swap(gains_);
}

void UndoSnapshot::take(const Document& doc, const EditView& view) {
  valid_ = false;
  try {
    // The memory of the previous snapshot is reused when it is large enough.
    // New memory is as large as the document's: an undo hands it over, and
    // the lists then keep their room to grow.
    copyInto(frames_, doc.frameList.begin(), doc.frameList.end(), doc.frameList.capacity());
    copyInto(gains_, doc.gainList.begin(), doc.gainList.end(), doc.gainList.capacity());
  } catch (...) {
    clear();
    throw;
  }
  view_ = view;
  insertedFileCount_ = doc.insertedFileCount;
  changeCount_ = doc.changeCount;
  valid_ = true;
}

void UndoSnapshot::takeBefore(const Document& doc, const EditView& view, int32_t at, int32_t count,
                              int insertedFileCount) {
  const Range r = cut(doc, at, at + count);
  valid_ = false;
  try {
    const size_t total = doc.frameList.size() - (r.b - r.a);
    if (frames_.capacity() < total) frames_ = freshVector<int32_t>(std::max(total, doc.frameList.capacity()));
    if (gains_.capacity() < total) gains_ = freshVector<GainPair>(std::max(total, doc.gainList.capacity()));
    frames_.assign(doc.frameList.begin(), doc.frameList.begin() + std::ptrdiff_t(r.a));
    gains_.assign(doc.gainList.begin(), doc.gainList.begin() + std::ptrdiff_t(r.a));
    frames_.insert(frames_.end(), doc.frameList.begin() + std::ptrdiff_t(r.b), doc.frameList.end());
    gains_.insert(gains_.end(), doc.gainList.begin() + std::ptrdiff_t(r.b), doc.gainList.end());
  } catch (...) {
    clear();
    throw;
  }
  view_ = view;
  insertedFileCount_ = insertedFileCount;
  changeCount_ = doc.changeCount;
  valid_ = true;
}

void UndoSnapshot::restoreLists(Document& doc) {
  if (!valid_) return;
  // The snapshot's lists become the document's, or are copied back when the
  // document's memory is the larger (it grew after the snapshot). Either way
  // both keep their memory: fresh memory costs more to touch than the copy
  // itself on a long document.
  if (frames_.capacity() >= doc.frameList.capacity()) {
    doc.frameList.swap(frames_);
  } else {
    doc.frameList.assign(frames_.begin(), frames_.end());
  }
  if (gains_.capacity() >= doc.gainList.capacity()) {
    doc.gainList.swap(gains_);
  } else {
    doc.gainList.assign(gains_.begin(), gains_.end());
  }
  frames_.clear();
  gains_.clear();
  valid_ = false;
}

void UndoSnapshot::reserve(size_t frames) {
  // Address space only: the pages arrive with the first snapshot, in large
  // pages where the system has them, so loading doesn't pay for them.
  if (frames_.capacity() < frames) frames_ = freshVector<int32_t>(frames);
  if (gains_.capacity() < frames) gains_ = freshVector<GainPair>(frames);
}

void UndoSnapshot::clear() {
  std::vector<int32_t>().swap(frames_);
  std::vector<GainPair>().swap(gains_);
  view_ = EditView{};
  insertedFileCount_ = 0;
  changeCount_ = 0;
  valid_ = false;
}

}  // namespace kavrel
