// The list operations, the local clipboard and the undo snapshot at their
// edges; the ordinary cases go through the Editor in editor_edit_test.
#include "editing/edit_ops.h"

#include <gtest/gtest.h>

#include <numeric>

#include "support/doc_builder.h"

namespace kavrel {
namespace {

using List = std::vector<int32_t>;

// Entries 0..n-1 with gains (i, -i), so that a gain parted from its frame shows.
Document listOf(int n) {
  Document doc = test::DocBuilder().frames(n).build(false);
  for (int i = 0; i < n; ++i) doc.gainList[size_t(i)] = {int16_t(i), int16_t(-i)};
  return doc;
}

List range(int a, int b) {
  List v(size_t(b - a));
  std::iota(v.begin(), v.end(), a);
  return v;
}

// The frame list, once every gain is checked to have moved with its frame.
List framesOf(const Document& doc) {
  EXPECT_EQ(doc.frameList.size(), doc.gainList.size());
  for (size_t i = 0; i < std::min(doc.frameList.size(), doc.gainList.size()); ++i)
    EXPECT_EQ(doc.gainList[i], (GainPair{int16_t(doc.frameList[i]), int16_t(-doc.frameList[i])})) << i;
  return doc.frameList;
}

TEST(EditOps, RangesAreCutToTheListAndGainsMoveWithTheirFrames) {
  Document doc = listOf(10);
  removeFrames(doc, 7, 3);  // either order
  removeFrames(doc, 4, 4);
  removeFrames(doc, -5, 1);  // cut to the list
  EXPECT_EQ(framesOf(doc), (List{1, 2, 7, 8, 9}));
  removeFrames(doc, 3, 99);
  EXPECT_EQ(framesOf(doc), (List{1, 2, 7}));
  Document kept = listOf(10);
  keepFrames(kept, 2, 6);
  keepFrames(kept, 0, 4);
  EXPECT_EQ(framesOf(kept), range(2, 6));
  // The clipboard inserts at the start, the end and in between.
  LocalClipboard clip;
  clip.copyFrom(doc, 3, 1);
  for (int32_t at : {0, 5, 3}) clip.insertInto(doc, at);
  EXPECT_EQ(framesOf(doc), (List{2, 7, 1, 2, 7, 2, 7, 2, 7}));
}

TEST(EditOps, SnapshotsComeBackIntoAListThatGrewAndFromBeforeAnInsert) {
  Document doc = listOf(5);
  UndoSnapshot snap;
  snap.take(doc, EditView{});
  LocalClipboard clip;
  clip.copyFrom(doc, 0, 5);
  for (int k = 0; k < 20; ++k) clip.insertInto(doc, 0);
  const size_t grown = doc.frameList.capacity();
  ASSERT_GT(grown, 100u);
  snap.restoreLists(doc);
  EXPECT_EQ(framesOf(doc), range(0, 5));
  EXPECT_EQ(doc.frameList.capacity(), grown);  // the larger memory stays with the document
  EXPECT_FALSE(snap.valid());
  // The lists before an insert: in between, at the very start, at the very end.
  const std::tuple<int, int32_t, List> inserts[] = {{6, 2, {40, 41, 42}}, {3, 0, {9}}, {2, 2, {40, 41}}};
  for (const auto& [n, at, entries] : inserts) {
    Document d = listOf(n);
    for (size_t k = 0; k < entries.size(); ++k) test::insertEntry(d, size_t(at) + k, entries[k]);
    snap.takeBefore(d, EditView{{2, 2}, false, 0}, at, int32_t(entries.size()), 3);
    EXPECT_EQ(snap.insertedFileCount(), 3);
    snap.restoreLists(d);
    EXPECT_EQ(framesOf(d), range(0, n)) << n << " at " << at;
  }
}

}  // namespace
}  // namespace kavrel
