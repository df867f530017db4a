// Shared set-up of the save tests: an Editor on a recording host, and
// helpers to load built bytes and read results.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/editor.h"
#include "support/mp3_builder.h"
#include "support/recording_host.h"
#include "support/test_files.h"

namespace kavrel::test {

class SaveFixture : public ::testing::Test {
 protected:
  // A load selects nothing and checks no removal box, and the fade dialog
  // keeps its memory: the tests set those themselves.
  SaveFixture() {
    editor.options().autoSelectAll = false;
    editor.options().autoRemoveUnknown = false;
    editor.options().fadeMemoryMode = 0;
  }
  TempDir dir;
  RecordingHost host;
  Editor editor{host};
  Document& doc() { return editor.document(); }
  // Writes `bytes` as `name` in the test folder and loads it.
  std::string load(const std::vector<uint8_t>& bytes, const std::string& name = "in.mp3") {
    const std::string path = dir.file(name);
    writeFile(path, bytes);
    EXPECT_TRUE(editor.loadFile(path)) << editor.lineError;
    host.clearRecord();
    return path;
  }
  // Loads a builder's bytes; the builder, for its frame offsets.
  Mp3Builder load(const Mp3Builder& b, const std::string& name = "in.mp3") {
    load(b.bytes(), name);
    return b;
  }
  // Writes `count` frames of the given gain as `name` and inserts them at `at`.
  std::string insertFile(const std::string& name, int count, uint8_t gain, int32_t at) {
    const std::string path = dir.file(name);
    writeFile(path, Mp3Builder().frames(count, {.gains = {gain, gain, gain, gain}}).bytes());
    EXPECT_EQ(editor.insertFileAt(path, at), 0) << editor.lineError;
    return path;
  }
  // Save As under a new name in the test folder; the written bytes.
  std::vector<uint8_t> saveAsNew(const std::string& name = "out.mp3") {
    const std::string path = dir.file(name);
    EXPECT_TRUE(editor.saveAs(Sender::User, path)) << messagesText();
    return std::filesystem::exists(path) ? readFile(path) : std::vector<uint8_t>{};
  }
  // Keeps the first `n` frames of the document.
  void truncateTo(size_t n) {
    doc().frameList.resize(n);
    doc().gainList.resize(n);
  }
  // A script's Save As that fails with `status`: its line error.
  std::string scriptSaveAsError(const std::string& target, int status = kStatusSaveFailed) {
    editor.scriptRunning = true;
    EXPECT_FALSE(editor.saveAs(Sender::ScriptMarker, target));
    EXPECT_EQ(editor.operationStatus, status);
    return editor.lineError;
  }
  void selectRange(int32_t from, int32_t to) {
    editor.selection = {from, to};
    editor.select();
  }
  std::string messagesText() const {
    std::string all;
    for (const auto& m : host.messages()) all += "[" + m.caption + "] " + m.text + "\n";
    return all;
  }
  bool exists(const std::string& path) const { return std::filesystem::exists(path); }
};

inline std::vector<uint8_t> slice(const std::vector<uint8_t>& bytes, size_t offset, size_t length) {
  return {bytes.begin() + std::ptrdiff_t(offset), bytes.begin() + std::ptrdiff_t(offset + length)};
}

inline std::vector<uint8_t> cat(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

inline void append(std::vector<uint8_t>& to, const std::vector<uint8_t>& more) {
  to.insert(to.end(), more.begin(), more.end());
}

inline uint32_t be32(const std::vector<uint8_t>& b, size_t at) {
  return uint32_t(b.at(at)) << 24 | uint32_t(b.at(at + 1)) << 16 | uint32_t(b.at(at + 2)) << 8 | b.at(at + 3);
}

}  // namespace kavrel::test
