// Save selection and split: the files they write, the refusals with their
// codes, and that the document, its selection and the remove boxes come
// back as they were.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/editor.h"
#include "support/mp3_builder.h"
#include "support/recording_host.h"
#include "support/test_files.h"

namespace kavrel {
namespace {

namespace t = kavrel::test;

constexpr size_t kFrameBytes = 417;  // 128 kbit/s, 44.1 kHz, no padding

class EditorSplitTest : public ::testing::Test {
 protected:
  // A load selects nothing and checks no removal box here.
  EditorSplitTest() {
    editor.options().autoSelectAll = false;
    editor.options().autoRemoveUnknown = false;
  }
  // n frames whose first global_gain field numbers them (i + 10); with an
  // ID3v1 tag when asked.
  void load(int n, bool id3v1 = false) {
    t::Mp3Builder b;
    for (int i = 0; i < n; ++i) b.frame({.gains = {uint8_t(i + 10), 150, 150, 150}});
    if (id3v1) b.id3v1("Title");
    t::writeFile(dir.file("base.mp3"), b.bytes());
    ASSERT_TRUE(editor.loadFile(dir.file("base.mp3")));
    host.clearRecord();
  }
  // The frame numbers a written file holds ("10-19"), and "+n" for the n
  // bytes after them; "-" for no file.
  std::string written(const std::string& name) {
    if (!std::filesystem::exists(dir.file(name))) return "-";
    const std::vector<uint8_t> bytes = t::readFile(dir.file(name));
    std::vector<int> numbers;
    size_t at = 0;
    for (; at + kFrameBytes <= bytes.size() && bytes[at] == 0xFF; at += kFrameBytes)
      numbers.push_back(t::readGains(bytes, at)[0] - 10);
    std::string text =
        numbers.empty() ? "" : std::to_string(numbers.front()) + "-" + std::to_string(numbers.back());
    for (size_t i = 1; i < numbers.size(); ++i)
      if (numbers[i] != numbers[i - 1] + 1) text += " out of order";
    return text + (at < bytes.size() ? " +" + std::to_string(bytes.size() - at) : "");
  }
  std::vector<std::string> files(const std::vector<const char*>& names) {
    std::vector<std::string> paths;
    for (const char* n : names) paths.push_back(dir.file(n));
    return paths;
  }
  void selectRange(int32_t a, int32_t b) {
    editor.selection = {a, b};
    editor.select();
  }
  void cursor(int32_t p) {
    editor.selection = {p, p};
    editor.unselect();
  }
  std::string sel() const {
    return std::to_string(editor.selection[0]) + (editor.multipleSelected ? ".." : " ") +
           std::to_string(editor.selection[1]);
  }

