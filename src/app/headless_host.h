#pragma once
// The host of command-line runs: no display, message texts go to stderr and
// every question takes its default answer.

#include <ostream>

#include "app/host.h"

namespace kavrel {

class HeadlessHost final : public Host {
 public:
  explicit HeadlessHost(std::ostream& messages) : messages_(messages) {}
  MessageResult messageBox(const std::string& text, const std::string& caption, MessageIcon icon,
                           MessageButtons buttons, MessageResult defaultButton) override;
  void processEvents() override {}
  bool escapePressed() override { return false; }
  bool closingRequested() override { return false; }
  void progress(int) override {}
  void setBusy(bool) override {}
  void viewChanged(ViewChange) override {}
  // Names come from the script; there is no dialog to ask.
  std::optional<std::string> chooseSaveFile(const std::string&, const std::string&) override { return std::nullopt; }
  std::optional<std::string> chooseOpenFile(const std::string&, const std::string&) override { return std::nullopt; }
  // Values come from the script; the editing dialogs are never shown.
  std::optional<VolumeDialogResult> volumeDialog(const VolumeDialogState&) override { return std::nullopt; }
  std::optional<FadeDialogResult> fadeDialog(const FadeDialogState&) override { return std::nullopt; }
  std::optional<SilenceDialogResult> silenceDialog(const SilenceDialogState&) override { return std::nullopt; }
  std::optional<SplitDialogResult> splitDialog(const SplitDialogState&) override { return std::nullopt; }
  std::optional<SaveSelectionDialogResult> saveSelectionDialog(const SaveSelectionDialogState&) override {
    return std::nullopt;
  }

 private:
  std::ostream& messages_;
};

// CR LF as the program words its texts, LF for a terminal.
std::string toTerminalText(const std::string& text);

}  // namespace kavrel
