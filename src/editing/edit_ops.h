#pragma once
// The structural edits on the frame and gain lists, the local clipboard and
// the one-level undo snapshot. Only 32-bit references and gain pairs move;
// no frame data is read.
//
// Functions that allocate throw std::bad_alloc and then leave the document
// as it was.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "document/document.h"

namespace kavrel {

// Removes frames [a, b) from both lists (the range is cut to the list).
void removeFrames(Document& doc, int32_t a, int32_t b);

// Keeps only frames [a, b).
void keepFrames(Document& doc, int32_t a, int32_t b);

// Inserts `count` entries with their gain pairs in front of position p.
void insertFrames(Document& doc, int32_t p, const int32_t* frames, const GainPair* gains, int32_t count);

// Frame references copied out of the document, with their gain changes.
class LocalClipboard {
 public:
  int32_t count() const { return int32_t(frames_.size()); }
  const std::vector<int32_t>& frames() const { return frames_; }
  const std::vector<GainPair>& gains() const { return gains_; }

  // Replaces the content with frames [p, q) (any order). On failure the
  // clipboard is left empty.
  void copyFrom(const Document& doc, int32_t p, int32_t q);
  // Inserts the content in front of position p.
  void insertInto(Document& doc, int32_t p) const;
  // Empties the clipboard and gives its memory back.
  void clear();

 private:
  std::vector<int32_t> frames_;
  std::vector<GainPair> gains_;
};

// Where the cursor, the selection and the view were.
struct EditView {
  std::array<int32_t, 2> selection{0, 0};
  bool multipleSelected = false;
  int32_t viewOffset = 0;
};

// The state an undo returns to: one copy of the two lists, the view and the
// number of inserted files. Frame records and source slots are not part of
// it: they are never removed or handed out again while the document is open,
// so every reference the snapshot holds stays valid.
class UndoSnapshot {
 public:
  bool valid() const { return valid_; }
  // The change count when the snapshot was taken.
  int changeCount() const { return changeCount_; }
  const EditView& view() const { return view_; }
  int insertedFileCount() const { return insertedFileCount_; }

  // Replaces the snapshot with the document's present state. On failure
  // the snapshot is left empty (not valid).
  void take(const Document& doc, const EditView& view);
  // The same for the state before `count` frames were inserted at `at` and
  // the number of inserted files was `insertedFileCount`: the snapshot of an
  // insert is taken once it has succeeded, so that a failed one leaves the
  // previous snapshot in place.
  void takeBefore(const Document& doc, const EditView& view, int32_t at, int32_t count,
                  int insertedFileCount);
  // Puts the lists back into the document; the view and counts stay
  // readable. Does nothing when not valid.
  void restoreLists(Document& doc);
  // Makes room for a snapshot of `frames` entries ahead of the first edit.
  // Throws std::bad_alloc.
  void reserve(size_t frames);
  // Empties the snapshot and gives its memory back.
  void clear();

 private:
  std::vector<int32_t> frames_;
  std::vector<GainPair> gains_;
  EditView view_;
  int insertedFileCount_ = 0;
  int changeCount_ = 0;
  bool valid_ = false;
};

}  // namespace kavrel
