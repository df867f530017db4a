// The list operations, the local clipboard and the undo snapshot.
#include "editing/edit_ops.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace kavrel {
namespace {

// Frame entries 0..n-1 with gains (i, -i) so that a moved gain shows.
Document listOf(int n) {
  Document doc;
  for (int i = 0; i < n; ++i) {
    doc.frameList.push_back(i);
    doc.gainList.push_back({int16_t(i), int16_t(-i)});
  }
  return doc;
}

std::vector<int32_t> range(int a, int b) {
  std::vector<int32_t> v(size_t(b - a));
  std::iota(v.begin(), v.end(), a);
  return v;
}

void expectGainsFollowFrames(const Document& doc) {
  ASSERT_EQ(doc.frameList.size(), doc.gainList.size());
  for (size_t i = 0; i < doc.frameList.size(); ++i) {
    EXPECT_EQ(doc.gainList[i].left, doc.frameList[i]) << i;
    EXPECT_EQ(doc.gainList[i].right, -doc.frameList[i]) << i;
  }
}

TEST(EditOps, RemoveAndKeepMoveGainsWithTheirFrames) {
  Document doc = listOf(10);
  removeFrames(doc, 7, 3);  // either order
  std::vector<int32_t> expected{0, 1, 2, 7, 8, 9};
  EXPECT_EQ(doc.frameList, expected);
  expectGainsFollowFrames(doc);

  removeFrames(doc, 4, 4);
  removeFrames(doc, -5, 1);  // cut to the list
  EXPECT_EQ(doc.frameList, (std::vector<int32_t>{1, 2, 7, 8, 9}));
  removeFrames(doc, 3, 99);
  EXPECT_EQ(doc.frameList, (std::vector<int32_t>{1, 2, 7}));
  expectGainsFollowFrames(doc);

  Document kept = listOf(10);
  keepFrames(kept, 2, 6);
  EXPECT_EQ(kept.frameList, range(2, 6));
  expectGainsFollowFrames(kept);
  keepFrames(kept, 0, 4);
  EXPECT_EQ(kept.frameList, range(2, 6));
}

TEST(EditOps, ClipboardCopiesAndInsertsReferencesWithGains) {
  Document doc = listOf(10);
  LocalClipboard clip;
  clip.copyFrom(doc, 6, 3);
  EXPECT_EQ(clip.count(), 3);
  EXPECT_EQ(clip.frames(), range(3, 6));
  EXPECT_EQ(clip.gains()[1], (GainPair{4, -4}));

  clip.insertInto(doc, 0);
  clip.insertInto(doc, doc.documentFrameCount());
  clip.insertInto(doc, 5);
  EXPECT_EQ(doc.frameList, (std::vector<int32_t>{3, 4, 5, 0, 1, 3, 4, 5, 2, 3, 4, 5, 6, 7, 8, 9, 3, 4, 5}));
  expectGainsFollowFrames(doc);

  clip.clear();
  EXPECT_EQ(clip.count(), 0);
  clip.insertInto(doc, 0);
  EXPECT_EQ(doc.documentFrameCount(), 19);
}

TEST(EditOps, SnapshotRestoresOneCopyAndReleasesIt) {
  Document doc = listOf(8);
  doc.insertedFileCount = 2;
  doc.changeCount = 1;
  UndoSnapshot snap;
  EXPECT_FALSE(snap.valid());
  snap.take(doc, EditView{{2, 5}, true, 0});
  ASSERT_TRUE(snap.valid());

  removeFrames(doc, 2, 5);
  doc.gainList[0] = {40, 40};
  doc.insertedFileCount = 3;
  doc.changeCount = 2;

  snap.restoreLists(doc);
  EXPECT_EQ(doc.frameList, range(0, 8));
  expectGainsFollowFrames(doc);
  EXPECT_FALSE(snap.valid());
  // What the caller puts back itself stays readable.
  EXPECT_EQ(snap.insertedFileCount(), 2);
  EXPECT_EQ(snap.changeCount(), 1);
  EXPECT_EQ(snap.view().selection, (std::array<int32_t, 2>{2, 5}));
  EXPECT_TRUE(snap.view().multipleSelected);

  // A second restore has nothing left to give.
  removeFrames(doc, 0, 4);
  snap.restoreLists(doc);
  EXPECT_EQ(doc.frameList, range(4, 8));
}

TEST(EditOps, SnapshotComesBackIntoAListThatGrewSinceIt) {
  Document doc = listOf(5);
  UndoSnapshot snap;
  snap.take(doc, EditView{});
  LocalClipboard clip;
  clip.copyFrom(doc, 0, 5);
  for (int k = 0; k < 20; ++k) clip.insertInto(doc, 0);
  ASSERT_GT(doc.frameList.capacity(), 100u);
  const size_t grown = doc.frameList.capacity();
  snap.restoreLists(doc);
  EXPECT_EQ(doc.frameList, range(0, 5));
  expectGainsFollowFrames(doc);
  EXPECT_EQ(doc.frameList.capacity(), grown);  // the larger memory stays with the document
}

TEST(EditOps, SnapshotOfTheStateBeforeAnInsert) {
  Document doc = listOf(6);
  doc.frameList.insert(doc.frameList.begin() + 2, {40, 41, 42});
  doc.gainList.insert(doc.gainList.begin() + 2, 3, GainPair{});
  doc.insertedFileCount = 4;
  UndoSnapshot snap;
  snap.takeBefore(doc, EditView{{2, 2}, false, 0}, 2, 3, 3);
  EXPECT_EQ(snap.insertedFileCount(), 3);
  snap.restoreLists(doc);
  EXPECT_EQ(doc.frameList, range(0, 6));
  expectGainsFollowFrames(doc);

  // At the very start and at the very end.
  Document head = listOf(3);
  head.frameList.insert(head.frameList.begin(), 9);
  head.gainList.insert(head.gainList.begin(), GainPair{9, -9});
  snap.takeBefore(head, EditView{}, 0, 1, 0);
  snap.restoreLists(head);
  EXPECT_EQ(head.frameList, range(0, 3));
  Document tail = listOf(4);
  snap.takeBefore(tail, EditView{}, 2, 2, 0);
  snap.restoreLists(tail);
  EXPECT_EQ(tail.frameList, range(0, 2));
  expectGainsFollowFrames(tail);
}

}  // namespace
}  // namespace kavrel
