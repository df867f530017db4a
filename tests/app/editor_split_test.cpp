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

using Ends = std::array<int32_t, 2>;
constexpr size_t kFrameBytes = 417;  // 128 kbit/s, 44.1 kHz, no padding

class EditorSplitTest : public ::testing::Test {
 protected:
  // A load selects nothing and checks no removal box here, and the fade
  // dialog keeps its memory: the tests set those themselves.
  EditorSplitTest() {
    editor.options().autoSelectAll = false;
    editor.options().autoRemoveUnknown = false;
    editor.options().fadeMemoryMode = 0;
  }
  // n frames whose first global_gain field numbers them (i + 10); with an
  // ID3v1 tag when asked.
  void load(int n, bool id3v1 = false) {
    t::Mp3Builder b;
    for (int i = 0; i < n; ++i) {
      const auto g = uint8_t(i + 10);
      b.frame({.gains = {g, 150, 150, 150}});
    }
    if (id3v1) b.id3v1("Title");
    const std::string path = dir.file("base.mp3");
    t::writeFile(path, b.bytes());
    ASSERT_TRUE(editor.loadFile(path));
    host.clearRecord();
  }
  // The frame numbers in a written file of plain frames (and what follows).
  static std::vector<int> framesOf(const std::string& path, size_t* rest = nullptr) {
    const std::vector<uint8_t> bytes = t::readFile(path);
    std::vector<int> numbers;
    size_t at = 0;
    while (at + kFrameBytes <= bytes.size() && bytes[at] == 0xFF) {
      numbers.push_back(t::readGains(bytes, at)[0] - 10);
      at += kFrameBytes;
    }
    if (rest) *rest = bytes.size() - at;
    return numbers;
  }
  static std::vector<int> range(int a, int b) {
    std::vector<int> v;
    for (int i = a; i < b; ++i) v.push_back(i);
    return v;
  }
  void selectRange(int32_t a, int32_t b) {
    editor.selection = {a, b};
    editor.select();
  }
  void cursor(int32_t p) {
    editor.selection = {p, p};
    editor.unselect();
  }
  bool exists(const std::string& name) { return std::filesystem::exists(dir.file(name)); }

  t::TempDir dir;
  t::RecordingHost host;
  Editor editor{host};
};

TEST_F(EditorSplitTest, SplitAtTheCursorOrAroundASelection) {
  load(100);
  cursor(10);
  editor.scriptRunning = true;
  editor.split(Sender::ScriptMarker, std::vector<std::string>{dir.file("one.mp3"), dir.file("two.mp3")});
  EXPECT_EQ(editor.operationStatus, 0);
  EXPECT_EQ(framesOf(dir.file("one.mp3")), range(0, 10));
  EXPECT_EQ(framesOf(dir.file("two.mp3")), range(10, 100));
  EXPECT_EQ(editor.selection, (Ends{10, 10}));
  EXPECT_FALSE(editor.multipleSelected);
  EXPECT_EQ(editor.document().documentFrameCount(), 100);
  EXPECT_FALSE(editor.document().modified);

  // Around a selection: three files.
  selectRange(20, 10);
  editor.split(Sender::ScriptMarker,
               std::vector<std::string>{dir.file("a.mp3"), dir.file("b.mp3"), dir.file("c.mp3")});
  EXPECT_EQ(editor.operationStatus, 0);
  EXPECT_EQ(framesOf(dir.file("a.mp3")), range(0, 10));
  EXPECT_EQ(framesOf(dir.file("b.mp3")), range(10, 20));
  EXPECT_EQ(framesOf(dir.file("c.mp3")), range(20, 100));
  EXPECT_EQ(editor.selection, (Ends{20, 10}));
  EXPECT_TRUE(editor.multipleSelected);

  // From the start: file 1 is not available and its name is not used.
  selectRange(0, 30);
  editor.split(Sender::ScriptMarker,
               std::vector<std::string>{dir.file("x.mp3"), dir.file("y.mp3"), dir.file("z.mp3")});
  EXPECT_FALSE(exists("x.mp3"));
  EXPECT_EQ(framesOf(dir.file("y.mp3")), range(0, 30));
  EXPECT_EQ(framesOf(dir.file("z.mp3")), range(30, 100));
}

