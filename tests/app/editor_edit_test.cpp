// The cursor, selection and frame edit commands as the window and the script
// engine drive them: status codes, messages, where the positions land, what
// is enabled afterwards, and undo.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "app/editor.h"
#include "editing/messages.h"
#include "support/fake_player.h"
#include "support/mp3_builder.h"
#include "support/recording_host.h"
#include "support/test_files.h"

namespace kavrel {
namespace {

namespace t = kavrel::test;

using Ends = std::array<int32_t, 2>;

std::vector<int32_t> iota(int32_t a, int32_t b) {
  std::vector<int32_t> v;
  for (int32_t i = a; i < b; ++i) v.push_back(i);
  return v;
}

class EditorEditTest : public ::testing::Test {
 protected:
  // A load selects nothing and checks no removal box here, and the fade
  // dialog keeps its memory: the tests set those themselves.
  EditorEditTest() {
    editor.options().autoSelectAll = false;
    editor.options().autoRemoveUnknown = false;
    editor.options().fadeMemoryMode = 0;
  }
  std::string write(const std::string& name, const t::Mp3Builder& b) {
    const std::string path = dir.file(name);
    t::writeFile(path, b.bytes());
    return path;
  }
  // n frames of 128 kbit/s at 44.1 kHz, loaded; gains (i, -i) mark each frame.
  void load(int n) {
    t::Mp3Builder b;
    b.frames(n);
    ASSERT_TRUE(editor.loadFile(write("base.mp3", b)));
    for (int i = 0; i < n; ++i) doc().gainList[size_t(i)] = {int16_t(i), int16_t(-i)};
    host.clearRecord();
  }
  std::string fileOf(int n, int bitrateIndex = 10) {
    t::Mp3Builder b;
    b.frames(n, {.bitrateIndex = bitrateIndex});
    return write("insert" + std::to_string(++files) + ".mp3", b);
  }
  void selectRange(int32_t a, int32_t b) {
    editor.selection = {a, b};
    editor.select();
  }
  void script() { editor.scriptRunning = true; }
  Document& doc() { return editor.document(); }
  bool on(Control c) const { return editor.enabled(c); }