  t::TempDir dir;
  t::RecordingHost host;
  Editor editor{host};
};

TEST_F(EditorSplitTest, ScriptSplitsAtTheCursorOrAroundASelection) {
  load(100);
  editor.scriptRunning = true;
  cursor(10);
  editor.split(Sender::ScriptMarker, files({"one.mp3", "two.mp3"}));
  EXPECT_EQ(editor.operationStatus, 0);
  EXPECT_EQ(written("one.mp3") + " | " + written("two.mp3"), "0-9 | 10-99");
  EXPECT_EQ(sel(), "10 10");
  EXPECT_EQ(editor.document().documentFrameCount(), 100);
  EXPECT_FALSE(editor.document().modified);
  selectRange(20, 10);
  editor.split(Sender::ScriptMarker, files({"a.mp3", "b.mp3", "c.mp3"}));
  EXPECT_EQ(editor.operationStatus, 0);
  EXPECT_EQ(written("a.mp3") + " | " + written("b.mp3") + " | " + written("c.mp3"), "0-9 | 10-19 | 20-99");
  EXPECT_EQ(sel(), "20..10");
  // From the start: file 1 is not available and its name is not used.
  selectRange(0, 30);
  editor.split(Sender::ScriptMarker, files({"x.mp3", "y.mp3", "z.mp3"}));
  EXPECT_EQ(written("x.mp3") + " | " + written("y.mp3") + " | " + written("z.mp3"), "- | 0-29 | 30-99");

  // Refusals: all selected 1, the cursor at either end 2.
  const std::vector<std::string> names = files({"p.mp3", "q.mp3", "r.mp3"});
  for (const auto& [a, b, status] : {std::tuple(0, 100, 1), std::tuple(0, 0, 2), std::tuple(100, 100, 2)}) {
    a == b ? cursor(a) : selectRange(a, b);
    editor.split(Sender::ScriptMarker, names);
    EXPECT_EQ(editor.operationStatus, status) << a << ".." << b;
  }
  // Names differing in letter case only: refused before anything is written.
  selectRange(10, 20);
  editor.split(Sender::ScriptMarker, files({"p.mp3", "part.mp3", "PART.mp3"}));
  EXPECT_EQ(editor.operationStatus, 3);
  EXPECT_EQ(editor.lineError,
            "You can't save different parts to the same filename.\r\nFilenames 2 and 3 are the same.");
  EXPECT_EQ(written("p.mp3") + written("part.mp3") + written("q.mp3"), "---");
  EXPECT_TRUE(host.messages().empty());
  // A part that can't be written ends the split with the writer's status.
  editor.split(Sender::ScriptMarker, files({"p.mp3", "no/such/q.mp3", "r.mp3"}));
  EXPECT_EQ(editor.operationStatus, kStatusSaveFailed);
  EXPECT_FALSE(editor.lineError.empty());
  EXPECT_EQ(written("p.mp3") + " | " + written("r.mp3"), "0-9 | -");
  EXPECT_EQ(sel(), "10..20");
}

TEST_F(EditorSplitTest, WindowSplitWarnsAndUsesTheDialog) {
  load(100, true);
  editor.setRemoveChecked(Block::Id3v1, true);
  cursor(0);
  host.answer(MessageResult::Cancel);
  editor.split(Sender::User);
  ASSERT_EQ(host.messages().size(), 1u);
  EXPECT_EQ(
      host.lastMessage().text,
      "Use \"Save\" or \"Save as\" function to save all frames to a file.\r\nHowever, if you prefer saving "
      "this way, click OK.");
  EXPECT_EQ(host.lastMessage().buttons, MessageButtons::OkCancel);
  EXPECT_TRUE(host.splitDialogs().empty());

  // The left file with the ID3v1 tag attached, the right one frames only;
  // the main remove boxes stay as they were.
  cursor(40);
  SplitDialogResult choice;
  choice.checked = {true, false, true};
  choice.names = {dir.file("left.mp3"), "", dir.file("right.mp3")};
  choice.attach[0][size_t(Block::Id3v1)] = true;
  bool busyWhileOpen = false;
  host.onDialog = [&] { busyWhileOpen = editor.isBusy(); };
  host.answerSplit(choice);
  editor.split(Sender::User);
  EXPECT_TRUE(busyWhileOpen);
  EXPECT_EQ(host.splitDialogs().size(), 1u);
  EXPECT_EQ(written("left.mp3") + " | " + written("right.mp3"), "0-39 +128 | 40-99");
  EXPECT_TRUE(editor.removeChecked(Block::Id3v1));
  EXPECT_FALSE(editor.removeChecked(Block::Id3v2));

  // The same name twice in the window: a warning, nothing written.
  host.clearRecord();
  choice.names = {dir.file("same.mp3"), "", dir.file("SAME.mp3")};
  host.answerSplit(choice);
  editor.split(Sender::User);
  ASSERT_EQ(host.messages().size(), 1u);
  EXPECT_EQ(host.lastMessage().text,
            "You can't save different parts to the same filename.\r\nFilenames 1 and 2 are the same.");
  EXPECT_EQ(written("same.mp3"), "-");

  // "just save the selection" opens the save-selection dialog instead.
  selectRange(5, 15);
  SplitDialogResult instead;
  instead.saveSelectionInstead = true;
  host.answerSplit(instead);
  host.answerSaveSelection(SaveSelectionDialogResult{dir.file("sel.mp3"), {}});
  editor.split(Sender::User);
  ASSERT_EQ(host.saveSelectionDialogs().size(), 1u);
  EXPECT_TRUE(host.saveSelectionDialogs()[0].available[size_t(Block::Id3v1)]);
  EXPECT_FALSE(host.saveSelectionDialogs()[0].available[size_t(Block::Riff)]);
  EXPECT_EQ(host.saveSelectionDialogs()[0].fileLabel, "not specified yet");
  EXPECT_EQ(written("sel.mp3"), "5-14");
}

TEST_F(EditorSplitTest, SaveSelection) {
  load(50, true);
  editor.saveSelection(Sender::User);
  EXPECT_EQ(host.lastMessage().text, "You must have a selection.");
  EXPECT_EQ(editor.operationStatus, 1);

  editor.scriptRunning = true;
  selectRange(0, 50);
  editor.saveSelection(Sender::ScriptMarker, dir.file("all.mp3"));
  EXPECT_EQ(editor.operationStatus, 2);
  EXPECT_EQ(written("all.mp3"), "-");
  selectRange(12, 0);
  editor.saveSelection(Sender::ScriptMarker, dir.file("part.mp3"));
  EXPECT_EQ(editor.operationStatus, 0);
  EXPECT_EQ(written("part.mp3"), "0-11");  // a script's part is frames only
  EXPECT_EQ(sel(), "12..0");
  editor.scriptRunning = false;

  // The whole document from the window: OK goes on, with the tag attached.
  selectRange(0, 50);
  host.clearRecord();
  host.answerSaveSelection(
      SaveSelectionDialogResult{dir.file("all.mp3"), {false, false, false, false, false, true}});
  editor.saveSelection(Sender::User);
  EXPECT_EQ(host.lastMessage().caption, "Warning");
  EXPECT_EQ(written("all.mp3"), "0-49 +128");
  // Cancelled: nothing written.
  host.answer(MessageResult::Cancel);
  editor.saveSelection(Sender::User);
  EXPECT_EQ(host.saveSelectionDialogs().size(), 1u);
}

TEST_F(EditorSplitTest, FullPathBoxes) {
  load(10);
  const std::string source = dir.file("base.mp3");
  editor.showSourcePath();
  EXPECT_EQ(host.lastMessage().text, source);
  EXPECT_EQ(host.lastMessage().caption, "Full source filename:");
  editor.showDocumentPath();
  EXPECT_EQ(host.lastMessage().text, "The file hasn't been saved yet. Would save to:\r\n\n" + source);
  EXPECT_EQ(host.lastMessage().icon, MessageIcon::Exclamation);
  ASSERT_TRUE(editor.saveAs(Sender::User, dir.file("saved.mp3")));
  editor.showDocumentPath();
  EXPECT_EQ(host.lastMessage().text, dir.file("saved.mp3"));
  EXPECT_EQ(host.lastMessage().caption, "Full current document filename:");
  editor.scriptRunning = true;
  const size_t shown = host.messages().size();
  editor.showSourcePath();
  EXPECT_EQ(host.messages().size(), shown);
}

}  // namespace
}  // namespace kavrel
