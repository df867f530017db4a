// The parts a split offers, the same-file check and the file labels.
#include "editing/split_plan.h"

#include <gtest/gtest.h>

#include "support/test_files.h"

namespace kavrel {
namespace {

// Each part as "caption[enabled checked file]", then whether the dialog offers to save the selection instead.
std::string partsText(const SplitDialogState& s) {
  std::string text;
  for (const SplitPart& p : s.parts)
    text += p.caption + "[" + (p.enabled ? "E" : "-") + (p.checked ? "C" : "-") +
            std::to_string(p.fileNumber) + "]";
  return text + (s.saveSelectionVisible ? " save selection" : "");
}

TEST(SplitPlan, PartsAtTheCursorAndAroundASelectionAndWhenTheyAreReady) {
  const std::string left = " File 1: left of (before) ", right = "right of (after) ";
  const std::tuple<bool, int32_t, int32_t, std::string> cases[] = {
      {false, 10, 10, left + "cursor [EC1] no selection [--2] File 2: " + right + "cursor [EC2]"},
      {false, 0, 0, " File 1: N/A [--1] no selection [--2] File 2: " + right + "cursor [EC2]"},
      {false, 100, 100, left + "cursor [EC1] no selection [--2] File 2: N/A [--2]"},
      {true, 10, 20,
       left + "selection [EC1] File 2: the selection [EC2] File 3: " + right +
           "selection [EC3] save selection"},
      {true, 0, 20,
       " File 1: N/A [--1] File 2: the selection [EC2] File 3: " + right + "selection [EC3] save selection"},
      {true, 50, 100, left + "selection [EC1] File 2: the selection [EC2] File 3: N/A [--3] save selection"}};
  for (const auto& [selection, a, b, text] : cases)
    EXPECT_EQ(partsText(splitDialogState(selection, a, b, 100)), text) << selection << " " << a << " " << b;
  EXPECT_EQ(splitDialogState(false, 10, 10, 100).fileLabels[2], "not specified yet");
  // Every checked part that is not N/A needs a name; one at least is checked.
  const SplitDialogState s = splitDialogState(true, 0, 20, 100);
  SplitDialogResult r{{true, true, true}, {"", "b.mp3", ""}};
  EXPECT_FALSE(splitReady(s, r));
  r.names[2] = "c.mp3";
  EXPECT_TRUE(splitReady(s, r));
  r.checked = {false, false, false};
  EXPECT_FALSE(splitReady(s, r));
}

TEST(SplitPlan, SameFileWrittenDifferentlyLabelsAndPictures) {
  test::TempDir dir;
  const std::string a = dir.file("Part.mp3");
  EXPECT_TRUE(comparableFileName(a + "  ") == comparableFileName(dir.file("PART.MP3")) &&
              comparableFileName(dir.path() + "/x/../part.mp3") == comparableFileName(a));
  EXPECT_NE(comparableFileName(dir.file("part1.mp3")), comparableFileName(a));
  const SplitDialogState s = splitDialogState(true, 10, 20, 100);
  const std::array<std::string, 3> names{dir.file("a.mp3"), dir.file("b.mp3"), dir.file("B.mp3")};
  const auto same = findSameNames(s.parts, {true, true, true}, names);
  ASSERT_TRUE(same);
  EXPECT_EQ(std::pair(same->first, same->second), std::pair(1, 2));
  EXPECT_FALSE(findSameNames(s.parts, {true, true, false}, names));  // an unchecked part is not compared
  // Labels lose their start to fit, never below 12 characters.
  const std::string name = "/home/user/music/a-long-file-name.mp3";
  EXPECT_EQ(fileLabelText("", nullptr), "not specified yet");
  EXPECT_EQ(fileLabelText(name, [](const std::string&) { return true; }), name);
  EXPECT_EQ(fileLabelText(name, [](const std::string& t) { return t.size() <= 20; }), "...ong-file-name.mp3");
  EXPECT_EQ(fileLabelText(name, [](const std::string&) { return false; }).size(), 12u);
  // The save-selection dialog: a box for each block the file has.
  const std::pair<Block, bool FileLayout::*> found[] = {
      {Block::Riff, &FileLayout::riffFound},         {Block::Id3v2, &FileLayout::id3v2Found},
      {Block::UnknownHeader, &FileLayout::unknownHeaderFound}, {Block::UnknownFooter, &FileLayout::unknownFooterFound},
      {Block::Lyrics3, &FileLayout::lyrics3Found},   {Block::Id3v1, &FileLayout::id3v1Found}};
  for (const auto& [block, flag] : found) {
    FileLayout layout;
    layout.*flag = true;
    AttachFlags only{};
    only[size_t(block)] = true;
    EXPECT_EQ(saveSelectionDialogState(layout).available, only) << int(block);
  }
  test::writeFile(dir.file("old.mp3"), {1});
  EXPECT_EQ(
      std::tuple(targetPicture(""), targetPicture(dir.file("new.mp3")), targetPicture(dir.file("old.mp3"))),
      std::tuple(TargetPicture::Yellow, TargetPicture::Green, TargetPicture::Red));
}

}  // namespace
}  // namespace kavrel
