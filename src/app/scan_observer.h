#pragma once
// Bridges a file scan (load or insert) to the processing-error policy and to
// the host's event loop.

#include "app/editor.h"
#include "document/loader.h"

namespace kavrel {

class EditorScanObserver final : public ScanObserver {
 public:
  explicit EditorScanObserver(Editor& editor) : editor_(editor) {}
  bool tryToContinue(const std::string& message) override { return editor_.tryToContinue(message); }
  Checkpoint progress(int blocks) override {
    Host& host = editor_.host();
    host.progress(blocks);
    host.processEvents();
    if (host.escapePressed()) return Checkpoint::Cancel;
    if (host.closingRequested()) return Checkpoint::CloseWindow;
    return Checkpoint::Continue;
  }

 private:
  Editor& editor_;
};

}  // namespace kavrel
