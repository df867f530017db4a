// A save after a chain of edits (delete, copy and paste, volume, fade,
// silence, undo) writes exactly the file its edit list describes: every
// frame is compared with the source frame it names, rebuilt with the
// expected global_gain values, or with a silent frame; mpg123 then decodes
// the whole file without complaint.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/editor.h"
#include "support/mp3_builder.h"
#include "support/recording_host.h"
#include "support/test_files.h"

namespace kavrel::test {
namespace {

// What the test expects of one output frame: the source frame (or -1 for a
// silent one) and the gain changes.
struct Expected {
  int source;
  int left;
  int right;
};

constexpr int kSourceFrames = 120;
constexpr int kSilent = -1;

FrameSpec sourceSpec(int i) {
  FrameSpec spec;  // 128 kbit/s, 44.1 kHz, joint stereo
  spec.gains = {uint8_t(200 + i % 50), uint8_t(60 + i), uint8_t(10 + i), uint8_t(i % 3)};
  return spec;
}

uint8_t patched(uint8_t original, int change) { return uint8_t(std::clamp(int(original) + change, 0, 255)); }

int clampPair(int v) { return std::clamp(v, -255, 255); }

TEST(EditChainInterop, SavedFramesMatchTheEditList) {
  TempDir dir;
  Mp3Builder builder;
  for (int i = 0; i < kSourceFrames; ++i) builder.frame(sourceSpec(i));
  const std::string input = dir.file("input.mp3");
  writeFile(input, builder.bytes());
  const std::vector<uint8_t> inputBytes = builder.bytes();
  const std::vector<size_t> offsets = builder.frameOffsets();

  RecordingHost host;
  Editor editor(host);
  ASSERT_TRUE(editor.loadFile(input));
  editor.scriptRunning = true;
  auto select = [&](int32_t a, int32_t b) {
    editor.selection = {a, b};
    editor.select();
  };
  auto cursor = [&](int32_t p) {
    editor.selection = {p, p};
    editor.unselect();
  };

  std::vector<Expected> model;
  for (int i = 0; i < kSourceFrames; ++i) model.push_back({i, 0, 0});

  // Delete 10..19.
  select(10, 20);
  editor.deleteSelection(Sender::ScriptMarker);
  ASSERT_EQ(editor.operationStatus, 0);
  model.erase(model.begin() + 10, model.begin() + 20);

  // Copy 30..39 and paste them at 50.
  select(30, 40);
  editor.copy(Sender::ScriptMarker);
  cursor(50);
  editor.paste(Sender::ScriptMarker);
  ASSERT_EQ(editor.operationStatus, 0);
  const std::vector<Expected> copied(model.begin() + 30, model.begin() + 40);
  model.insert(model.begin() + 50, copied.begin(), copied.end());

  // +4.5 dB on the left of 0..29, then +30 dB twice on 70..74 (the saved
  // fields clamp at 255).
  select(0, 30);
  editor.amplify(Sender::ScriptMarker, Editor::VolumeRequest{3, true, false});
  for (int i = 0; i < 30; ++i) model[size_t(i)].left += 3;
  select(70, 75);
  for (int k = 0; k < 2; ++k) editor.amplify(Sender::ScriptMarker, Editor::VolumeRequest{20});
  for (int i = 70; i < 75; ++i) model[size_t(i)] = {model[size_t(i)].source, 40, 40};

  // Fade out over 80..89 by 30 dB: 0, -2, -4, ... -20 (9 steps, rounded).
  select(80, 90);
  editor.fade(Sender::ScriptMarker, Editor::FadeRequest{false, 20});
  ASSERT_EQ(editor.operationStatus, 0);
  const int ramp[10] = {0, -2, -4, -7, -9, -11, -13, -16, -18, -20};
  for (int i = 0; i < 10; ++i) {
    Expected& e = model[size_t(80 + i)];
    e.left = clampPair(e.left + ramp[i]);
    e.right = e.left;
  }

  // Five silent frames at 3, then +3 dB over 2..5 (silent frames take it in
  // the list only).
  cursor(3);
  editor.insertSilence(Sender::ScriptMarker, 5);
  ASSERT_EQ(editor.operationStatus, 0);
  model.insert(model.begin() + 3, 5, Expected{kSilent, -255, -255});
  select(2, 6);
  editor.amplify(Sender::ScriptMarker, Editor::VolumeRequest{2});
  model[2].left += 2;
  model[2].right += 2;

  // A volume change taken back with undo.
  select(0, 100);
  editor.amplify(Sender::ScriptMarker, Editor::VolumeRequest{-7});
  editor.scriptRunning = false;
  editor.undo(Sender::User);
  editor.scriptRunning = true;

  // The edit list is the one the test expects.
  const Document& doc = editor.document();
  ASSERT_EQ(doc.documentFrameCount(), int32_t(model.size()));
  for (size_t i = 0; i < model.size(); ++i) {
    const Expected& e = model[i];
    if (e.source == kSilent) {
      EXPECT_LT(doc.frameList[i], 0) << i;
    } else {
      EXPECT_EQ(doc.frameList[i], e.source) << i;
      EXPECT_EQ(doc.gainList[i], (GainPair{int16_t(e.left), int16_t(e.right)})) << i;
    }
  }

  const std::string output = dir.file("output.mp3");
  ASSERT_TRUE(editor.saveAs(Sender::ScriptMarker, output)) << editor.lineError;
  ASSERT_EQ(editor.operationStatus, 0) << editor.lineError;

  // Frame by frame: the source bytes with the expected gain fields, or a
  // silent frame of the document's format (no padding, no CRC, zero body).
  const std::vector<uint8_t> out = readFile(output);
  FrameSpec silentSpec;
  silentSpec.modeExtension = 0;
  silentSpec.original = false;
  const std::array<uint8_t, 4> silentHeader = makeHeader(silentSpec);
  size_t at = 0;
  for (size_t i = 0; i < model.size(); ++i) {
    const Expected& e = model[i];
    ASSERT_LE(at + 417, out.size()) << "output ends at frame " << i;
    const std::vector<uint8_t> got(out.begin() + std::ptrdiff_t(at), out.begin() + std::ptrdiff_t(at + 417));
    if (e.source == kSilent) {
      EXPECT_TRUE(std::equal(silentHeader.begin(), silentHeader.end(), got.begin())) << "frame " << i;
      EXPECT_EQ(std::count(got.begin() + 4, got.end(), 0), 413) << "frame " << i;
    } else {
      const auto source = inputBytes.begin() + std::ptrdiff_t(offsets[size_t(e.source)]);
      const std::array<uint8_t, 4> original = readGains(inputBytes, offsets[size_t(e.source)]);
      const std::array<uint8_t, 4> expectedGains{patched(original[0], e.left), patched(original[1], e.right),
                                                 patched(original[2], e.left), patched(original[3], e.right)};
      EXPECT_EQ(readGains(out, at), expectedGains) << "frame " << i;
      // The rest of the frame is the source's: rebuild it with the new
      // gains and compare every byte.
      FrameSpec spec = sourceSpec(e.source);
      spec.gains = expectedGains;
      EXPECT_EQ(got, makeFrame(spec)) << "frame " << i;
      EXPECT_TRUE(std::equal(source, source + 4, got.begin())) << "frame " << i;
    }
    at += 417;
  }
  EXPECT_EQ(at, out.size());

  if (!toolAvailable("mpg123")) GTEST_SKIP() << "mpg123 is not installed";
  const std::string wav = dir.file("decoded.wav");
  const CommandResult decoded = runCommand("mpg123 -q -w " + shellQuote(wav) + " " + shellQuote(output));
  EXPECT_EQ(decoded.exitCode, 0) << decoded.output;
  EXPECT_TRUE(decoded.output.empty()) << decoded.output;
  // Every frame decoded: 1152 stereo 16-bit samples each, after a 44-byte header.
  EXPECT_EQ(readFile(wav).size(), 44 + model.size() * 1152 * 4);
}

}  // namespace
}  // namespace kavrel::test
