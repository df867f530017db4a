// Save selection and split through the Editor; the parts a split offers are tested in tests/editing.
#include <tuple>

#include "editing/messages.h"
#include "support/editor_fixture.h"

namespace kavrel::test {
namespace {

class EditorSplit : public EditorFixture {
 protected:
  // n frames whose first global_gain field numbers them (i + 10); with an ID3v1 tag when asked.
  void load(int n, bool id3v1 = false) {
    Mp3Builder b;
    for (int i = 0; i < n; ++i) b.frame({.gains = {uint8_t(i + 10), 150, 150, 150}});
    EditorFixture::load(id3v1 ? b.id3v1("Title") : b);
  }
  // What the written files hold: their frame numbers as runs, "+n" for n
  // bytes after the frames, "-" for no file; joined by " | ".
  std::string written(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
      const auto bytes = exists(dir.file(name)) ? readFile(dir.file(name)) : std::vector<uint8_t>{};
      std::vector<int32_t> numbers;
      size_t at = 0;
      for (; at + 417 <= bytes.size() && bytes[at] == 0xFF; at += 417)
        numbers.push_back(readGains(bytes, at)[0] - 10);
      text += (text.empty() ? "" : " | ") + (bytes.empty() ? "-" : runs(numbers)) +
              (at < bytes.size() ? " +" + std::to_string(bytes.size() - at) : "");
    }
    return text;
  }
};

TEST_F(EditorSplit, ScriptSplitsAtTheCursorOrAroundASelection) {
  auto paths = [&](std::vector<std::string> names) {
    for (std::string& n : names) n = dir.file(n);
    return names;
  };
  load(100);
  script();
  // Two names at the cursor, three around a selection; a part that is not
  // there (before a selection from the start) takes no name.
  const std::tuple<int32_t, int32_t, std::vector<std::string>, const char*, const char*> cases[] = {
      {10, 10, {"one.mp3", "two.mp3"}, "0-9 | 10-99", "10"},
      {20, 10, {"a.mp3", "b.mp3", "c.mp3"}, "0-9 | 10-19 | 20-99", "20..10"},
      {0, 30, {"x.mp3", "y.mp3", "z.mp3"}, "- | 0-29 | 30-99", "0..30"}};
  for (const auto& [a, b, names, parts, selected] : cases) {
    a == b ? cursor(a) : selectRange(a, b);
    editor.split(Sender::ScriptMarker, paths(names));
    EXPECT_EQ(editor.operationStatus, 0);
    EXPECT_EQ(written(names), parts);
    EXPECT_EQ(state(), "0-99 | " + std::string(selected) + " | 0");
  }
  // Names differing in letter case only: refused before anything is written.
  selectRange(10, 20);
  editor.split(Sender::ScriptMarker, paths({"p.mp3", "part.mp3", "PART.mp3"}));
  EXPECT_EQ(std::to_string(editor.operationStatus) + " " + editor.lineError,
            "3 You can't save different parts to the same filename.\r\nFilenames 2 and 3 are the same.");
  EXPECT_EQ(written({"p.mp3", "part.mp3", "q.mp3"}) + boxes(), "- | - | -");
  // A part that can't be written ends the split with the writer's status.
  editor.split(Sender::ScriptMarker, paths({"p.mp3", "no/such/q.mp3", "r.mp3"}));
  EXPECT_TRUE(editor.operationStatus == kStatusSaveFailed && !editor.lineError.empty());
  EXPECT_EQ(written({"p.mp3", "r.mp3"}) + " " + sel(), "0-9 | - 10..20");
}

TEST_F(EditorSplit, WindowSplitWarnsAndUsesTheDialog) {
  load(100, true);
  editor.setRemoveChecked(Block::Id3v1, true);
  cursor(0);
  host.answer(MessageResult::Cancel);
  editor.split(Sender::User);
  EXPECT_EQ(boxes(), "!Warning: " + std::string(msg::kSplitAtEnd));
  EXPECT_EQ(host.lastMessage().buttons, MessageButtons::OkCancel);
  EXPECT_TRUE(host.splitDialogs().empty());
  // The left file frames only, the right one with the ID3v1 tag attached;
  // the main remove boxes stay as they were.
  cursor(40);
  SplitDialogResult choice{{true, false, true}, {dir.file("left.mp3"), "", dir.file("right.mp3")}};
  choice.attach[2][size_t(Block::Id3v1)] = true;
  host.answerSplit(choice);
  editor.split(Sender::User);
  EXPECT_EQ(written({"left.mp3", "right.mp3"}), "0-39 | 40-99 +128");
  EXPECT_TRUE(editor.removeChecked(Block::Id3v1));
  // The same name twice in the window: a warning, nothing written.
  choice.names = {dir.file("same.mp3"), "", dir.file("SAME.mp3")};
  host.answerSplit(choice);
  editor.split(Sender::User);
  EXPECT_EQ(
      boxes() + written({"same.mp3"}),
      "!Warning: You can't save different parts to the same filename.\r\nFilenames 1 and 2 are the same.-");
  // "just save the selection" opens the save-selection dialog instead.
  selectRange(5, 15);
  SplitDialogResult instead;
  instead.saveSelectionInstead = true;
  host.answerSplit(instead);
  host.answerSaveSelection(SaveSelectionDialogResult{dir.file("sel.mp3"), {}});
  editor.split(Sender::User);
  const SaveSelectionDialogState& shown = host.saveSelectionDialogs().at(0);
  EXPECT_TRUE(shown.available[size_t(Block::Id3v1)] && !shown.available[size_t(Block::Riff)]);
  EXPECT_EQ(shown.fileLabel + " " + written({"sel.mp3"}), "not specified yet 5-14");
}

TEST_F(EditorSplit, SaveSelection) {
  load(50, true);
  script();
  selectRange(12, 0);
  editor.saveSelection(Sender::ScriptMarker, dir.file("part.mp3"));
  // A script's part is frames only.
  EXPECT_EQ(written({"part.mp3"}) + " " + state() + std::to_string(editor.operationStatus),
            "0-11 0-49 | 12..0 | 00");
  script(false);
  // The whole document from the window: OK goes on, with the tag attached;
  // cancelled, nothing is written.
  selectRange(0, 50);
  host.answerSaveSelection(SaveSelectionDialogResult{dir.file("all.mp3"), {0, 0, 0, 0, 0, 0, 1}});
  editor.saveSelection(Sender::User);
  EXPECT_EQ(boxes(), "!Warning: " + std::string(msg::kSaveSelectionAllSelected));
  EXPECT_EQ(written({"all.mp3"}), "0-49 +128");
  host.answer(MessageResult::Cancel);
  editor.saveSelection(Sender::User);
  EXPECT_EQ(host.saveSelectionDialogs().size(), 1u);
}

TEST_F(EditorSplit, FullPathBoxes) {
  load(10);
  const std::string source = dir.file("base.mp3");
  editor.showSourcePath();
  editor.showDocumentPath();
  EXPECT_EQ(boxes(),
            "iFull source filename:: " + source +
                " / !Full current document filename:: The file hasn't been saved yet. Would save to:\r\n\n" +
                source);
  ASSERT_TRUE(editor.saveAs(Sender::User, dir.file("saved.mp3")));
  boxes();
  editor.showDocumentPath();
  script();
  editor.showSourcePath();
  EXPECT_EQ(boxes(), "iFull current document filename:: " + dir.file("saved.mp3"));
}

}  // namespace
}  // namespace kavrel::test
