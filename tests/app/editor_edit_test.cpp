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
#include "support/fake_player.h"
#include "support/mp3_builder.h"
#include "support/recording_host.h"
#include "support/test_files.h"

namespace kavrel {
namespace {

namespace t = kavrel::test;

using Ends = std::array<int32_t, 2>;

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
    ASSERT_TRUE(editor.loadFile(write("base.mp3", t::Mp3Builder().frames(n))));
    for (int i = 0; i < n; ++i) doc().gainList[size_t(i)] = {int16_t(i), int16_t(-i)};
    loaded = n;
    host.clearRecord();
  }
  std::string fileOf(int n, int bitrateIndex = 10) {
    return write("insert" + std::to_string(++files) + ".mp3",
                 t::Mp3Builder().frames(n, {.bitrateIndex = bitrateIndex}));
  }
  void selectRange(int32_t a, int32_t b) {
    editor.selection = {a, b};
    editor.select();
  }
  void cursor(int32_t p) {
    editor.selection = {p, p};
    editor.unselect();
  }
  void script(bool on = true) { editor.scriptRunning = on; }
  Document& doc() { return editor.document(); }
  bool on(Command c) const { return editor.enabled(c); }

  // The frame list as runs ("0-2 7 9-10"); "gains moved" when a loaded
  // frame lost its (i, -i) or an inserted one got a gain.
  std::string frames() {
    const std::vector<int32_t>& l = doc().frameList;
    std::string text;
    for (size_t i = 0, j = 0; i < l.size(); i = j) {
      for (j = i + 1; j < l.size() && l[j] == l[j - 1] + 1;) ++j;
      text += (text.empty() ? "" : " ") + std::to_string(l[i]) +
              (j - i > 1 ? "-" + std::to_string(l[j - 1]) : "");
    }
    for (size_t i = 0; i < l.size(); ++i) {
      const int32_t f = l[i];
      if (doc().gainList[i] != (f < loaded ? GainPair{int16_t(f), int16_t(-f)} : GainPair{}))
        return text + " gains moved";
    }
    return text;
  }
  // The selection: "a..b" when frames are selected, else the cursor.
  std::string sel() const {
    const auto [a, b] = editor.selection;
    return std::to_string(a) + (editor.multipleSelected ? ".." + std::to_string(b)
                                : a == b                ? ""
                                                        : " unselected " + std::to_string(b));
  }
  // Frames, selection and change count in one line.
  std::string state() {
    return frames() + " | " + sel() + " | " + std::to_string(doc().changeCount) +
           (doc().modified ? " modified" : "");
  }

  t::TempDir dir;
  t::RecordingHost host;
  Editor editor{host};
  int files = 0;
  int loaded = 0;
};

// ---------------------------------------------------------------- selection and positions

TEST_F(EditorEditTest, SelectionEnablesItsCommandsAndTrimWhileAFrameIsOutside) {
  editor.selectAll(Sender::User);
  EXPECT_EQ(editor.operationStatus, kStatusNothingToDo);  // no document
  load(100);
  const Command selectionCommands[] = {Command::Delete,   Command::Cut,      Command::Copy,
                                       Command::Unselect, Command::Volume,
                                       Command::Fade,  Command::SaveSelection, Command::PlaySelection};
  selectRange(60, 20);  // either order
  for (Command c : selectionCommands) EXPECT_TRUE(on(c)) << commandName(c);
  EXPECT_EQ(editor.positionText[1], "0.522");
  EXPECT_EQ(editor.labSelLen, "sel: 1.045");
  EXPECT_TRUE(editor.labSelLenVisible);
  // One end inside the document is enough for trim; the other end is clamped.
  const std::tuple<int32_t, int32_t, const char*, bool> trims[] = {{60, 20, "60..20", true},
                                                                   {0, 40, "0..40", true},
                                                                   {40, 100, "40..100", true},
                                                                   {0, 250, "0..100", false}};
  for (const auto& [a, b, selected, trim] : trims) {
    selectRange(a, b);
    EXPECT_EQ(sel(), selected);
    EXPECT_EQ(on(Command::Trim), trim) << selected;
  }
  editor.unselect();
  EXPECT_EQ(sel(), "0");
  for (Command c : selectionCommands) EXPECT_FALSE(on(c)) << commandName(c);
  EXPECT_FALSE(on(Command::Trim));
  EXPECT_EQ(editor.labSelLen, "sel: 0.000");
  EXPECT_FALSE(editor.labSelLenVisible);
  selectRange(7, 7);  // equal ends are no selection
  EXPECT_EQ(sel(), "7");

  editor.selectAll(Sender::User);
  EXPECT_EQ(editor.operationStatus, kStatusOk);
  EXPECT_EQ(sel(), "0..100");
  EXPECT_EQ(editor.positionText[1], "2.612");
  EXPECT_FALSE(on(Command::Trim));
  editor.selection[0] = 40;
  editor.unselectCommand(Sender::User);
  EXPECT_EQ(editor.operationStatus, kStatusOk);
  EXPECT_EQ(sel(), "40");
  editor.unselectCommand(Sender::User);
  EXPECT_EQ(editor.operationStatus, kStatusNothingToDo);
}

