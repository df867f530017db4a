// Timings of the frame edits on a long document (2.5 million frames, about
// 18 hours at 44.1 kHz): delete, cut, copy, paste, trim, undo, volume, fade
// and silence insertion through the Editor commands, each including its
// snapshot, statistics refresh and position texts. Once with one sampling rate throughout, once with a 48 kHz
// frame every 1000 (positions then count the rates frame by frame). The
// document is built in memory; no file is read.
//
//   build/default/bench/edit_bench [frames]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "app/editor.h"
#include "bench_common.h"
#include "document/statistics.h"

namespace kavrel {
namespace {

void buildDocument(Editor& editor, int32_t frames, bool mixed) {
  Document& doc = editor.document();
  for (int32_t i = 0; i < frames; ++i) {
    FrameInfo& f = doc.frameTable.next();
    f.sampleRateIndex = mixed && i % 1000 == 999 ? 1 : 0;
    f.channelMode = 1;
    f.bitrateIndex = uint8_t(9 + (i % 3));
    f.averageGain = 150;
    f.filePosition = int32_t(int64_t(i) * 417 % 2000000000);
    f.computedLength = 417;
    f.storedLength = 417;
    doc.frameTable.commitNext();
  }
  doc.frameList.resize(size_t(frames));
  for (int32_t i = 0; i < frames; ++i) doc.frameList[size_t(i)] = i;
  doc.gainList.assign(size_t(frames), GainPair{});
  doc.sourceFirstFrame[1] = frames;
  doc.documentLoaded = true;
  for (Command c : {Command::Insert, Command::SelectAll}) editor.setEnabled(c, true);
  editor.refreshStatistics();
  // As a load does.
  editor.reserveEditMemory();
}

using Clock = std::chrono::steady_clock;

struct Timing {
  std::vector<double> ms;
  void add(double v) { ms.push_back(v); }
  double median() const {
    std::vector<double> s = ms;
    std::sort(s.begin(), s.end());
    return s[s.size() / 2];
  }
  double worst() const { return *std::max_element(ms.begin(), ms.end()); }
};

double timed(const std::function<void()>& action) {
  const auto start = Clock::now();
  action();
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "edit_bench: %s\n", what);
  std::exit(1);
}

void run(int32_t frames, bool mixed) {
  constexpr int kRounds = 7;
  bench::NullHost host;
  Editor editor(host);
  buildDocument(editor, frames, mixed);
  Document& doc = editor.document();
  const int32_t third = frames / 3;

  Timing del, undoDel, cut, pasteAtCursor, copy, pasteOver, undoPaste, trim, undoTrim;
  Timing volume, fadeAll, silenceAtCursor, undoSilence, silenceOver;
  for (int round = 0; round < kRounds; ++round) {
    editor.selection = {third, 2 * third};
    editor.select();
    del.add(timed([&] { editor.deleteSelection(Sender::User); }));
    check(doc.documentFrameCount() == frames - third, "delete");
    undoDel.add(timed([&] { editor.undo(Sender::User); }));
    check(doc.documentFrameCount() == frames, "undo of delete");

    editor.selection = {third, 2 * third};
    editor.select();
    cut.add(timed([&] { editor.cut(Sender::User); }));
    pasteAtCursor.add(timed([&] { editor.paste(Sender::User); }));
    check(doc.documentFrameCount() == frames && doc.frameList[size_t(2 * third)] == 2 * third,
          "cut and paste");

    editor.selection = {0, third};
    editor.select();
    copy.add(timed([&] { editor.copy(Sender::User); }));
    editor.selection = {2 * third, 2 * third + 1000};
    editor.select();
    pasteOver.add(timed([&] { editor.paste(Sender::User); }));
    check(doc.documentFrameCount() == frames + third - 1000, "paste over a selection");
    undoPaste.add(timed([&] { editor.undo(Sender::User); }));
    check(doc.documentFrameCount() == frames, "undo of paste");

    editor.selection = {1000, frames - 1000};
    editor.select();
    trim.add(timed([&] { editor.trim(Sender::User); }));
    check(doc.documentFrameCount() == frames - 2000, "trim");
    undoTrim.add(timed([&] { editor.undo(Sender::User); }));
    check(doc.documentFrameCount() == frames, "undo of trim");

    // Values as a script passes them: no dialog.
    editor.selection = {0, frames};
    editor.select();
    const int before = doc.gainList[size_t(frames / 2)].left;
    volume.add(timed([&] { editor.amplify(Sender::User, Editor::VolumeRequest{3}); }));
    check(doc.gainList[size_t(frames / 2)].left == std::min(before + 3, 255), "volume");
    fadeAll.add(timed([&] { editor.fade(Sender::User, Editor::FadeRequest{round % 2 == 0, 20}); }));
    check(doc.gainList[0].right == doc.gainList[0].left, "fade");

    editor.selection = {third, third};
    editor.unselect();
    silenceAtCursor.add(timed([&] { editor.insertSilence(Sender::User, kMaxSilenceFrames); }));
    check(doc.documentFrameCount() == frames + kMaxSilenceFrames && doc.frameList[size_t(third)] < 0,
          "silence at the cursor");
    undoSilence.add(timed([&] { editor.undo(Sender::User); }));
    check(doc.documentFrameCount() == frames, "undo of silence");
    editor.selection = {third, 2 * third};
    editor.select();
    silenceOver.add(timed([&] { editor.insertSilence(Sender::User, 1000); }));
    check(doc.documentFrameCount() == frames - third + 1000, "silence over a selection");
    editor.undo(Sender::User);
    check(doc.documentFrameCount() == frames, "undo of silence over a selection");
  }

  std::printf("Frame edits on %d frames, %s, %d rounds (ms, median / worst)\n", frames,
              mixed ? "mixed rates" : "one rate", kRounds);
  auto row = [](const char* name, const Timing& t) {
    std::printf("  %-34s %8.2f %8.2f\n", name, t.median(), t.worst());
  };
  row("delete a third", del);
  row("undo of the delete", undoDel);
  row("cut a third", cut);
  row("paste a third at the cursor", pasteAtCursor);
  row("copy a third", copy);
  row("paste a third over 1000 frames", pasteOver);
  row("undo of the paste", undoPaste);
  row("trim 1000 frames off each end", trim);
  row("undo of the trim", undoTrim);
  row("volume +4.5 dB on every frame", volume);
  row("fade over every frame", fadeAll);
  row("insert 256K silent frames", silenceAtCursor);
  row("undo of the silence", undoSilence);
  row("1000 silent frames over a third", silenceOver);
}

}  // namespace
}  // namespace kavrel

int main(int argc, char** argv) {
  const int32_t frames = argc > 1 ? std::atoi(argv[1]) : 2500000;
  if (frames < 3000) {
    std::fprintf(stderr, "edit_bench: at least 3000 frames\n");
    return 2;
  }
  kavrel::run(frames, false);
  kavrel::run(frames, true);
  return 0;
}
