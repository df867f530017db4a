#pragma once
// Bridges loads, inserts and saves to the processing-error policy and to
// the host's event loop.

#include "app/editor.h"
#include "document/loader.h"

namespace kavrel {

// The checkpoint of loads and saves: progress shown, pending events run,
// then Esc and window closing are looked at.
inline Checkpoint hostCheckpoint(Host& host, int blocks) {
  if (blocks >= 0) host.progress(blocks);
  host.processEvents();
  if (host.escapePressed()) return Checkpoint::Cancel;
  if (host.closingRequested()) return Checkpoint::CloseWindow;
  return Checkpoint::Continue;
}

class EditorScanObserver final : public ScanObserver {
 public:
  explicit EditorScanObserver(Editor& editor) : editor_(editor) {}
  bool tryToContinue(const std::string& message) override { return editor_.tryToContinue(message); }
  Checkpoint progress(int blocks) override { return hostCheckpoint(editor_.host(), blocks); }

 private:
  Editor& editor_;
};

}  // namespace kavrel
