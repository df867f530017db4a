// An Editor on a recording host in a fresh folder: loads built files, gives
// commands as the window does and prints what they left as short lines.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
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
  // Loads `bytes` as `name` and clear()s; the path. With `mark` loaded frame
  // i gets the gains (i, -i), so that frames() notices a gain left behind.
  std::string load(const std::vector<uint8_t>& bytes, const std::string& name = "base.mp3",
                   bool mark = false);
  Mp3Builder load(const Mp3Builder& b, const std::string& name = "base.mp3") {
    return load(b.bytes(), name), b;
  }
  // n frames of 128 kbit/s at 44.1 kHz, joint stereo unless `spec` says else.
  void load(int n, const FrameSpec& spec = {}, bool mark = false) {
    load(Mp3Builder().frames(n, spec).bytes(), "base.mp3", mark);
  }
  void selectRange(int32_t a, int32_t b) { editor.selection = {a, b}, editor.select(); }
  void cursor(int32_t p) { editor.selection = {p, p}, editor.unselect(); }
  void script(bool on = true) { editor.scriptRunning = on; }
  // Forgets the host's record, the boxes included.
  void clear() { host.clearRecord(), seen_ = 0; }
  Document& doc() { return editor.document(); }
  bool on(Command c) const { return editor.enabled(c); }
  static bool exists(const std::string& path) { return std::filesystem::exists(path); }
  // Save As under a new name in the test folder; the bytes written.
  std::vector<uint8_t> saveAsNew(const std::string& name = "out.mp3");
  // A script's Save As that fails with `status`: its line error.
  std::string scriptSaveAsError(const std::string& target, int status = kStatusSaveFailed);
  // Writes `count` frames of the given gain as `name` and inserts them at `at`.
  std::string insertFile(const std::string& name, int count, uint8_t gain, int32_t at);
  void truncateTo(size_t n) { doc().frameList.resize(n), doc().gainList.resize(n); }
  // The frame list as runs ("0-2 7 9-10"), " gains moved" when a marked gain is not with its frame.
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
  // The enabled commands by name, in Command order; edits() only those from SaveSelection to Undo, the eight
  // of a selection as "sel" when all are on.
  std::string commands(Command from = Command(0), Command to = Command::Count) const;
  std::string edits() const;
  // The message boxes since the last call or clear(), as "<icon>caption:
  // text" (icon i ? ! x or none) joined by " / ".
  std::string boxes();
  // The window's ways to give a command: on a selection (a cursor when a == b), or as a button.
  using Fn = std::function<void()>;
  Fn at(int32_t a, int32_t b, Fn f) { return [=, this] { a == b ? cursor(a) : selectRange(a, b), f(); }; }
  Fn cmd(void (Editor::*command)(Sender)) { return [=, this] { (editor.*command)(Sender::User); }; }
  // state(), edits(), the status (- when the command left it) and " +box" when a message box was shown.
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

inline std::vector<uint8_t> slice(const std::vector<uint8_t>& bytes, size_t offset, size_t length) {
  return {bytes.begin() + std::ptrdiff_t(offset), bytes.begin() + std::ptrdiff_t(offset + length)};
}
inline std::vector<uint8_t> cat(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

}  // namespace kavrel::test