  t::TempDir dir;
  t::RecordingHost host;
  Editor editor{host};
  int files = 0;
};

// ---------------------------------------------------------------- selection

TEST_F(EditorEditTest, SelectSetsTheSelectionCommandsAndTrimOnlyForPart) {
  load(100);
  selectRange(60, 20);  // either order
  EXPECT_TRUE(editor.multipleSelected);
  for (Control c : {Control::DelBut, Control::CutBut, Control::Copybut, Control::Unselbut, Control::SelClrBut,
                    Control::Amplifybut, Control::FadeBut, Control::MenuSaveSel, Control::ButPselect,
                    Control::TrimBut, Control::MenuCrop})
    EXPECT_TRUE(on(c)) << controlName(c);
  EXPECT_EQ(editor.positionText[1], "0.522");
  EXPECT_TRUE(editor.labSelLenVisible);
  EXPECT_EQ(editor.labSelLen, "sel: 1.045");

  // Trim stays available while one end is inside the document.
  for (const Ends ends : {Ends{0, 40}, Ends{40, 100}}) {
    selectRange(ends[0], ends[1]);
    EXPECT_TRUE(on(Control::TrimBut) && on(Control::MenuCrop)) << ends[0] << ".." << ends[1];
  }

  // The other end is clamped to the document.
  selectRange(0, 250);
  EXPECT_EQ(editor.selection, (Ends{0, 100}));
  EXPECT_FALSE(on(Control::TrimBut));  // all selected
  EXPECT_FALSE(on(Control::MenuCrop));
  EXPECT_TRUE(on(Control::DelBut));

  editor.unselect();
  EXPECT_FALSE(editor.multipleSelected);
  EXPECT_EQ(editor.selection, (Ends{0, 0}));
  for (Control c : {Control::DelBut, Control::CutBut, Control::Copybut, Control::SelClrBut, Control::TrimBut})
    EXPECT_FALSE(on(c)) << controlName(c);
  EXPECT_EQ(editor.labSelLen, "sel: 0.000");
  EXPECT_FALSE(editor.labSelLenVisible);

  // Equal ends are no selection.
  selectRange(7, 7);
  EXPECT_FALSE(editor.multipleSelected);
}

TEST_F(EditorEditTest, SelectAllAndUnselectCommands) {
  editor.selectAll(Sender::User);
  EXPECT_EQ(editor.operationStatus, kStatusNothingToDo);  // no document
  load(100);
  editor.selectAll(Sender::User);
  EXPECT_EQ(editor.operationStatus, kStatusOk);
  EXPECT_EQ(editor.selection, (Ends{0, 100}));
  EXPECT_EQ(editor.positionText[1], "2.612");
  EXPECT_FALSE(on(Control::TrimBut));

  editor.selection[0] = 40;
  editor.unselectCommand(Sender::User);
  EXPECT_EQ(editor.operationStatus, kStatusOk);
  EXPECT_EQ(editor.selection, (Ends{40, 40}));
  EXPECT_FALSE(editor.multipleSelected);
  editor.unselectCommand(Sender::User);
  EXPECT_EQ(editor.operationStatus, kStatusNothingToDo);
}

TEST_F(EditorEditTest, PositionEntryParsesClampsAndShowsTheBoundary) {
  load(100);
  EXPECT_TRUE(editor.submitPosition(Sender::User, 0, "1"));
  EXPECT_EQ(editor.selection, (Ends{38, 38}));
  EXPECT_EQ(editor.positionText[0], "0.993");  // the frame boundary, not the typed text
  EXPECT_FALSE(editor.multipleSelected);

  EXPECT_TRUE(editor.submitPosition(Sender::User, 1, "2"));
  EXPECT_EQ(editor.selection, (Ends{38, 77}));
  EXPECT_TRUE(editor.multipleSelected);
  EXPECT_EQ(editor.positionText[1], "2.011");

  // Setting the cursor removes the selection.
  EXPECT_TRUE(editor.submitPosition(Sender::User, 0, "0:00.5"));
  EXPECT_EQ(editor.selection, (Ends{19, 19}));
  EXPECT_FALSE(editor.multipleSelected);

  // Past the end: the end; 99999 s is the largest time.
  EXPECT_TRUE(editor.submitPosition(Sender::User, 1, "99999"));
  EXPECT_EQ(editor.selection[1], 100);

  // A text that does not parse moves nothing and stays in the box.
  editor.selection = {10, 10};
  EXPECT_FALSE(editor.submitPosition(Sender::User, 0, "1:60"));
  EXPECT_EQ(editor.selection, (Ends{10, 10}));
  EXPECT_EQ(editor.positionText[0], "1:60");

  // A relative entry counts from the end it moves, and is reset after use.
  editor.submitPosition(Sender::User, 0, "1");  // 38
  editor.relativeEntry[0] = 2;
  EXPECT_TRUE(editor.submitPosition(Sender::ScriptMarker, 0, "0.5"));
  EXPECT_EQ(editor.selection[0], 57);  // 0.993 + 0.5 s = 56.9 frames
  EXPECT_EQ(editor.relativeEntry[0], 0);
  editor.relativeEntry[1] = 1;
  EXPECT_TRUE(editor.submitPosition(Sender::ScriptMarker, 1, "5"));
  EXPECT_EQ(editor.selection, (Ends{57, 0}));  // before the start: 0
  editor.relativeEntry[1] = 2;
  EXPECT_TRUE(editor.submitPosition(Sender::ScriptMarker, 1, "0.5", 0));  // from another reference
  EXPECT_EQ(editor.selection[1], 19);
  // Reset after a failed entry too.
  editor.relativeEntry[0] = 2;
  EXPECT_FALSE(editor.submitPosition(Sender::ScriptMarker, 0, "x"));
  EXPECT_EQ(editor.relativeEntry[0], 0);
}

TEST_F(EditorEditTest, SteppingButtonsTheirRepeatAndTheMouse) {
  load(300);
  editor.stepButton(kCursorFrameUp);
  EXPECT_EQ(editor.selection, (Ends{1, 1}));
  EXPECT_EQ(editor.positionText[0], "0.026");
  editor.stepButton(kEndSecondUp);  // 0.026 + 1.5 -> 1 s
  EXPECT_EQ(editor.selection, (Ends{1, 38}));
  EXPECT_TRUE(editor.multipleSelected);
  editor.stepButton(kEndFrameDown);
  EXPECT_EQ(editor.selection, (Ends{1, 37}));
  editor.stepButton(kCursorSecondDown);       // 0.026 - 0.5 -> 0
  EXPECT_EQ(editor.selection, (Ends{0, 0}));  // moving the cursor ends the selection

  // Held down: one interval of delay, then a step per tick.
  ASSERT_TRUE(editor.autoRepeat.press(kCursorFrameUp));
  editor.repeatTimerTick();
  EXPECT_EQ(editor.selection[0], 0);
  editor.repeatTimerTick();
  editor.repeatTimerTick();
  EXPECT_EQ(editor.selection[0], 2);
  editor.autoRepeat.release();
  editor.repeatTimerTick();
  EXPECT_EQ(editor.selection[0], 2);

  // The page buttons move the view by a frame.
  editor.stepButton(kPageRight);
  EXPECT_EQ(editor.viewOffset, 1);
  editor.stepButton(kPageLeft);
  editor.stepButton(kPageLeft);
  EXPECT_EQ(editor.viewOffset, 0);

  // Not while a script runs.
  script();
  editor.stepButton(kCursorFrameUp);
  editor.stripMousePress(29 + 5 * 10, MouseButton::Left, false);
  EXPECT_EQ(editor.selection[0], 2);
  editor.scriptRunning = false;

  // The mouse on the strip places the cursor and drags the selection.
  editor.viewOffset = 100;
  editor.stripMousePress(29 + 5 * 10 + 2, MouseButton::Left, false);
  EXPECT_EQ(editor.selection, (Ends{110, 110}));
  EXPECT_EQ(editor.positionText[0], "2.873");
  editor.stripMouseRelease(29 + 5 * 30, MouseButton::Left, false);
  EXPECT_EQ(editor.selection, (Ends{110, 130}));
  EXPECT_TRUE(editor.multipleSelected);
  editor.stripMousePress(29 + 5 * 5, MouseButton::Right, false);
  EXPECT_EQ(editor.selection, (Ends{110, 105}));
  // A right click on the cursor itself changes nothing.
  editor.stripMousePress(29 + 5 * 10, MouseButton::Right, false);
  EXPECT_EQ(editor.selection, (Ends{110, 105}));
  EXPECT_TRUE(editor.multipleSelected);
  editor.stripMousePress(29 + 5 * 20, MouseButton::Middle, false);
  EXPECT_EQ(editor.selection, (Ends{110, 105}));
}

// ---------------------------------------------------------------- delete, cut, copy

TEST_F(EditorEditTest, DeleteRemovesTheSelectionAndLeavesTheCursorThere) {
  load(10);
  selectRange(7, 3);
  editor.deleteSelection(Sender::User);
  EXPECT_EQ(editor.operationStatus, kStatusOk);
  EXPECT_EQ(doc().frameList, (std::vector<int32_t>{0, 1, 2, 7, 8, 9}));
  EXPECT_EQ(doc().gainList[3], (GainPair{7, -7}));
  EXPECT_EQ(editor.selection, (Ends{3, 3}));
  EXPECT_FALSE(editor.multipleSelected);
  EXPECT_TRUE(doc().modified);
  EXPECT_EQ(doc().changeCount, 1);
  EXPECT_TRUE(on(Control::MenuUndo));
  EXPECT_EQ(editor.labInfoOutput, "44.1 KHz, JOINT STEREO, 128 kbps, 0.157 sec");
  EXPECT_TRUE(host.messages().empty());

  // Everything but one frame may go.
  selectRange(0, 5);
  editor.deleteSelection(Sender::User);
  EXPECT_EQ(doc().frameList, (std::vector<int32_t>{9}));
  EXPECT_EQ(doc().changeCount, 2);
}

TEST_F(EditorEditTest, DeleteAndCutRefusalsAndTheirCodes) {
  load(1);
  selectRange(0, 1);
  editor.deleteSelection(Sender::User);
  EXPECT_EQ(editor.operationStatus, 2);
  ASSERT_EQ(host.messages().size(), 1u);
  EXPECT_EQ(host.lastMessage().text, "You must leave at least one frame.");
  EXPECT_EQ(host.lastMessage().caption, "Can't do");
  EXPECT_EQ(host.lastMessage().icon, MessageIcon::Exclamation);
  EXPECT_EQ(doc().documentFrameCount(), 1);
  EXPECT_FALSE(on(Control::UndoBut));
  EXPECT_FALSE(editor.undoSnapshot().valid());  // refused before the snapshot

  host.clearRecord();
  script();
  editor.deleteSelection(Sender::ScriptMarker);
  EXPECT_EQ(editor.operationStatus, 2);
  editor.unselect();
  editor.deleteSelection(Sender::ScriptMarker);
  EXPECT_EQ(editor.operationStatus, 3);
  EXPECT_TRUE(host.messages().empty());
  editor.unload(false);
  editor.deleteSelection(Sender::ScriptMarker);
  EXPECT_EQ(editor.operationStatus, 1);

  // A cut of everything is refused the same way and leaves the clipboard.
  editor.scriptRunning = false;
  load(10);
  selectRange(0, 2);
  editor.copy(Sender::User);
  selectRange(0, 10);
  editor.cut(Sender::User);
  EXPECT_EQ(editor.operationStatus, 2);
  EXPECT_EQ(host.lastMessage().text, "You must leave at least one frame.");
  EXPECT_EQ(editor.clipboard().frames(), iota(0, 2));
  EXPECT_EQ(doc().documentFrameCount(), 10);
}

TEST_F(EditorEditTest, CutThenPasteRestoresTheFramesWithTheirGains) {
  load(20);
  selectRange(5, 12);
  editor.cut(Sender::User);
  EXPECT_EQ(editor.operationStatus, kStatusOk);
  EXPECT_EQ(editor.clipboard().count(), 7);
  EXPECT_TRUE(on(Control::MenuPaste));
  EXPECT_EQ(doc().documentFrameCount(), 13);
  EXPECT_EQ(editor.selection, (Ends{5, 5}));

  editor.paste(Sender::User);
  EXPECT_EQ(editor.operationStatus, kStatusOk);
  EXPECT_EQ(doc().frameList, iota(0, 20));
  for (int i = 0; i < 20; ++i) EXPECT_EQ(doc().gainList[size_t(i)], (GainPair{int16_t(i), int16_t(-i)})) << i;
  // The pasted frames are selected, the cursor in front of them.
  EXPECT_EQ(editor.selection, (Ends{5, 12}));
  EXPECT_TRUE(editor.multipleSelected);
  EXPECT_EQ(editor.clipboard().count(), 7);  // a paste keeps the clipboard
}

TEST_F(EditorEditTest, CopyCodesAndTheUntouchedDocument) {
  load(10);
  selectRange(2, 5);
  editor.deleteSelection(Sender::User);  // one change to undo later
  selectRange(4, 1);
  editor.copy(Sender::User);
  EXPECT_EQ(editor.operationStatus, kStatusOk);
  EXPECT_EQ(editor.clipboard().frames(), (std::vector<int32_t>{1, 5, 6}));
  EXPECT_EQ(editor.selection, (Ends{4, 1}));  // unchanged
  EXPECT_EQ(doc().changeCount, 1);
  // The snapshot is still the one of the delete.
  editor.undo(Sender::User);
  EXPECT_EQ(doc().frameList, iota(0, 10));

  script();
  editor.unselect();
  editor.copy(Sender::ScriptMarker);
  EXPECT_EQ(editor.operationStatus, kStatusNothingToDo);
  EXPECT_EQ(editor.lineError, "You must select some frames to copy.");
  EXPECT_TRUE(host.messages().empty());

  editor.unload(false);
  editor.copy(Sender::ScriptMarker);
  EXPECT_EQ(editor.operationStatus, 254);
}

// ---------------------------------------------------------------- paste

TEST_F(EditorEditTest, PasteCodesAndPlaces) {
  load(10);
  script();
  editor.paste(Sender::ScriptMarker);
  EXPECT_EQ(editor.operationStatus, 11);  // empty after a load
  EXPECT_TRUE(host.messages().empty());
  editor.scriptRunning = false;

  selectRange(0, 2);
  editor.copy(Sender::User);
  // At the cursor without a selection.
  editor.selection = {7, 7};
  editor.unselect();
  editor.paste(Sender::User);
  EXPECT_EQ(doc().frameList, (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 6, 0, 1, 7, 8, 9}));
  EXPECT_EQ(editor.selection, (Ends{7, 9}));
  EXPECT_EQ(doc().changeCount, 1);

