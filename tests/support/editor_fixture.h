// An Editor on a recording host in a fresh folder, for the tests of the
// command layer: writes and loads built files, gives commands the way the
// window does, and prints what a command left behind as short lines.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/editor.h"
#include "support/mp3_builder.h"
#include "support/recording_host.h"
#include "support/test_files.h"

namespace kavrel::test {

class EditorFixture : public ::testing::Test {
 protected:
  // A load selects nothing and checks no removal box here, and the fade
  // dialog keeps its memory: the tests set those themselves.
  EditorFixture();

  std::string write(const std::string& name, const Mp3Builder& b) { return write(name, b.bytes()); }
  std::string write(const std::string& name, const std::vector<uint8_t>& bytes);
  // Loads `b` as base.mp3 and clear()s. With `mark` loaded frame i gets the
  // gains (i, -i), so that frames() notices a gain left behind.
  void load(const Mp3Builder& b, bool mark = false);
  // n frames of 128 kbit/s at 44.1 kHz, joint stereo unless `spec` says else.
  void load(int n, const FrameSpec& spec = {}, bool mark = false) {
    load(Mp3Builder().frames(n, spec), mark);
  }
  void selectRange(int32_t a, int32_t b) { editor.selection = {a, b}, editor.select(); }
  void cursor(int32_t p) { editor.selection = {p, p}, editor.unselect(); }
  void script(bool on = true) { editor.scriptRunning = on; }
  // Forgets the host's record, the boxes included.
  void clear() { host.clearRecord(), seen_ = 0; }
  Document& doc() { return editor.document(); }
  bool on(Command c) const { return editor.enabled(c); }

  // The frame list as runs ("0-2 7 9-10"), " gains moved" when a marked
  // gain is not with its frame.
  std::string frames();
  static std::string runs(const std::vector<int32_t>& list);
  // "a..b" while frames are selected, else the cursor.
  std::string sel() const;
  // "frames | selection | changes", " modified" when so.
  std::string state() {
    return frames() + " | " + sel() + " | " + std::to_string(doc().changeCount) +
           (doc().modified ? " modified" : "");
  }
  // The gains of frames [a, b): "l" when both channels have it, else "l/r".
  std::string gains(size_t a, size_t b);
  // The enabled commands by name, in Command order; edits() only those
  // from SaveSelection to Undo, the eight of a selection as "sel" when all
  // are on.
  std::string commands(Command from = Command(0), Command to = Command::Count) const;
  std::string edits() const;
  // The message boxes since the last call or clear(), as "<icon>caption:
  // text" (icon ! ? i or none) joined by " / ".
  std::string boxes();

  // The window's ways to give a command: on a selection (a cursor when
  // a == b), or as a button.
  using Fn = std::function<void()>;
  Fn at(int32_t a, int32_t b, Fn f) {
    return [=, this] { a == b ? cursor(a) : selectRange(a, b), f(); };
  }
  Fn cmd(void (Editor::*command)(Sender)) {
    return [=, this] { (editor.*command)(Sender::User); };
  }
  // state(), edits(), the status (- when the command left it) and " +box"
  // when a message box was shown.
  std::string after();
  // One step after another, each followed by after().
  void play(const std::vector<std::pair<Fn, const char*>>& steps);

  TempDir dir;
  RecordingHost host;
  Editor editor{host};
  int marked = 0;  // frames with marked gains

 private:
  size_t seen_ = 0;
};

}  // namespace kavrel::test