TEST_F(EditorEditTest, PositionEntryMovesOneEndToAFrameBoundary) {
  load(100);
  struct Step {
    int k;
    const char* text;
    uint8_t relative;  // 0 absolute, 1 backward, 2 forward
    int32_t reference;
    bool ok;
    const char* selected;
    const char* shown;  // in box k afterwards
  };
  const Step steps[] = {
      {0, "1", 0, -1, true, "38", "0.993"},  // the boundary, not the typed text
      {1, "2", 0, -1, true, "38..77", "2.011"},
      {0, "0:00.5", 0, -1, true, "19", "0.496"},      // setting the cursor ends the selection
      {1, "99999", 0, -1, true, "19..100", "2.612"},  // the largest time: the end
      {1, "1:60", 0, -1, false, "19..100", "1:60"},   // no time: nothing moves, the box keeps it
      {0, "1", 0, -1, true, "38", "0.993"},
      {0, "0.5", 2, -1, true, "57", "1.489"},     // from the end it moves: 0.993 + 0.5 s
      {1, "5", 1, -1, true, "57..0", "0.000"},    // before the start: 0
      {1, "0.5", 2, 0, true, "57..19", "0.496"},  // from another reference
      {0, "x", 2, -1, false, "57..19", "x"},
  };
  for (const Step& s : steps) {
    EXPECT_EQ(editor.submitPosition(Sender::User, s.k, s.text, s.reference, RelativeMode(s.relative)), s.ok)
        << s.text;
    EXPECT_EQ(sel(), s.selected) << s.text;
    EXPECT_EQ(editor.positionText[size_t(s.k)], s.shown) << s.text;
  }
}

TEST_F(EditorEditTest, SteppingButtonsTheirRepeatAndTheMouse) {
  load(300);
  const std::tuple<int, const char*, const char*> steps[] = {
      {kCursorFrameUp, "1", "0.026"},
      {kEndSecondUp, "1..38", "0.993"},  // 0.026 + 1.5 -> 1 s
      {kEndFrameDown, "1..37", "0.967"},
      {kCursorSecondDown, "0", "0.000"}};  // moving the cursor ends the selection
  for (const auto& [code, selected, shown] : steps) {
    editor.stepButton(code);
    EXPECT_EQ(sel(), selected) << code;
    EXPECT_EQ(editor.positionText[code <= kCursorSecondDown ? 0 : 1], shown) << code;
  }
  // Held down: one interval of delay, then a step per tick.
  ASSERT_TRUE(editor.autoRepeat.press(kCursorFrameUp));
  for (const char* selected : {"0", "1", "2"}) {
    editor.repeatTimerTick();
    EXPECT_EQ(sel(), selected);
  }
  editor.autoRepeat.release();
  editor.repeatTimerTick();
  EXPECT_EQ(sel(), "2");
  // The page buttons move the view by a frame.
  editor.stepButton(kPageRight);
  EXPECT_EQ(editor.viewOffset, 1);
  editor.stepButton(kPageLeft);
  editor.stepButton(kPageLeft);
  EXPECT_EQ(editor.viewOffset, 0);
  // Not while a script runs.
  script();
  editor.stepButton(kCursorFrameUp);
  editor.stripMousePress(79, MouseButton::Left, false);
  EXPECT_EQ(sel(), "2");
  script(false);

  // The mouse on the strip (frame column c at pixel 29 + 5c) places the
  // cursor and drags the selection; a right click on the cursor or the
  // middle button changes nothing.
  editor.viewOffset = 100;
  const std::tuple<int, MouseButton, bool, const char*> clicks[] = {
      {81, MouseButton::Left, true, "110"},
      {179, MouseButton::Left, false, "110..130"},
      {54, MouseButton::Right, true, "110..105"},
      {79, MouseButton::Right, true, "110..105"},
      {129, MouseButton::Middle, true, "110..105"}};
  for (const auto& [x, button, press, selected] : clicks) {
    press ? editor.stripMousePress(x, button, false) : editor.stripMouseRelease(x, button, false);
    EXPECT_EQ(sel(), selected) << x;
  }
  EXPECT_EQ(editor.positionText[0], "2.873");
}

