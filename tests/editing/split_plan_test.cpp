// The parts a split offers, the same-file check and the file labels.
#include "editing/split_plan.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "support/test_files.h"

namespace kavrel {
namespace {

TEST(SplitPlan, AtTheCursor) {
  const SplitDialogState s = splitDialogState(false, 10, 10, 100);
  EXPECT_FALSE(s.saveSelectionVisible);
  EXPECT_TRUE(s.parts[0].enabled && s.parts[0].checked);
  EXPECT_EQ(s.parts[0].caption, " File 1: left of (before) cursor ");
  EXPECT_FALSE(s.parts[1].enabled || s.parts[1].checked);
  EXPECT_EQ(s.parts[1].caption, " no selection ");
  EXPECT_EQ(s.parts[2].caption, " File 2: right of (after) cursor ");
  EXPECT_EQ(s.parts[2].fileNumber, 2);
  EXPECT_EQ(s.fileLabels[2], "not specified yet");

  const SplitDialogState atStart = splitDialogState(false, 0, 0, 100);
  EXPECT_EQ(atStart.parts[0].caption, " File 1: N/A ");
  EXPECT_FALSE(atStart.parts[0].checked);
  EXPECT_EQ(splitDialogState(false, 100, 100, 100).parts[2].caption, " File 2: N/A ");
}

TEST(SplitPlan, AroundASelection) {
  const SplitDialogState s = splitDialogState(true, 10, 20, 100);
  EXPECT_TRUE(s.saveSelectionVisible);
  EXPECT_EQ(s.parts[0].caption, " File 1: left of (before) selection ");
  EXPECT_EQ(s.parts[1].caption, " File 2: the selection ");
  EXPECT_EQ(s.parts[2].caption, " File 3: right of (after) selection ");
  EXPECT_EQ(s.parts[2].fileNumber, 3);
  const SplitDialogState fromStart = splitDialogState(true, 0, 20, 100);
  EXPECT_FALSE(fromStart.parts[0].enabled);
  EXPECT_EQ(fromStart.parts[0].caption, " File 1: N/A ");
  EXPECT_TRUE(fromStart.parts[1].checked);
  EXPECT_EQ(splitDialogState(true, 50, 100, 100).parts[2].caption, " File 3: N/A ");
}

TEST(SplitPlan, ReadyNeedsANameForEveryCheckedPart) {
  const SplitDialogState s = splitDialogState(true, 0, 20, 100);
  SplitDialogResult r;
  r.checked = {true, true, true};
  r.names = {"", "b.mp3", ""};
  EXPECT_FALSE(splitReady(s, r));  // part 3 unnamed
  r.names[2] = "c.mp3";
  EXPECT_TRUE(splitReady(s, r));  // part 1 is N/A: its missing name doesn't count
  r.checked = {false, false, false};
  EXPECT_FALSE(splitReady(s, r));
}

TEST(SplitPlan, SameFileWrittenDifferently) {
  test::TempDir dir;
  const std::string a = dir.file("Part.mp3");
  EXPECT_EQ(comparableFileName(a + "  "), comparableFileName(dir.file("PART.MP3")));
  EXPECT_EQ(comparableFileName(dir.path() + "/x/../part.mp3"), comparableFileName(a));
  EXPECT_NE(comparableFileName(dir.file("part1.mp3")), comparableFileName(a));

  const SplitDialogState s = splitDialogState(true, 10, 20, 100);
  std::array<bool, 3> checked{true, true, true};
  auto same = findSameNames(s.parts, checked, {dir.file("a.mp3"), dir.file("b.mp3"), dir.file("B.mp3")});
  ASSERT_TRUE(same);
  EXPECT_EQ(same->first, 1);
  EXPECT_EQ(same->second, 2);
  checked[2] = false;  // an unchecked part's name is not compared
  EXPECT_FALSE(findSameNames(s.parts, checked, {dir.file("a.mp3"), dir.file("b.mp3"), dir.file("B.mp3")}));
}

TEST(SplitPlan, FileLabelsAndPictures) {
  EXPECT_EQ(fileLabelText("", nullptr), "not specified yet");
  const std::string name = "/home/user/music/a-long-file-name.mp3";
  EXPECT_EQ(fileLabelText(name, [](const std::string&) { return true; }), name);
  const std::string shortened = fileLabelText(name, [](const std::string& t) { return t.size() <= 20; });
  EXPECT_EQ(shortened, "...ong-file-name.mp3");
  // Never below 12 characters, however narrow the label.
  EXPECT_EQ(fileLabelText(name, [](const std::string&) { return false; }).size(), 12u);

  test::TempDir dir;
  EXPECT_EQ(targetPicture(""), TargetPicture::Yellow);
  EXPECT_EQ(targetPicture(dir.file("new.mp3")), TargetPicture::Green);
  test::writeFile(dir.file("old.mp3"), {1});
  EXPECT_EQ(targetPicture(dir.file("old.mp3")), TargetPicture::Red);
}

}  // namespace
}  // namespace kavrel