  // Over a selection: it is replaced, and one change is counted.
  load(10);
  selectRange(8, 10);
  editor.copy(Sender::User);
  selectRange(5, 2);
  editor.paste(Sender::User);
  EXPECT_EQ(doc().frameList, (std::vector<int32_t>{0, 1, 8, 9, 5, 6, 7, 8, 9}));
  EXPECT_EQ(doc().gainList[2], (GainPair{8, -8}));
  EXPECT_EQ(editor.selection, (Ends{2, 4}));
  EXPECT_EQ(doc().changeCount, 1);
  editor.undo(Sender::User);
  EXPECT_EQ(doc().frameList, iota(0, 10));
  EXPECT_EQ(editor.selection, (Ends{5, 2}));
  EXPECT_EQ(doc().changeCount, 0);

  // Over the whole document: allowed, the clipboard replaces it.
  selectRange(0, 10);
  editor.paste(Sender::User);
  EXPECT_EQ(doc().frameList, (std::vector<int32_t>{8, 9}));
  EXPECT_EQ(editor.selection, (Ends{0, 2}));
  EXPECT_FALSE(on(Control::TrimBut));
}

// ---------------------------------------------------------------- trim

TEST_F(EditorEditTest, TrimKeepsTheSelection) {
  load(20);
  selectRange(15, 5);
  editor.trim(Sender::User);
  EXPECT_EQ(editor.operationStatus, kStatusOk);
  EXPECT_EQ(doc().frameList, iota(5, 15));
  EXPECT_EQ(doc().gainList[0], (GainPair{5, -5}));
  EXPECT_EQ(editor.selection, (Ends{0, 10}));
  EXPECT_TRUE(editor.multipleSelected);
  EXPECT_FALSE(on(Control::TrimBut));  // everything stays selected
  EXPECT_EQ(editor.positionText[1], "0.261");
  editor.undo(Sender::User);
  EXPECT_EQ(doc().frameList, iota(0, 20));
  EXPECT_EQ(editor.selection, (Ends{15, 5}));

  // Refusals: nothing selected, everything selected.
  host.clearRecord();
  editor.unselect();
  editor.setEnabled(Control::TrimBut, true);
  editor.trim(Sender::User);
  EXPECT_EQ(editor.operationStatus, kStatusNothingToDo);
  EXPECT_EQ(host.lastMessage().text, "You must select multiple frames!");
  EXPECT_EQ(host.lastMessage().caption, "Warning");
  EXPECT_FALSE(on(Control::TrimBut));
  selectRange(0, 20);
  editor.trim(Sender::User);
  EXPECT_EQ(editor.operationStatus, 2);
  EXPECT_EQ(host.lastMessage().text, "Some frames must be out of the selection in order to trim.");
  EXPECT_EQ(doc().documentFrameCount(), 20);
}

TEST_F(EditorEditTest, AFailedTrimStillReplacesTheUndoSnapshot) {
  load(20);
  selectRange(0, 5);
  editor.deleteSelection(Sender::User);
  ASSERT_TRUE(on(Control::UndoBut));
  selectRange(0, 15);
  editor.trim(Sender::User);  // all selected: refused
  EXPECT_EQ(editor.operationStatus, 2);
  editor.undo(Sender::User);
  // The snapshot is the state of the refused trim: nothing comes back...
  EXPECT_EQ(doc().frameList, iota(5, 20));
  EXPECT_EQ(editor.selection, (Ends{0, 15}));
  // ...and the delete still counts as a change, so closing asks to save it.
  EXPECT_EQ(doc().changeCount, 1);
  EXPECT_TRUE(doc().modified);
}

// ---------------------------------------------------------------- undo

TEST_F(EditorEditTest, UndoIsOneLevelAndKeepsModified) {
  load(100);
  editor.viewOffset = 10;
  selectRange(20, 30);
  editor.deleteSelection(Sender::User);
  editor.viewOffset = 0;
  editor.undo(Sender::User);
  EXPECT_EQ(doc().frameList, iota(0, 100));
  EXPECT_EQ(editor.selection, (Ends{20, 30}));
  EXPECT_TRUE(editor.multipleSelected);
  EXPECT_TRUE(on(Control::DelBut));
  EXPECT_EQ(editor.viewOffset, 10);
  EXPECT_EQ(doc().changeCount, 0);
  EXPECT_TRUE(doc().modified);
  EXPECT_FALSE(on(Control::MenuUndo));
  EXPECT_FALSE(editor.undoSnapshot().valid());  // released

  // A second undo does nothing.
  selectRange(0, 50);
  editor.undo(Sender::User);
  EXPECT_EQ(editor.selection, (Ends{0, 50}));

  // Two changes: the count stays at two.
  selectRange(0, 10);
  editor.deleteSelection(Sender::User);
  selectRange(0, 10);
  editor.deleteSelection(Sender::User);
  EXPECT_EQ(doc().changeCount, 2);
  editor.undo(Sender::User);
  EXPECT_EQ(doc().documentFrameCount(), 90);
  EXPECT_EQ(doc().changeCount, 2);
}

TEST_F(EditorEditTest, ClosingForgetsTheClipboardAndTheUndo) {
  load(10);
  selectRange(0, 3);
  editor.cut(Sender::User);
  editor.unload(false);
  EXPECT_EQ(editor.clipboard().count(), 0);
  EXPECT_FALSE(editor.undoSnapshot().valid());
  EXPECT_EQ(editor.positionText[0], "0.000");
  load(10);
  EXPECT_FALSE(on(Control::Pastebut));
  EXPECT_FALSE(on(Control::UndoBut));
}

// ---------------------------------------------------------------- insert file

TEST_F(EditorEditTest, InsertFileAtTheCursorThroughTheOpenDialog) {
  load(10);
  editor.lastInsertFolder = dir.path();
  editor.selection = {4, 4};
  editor.insertFile(Sender::User);  // cancelled
  ASSERT_EQ(host.openDialogs().size(), 1u);
  EXPECT_EQ(host.openDialogs()[0].title, " INSERT AT CURSOR SPOT ");
  EXPECT_EQ(host.openDialogs()[0].folder, dir.path());
  EXPECT_EQ(doc().documentFrameCount(), 10);

  const std::string path = fileOf(3);
  host.answerOpenFile(path);
  editor.insertFile(Sender::User);
  EXPECT_EQ(editor.operationStatus, kStatusOk);
  EXPECT_EQ(doc().frameList, (std::vector<int32_t>{0, 1, 2, 3, 10, 11, 12, 4, 5, 6, 7, 8, 9}));
  EXPECT_EQ(doc().gainList[4], GainPair{});
  EXPECT_EQ(doc().gainList[7], (GainPair{4, -4}));
  EXPECT_EQ(editor.selection, (Ends{4, 7}));
  EXPECT_TRUE(editor.multipleSelected);
  EXPECT_EQ(editor.positionText[1], "0.183");
  EXPECT_EQ(doc().insertedFileCount, 1);
  EXPECT_EQ(doc().changeCount, 1);

  editor.undo(Sender::User);
  EXPECT_EQ(doc().frameList, iota(0, 10));
  EXPECT_EQ(editor.selection, (Ends{4, 4}));
  EXPECT_EQ(doc().insertedFileCount, 0);
  EXPECT_EQ(doc().changeCount, 0);
}

TEST_F(EditorEditTest, InsertFileReplacesTheSelection) {
  load(10);
  selectRange(7, 3);
  host.answerOpenFile(fileOf(2));
  editor.insertFile(Sender::User);
  EXPECT_EQ(host.openDialogs().back().title, " INSERT TO REPLACE THE SELECTION ");
  EXPECT_EQ(doc().frameList, (std::vector<int32_t>{0, 1, 2, 10, 11, 7, 8, 9}));
  EXPECT_EQ(doc().gainList[5], (GainPair{7, -7}));
  EXPECT_EQ(editor.selection, (Ends{3, 5}));
  EXPECT_EQ(doc().kbpsHistogram[10], 2);
  EXPECT_EQ(doc().changeCount, 1);

  editor.undo(Sender::User);
  EXPECT_EQ(doc().frameList, iota(0, 10));
  EXPECT_EQ(editor.selection, (Ends{3, 7}));  // stored ordered by the insert
  EXPECT_EQ(doc().kbpsHistogram[10], 0);
  EXPECT_EQ(doc().changeCount, 0);
}

TEST_F(EditorEditTest, AFailedInsertChangesNothing) {
  load(10);
  selectRange(0, 2);
  editor.deleteSelection(Sender::User);  // the change an undo should still take back
  selectRange(5, 2);
  script();
  editor.insertFile(Sender::ScriptMarker, dir.file("missing.mp3"));
  EXPECT_EQ(editor.operationStatus, 3);
  EXPECT_EQ(editor.lineError, "File to insert can't be opened (probably doesn't exist).");
  EXPECT_EQ(doc().frameList, iota(2, 10));
  EXPECT_EQ(editor.selection, (Ends{2, 5}));
  EXPECT_TRUE(editor.multipleSelected);
  EXPECT_EQ(doc().changeCount, 1);
  editor.scriptRunning = false;
  ASSERT_TRUE(on(Control::UndoBut));
  editor.undo(Sender::User);
  EXPECT_EQ(doc().frameList, iota(0, 10));
}

TEST_F(EditorEditTest, InsertRefusals) {
  load(10);
  const std::string path = fileOf(2);
  selectRange(0, 10);
  editor.insertFile(Sender::User, path);
  EXPECT_EQ(editor.operationStatus, 130);
  EXPECT_EQ(
      host.lastMessage().text,
      "That would replace the file since all is selected.\r\nTo do that you have to use \"Load\" (\"Open\") "
      "function.");
  EXPECT_EQ(doc().documentFrameCount(), 10);
  EXPECT_FALSE(on(Control::UndoBut));

  editor.unload(false);
  editor.insertFile(Sender::ScriptMarker, path);
  EXPECT_EQ(editor.operationStatus, 129);
  EXPECT_EQ(doc().documentFrameCount(), 0);
}

TEST_F(EditorEditTest, FramesOfAnUndoneInsertKeepTheirOwnSourceFile) {
  load(10);
  const std::string a = fileOf(3, 10);
  const std::string b = fileOf(2, 11);
  editor.insertFile(Sender::User, a);
  ASSERT_EQ(editor.operationStatus, kStatusOk);
  editor.copy(Sender::User);  // A's frames, selected after the insert
  editor.undo(Sender::User);
  EXPECT_EQ(doc().insertedFileCount, 0);

  editor.selection = {10, 10};
  editor.unselect();
  editor.insertFile(Sender::User, b);
  editor.selection = {12, 12};
  editor.unselect();
  editor.paste(Sender::User);
  const Document& d = doc();
  ASSERT_EQ(d.documentFrameCount(), 15);
  // B went into a new slot; A's pasted frames still name A's.
  EXPECT_EQ(d.frameTable[d.frameList[10]].sourceIndex, 2);
  EXPECT_EQ(d.sourcePath(2), b);
  EXPECT_EQ(d.frameTable[d.frameList[12]].sourceIndex, 1);
  EXPECT_EQ(d.sourcePath(1), a);
  EXPECT_EQ(d.frameTable[d.frameList[12]].bitrateIndex, 10);
  // The information box still finds A's name and the frame's place in it.
  const auto box = frameInfoBox(d, 12);
  ASSERT_TRUE(box);
  EXPECT_NE(box->text.find("Original position: 1\r\nInserted from file: insert1"), std::string::npos)
      << box->text;
}

// ---------------------------------------------------------------- keys

TEST_F(EditorEditTest, KeysDriveTheCommandsAndTheView) {
  load(84);
  EXPECT_EQ(editor.maxViewOffset, 0);
  load(85);
  EXPECT_EQ(editor.maxViewOffset, 1);
  load(300);
  const KeyModifiers ctrl{false, true, false};
  EXPECT_EQ(editor.keyDown(kVkPageDown, {}).command, KeyCommand::PageDown);
  EXPECT_EQ(editor.viewOffset, 84);
  editor.keyDown(kVkEnd, ctrl);
  EXPECT_EQ(editor.viewOffset, 216);
  EXPECT_EQ(editor.maxViewOffset, 216);
  editor.keyDown(kVkHome, ctrl);
  EXPECT_EQ(editor.viewOffset, 0);

  editor.keyDown(kVkA, ctrl);
  EXPECT_EQ(editor.selection, (Ends{0, 300}));
  editor.keyDown(kVkA, {false, true, true});
  EXPECT_FALSE(editor.multipleSelected);
  selectRange(10, 20);
  EXPECT_TRUE(editor.keyDown(kVkC, ctrl).consumed);
  EXPECT_EQ(editor.clipboard().count(), 10);
  editor.keyDown(kVkDelete, ctrl);
  EXPECT_EQ(doc().documentFrameCount(), 290);
  editor.keyDown(kVkZ, ctrl);
  EXPECT_EQ(doc().documentFrameCount(), 300);
  // The window's own commands come back to it.
  EXPECT_EQ(editor.keyDown(kVkF12, ctrl).command, KeyCommand::Split);

  // A delete shrinks the scroll range; the view stays, clamped.
  editor.viewOffset = 200;
  selectRange(0, 200);
  editor.deleteSelection(Sender::User);
  EXPECT_EQ(editor.maxViewOffset, 16);
  EXPECT_EQ(editor.viewOffset, 16);

  // A short document: the view keys do nothing, the edit keys still act.
  load(20);
  selectRange(0, 5);
  editor.keyDown(kVkX, ctrl);
  EXPECT_EQ(doc().documentFrameCount(), 15);
  editor.keyDown(kVkPageDown, {});
  EXPECT_EQ(editor.viewOffset, 0);
}

// ---------------------------------------------------------------- busy and scripts

// Each command checks for itself: while a dialog is open it refuses with its
// code, and while a script runs the user's clicks do nothing.
TEST_F(EditorEditTest, EveryCommandWaitsForABusyEditorAndIgnoresTheUserDuringScripts) {
  t::EnvScope player{"KAVREL_PLAYER", "/bin/true"};  // never a real player, should one start
  editor.dataFolder = dir.path();
  load(10);
  selectRange(0, 1);
  editor.deleteSelection(Sender::User);  // something to undo
  selectRange(2, 6);
  editor.copy(Sender::User);  // something to paste
  const std::string extra = fileOf(2);
  const std::vector<std::string> parts{dir.file("a.mp3"), dir.file("b.mp3"), dir.file("c.mp3")};
  const std::vector<std::tuple<const char*, int, std::function<void(Sender)>>> commands = {
      {"select all", kStatusBusy, [&](Sender s) { editor.selectAll(s); }},
      {"unselect", kStatusBusy, [&](Sender s) { editor.unselectCommand(s); }},
      {"position", kStatusBusy, [&](Sender s) { editor.submitPosition(s, 0, "0.1"); }},
      {"delete", kStatusBusy, [&](Sender s) { editor.deleteSelection(s); }},
      {"cut", kStatusBusy, [&](Sender s) { editor.cut(s); }},
      {"copy", kStatusBusy, [&](Sender s) { editor.copy(s); }},
      {"paste", kStatusBusy, [&](Sender s) { editor.paste(s); }},
      {"trim", kStatusBusy, [&](Sender s) { editor.trim(s); }},
      {"undo", 77, [&](Sender s) { editor.undo(s); }},
      {"insert", 129, [&](Sender s) { editor.insertFile(s, extra); }},
      {"volume", kStatusBusy, [&](Sender s) { editor.amplify(s, Editor::VolumeRequest{3}); }},
      {"fade", kStatusBusy,
       [&](Sender s) {
         editor.fade(s, Editor::FadeRequest{false, 20});
       }},
      {"silence", 1, [&](Sender s) { editor.insertSilence(s, 2); }},  // not 255 for this one
      {"split", kStatusBusy, [&](Sender s) { editor.split(s, parts); }},
      {"save selection", kStatusBusy, [&](Sender s) { editor.saveSelection(s, dir.file("sel.mp3")); }},
      {"play input", kStatusBusy, [&](Sender s) { editor.playInput(s); }},
      {"play preview", kStatusBusy, [&](Sender s) { editor.playPreview(s); }},
      {"play selection", kStatusBusy, [&](Sender s) { editor.playSelection(s); }}};
  const std::vector<int32_t> frames = doc().frameList;
  const std::vector<GainPair> gains = doc().gainList;
  const Ends selected = editor.selection;
  for (const auto& [name, busyStatus, command] : commands) {
    editor.dialogOpen = true;
    editor.operationStatus = 77;
    command(Sender::User);
    EXPECT_EQ(editor.operationStatus, busyStatus) << name;
    editor.dialogOpen = false;
    script();
    editor.operationStatus = 77;
    command(Sender::User);
    EXPECT_EQ(editor.operationStatus, 77) << name;
    editor.scriptRunning = false;
    EXPECT_EQ(doc().frameList, frames) << name;
    EXPECT_EQ(doc().gainList, gains) << name;
    EXPECT_EQ(editor.selection, selected) << name;
  }
  EXPECT_EQ(editor.clipboard().count(), 4);
  EXPECT_TRUE(on(Control::UndoBut));
  EXPECT_FALSE(std::filesystem::exists(dir.file("a.mp3")));
  EXPECT_FALSE(std::filesystem::exists(dir.file("sel.mp3")));
  EXPECT_FALSE(std::filesystem::exists(editor.dataFolder + "/kavrel.Preview.mp3"));
  // A script's own call is refused by a busy editor too, and no undo runs in a script.
  script();
  doc().busy = true;
  editor.deleteSelection(Sender::ScriptMarker);
  EXPECT_EQ(editor.operationStatus, kStatusBusy);
  doc().busy = false;
  editor.undo(Sender::ScriptMarker);
  EXPECT_EQ(doc().frameList, frames);
}

}  // namespace
}  // namespace kavrel