// ---------------------------------------------------------------- the frame edits

// Each refusal with its status and text: a box from the window, lineError
// (and no box) from a script. Nothing changes.
TEST_F(EditorEditTest, RefusalsKeepTheDocumentAndSayWhy) {
  using Run = std::function<void(Sender)>;
  const std::string extra = fileOf(2);
  const Run del = [&](Sender s) { editor.deleteSelection(s); };
  const Run cut = [&](Sender s) { editor.cut(s); };
  const Run copy = [&](Sender s) { editor.copy(s); };
  const Run paste = [&](Sender s) { editor.paste(s); };
  const Run trim = [&](Sender s) {
    editor.setEnabled(Command::Trim, true);  // a refusal turns it off
    editor.trim(s);
  };
  const Run insert = [&](Sender s) { editor.insertFile(s, extra); };
  const Run insertMissing = [&](Sender s) { editor.insertFile(s, dir.file("missing.mp3")); };
  struct Case {
    const char* what;
    int frames;    // loaded first (none: closed)
    int32_t a, b;  // the selection
    bool scripted;
    Run command;
    int status;
    std::string text;
    const char* caption;
  };
  const std::string leaveOne = "You must leave at least one frame.";
  const Case cases[] = {
      {"delete all", 1, 0, 1, false, del, 2, leaveOne, "Can't do"},
      {"delete all", 1, 0, 1, true, del, 2, "", ""},
      {"delete none", 1, 0, 0, true, del, 3, "", ""},
      {"delete nothing", 0, 0, 0, true, del, 1, "", ""},
      {"cut all", 10, 0, 10, false, cut, 2, leaveOne, "Can't do"},
      {"copy none", 10, 3, 3, true, copy, 1, "You must select some frames to copy.", ""},
      {"copy nothing", 0, 0, 0, true, copy, 254, "", ""},
      {"paste empty", 10, 3, 3, true, paste, 11, "", ""},
      {"trim none", 10, 3, 3, false, trim, 1, "You must select multiple frames!", "Warning"},
      {"trim all", 10, 0, 10, false, trim, 2, "Some frames must be out of the selection in order to trim.",
       "Warning"},
      {"insert all", 10, 0, 10, false, insert, 130,
       "That would replace the file since all is selected.\r\nTo do that you have to use \"Load\" (\"Open\") "
       "function.",
       "Warning"},
      {"insert nothing", 0, 0, 0, true, insert, 129, "", ""},
      {"insert missing", 10, 2, 2, true, insertMissing, 3,
       "File to insert can't be opened (probably doesn't exist).", ""},
  };
  for (const Case& c : cases) {
    c.frames > 0 ? load(c.frames) : void(editor.unload(false));
    c.a == c.b ? cursor(c.a) : selectRange(c.a, c.b);
    host.clearRecord();
    const std::string before = state();
    script(c.scripted);
    editor.lineError.clear();
    c.command(c.scripted ? Sender::ScriptMarker : Sender::User);
    EXPECT_EQ(editor.operationStatus, c.status) << c.what;
    if (c.scripted) {
      EXPECT_TRUE(host.messages().empty()) << c.what;
      EXPECT_EQ(editor.lineError, c.text) << c.what;
    } else {
      ASSERT_EQ(host.messages().size(), 1u) << c.what;
      EXPECT_EQ(host.lastMessage().text, c.text) << c.what;
      EXPECT_EQ(host.lastMessage().caption, c.caption) << c.what;
      EXPECT_EQ(host.lastMessage().icon, MessageIcon::Exclamation) << c.what;
    }
    EXPECT_EQ(state(), before) << c.what;
    EXPECT_FALSE(on(Command::Undo)) << c.what;
    EXPECT_FALSE(on(Command::Trim)) << c.what;  // nothing, or everything, is selected
    script(false);
  }
  // A refused cut leaves the clipboard as it was.
  selectRange(0, 2);
  editor.copy(Sender::User);
  selectRange(0, 10);
  editor.cut(Sender::User);
  EXPECT_EQ(editor.clipboard().frames(), (std::vector<int32_t>{0, 1}));
}