TEST_F(EditorSplitTest, ScriptRefusals) {
  load(100);
  editor.scriptRunning = true;
  const std::vector<std::string> names{dir.file("a.mp3"), dir.file("b.mp3"), dir.file("c.mp3")};
  selectRange(0, 100);
  editor.split(Sender::ScriptMarker, names);
  EXPECT_EQ(editor.operationStatus, 1);
  cursor(0);
  editor.split(Sender::ScriptMarker, names);
  EXPECT_EQ(editor.operationStatus, 2);
  cursor(100);
  editor.split(Sender::ScriptMarker, names);
  EXPECT_EQ(editor.operationStatus, 2);

  // Names differing in letter case only: refused before anything is written.
  selectRange(10, 20);
  editor.split(Sender::ScriptMarker,
               std::vector<std::string>{dir.file("a.mp3"), dir.file("part.mp3"), dir.file("PART.mp3")});
  EXPECT_EQ(editor.operationStatus, 3);
  EXPECT_EQ(editor.lineError,
            "You can't save different parts to the same filename.\r\nFilenames 2 and 3 are the same.");
  EXPECT_FALSE(exists("a.mp3"));
  EXPECT_FALSE(exists("part.mp3"));
  EXPECT_TRUE(host.messages().empty());

  // A part that can't be written ends the split with the writer's status.
  editor.split(Sender::ScriptMarker,
               std::vector<std::string>{dir.file("a.mp3"), dir.file("no/such/b.mp3"), dir.file("c.mp3")});
  EXPECT_EQ(editor.operationStatus, kStatusSaveFailed);
  EXPECT_FALSE(editor.lineError.empty());
  EXPECT_TRUE(exists("a.mp3"));
  EXPECT_FALSE(exists("c.mp3"));
  EXPECT_EQ(editor.selection, (Ends{10, 20}));
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

  // The left file with the ID3v1 tag attached, the right one frames only.
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
  ASSERT_EQ(host.splitDialogs().size(), 1u);
  EXPECT_EQ(host.splitDialogs()[0].parts[2].caption, " File 2: right of (after) cursor ");
  size_t rest = 0;
  EXPECT_EQ(framesOf(dir.file("left.mp3"), &rest), range(0, 40));
  EXPECT_EQ(rest, 128u);
  EXPECT_EQ(framesOf(dir.file("right.mp3"), &rest), range(40, 100));
  EXPECT_EQ(rest, 0u);
  EXPECT_TRUE(editor.removeChecked(Block::Id3v1));  // the main box as before
  EXPECT_FALSE(editor.removeChecked(Block::Id3v2));

  // The same name twice in the window: a warning, nothing written.
  host.clearRecord();
  choice.names = {dir.file("same.mp3"), "", dir.file("SAME.mp3")};
  host.answerSplit(choice);
  editor.split(Sender::User);
  ASSERT_EQ(host.messages().size(), 1u);
  EXPECT_EQ(host.lastMessage().text,
            "You can't save different parts to the same filename.\r\nFilenames 1 and 2 are the same.");
  EXPECT_FALSE(exists("same.mp3"));

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
  EXPECT_EQ(framesOf(dir.file("sel.mp3"), &rest), range(5, 15));
  EXPECT_EQ(rest, 0u);
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
  EXPECT_FALSE(exists("all.mp3"));
  selectRange(30, 12);
  editor.saveSelection(Sender::ScriptMarker, dir.file("part.mp3"));
  EXPECT_EQ(editor.operationStatus, 0);
  size_t rest = 1;
  EXPECT_EQ(framesOf(dir.file("part.mp3"), &rest), range(12, 30));
  EXPECT_EQ(rest, 0u);  // a script's part is frames only
  EXPECT_EQ(editor.selection, (Ends{30, 12}));
  editor.scriptRunning = false;

  // The whole document from the window: OK goes on, with the tag attached.
  selectRange(0, 50);
  host.clearRecord();
  host.answerSaveSelection(
      SaveSelectionDialogResult{dir.file("all.mp3"), {false, false, false, false, false, true}});
  editor.saveSelection(Sender::User);
  EXPECT_EQ(host.lastMessage().caption, "Warning");
  EXPECT_EQ(framesOf(dir.file("all.mp3"), &rest), range(0, 50));
  EXPECT_EQ(rest, 128u);
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
