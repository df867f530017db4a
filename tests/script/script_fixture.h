// A loaded editor with the script engine on it, for the script tests.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "app/editor.h"
#include "script/line_processor.h"
#include "support/mp3_builder.h"
#include "support/recording_host.h"
#include "support/test_files.h"

namespace kavrel::test {

// 44.1 kHz frames: 1 s is 38.28 frames.
inline int32_t framesAt(double seconds) { return int32_t(std::nearbyint(seconds / 0.0261224489795918)); }

class ScriptFixture : public ::testing::Test {
 protected:
  // A load selects nothing and checks no removal box here, and the fade
  // dialog keeps its memory: the tests set those themselves.
  ScriptFixture() {
    editor.options().autoSelectAll = false;
    editor.options().autoRemoveUnknown = false;
    editor.options().fadeMemoryMode = 0;
  }
  void SetUp() override {
    editor.scriptRunning = true;
    engine.lineErrorHandler = [this](const std::string& text) {
      errors.push_back(text);
      return false;
    };
    engine.today = [] { return ScriptDate{2026, 3, 5}; };
  }
  std::string write(const std::string& name, const Mp3Builder& b) {
    const std::string path = dir.file(name);
    writeFile(path, b.bytes());
    return path;
  }
  // n frames of 32 kbit/s, 44.1 kHz stereo.
  std::string mp3(const std::string& name, int n) {
    Mp3Builder b;
    b.frames(n, {.bitrateIndex = 1});
    return write(name, b);
  }
  void load(int n = 5000) {
    path = mp3("base.mp3", n);
    ASSERT_EQ(run("LOAD \"" + path + "\""), "");
    host.clearRecord();
  }
  // The line's error text ("" when it succeeded).
  std::string run(const std::string& line) {
    engine.processLine(line);
    return editor.lineError;
  }
  Document& doc() { return editor.document(); }
  int32_t frames() { return doc().documentFrameCount(); }
  std::array<int32_t, 2> sel() const { return editor.selection; }

  TempDir dir;
  RecordingHost host;
  Editor editor{host};
  ScriptEngine engine{editor};
  std::vector<std::string> errors;
  std::string path;
};

}  // namespace kavrel::test