TEST_F(EditorEditTest, DeleteCopyCutAndPaste) {
  load(10);
  selectRange(7, 3);
  editor.deleteSelection(Sender::User);
  EXPECT_EQ(editor.operationStatus, kStatusOk);
  EXPECT_EQ(state(), "0-2 7-9 | 3 | 1 modified");  // the cursor where the frames were
  EXPECT_TRUE(on(Command::Undo));
  EXPECT_EQ(editor.labInfoOutput, "44.1 KHz, JOINT STEREO, 128 kbps, 0.157 sec");
  EXPECT_TRUE(host.messages().empty());

  // A copy changes nothing: the snapshot is still the delete's.
  selectRange(4, 1);
  editor.copy(Sender::User);
  EXPECT_EQ(editor.operationStatus, kStatusOk);
  EXPECT_EQ(editor.clipboard().frames(), (std::vector<int32_t>{1, 2, 7}));
  EXPECT_EQ(state(), "0-2 7-9 | 4..1 | 1 modified");
  editor.undo(Sender::User);
  EXPECT_EQ(frames(), "0-9");
  // Everything but one frame may go.
  selectRange(0, 9);
  editor.deleteSelection(Sender::User);
  EXPECT_EQ(frames(), "9");

  // A cut and its paste bring the frames back with their gains.
  load(20);
  selectRange(5, 12);
  editor.cut(Sender::User);
  EXPECT_EQ(editor.operationStatus, kStatusOk);
  EXPECT_EQ(editor.clipboard().count(), 7);
  EXPECT_TRUE(on(Command::Paste));
  EXPECT_EQ(state(), "0-4 12-19 | 5 | 1 modified");
  editor.paste(Sender::User);
  EXPECT_EQ(editor.operationStatus, kStatusOk);
  EXPECT_EQ(state(), "0-19 | 5..12 | 2 modified");  // the pasted frames are selected
  EXPECT_EQ(editor.clipboard().count(), 7);         // a paste keeps the clipboard
}

TEST_F(EditorEditTest, PasteAtTheCursorOverASelectionOrOverEverything) {
  load(10);
  selectRange(8, 10);
  editor.copy(Sender::User);
  cursor(7);
  editor.paste(Sender::User);
  EXPECT_EQ(state(), "0-6 8-9 7-9 | 7..9 | 1 modified");

  // Over a selection: it is replaced, and one change is counted.
  load(10);
  selectRange(8, 10);
  editor.copy(Sender::User);
  selectRange(5, 2);
  editor.paste(Sender::User);
  EXPECT_EQ(state(), "0-1 8-9 5-9 | 2..4 | 1 modified");
  editor.undo(Sender::User);
  EXPECT_EQ(state(), "0-9 | 5..2 | 0 modified");
  // Over the whole document: allowed, the clipboard replaces it.
  selectRange(0, 10);
  editor.paste(Sender::User);
  EXPECT_EQ(state(), "8-9 | 0..2 | 1 modified");
  EXPECT_FALSE(on(Command::Trim));
}

TEST_F(EditorEditTest, TrimKeepsTheSelectionAndARefusedOneStillReplacesTheSnapshot) {
  load(20);
  selectRange(15, 5);
  editor.trim(Sender::User);
  EXPECT_EQ(editor.operationStatus, kStatusOk);
  EXPECT_EQ(state(), "5-14 | 0..10 | 1 modified");
  EXPECT_FALSE(on(Command::Trim));  // everything stays selected
  EXPECT_EQ(editor.positionText[1], "0.261");
  editor.undo(Sender::User);
  EXPECT_EQ(state(), "0-19 | 15..5 | 0 modified");

  selectRange(0, 5);
  editor.deleteSelection(Sender::User);
  selectRange(0, 15);
  editor.trim(Sender::User);  // all selected: refused
  EXPECT_EQ(editor.operationStatus, 2);
  editor.undo(Sender::User);
  // The snapshot is the state of the refused trim: nothing comes back, and
  // the delete still counts as a change, so closing asks to save it.
  EXPECT_EQ(state(), "5-19 | 0..15 | 1 modified");
}

TEST_F(EditorEditTest, UndoIsOneLevelAndClosingForgetsIt) {
  load(100);
  editor.viewOffset = 10;
  selectRange(20, 30);
  editor.deleteSelection(Sender::User);
  editor.viewOffset = 0;
  editor.undo(Sender::User);
  EXPECT_EQ(state(), "0-99 | 20..30 | 0 modified");
  EXPECT_TRUE(on(Command::Delete));
  EXPECT_EQ(editor.viewOffset, 10);
  EXPECT_FALSE(on(Command::Undo));
  EXPECT_FALSE(editor.undoSnapshot().valid());  // released
  selectRange(0, 50);
  editor.undo(Sender::User);  // a second undo does nothing
  EXPECT_EQ(sel(), "0..50");

  // The count stops at two.
  for (int k = 0; k < 3; ++k) {
    selectRange(0, 10);
    editor.deleteSelection(Sender::User);
  }
  editor.undo(Sender::User);
  EXPECT_EQ(state(), "20-99 | 0..10 | 2 modified");

  editor.cut(Sender::User);
  editor.unload(false);
  EXPECT_EQ(editor.clipboard().count(), 0);
  EXPECT_FALSE(editor.undoSnapshot().valid());
  EXPECT_EQ(editor.positionText[0], "0.000");
  load(10);
  EXPECT_FALSE(on(Command::Paste));
  EXPECT_FALSE(on(Command::Undo));
}

