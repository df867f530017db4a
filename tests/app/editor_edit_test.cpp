// The cursor, selection and frame edits as the window, its keys and scripts
// drive them, and every command's refusals, busy and sender rules.
#include <tuple>

#include "editing/messages.h"
#include "support/editor_fixture.h"
#include "support/fake_player.h"

namespace kavrel::test {
namespace {

constexpr KeyModifiers kCtrl{false, true, false};

class EditorEdit : public EditorFixture {
 protected:
  // n frames whose gains (i, -i) show where each frame went.
  void load(int n) { EditorFixture::load(n, {}, true); }
  std::string fileOf(int n, int bitrateIndex = 10) {
    return write("insert" + std::to_string(++files) + ".mp3",
                 Mp3Builder().frames(n, {.bitrateIndex = bitrateIndex}));
  }
  Fn key(int vk, KeyModifiers m = kCtrl) { return [=, this] { editor.keyDown(vk, m); }; }
  // The position boxes and the selection-length label.
  std::string views() const {
    return editor.positionText[0] + " " + editor.positionText[1] + " " + editor.labSelLen +
           (editor.labSelLenVisible ? "" : " hidden");
  }
  int files = 0;
};

TEST_F(EditorEdit, SelectionCommandsTrimWhileAFrameIsOutsideAndThePositionBoxes) {
  editor.selectAll(Sender::User);
  EXPECT_EQ(editor.operationStatus, kStatusNothingToDo);  // no document
  load(100);
  // Either order; the other end is clamped; trim needs a frame outside at
  // either end; equal ends are no selection.
  const std::tuple<int32_t, int32_t, const char*> cases[] = {
      {60, 20, "60..20 | sel Trim | 0.000 0.522 sel: 1.045"},
      {0, 40, "0..40 | sel Trim | 0.000 1.045 sel: 1.045"},
      {40, 100, "40..100 | sel Trim | 0.000 2.612 sel: 1.567"},
      {0, 250, "0..100 | sel | 0.000 2.612 sel: 2.612"}, {7, 7, "7 |  | 0.000 0.183 sel: 0.000 hidden"},
      {3, -1, "3 |  | 0.000 0.078 sel: 0.000 hidden"}};  // unselected
  for (const auto& [a, b, shown] : cases) {
    b < 0 ? cursor(a) : selectRange(a, b);
    EXPECT_EQ(sel() + " | " + edits() + " | " + views(), shown);
  }
  play({{cmd(&Editor::unselectCommand), "0-99 | 3 | 0 |  | 1"},
        {[&] { editor.selectAll(Sender::User); }, "0-99 | 0..100 | 0 | sel | 0"},
        {[&] { editor.selection[0] = 40, editor.unselectCommand(Sender::User); }, "0-99 | 40 | 0 |  | 0"}});
  EXPECT_EQ(views(), "1.045 1.045 sel: 0.000 hidden");
  // Enter in a position box moves that end to a frame boundary.
  enum : uint8_t { Abs, Back, Fwd };
  // box, text, mode, reference, accepted; the selection and box k afterwards
  const std::tuple<int, const char*, uint8_t, int32_t, bool, const char*> steps[] = {
      {0, "1", Abs, -1, true, "38 0.993"},  // the boundary, not the typed text
      {1, "2", Abs, -1, true, "38..77 2.011"},
      {0, "0:00.5", Abs, -1, true, "19 0.496"},      // setting the cursor ends the selection
      {1, "99999", Abs, -1, true, "19..100 2.612"},  // the largest time: the end
      {1, "1:60", Abs, -1, false, "19..100 1:60"},   // no time: nothing moves, the box keeps it
      {0, "0.025", Abs, -1, true, "1 0.026"},        // just under one frame: that frame
      {0, "0.0119", Abs, -1, true, "0 0.000"},       // under the cut-off: the start
      {0, "1", Abs, -1, true, "38 0.993"},
      {0, "0.5", Fwd, -1, true, "57 1.489"},     // from the end it moves: 0.993 + 0.5 s
      {1, "5", Back, -1, true, "57..0 0.000"},   // before the start: 0
      {1, "0.5", Fwd, 0, true, "57..19 0.496"},  // from another reference
      {0, "x", Fwd, -1, false, "57..19 x"}};
  for (const auto& [k, text, mode, reference, ok, shown] : steps) {
    EXPECT_EQ(editor.submitPosition(Sender::User, k, text, reference, RelativeMode(mode)), ok) << text;
    EXPECT_EQ(editor.operationStatus, ok ? kStatusOk : kStatusNothingToDo) << text;
    EXPECT_EQ(sel() + " " + editor.positionText[size_t(k)], shown) << text;
  }
}

TEST_F(EditorEdit, SteppingButtonsTheirRepeatAndTheMouse) {
  load(300);
  std::string seen;  // each step's selection and box
  for (int code : {kCursorFrameUp, kEndSecondUp, kEndFrameDown, kCursorSecondDown}) {
    editor.stepButton(code);
    seen += sel() + " " + editor.positionText[code <= kCursorSecondDown ? 0 : 1] + ", ";
  }
  // Held down: one interval of delay, then a step per tick. The page
  // buttons move the view by a frame, within the scroll range.
  ASSERT_TRUE(editor.autoRepeat.press(kCursorFrameUp));
  for (int k = 0; k < 3; ++k) editor.repeatTimerTick(), seen += sel();
  editor.autoRepeat.release();
  editor.repeatTimerTick();
  for (int code : {kPageRight, kPageLeft, kPageLeft})
    editor.stepButton(code), seen += std::to_string(editor.viewOffset);
  // 0.026 + 1.5 s goes to 1 s; moving the cursor ends the selection.
  EXPECT_EQ(seen + sel(), "1 0.026, 1..38 0.993, 1..37 0.967, 0 0.000, 0121002");
  // Not while a script runs.
  script();
  editor.stepButton(kCursorFrameUp);
  editor.stripMousePress(79, MouseButton::Left, false);
  EXPECT_EQ(sel(), "2");
  script(false);
  // The mouse on the strip (frame column c at pixel 29 + 5c) places the
  // cursor, drags the selection and moves its end.
  editor.viewOffset = 100;
  editor.stripMousePress(81, MouseButton::Left, false);
  editor.stripMouseRelease(179, MouseButton::Left, false);
  seen = sel() + " " + editor.positionText[0];
  editor.stripMousePress(54, MouseButton::Right, false);
  EXPECT_EQ(seen + ", " + sel(), "110..130 2.873, 110..105");
}

// Each command's refusals with their status and text: a box from the window, lineError (and no box) from a
// script. Each command checks for itself: while a dialog is open it refuses with its code, and while a script
// runs the user's clicks do nothing. Nothing changes.
TEST_F(EditorEdit, EveryCommandRefusesWhatItCannotDoAndWaitsForABusyEditor) {
  EnvScope player{"KAVREL_PLAYER", "/bin/true"};  // never a real player, should one start
  editor.dataFolder = dir.path();
  using Run = std::function<void(Sender)>;
  const std::string extra = fileOf(2);
  const Run del = [&](Sender s) { editor.deleteSelection(s); };
  const Run cut = [&](Sender s) { editor.cut(s); };
  const Run copy = [&](Sender s) { editor.copy(s); };
  const Run paste = [&](Sender s) { editor.paste(s); };
  // A refused trim turns its command off.
  const Run trim = [&](Sender s) { editor.setEnabled(Command::Trim, true), editor.trim(s); };
  const Run insert = [&](Sender s) { editor.insertFile(s, extra); };
  const Run missing = [&](Sender s) { editor.insertFile(s, dir.file("missing.mp3")); };
  const Run volume = [&](Sender s) { editor.amplify(s, Editor::VolumeRequest{3}); };
  const Run fade = [&](Sender s) { editor.fade(s, Editor::FadeRequest{}); };
  const Run silence = [&](Sender s) { editor.insertSilence(s, 2); };
  const Run split = [&](Sender s) { editor.split(s, std::vector{dir.file("a.mp3"), dir.file("b.mp3")}); };
  const Run part = [&](Sender s) { editor.saveSelection(s, dir.file("part.mp3")); };
  const std::string leaveOne = "!Can't do: You must leave at least one frame.";
  const std::string amplify = "You must select some frames to amplify.";
  // what, frames loaded first (0: closed), selection, from a script, command, status, box or lineError
  const std::tuple<const char*, int, int32_t, int32_t, bool, Run, int, std::string> cases[] = {
      {"delete all", 1, 0, 1, false, del, 2, leaveOne}, {"delete all", 1, 0, 1, true, del, 2, ""},
      {"delete none", 1, 0, 0, true, del, 3, ""}, {"delete nothing", 0, 0, 0, true, del, 1, ""},
      {"cut all", 10, 0, 10, false, cut, 2, leaveOne},
      {"copy none", 10, 3, 3, true, copy, 1, "You must select some frames to copy."},
      {"copy nothing", 0, 0, 0, true, copy, 254, ""}, {"paste empty", 10, 3, 3, true, paste, 11, ""},
      {"trim none", 10, 3, 3, false, trim, 1, "!Warning: You must select multiple frames!"},
      {"trim all", 10, 0, 10, false, trim, 2,
       "!Warning: Some frames must be out of the selection in order to trim."},
      {"insert all", 10, 0, 10, false, insert, 130, "!Warning: " + std::string(msg::kInsertAllSelected)},
      {"insert nothing", 0, 0, 0, true, insert, 129, ""},
      {"insert missing", 10, 2, 2, true, missing, 3,
       "File to insert can't be opened (probably doesn't exist)."},
      {"volume none", 10, 3, 3, false, volume, 1, "!Warning: " + amplify},
      {"volume none", 10, 3, 3, true, volume, 1, amplify},
      {"fade none", 10, 3, 3, false, fade, 1, "!can't do: You must select multiple frames!"},
      {"fade one frame", 10, 4, 5, false, fade, 2, "!can't do: You must select 2 frames at least!"},
      {"fade one frame", 10, 4, 5, true, fade, 2, "You must select 2 frames at least!"},
      {"silence nothing", 0, 0, 0, true, silence, 1, ""}, {"split all", 10, 0, 10, true, split, 1, ""},
      {"split at the start", 10, 0, 0, true, split, 2, ""},
      {"split at the end", 10, 10, 10, true, split, 2, ""},
      {"save selection none", 10, 3, 3, false, part, 1, "!Warning: You must have a selection."},
      {"save selection all", 10, 0, 10, true, part, 2, ""}};
  for (const auto& [what, n, a, b, scripted, command, status, text] : cases) {
    n > 0 ? load(n) : void(editor.unload(false));
    a == b ? cursor(a) : selectRange(a, b);
    clear();
    const std::string before = state() + " | " + edits();
    script(scripted);
    editor.lineError.clear();
    command(scripted ? Sender::ScriptMarker : Sender::User);
    EXPECT_EQ(editor.operationStatus, status) << what;
    EXPECT_EQ(scripted ? editor.lineError : boxes(), text) << what;
    EXPECT_EQ(boxes(), "") << what;
    EXPECT_EQ(state() + " | " + edits(), before) << what;
    script(false);
  }
  // A refused cut leaves the clipboard as it was.
  at(0, 2, cmd(&Editor::copy))();
  at(0, 10, cmd(&Editor::cut))();
  EXPECT_EQ(editor.clipboard().frames(), (std::vector<int32_t>{0, 1}));
  at(0, 1, cmd(&Editor::deleteSelection))();  // something to undo
  at(2, 6, cmd(&Editor::copy))();             // something to paste
  constexpr int B = kStatusBusy;
  const std::tuple<const char*, Run, int> busy[] = {
      {"select all", [&](Sender s) { editor.selectAll(s); }, B},
      {"unselect", [&](Sender s) { editor.unselectCommand(s); }, B},
      {"position", [&](Sender s) { editor.submitPosition(s, 0, "0.1"); }, B},
      {"delete", del, B}, {"cut", cut, B}, {"copy", copy, B}, {"paste", paste, B}, {"trim", trim, B},
      {"undo", [&](Sender s) { editor.undo(s); }, 77}, {"insert", insert, 129}, {"volume", volume, B},
      {"fade", fade, B}, {"silence", silence, 1} /* not 255 for this one */, {"split", split, B},
      {"save selection", part, B}, {"play input", [&](Sender s) { editor.playInput(s); }, B},
      {"play preview", [&](Sender s) { editor.playPreview(s); }, B},
      {"play selection", [&](Sender s) { editor.playSelection(s); }, B}};
  const std::string before = state();
  for (const auto& [what, command, status] : busy) {
    editor.dialogOpen = true;
    editor.operationStatus = 77;
    command(Sender::User);
    EXPECT_EQ(editor.operationStatus, status) << what;
    editor.dialogOpen = false;
    script();
    editor.operationStatus = 77;
    command(Sender::User);
    EXPECT_EQ(editor.operationStatus, 77) << what;
    script(false);
    EXPECT_EQ(state(), before) << what;
  }
  EXPECT_TRUE(editor.clipboard().count() == 4 && on(Command::Undo));
  for (const char* name : {"a.mp3", "part.mp3", "kavrel.Preview.mp3"})
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

TEST_F(EditorEdit, DeleteCopyCutAndPaste) {
  load(10);
  // The cursor stays where the frames were; a copy changes nothing, the snapshot is still the delete's.
  play({{at(7, 3, key(kVkDelete)), "0-2 7-9 | 3 | 1 modified | Undo | 0"},
        {at(4, 1, key(kVkC)), "0-2 7-9 | 4..1 | 1 modified | sel Paste Trim Undo | 0"},
        {key(kVkZ), "0-9 | 3..7 | 0 modified | sel Paste Trim | -"},
        // Over a selection: it is replaced, one change is counted.
        {at(5, 2, cmd(&Editor::paste)), "0-1 1-2 7 5-9 | 2..5 | 1 modified | sel Paste Trim Undo | 0"},
        {cmd(&Editor::undo), "0-9 | 5..2 | 0 modified | sel Paste Trim | -"},
        {at(7, 7, key(kVkV)), "0-6 1-2 7 7-9 | 7..10 | 1 modified | sel Paste Trim Undo | 0"},
        // Everything but one frame may go, to the end.
        {at(1, 13, cmd(&Editor::deleteSelection)), "0 | 1 | 2 modified | Paste Undo | 0"}});
  EXPECT_EQ(editor.labInfoOutput, "44.1 KHz, JOINT STEREO, 128 kbps, 0.026 sec");
  // A cut and its paste bring the frames back with their gains; a paste
  // keeps the clipboard, even one over the whole document.
  load(20);
  play({{at(5, 12, key(kVkX)), "0-4 12-19 | 5 | 1 modified | Paste Undo | 0"},
        {cmd(&Editor::paste), "0-19 | 5..12 | 2 modified | sel Paste Trim Undo | 0"},
        {at(20, 20, cmd(&Editor::paste)), "0-19 5-11 | 20..27 | 2 modified | sel Paste Trim Undo | 0"},
        {key(kVkA, {false, true, true}), "0-19 5-11 | 20 | 2 modified | Paste Undo | 0"},
        {key(kVkA), "0-19 5-11 | 0..27 | 2 modified | sel Paste Undo | 0"},
        {cmd(&Editor::paste), "5-11 | 0..7 | 2 modified | sel Paste Undo | 0"}});
}

TEST_F(EditorEdit, TrimAtEitherEndAndUndoOfOneLevel) {
  load(20);
  const Fn trim = cmd(&Editor::trim), undo = cmd(&Editor::undo), del = cmd(&Editor::deleteSelection);
  play({{at(15, 5, trim), "5-14 | 0..10 | 1 modified | sel Undo | 0"},
        {undo, "0-19 | 15..5 | 0 modified | sel Trim | -"},
        {at(0, 4, trim), "0-3 | 0..4 | 1 modified | sel Undo | 0"},
        {undo, "0-19 | 0..4 | 0 modified | sel Trim | -"},
        {at(20, 16, trim), "16-19 | 0..4 | 1 modified | sel Undo | 0"},
        {undo, "0-19 | 20..16 | 0 modified | sel Trim | -"},
        {at(0, 5, del), "5-19 | 0 | 1 modified | Undo | 0"},
        {at(0, 15, trim), "5-19 | 0..15 | 1 modified | sel Undo | 2 +box"},
        // A refused trim replaced the snapshot: nothing comes back, and the
        // delete still counts as a change, so closing asks to save it.
        {undo, "5-19 | 0..15 | 1 modified | sel | -"}});
  EXPECT_EQ(editor.positionText[1], "0.392");
  // Undo is one level; closing forgets it.
  load(100);
  play({{at(20, 30, del), "0-19 30-99 | 20 | 1 modified | Undo | 0"},
        {undo, "0-99 | 20..30 | 0 modified | sel Trim | -"},
        {at(0, 50, undo), "0-99 | 0..50 | 0 modified | sel Trim | -"},
        // The count stops at two.
        {at(0, 10, del), "10-99 | 0 | 1 modified | Undo | 0"},
        {at(0, 10, del), "20-99 | 0 | 2 modified | Undo | 0"},
        {at(0, 10, del), "30-99 | 0 | 2 modified | Undo | 0"},
        {undo, "20-99 | 0..10 | 2 modified | sel Trim | -"}});
  EXPECT_FALSE(editor.undoSnapshot().valid());  // released

  editor.cut(Sender::User);
  editor.unload(false);
  EXPECT_EQ(editor.clipboard().count(), 0);
  EXPECT_FALSE(editor.undoSnapshot().valid());
  EXPECT_EQ(views(), "0.000 0.000 sel: 0.000 hidden");
  load(10);
  EXPECT_EQ(edits(), "");
}

TEST_F(EditorEdit, TheViewFollowsTheKeysAndTheEdits) {
  std::string seen;
  for (int n : {84, 85, 300}) load(n), seen += std::to_string(editor.maxViewOffset) + " ";
  for (int key : {kVkPageDown, kVkEnd, kVkHome})
    editor.keyDown(key, key == kVkPageDown ? KeyModifiers{} : kCtrl),
        seen += std::to_string(editor.viewOffset) + " ";
  // A delete shrinks the scroll range, the view stays, clamped; an undo brings the view back.
  for (const auto& [view, to] : {std::pair(200, 200), std::pair(5, 10)}) {
    editor.viewOffset = view;
    at(0, to, cmd(&Editor::deleteSelection))();
    seen += std::to_string(editor.viewOffset) + " ";
  }
  editor.viewOffset = 0;
  editor.undo(Sender::User);
  EXPECT_EQ(seen + std::to_string(editor.viewOffset), "0 1 216 84 216 0 16 5 5");
  // The window's own commands come back to it.
  EXPECT_EQ(editor.keyDown(kVkF12, kCtrl).command, KeyCommand::Split);
}

TEST_F(EditorEdit, InsertFileAtTheCursorOrOverTheSelection) {
  load(10);
  editor.options().lastInsertFolder = "/somewhere";
  const std::string three = fileOf(3), two = fileOf(2);
  play({{at(4, 4, key(kVkInsert)), "0-9 | 4 | 0 |  | 0"},  // the dialog cancelled
        {[&] { host.answerOpenFile(three), editor.insertFile(Sender::User); },
         "0-3 10-12 4-9 | 4..7 | 1 modified | sel Trim Undo | 0"}});
  EXPECT_EQ(editor.positionText[1] + " " + std::to_string(doc().insertedFileCount), "0.183 1");
  play({{cmd(&Editor::undo), "0-9 | 4 | 0 modified |  | -"},
        {at(7, 3, [&] { host.answerOpenFile(two), editor.insertFile(Sender::User); }),
         "0-2 13-14 7-9 | 3..5 | 1 modified | sel Trim Undo | 0"}});
  EXPECT_EQ(doc().kbpsHistogram[10], 2);
  play({{cmd(&Editor::undo), "0-9 | 3..7 | 0 modified | sel Trim | -"}});  // stored ordered
  EXPECT_EQ(doc().kbpsHistogram[10], 0);
  play({{at(0, 3, [&] { editor.insertFile(Sender::User, two); }),
         "15-16 3-9 | 0..2 | 1 modified | sel Trim Undo | 0"}});  // from the start
  std::string dialogs;  // the next dialog opens where the last file was found
  for (const auto& d : host.requests) dialogs += d.title + d.folder + "|";
  EXPECT_EQ(dialogs, " INSERT AT CURSOR SPOT /somewhere| INSERT AT CURSOR SPOT /somewhere| INSERT TO "
                     "REPLACE THE SELECTION " + dir.path() + "|");
  // A failed insert leaves the snapshot of the edit before it.
  play({{at(5, 2, [&] { editor.insertFile(Sender::User, dir.file("missing.mp3")); }),
         "15-16 3-9 | 2..5 | 1 modified | sel Trim Undo | 3 +box"},
        {cmd(&Editor::undo), "0-9 | 0..3 | 0 modified | sel Trim | -"}});
  EXPECT_EQ(doc().insertedFileCount, 0);
}

}  // namespace
}  // namespace kavrel::test
