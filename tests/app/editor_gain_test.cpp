// Volume, fade and silence insertion as the window and the script engine drive
// them; the arithmetic and dialog rules are in tests/editing.
#include <tuple>

#include "editing/messages.h"
#include "support/editor_fixture.h"

namespace kavrel::test {
namespace {

using VC = VolumeChannel;
using EditorGain = EditorFixture;

TEST_F(EditorGain, VolumeDialogAppliesTheChosenChannelsAndRemembers) {
  // Slider, channel, " one" when one channel may be chosen, the warning.
  auto shown = [&](size_t i) {
    const VolumeDialogState& s = host.volumeDialogs().at(i);
    return std::to_string(s.sliderPosition) + " " + std::to_string(int(s.channel)) +
           (s.oneChannelEnabled ? " one" : "") + (s.warningsVisible ? " " + s.warningText : "");
  };
  load(10);
  editor.options().volumeMemoryMode = 2;
  selectRange(6, 2);
  bool busyWhileOpen = false;
  host.onDialog = [&] {
    busyWhileOpen = editor.isBusy();
    editor.fade(Sender::User);  // another command finds the editor busy
  };
  host.answerVolume(VolumeDialogResult{23, VC::Left});
  editor.amplify(Sender::User);
  EXPECT_TRUE(busyWhileOpen && host.fadeDialogs().empty());
  EXPECT_EQ(shown(0), "20 0 one joint stereo!");
  EXPECT_EQ(gains(1, 7) + " | " + state(),
            "0 3/0 3/0 3/0 3/0 0 | 0-9 | 6..2 | 1 modified");  // selection stays
  // The next dialog starts where this one ended; cancelling changes nothing.
  host.onDialog = nullptr;
  editor.amplify(Sender::User);
  EXPECT_EQ(shown(1) + " | " + gains(2, 3), "23 1 one joint stereo! | 3/0");
  editor.undo(Sender::User);
  EXPECT_EQ(gains(2, 3), "0");
  // A mono selection: both channels only, even when the host returns one.
  load(6, {.channelMode = 3});
  editor.options().volumeChannelMemory = 2;
  selectRange(0, 6);
  host.answerVolume(VolumeDialogResult{22, VC::Right});
  editor.amplify(Sender::User);
  EXPECT_EQ(shown(0) + " | " + gains(0, 1), "23 0 | 2");
  // The memory takes what the user moved, OK or not; what stayed untouched
  // keeps its memory. Left without OK, the gains stay.
  load(10);
  editor.options().volumeSliderMemory = 20;
  editor.options().volumeChannelMemory = 0;
  selectRange(0, 4);
  const std::pair<VolumeDialogResult, const char*> rows[] = {
      {{30, VC::Left, false, true, false}, "30 0 | 0 | -"},
      {{24, VC::Left, false, false, true}, "30 1 | 0 | -"},
      {{26, VC::Right, true, false, false}, "30 1 | 0/6 | modified"}};
  for (const auto& [result, after] : rows) {
    host.answerVolume(result);
    editor.amplify(Sender::User);
    EXPECT_EQ(std::to_string(editor.options().volumeSliderMemory) + " " +
                  std::to_string(editor.options().volumeChannelMemory) + " | " + gains(0, 1) + " | " + (doc().modified ? "modified" : "-"),
              after)
        << result.sliderPosition;
  }
  // 0 dB changes nothing and takes no snapshot; more than +12 dB asks
  // first and only OK goes on; +12 dB itself doesn't ask.
  load(10);
  auto volume = [&](int slider, VC channel, bool cancel = false) {
    return at(0, 4, [=, this] {
      host.answerVolume(VolumeDialogResult{slider, channel});
      if (cancel) host.answer(MessageResult::Cancel);
      editor.amplify(Sender::User);
      if (!host.messages().empty()) {
        EXPECT_EQ(host.lastMessage().text, msg::kAmplificationWarning);
      }
    });
  };
  play({{volume(20, VC::Both), "0-9 | 0..4 | 0 | sel Trim | 0"},
        {volume(29, VC::Both, true), "0-9 | 0..4 | 0 | sel Trim | 0 +box"},
        {volume(29, VC::Both), "0-9 | 0..4 | 1 modified | sel Trim Undo | 0 +box"},
        {volume(28, VC::Right), "0-9 | 0..4 | 2 modified | sel Trim Undo | 0"}});
  EXPECT_EQ(gains(0, 5) + " " + host.lastMessage().caption, "9/17 9/17 9/17 9/17 0 Amplification warning");
  EXPECT_EQ(host.lastMessage().buttons, MessageButtons::OkCancel);
  // A script's 0 still counts as a change.
  load(10);
  script();
  play({{at(0, 4, [&] { editor.amplify(Sender::ScriptMarker, Editor::VolumeRequest{0}); }),
         "0-9 | 0..4 | 1 modified | sel Trim Undo | 0"}});
}

TEST_F(EditorGain, FadeDialogPreselectsAndRamps) {
  load(10);
  editor.options().fadeMemoryMode = 1;
  editor.options().fadeSliderMemory = 27;
  selectRange(0, 5);
  host.answerFade(FadeDialogResult{20, true});
  editor.fade(Sender::User);
  ASSERT_EQ(host.fadeDialogs().size(), 1u);
  EXPECT_EQ(std::pair(host.fadeDialogs()[0].fadeIn, host.fadeDialogs()[0].sliderPosition),
            std::pair(true, 27));
  EXPECT_EQ(gains(0, 6), "-20 -15 -10 -5 0 0");  // from the start: in
  EXPECT_EQ(std::tuple(editor.options().fadeSliderMemory, editor.fadeIn, editor.fadeSteps),
            std::tuple(20, true, -20));
  // To the end: fade out offered. A dialog left without OK changes nothing but the undo snapshot, which now
  // holds the faded state, and what the user moved: the slider memory and the direction.
  selectRange(6, 10);
  host.answerFade(FadeDialogResult{27, true, false, true});
  editor.fade(Sender::User);
  EXPECT_FALSE(host.fadeDialogs()[1].fadeIn);
  EXPECT_EQ(std::tuple(editor.options().fadeSliderMemory, editor.fadeIn, gains(6, 10)),
            std::tuple(27, true, std::string("0 0 0 0")));
  editor.undo(Sender::User);
  EXPECT_EQ(gains(0, 1), "-20");
  // A script's fade after a left-only volume: the right values take the left values plus the ramp, 4 + (0,
  // -7, -13, -20). Two frames, the smallest fade, go from the loud to the quiet end.
  load(10);
  script();
  selectRange(2, 6);
  editor.amplify(Sender::ScriptMarker, Editor::VolumeRequest{4, true, false});
  editor.fade(Sender::ScriptMarker, Editor::FadeRequest{false, 20});
  selectRange(8, 10);
  editor.fade(Sender::ScriptMarker, Editor::FadeRequest{true, 20});
  EXPECT_EQ(after() + " " + gains(2, 10),
            "0-9 | 8..10 | 2 modified | sel Trim Undo | 0 4 -3 -9 -16 0 0 -20 0");
  EXPECT_TRUE(host.fadeDialogs().empty());
  script(false);
  editor.undo(Sender::User);  // to the last fade's snapshot
  EXPECT_EQ(gains(2, 10), "4 -3 -9 -16 0 0 0 0");
}

TEST_F(EditorGain, SilenceAtTheCursorOrOverTheSelectionUpToTheLimit) {
  load(10, {.bitrateIndex = 11});  // 192 kbps; the dialog chooses 128 kbps (-73)
  // Paste acts in front of the silence; one level of undo.
  host.answerSilence(SilenceDialogResult{3, SilenceFormat{8, 0, 1}});
  play({{at(4, 4, [&] { editor.insertSilence(Sender::User); }),
         "0-3 -73 -73 -73 4-9 | 4 | 1 modified | Undo | 0"},
        {at(0, 2, cmd(&Editor::copy)), "0-3 -73 -73 -73 4-9 | 0..2 | 1 modified | sel Paste Trim Undo | 0"},
        {at(4, 4, cmd(&Editor::paste)),
         "0-3 0-1 -73 -73 -73 4-9 | 4..6 | 2 modified | sel Paste Trim Undo | 0"},
        {cmd(&Editor::undo), "0-3 -73 -73 -73 4-9 | 4 | 2 modified | Paste | -"},
        {cmd(&Editor::undo), "0-3 -73 -73 -73 4-9 | 4 | 2 modified | Paste | -"}});
  EXPECT_EQ(host.silenceDialogs().at(0).whereLabel + " " + gains(4, 7),
            "SILENCE WILL BE INSERTED -32768 -32768 -32768");
  EXPECT_EQ(doc().editSummary.bitrate, 0);  // now variable

  // Over a selection from a script: the recommended format, selected. The
  // whole document selected: silence only, no "leave one frame" refusal.
  load(10);
  script();
  auto silent = [&](int32_t frames) {
    return [=, this] { editor.insertSilence(Sender::ScriptMarker, frames); };
  };
  // With no frames a script's silence deletes the selection.
  play({{at(7, 3, silent(2)), "0-2 -73 -73 7-9 | 3..5 | 1 modified | sel Trim Undo | 0"},
        {at(0, 8, silent(5)), "-73 -73 -73 -73 -73 | 0..5 | 2 modified | sel Undo | 0"},
        {[&] { script(false), editor.undo(Sender::User); }, "0-2 -73 -73 7-9 | 0..8 | 2 modified | sel | -"},
        {[&] { script(), selectRange(2, 4), silent(0)(); }, "0-1 -73 7-9 | 2 | 2 modified | Undo | 0"}});
  // Up to the limit; a script learns that fewer went in.
  cursor(6);
  silent(kMaxSilenceFrames)();
  EXPECT_EQ(editor.operationStatus, 0);
  silent(kMaxSilenceFrames + 1)();
  EXPECT_EQ(editor.operationStatus, 2);
  EXPECT_EQ(std::pair(doc().documentFrameCount(), doc().frameList.back()),
            std::pair(6 + 2 * kMaxSilenceFrames, -73));
  // The dialog over a selection longer than the limit is preset to the
  // limit, its text the length of the frames the preset covers.
  script(false);
  selectRange(0, 300000);
  editor.insertSilence(Sender::User);  // cancelled
  const SilenceDialogState& s = host.silenceDialogs().back();
  EXPECT_EQ(std::tuple(s.frames, s.lengthText, s.whereLabel),
            std::tuple(kMaxSilenceFrames, "6847.843", "SILENCE WILL REPLACE THE SELECTION"));
  load(10);
  // Length 0 asks first (No is the default); without a selection it does
  // nothing, and a cancelled dialog neither.
  auto zero = [&](bool answered, bool yes = false) {
    return [=, this] {
      if (answered) host.answerSilence(SilenceDialogResult{0, SilenceFormat{}});
      if (yes) host.answer(MessageResult::Yes);
      editor.insertSilence(Sender::User);
    };
  };
  play({{at(2, 4, zero(true)), "0-9 | 2..4 | 0 | sel Trim | 0 +box"},
        {at(2, 4, zero(true, true)), "0-1 4-9 | 2 | 1 modified | Undo | 0 +box"},
        {at(2, 2, zero(true)), "0-1 4-9 | 2 | 1 modified | Undo | 0"},
        {at(2, 2, zero(false)), "0-1 4-9 | 2 | 1 modified | Undo | 0"}});
  EXPECT_EQ(host.lastMessage().caption + ": " + host.lastMessage().text, "Prompt: Erase the selection?");
}

}  // namespace
}  // namespace kavrel::test