// ---------------------------------------------------------------- insert file

TEST_F(EditorEditTest, InsertFileAtTheCursorOrOverTheSelection) {
  load(10);
  editor.options().lastInsertFolder = "/somewhere";
  cursor(4);
  editor.insertFile(Sender::User);  // cancelled
  ASSERT_EQ(host.openDialogs().size(), 1u);
  EXPECT_EQ(host.openDialogs()[0].title, " INSERT AT CURSOR SPOT ");
  EXPECT_EQ(host.openDialogs()[0].folder, "/somewhere");
  EXPECT_EQ(frames(), "0-9");

  host.answerOpenFile(fileOf(3));
  editor.insertFile(Sender::User);
  EXPECT_EQ(editor.operationStatus, kStatusOk);
  EXPECT_EQ(state(), "0-3 10-12 4-9 | 4..7 | 1 modified");
  EXPECT_EQ(editor.positionText[1], "0.183");
  EXPECT_EQ(doc().insertedFileCount, 1);
  EXPECT_EQ(editor.options().lastInsertFolder, dir.path());  // the next dialog opens there
  editor.undo(Sender::User);
  EXPECT_EQ(state(), "0-9 | 4 | 0 modified");
  EXPECT_EQ(doc().insertedFileCount, 0);

  selectRange(7, 3);
  host.answerOpenFile(fileOf(2));
  editor.insertFile(Sender::User);
  EXPECT_EQ(host.openDialogs().back().title, " INSERT TO REPLACE THE SELECTION ");
  EXPECT_EQ(state(), "0-2 13-14 7-9 | 3..5 | 1 modified");
  EXPECT_EQ(doc().kbpsHistogram[10], 2);
  editor.undo(Sender::User);
  EXPECT_EQ(state(), "0-9 | 3..7 | 0 modified");  // stored ordered by the insert
  EXPECT_EQ(doc().kbpsHistogram[10], 0);

  // A failed insert leaves the snapshot of the edit before it.
  selectRange(0, 2);
  editor.deleteSelection(Sender::User);
  selectRange(5, 2);
  editor.insertFile(Sender::User, dir.file("missing.mp3"));
  EXPECT_EQ(editor.operationStatus, 3);
  EXPECT_EQ(state(), "2-9 | 2..5 | 1 modified");
  editor.undo(Sender::User);
  EXPECT_EQ(frames(), "0-9");
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
  cursor(10);
  editor.insertFile(Sender::User, b);
  cursor(12);
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

// ---------------------------------------------------------------- keys, busy and scripts

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
  EXPECT_EQ(sel(), "0..300");
  editor.keyDown(kVkA, {false, true, true});
  EXPECT_EQ(sel(), "0");
  selectRange(10, 20);
  EXPECT_TRUE(editor.keyDown(kVkC, ctrl).consumed);
  EXPECT_EQ(editor.clipboard().count(), 10);
  editor.keyDown(kVkDelete, ctrl);
  EXPECT_EQ(frames(), "0-9 20-299");
  EXPECT_EQ(editor.viewOffset, 0);
  editor.keyDown(kVkZ, ctrl);
  EXPECT_EQ(frames(), "0-299");
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
  EXPECT_EQ(frames(), "5-19");
  editor.keyDown(kVkPageDown, {});
  EXPECT_EQ(editor.viewOffset, 0);
}

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
  const std::string before = state();
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
    script(false);
    EXPECT_EQ(state(), before) << name;
  }
  EXPECT_EQ(editor.clipboard().count(), 4);
  EXPECT_TRUE(on(Command::Undo));
  for (const char* name : {"a.mp3", "sel.mp3", "kavrel.Preview.mp3"})
    EXPECT_FALSE(std::filesystem::exists(dir.file(name))) << name;
  // A script's own call is refused by a busy editor too, and no undo runs in a script.
  script();
  doc().busy = true;
  editor.deleteSelection(Sender::ScriptMarker);
  EXPECT_EQ(editor.operationStatus, kStatusBusy);
  doc().busy = false;
  editor.undo(Sender::ScriptMarker);
  EXPECT_EQ(state(), before);
}

}  // namespace
}  // namespace kavrel
