// Volume, fade and silence insertion as the window and the script engine
// drive them: status codes, messages, dialog states, where the selection
// lands and what undo brings back.
#include <gtest/gtest.h>

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

class EditorGainTest : public ::testing::Test {
 protected:
  // A load selects nothing and checks no removal box here, and the fade
  // dialog keeps its memory: the tests set those themselves.
  EditorGainTest() {
    editor.options().autoSelectAll = false;
    editor.options().autoRemoveUnknown = false;
    editor.options().fadeMemoryMode = 0;
  }
  // n frames of 128 kbit/s at 44.1 kHz (joint stereo unless `mode` says
  // otherwise), loaded; every gain pair starts at (0, 0).
  void load(int n, int mode = 1, int bitrateIndex = 9) {
    const std::string path = dir.file("base.mp3");
    t::writeFile(path,
                 t::Mp3Builder().frames(n, {.bitrateIndex = bitrateIndex, .channelMode = mode}).bytes());
    ASSERT_TRUE(editor.loadFile(path));
    host.clearRecord();
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
  // The gains of frames [a, b): "l" when both channels have it, else "l/r".
  std::string gains(size_t a, size_t b) {
    std::string text;
    for (size_t i = a; i < b; ++i) {
      const GainPair g = doc().gainList[i];
      text += (i > a ? " " : "") + std::to_string(g.left) +
              (g.left == g.right ? "" : "/" + std::to_string(g.right));
    }
    return text;
  }
  std::string lastBox() const { return host.lastMessage().caption + ": " + host.lastMessage().text; }

  t::TempDir dir;
  t::RecordingHost host;
  Editor editor{host};
};

// ---------------------------------------------------------------- volume

TEST_F(EditorGainTest, VolumeDialogAppliesTheChosenChannelAndRemembers) {
  load(10);
  editor.amplify(Sender::User);
  EXPECT_EQ(editor.operationStatus, 1);
  ASSERT_EQ(host.messages().size(), 1u);
  EXPECT_EQ(lastBox(), "Warning: You must select some frames to amplify.");
  EXPECT_TRUE(host.volumeDialogs().empty());

  editor.options().volumeMemoryMode = 2;
  selectRange(6, 2);
  bool busyWhileOpen = false;
  host.onDialog = [&] {
    busyWhileOpen = editor.isBusy();
    editor.fade(Sender::User);  // another command finds the editor busy
  };
  host.answerVolume(VolumeDialogResult{23, VolumeChannel::Left});
  editor.amplify(Sender::User);
  EXPECT_TRUE(busyWhileOpen);
  EXPECT_TRUE(host.fadeDialogs().empty());
  ASSERT_EQ(host.volumeDialogs().size(), 1u);
  const VolumeDialogState& shown = host.volumeDialogs()[0];
  EXPECT_EQ(shown.sliderPosition, 20);
  EXPECT_TRUE(shown.oneChannelEnabled);
  EXPECT_TRUE(shown.warningsVisible);
  EXPECT_EQ(shown.warningText, "joint stereo!");
  EXPECT_EQ(gains(1, 7), "0 3/0 3/0 3/0 3/0 0");
  EXPECT_EQ(editor.selection, (Ends{6, 2}));  // the selection stays as it was
  EXPECT_TRUE(doc().modified);
  EXPECT_EQ(editor.options().volumeSliderMemory, 23);
  EXPECT_EQ(editor.options().volumeChannelMemory, 1);

  // The next dialog starts where this one ended; cancelling changes nothing.
  host.onDialog = nullptr;
  editor.amplify(Sender::User);
  ASSERT_EQ(host.volumeDialogs().size(), 2u);
  EXPECT_EQ(host.volumeDialogs()[1].sliderPosition, 23);
  EXPECT_EQ(host.volumeDialogs()[1].channel, VolumeChannel::Left);
  EXPECT_EQ(gains(2, 3), "3/0");
  editor.undo(Sender::User);
  EXPECT_EQ(gains(2, 3), "0");

  // Closing the file forgets the memory in mode 1.
  editor.options().volumeMemoryMode = 1;
  editor.unload(false);
  EXPECT_EQ(editor.options().volumeSliderMemory, 20);
  EXPECT_EQ(editor.options().volumeChannelMemory, 0);

  // A mono selection: both channels only, even when the host returns one.
  load(6, 3);
  editor.options().volumeMemoryMode = 2;
  editor.options().volumeChannelMemory = 2;
  selectRange(0, 6);
  host.answerVolume(VolumeDialogResult{22, VolumeChannel::Right});
  editor.amplify(Sender::User);
  EXPECT_FALSE(host.volumeDialogs().back().oneChannelEnabled);
  EXPECT_EQ(host.volumeDialogs().back().channel, VolumeChannel::Both);
  EXPECT_FALSE(host.volumeDialogs().back().warningsVisible);
  EXPECT_EQ(gains(0, 1), "2");
}

TEST_F(EditorGainTest, VolumeZeroAndHighAmplification) {
  load(10);
  selectRange(0, 4);
  host.answerVolume(VolumeDialogResult{20, VolumeChannel::Both});
  editor.amplify(Sender::User);
  EXPECT_FALSE(editor.enabled(Command::Undo));  // 0 dB: no snapshot, no change
  EXPECT_FALSE(doc().modified);

  // More than +12 dB asks first; only OK goes on. +12 dB itself doesn't ask.
  host.answerVolume(VolumeDialogResult{29, VolumeChannel::Both});
  host.answer(MessageResult::Cancel);
  editor.amplify(Sender::User);
  ASSERT_EQ(host.messages().size(), 1u);
  EXPECT_EQ(host.lastMessage().caption, "Amplification warning");
  EXPECT_EQ(host.lastMessage().buttons, MessageButtons::OkCancel);
  EXPECT_EQ(gains(0, 1), "0");
  host.answerVolume(VolumeDialogResult{29, VolumeChannel::Both});
  editor.amplify(Sender::User);  // default answer OK
  host.answerVolume(VolumeDialogResult{28, VolumeChannel::Right});
  editor.amplify(Sender::User);
  EXPECT_EQ(host.messages().size(), 2u);
  EXPECT_EQ(gains(0, 5), "9/17 9/17 9/17 9/17 0");

  // A script's 0 still counts as a change, and its refusal has no box.
  load(10);
  script();
  editor.amplify(Sender::ScriptMarker, Editor::VolumeRequest{3});
  EXPECT_EQ(editor.operationStatus, 1);
  EXPECT_EQ(editor.lineError, "You must select some frames to amplify.");
  selectRange(0, 4);
  editor.amplify(Sender::ScriptMarker, Editor::VolumeRequest{0});
  EXPECT_EQ(editor.operationStatus, 0);
  EXPECT_TRUE(editor.enabled(Command::Undo));
  EXPECT_TRUE(doc().modified);
  EXPECT_TRUE(host.messages().empty());
}

// ---------------------------------------------------------------- fade

TEST_F(EditorGainTest, FadeRefusals) {
  load(10);
  editor.fade(Sender::User);
  EXPECT_EQ(lastBox(), "can't do: You must select multiple frames!");
  EXPECT_EQ(editor.operationStatus, 1);
  selectRange(4, 5);
  editor.fade(Sender::User);
  EXPECT_EQ(lastBox(), "can't do: You must select 2 frames at least!");
  EXPECT_EQ(editor.operationStatus, 2);
  script();
  editor.fade(Sender::ScriptMarker, Editor::FadeRequest{});
  EXPECT_EQ(editor.operationStatus, 2);
  EXPECT_EQ(editor.lineError, "You must select 2 frames at least!");
  EXPECT_EQ(host.messages().size(), 2u);
  selectRange(4, 6);
  editor.fade(Sender::ScriptMarker, Editor::FadeRequest{});
  EXPECT_EQ(editor.operationStatus, 0);
}

TEST_F(EditorGainTest, FadeDialogPreselectsAndRamps) {
  load(10);
  editor.options().fadeMemoryMode = 1;
  editor.options().fadeSliderMemory = 27;
  selectRange(0, 5);
  host.answerFade(FadeDialogResult{20, true});
  editor.fade(Sender::User);
  ASSERT_EQ(host.fadeDialogs().size(), 1u);
  EXPECT_TRUE(host.fadeDialogs()[0].fadeIn);  // from the start
  EXPECT_EQ(host.fadeDialogs()[0].sliderPosition, 27);
  EXPECT_EQ(gains(0, 6), "-20 -15 -10 -5 0 0");
  EXPECT_EQ(editor.options().fadeSliderMemory, 20);
  EXPECT_TRUE(editor.fadeIn);
  EXPECT_EQ(editor.fadeSteps, -20);

  // To the end: fade out offered. A cancelled dialog changes nothing but
  // the undo snapshot, which now holds the faded state.
  selectRange(6, 10);
  editor.fade(Sender::User);
  EXPECT_FALSE(host.fadeDialogs()[1].fadeIn);
  EXPECT_EQ(gains(0, 1), "-20");
  editor.undo(Sender::User);
  EXPECT_EQ(gains(0, 1), "-20");

  // A script's fade after a left-only volume: the right values take the
  // left values plus the ramp, 4 + (0, -7, -13, -20).
  load(10);
  script();
  selectRange(2, 6);
  editor.amplify(Sender::ScriptMarker, Editor::VolumeRequest{4, true, false});
  editor.fade(Sender::ScriptMarker, Editor::FadeRequest{false, 20});
  EXPECT_EQ(editor.operationStatus, 0);
  EXPECT_EQ(gains(2, 6), "4 -3 -9 -16");
  EXPECT_TRUE(host.fadeDialogs().empty());
}

// ---------------------------------------------------------------- silence

TEST_F(EditorGainTest, SilenceAtTheCursorKeepsTheCursorInFront) {
  load(10, 1, 11);  // 192 kbps
  cursor(4);
  host.answerSilence(SilenceDialogResult{3, SilenceFormat{8, 0, 1}});  // 128 kbps
  editor.insertSilence(Sender::User);
  ASSERT_EQ(host.silenceDialogs().size(), 1u);
  EXPECT_EQ(host.silenceDialogs()[0].whereLabel, "SILENCE WILL BE INSERTED");
  const int32_t code = -(1 + 8 + 16 * 0 + 64 * 1);
  EXPECT_EQ(doc().frameList, (std::vector<int32_t>{0, 1, 2, 3, code, code, code, 4, 5, 6, 7, 8, 9}));
  EXPECT_EQ(gains(4, 7), "-32768 -32768 -32768");
  EXPECT_EQ(editor.selection, (Ends{4, 4}));
  EXPECT_FALSE(editor.multipleSelected);
  EXPECT_EQ(doc().editSummary.bitrate, 0);  // now variable
  EXPECT_EQ(editor.operationStatus, 0);

  // Paste acts in front of the silence; one level of undo.
  selectRange(0, 2);
  editor.copy(Sender::User);
  cursor(4);
  editor.paste(Sender::User);
  EXPECT_EQ(doc().frameList[4], 0);
  EXPECT_EQ(doc().frameList[6], code);
  editor.undo(Sender::User);
  editor.undo(Sender::User);
  EXPECT_EQ(doc().documentFrameCount(), 13);
}

TEST_F(EditorGainTest, SilenceReplacesTheSelectionAndSelectsIt) {
  load(10);
  selectRange(7, 3);
  script();
  editor.insertSilence(Sender::ScriptMarker, 2);
  EXPECT_EQ(editor.operationStatus, 0);
  EXPECT_EQ(doc().frameList, (std::vector<int32_t>{0, 1, 2, -73, -73, 7, 8, 9}));  // 128 kbps, 44.1, joint
  EXPECT_EQ(editor.selection, (Ends{3, 5}));
  EXPECT_TRUE(editor.multipleSelected);
  // A later volume change brings the marker pair into range.
  editor.amplify(Sender::ScriptMarker, Editor::VolumeRequest{2});
  EXPECT_EQ(gains(3, 4), "-255");

  // The whole document selected: silence only, no "leave one frame" refusal.
  selectRange(0, 8);
  editor.insertSilence(Sender::ScriptMarker, 5);
  EXPECT_EQ(doc().frameList, std::vector<int32_t>(5, -73));
  EXPECT_EQ(editor.selection, (Ends{0, 5}));
  script(false);
  editor.undo(Sender::User);
  EXPECT_EQ(doc().documentFrameCount(), 8);
  EXPECT_EQ(editor.selection, (Ends{0, 8}));
}

TEST_F(EditorGainTest, SilenceLimitZeroLengthAndNoDocument) {
  script();
  editor.insertSilence(Sender::ScriptMarker, 4);
  EXPECT_EQ(editor.operationStatus, 1);
  load(10);
  cursor(10);
  editor.insertSilence(Sender::ScriptMarker, 300000);
  EXPECT_EQ(editor.operationStatus, 2);
  EXPECT_EQ(doc().documentFrameCount(), 10 + kMaxSilenceFrames);
  EXPECT_EQ(doc().frameList.back(), -73);

  load(10);
  selectRange(2, 4);
  editor.insertSilence(Sender::ScriptMarker, 0);  // a script deletes
  EXPECT_EQ(doc().documentFrameCount(), 8);
  EXPECT_EQ(editor.operationStatus, 0);
  script(false);

  // From the window, length 0 asks first.
  selectRange(2, 4);
  host.answerSilence(SilenceDialogResult{0, SilenceFormat{}});
  editor.insertSilence(Sender::User);  // No is the default
  EXPECT_EQ(lastBox(), "Prompt: Erase the selection?");
  EXPECT_EQ(doc().documentFrameCount(), 8);
  host.answerSilence(SilenceDialogResult{0, SilenceFormat{}});
  host.answer(MessageResult::Yes);
  editor.insertSilence(Sender::User);
  EXPECT_EQ(doc().documentFrameCount(), 6);
  // Without a selection, length 0 does nothing; a cancelled dialog neither.
  host.answerSilence(SilenceDialogResult{0, SilenceFormat{}});
  editor.insertSilence(Sender::User);
  editor.insertSilence(Sender::User);
  EXPECT_EQ(doc().documentFrameCount(), 6);
}

TEST_F(EditorGainTest, LongSelectionPresetsTheLimit) {
  // A document too long to write as a file, built in memory.
  const int32_t n = 400000;
  Document& d = doc();
  for (int32_t i = 0; i < n; ++i) {
    FrameInfo& f = d.frameTable.next() = FrameInfo{};
    f.bitrateIndex = 9;
    f.computedLength = f.storedLength = 417;
    d.frameTable.commitNext();
    d.frameList.push_back(i);
  }
  d.gainList.assign(size_t(n), GainPair{});
  d.documentLoaded = true;
  editor.refreshStatistics();
  selectRange(50000, 350000);
  editor.insertSilence(Sender::User);  // cancelled
  ASSERT_EQ(host.silenceDialogs().size(), 1u);
  EXPECT_EQ(host.silenceDialogs()[0].frames, kMaxSilenceFrames);
  // The text is the length of the frames the preset covers.
  EXPECT_EQ(host.silenceDialogs()[0].lengthText, "6847.843");
  EXPECT_EQ(host.silenceDialogs()[0].whereLabel, "SILENCE WILL REPLACE THE SELECTION");
  EXPECT_EQ(doc().documentFrameCount(), n);
}

}  // namespace
}  // namespace kavrel
