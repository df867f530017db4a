// Cost of one full repaint of the main window's frame view: the strip with
// 84 bars of mixed bitrates, gain changes, silent gaps and a VBR frame, the
// selection shading and markers, the time labels and the scroll bar, painted
// offscreen into an image the size of the window's canvas. The target is
// well under 2 ms a repaint.
//
//   build/default/bench/frame_view_bench [repaints]

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/editor.h"
#include "bench_common.h"
#include "ui/frame_view_widget.h"

namespace kavrel {
namespace {

void buildDocument(Editor& editor, int32_t frames) {
  Document& doc = editor.document();
  for (int32_t i = 0; i < frames; ++i) {
    FrameInfo& f = doc.frameTable.next();
    f.channelMode = 1;
    f.bitrateIndex = uint8_t(1 + i % 14);
    f.averageGain = uint8_t(100 + i % 120);
    f.vbrHeaderKind = i == 0 ? 1 : 0;
    f.computedLength = 417;
    f.storedLength = 417;
    doc.frameTable.commitNext();
  }
  doc.frameList.resize(size_t(frames));
  for (int32_t i = 0; i < frames; ++i) doc.frameList[size_t(i)] = i % 7 == 3 ? -1 : i;
  doc.gainList.assign(size_t(frames), GainPair{});
  for (int32_t i = 0; i < frames; i += 5) doc.gainList[size_t(i)] = {int16_t(i % 9), int16_t(-(i % 5))};
  doc.sourceFirstFrame[1] = frames;
  doc.documentLoaded = true;
  editor.refreshStatistics();
}

int run(int repaints) {
  bench::NullHost host;
  Editor editor(host);
  buildDocument(editor, 100000);
  editor.viewOffset = 5000;
  editor.selectSpan(5020, 5050);

  FrameViewWidget view(editor, nullptr);
  view.resize(470, 486);
  QImage canvas(view.size(), QImage::Format_ARGB32_Premultiplied);
  std::vector<double> ms;
  ms.reserve(size_t(repaints));
  for (int i = 0; i < repaints; ++i) {
    // Every repaint follows a move of the view, so the labels are rebuilt too.
    editor.viewOffset = 5000 + (i % 2);
    const auto start = bench::Clock::now();
    view.refreshView();
    view.render(&canvas);
    ms.push_back(std::chrono::duration<double, std::milli>(bench::Clock::now() - start).count());
  }
  if (const char* out = std::getenv("KAVREL_BENCH_IMAGE")) canvas.save(out);  // to look at
  std::sort(ms.begin(), ms.end());
  std::printf("frame view repaint (refresh + paint, %d times): median %.3f ms, 95th %.3f ms, worst %.3f ms\n",
              repaints, ms[ms.size() / 2], ms[ms.size() * 95 / 100], ms.back());
  return 0;
}

}  // namespace
}  // namespace kavrel

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int repaints = argc > 1 ? std::max(10, std::atoi(argv[1])) : 2000;
  return kavrel::run(repaints);
}
