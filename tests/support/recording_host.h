// A Host for Editor tests: records every message box and every call the
// core makes to the outside world, and answers from a script.
//
//   RecordingHost host;
//   Editor editor(host);
//   host.answer(MessageResult::No);          // the next box is answered No
//   host.escapeAfterProgress(1);             // Esc right after the first progress step
//   host.answerOpenFile("/tmp/x.mp3");       // the next open dialog chooses this file
//   host.onProgress = [&](int call, int blocks) { /* truncate the file, ... */ };
//   editor.loadFile(path);
//   ASSERT_EQ(host.messages().size(), 1u);
//   EXPECT_EQ(host.messages()[0].text, "...");
//
// Message boxes take the scripted answers in order; once the queue is empty
// every box gets its default button, as a user pressing Enter would.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "app/host.h"

namespace kavrel::test {

struct RecordedMessage {
  std::string text;
  std::string caption;
  MessageIcon icon = MessageIcon::None;
  MessageButtons buttons = MessageButtons::Ok;
  MessageResult defaultButton = MessageResult::Ok;
  MessageResult answer = MessageResult::Ok;  // what the host returned
};

class RecordingHost : public Host {
 public:
  // --- scripting
  // Queues answers for the next message boxes, first in first out.
  void answer(MessageResult result) { answers_.push_back(result); }
  void answer(std::initializer_list<MessageResult> results) { answers_.insert(answers_.end(), results); }
  size_t pendingAnswers() const { return answers_.size(); }

  // escapePressed() reports Esc once (the flag is consumed, like the real
  // key flag) as soon as `calls` progress steps have been made; 0 reports it
  // at the first check. A negative value disarms it.
  void escapeAfterProgress(int calls) { escapeAfter_ = calls; }
  // closingRequested() returns this value.
  void setClosing(bool closing) { closing_ = closing; }
  // Answers for the next open dialogs, first in first out (nullopt =
  // cancelled); once the queue is empty every dialog is cancelled.
  void answerOpenFile(std::optional<std::string> path) { openAnswers_.push_back(std::move(path)); }
  // The same for the save dialogs.
  void answerSaveFile(std::optional<std::string> path) { saveAnswers_.push_back(std::move(path)); }

  // Answers for the next editing dialogs of each kind, first in first out
  // (nullopt = cancelled); once a queue is empty that dialog is cancelled.
  void answerVolume(std::optional<VolumeDialogResult> r) { volume_.answers.push_back(std::move(r)); }
  void answerFade(std::optional<FadeDialogResult> r) { fade_.answers.push_back(std::move(r)); }
  void answerSilence(std::optional<SilenceDialogResult> r) { silence_.answers.push_back(std::move(r)); }
  void answerSplit(std::optional<SplitDialogResult> r) { split_.answers.push_back(std::move(r)); }
  void answerSaveSelection(std::optional<SaveSelectionDialogResult> r) {
    saveSelection_.answers.push_back(std::move(r));
  }
  // Called while an editing dialog is open, before it answers.
  std::function<void()> onDialog;

  // Called on every progress step (blocks >= 0) after it was counted, with
  // the 1-based call number and the block count; not called for progress(-1).
  std::function<void(int call, int blocks)> onProgress;
  // Called from processEvents(), after it was counted.
  std::function<void()> onProcessEvents;

  // --- what happened
  const std::vector<RecordedMessage>& messages() const { return messages_; }
  const RecordedMessage& lastMessage() const;                 // throws when no box was shown
  int progressCalls() const { return progressCalls_; }        // blocks >= 0
  int progressEndCalls() const { return progressEndCalls_; }  // progress(-1)
  const std::vector<int>& progressBlocks() const { return progressBlocks_; }
  int processEventsCalls() const { return processEventsCalls_; }
  int escapeChecks() const { return escapeChecks_; }
  bool busy() const { return busy_; }
  int busyChanges() const { return busyChanges_; }
  int viewChanges(ViewChange change) const { return viewChanges_[size_t(change)]; }
  int documentWindowCloses() const { return documentWindowCloses_; }
  struct OpenDialog {
    std::string title;
    std::string folder;
  };
  const std::vector<OpenDialog>& openDialogs() const { return openDialogs_; }
  struct SaveDialog {
    std::string folder;
    std::string fileName;
  };
  const std::vector<SaveDialog>& saveDialogs() const { return saveDialogs_; }

  // The states the editing dialogs were shown with, in order.
  const std::vector<VolumeDialogState>& volumeDialogs() const { return volume_.shown; }
  const std::vector<FadeDialogState>& fadeDialogs() const { return fade_.shown; }
  const std::vector<SilenceDialogState>& silenceDialogs() const { return silence_.shown; }
  const std::vector<SplitDialogState>& splitDialogs() const { return split_.shown; }
  const std::vector<SaveSelectionDialogState>& saveSelectionDialogs() const { return saveSelection_.shown; }

  // Forgets everything recorded (not the scripted answers or hooks).
  void clearRecord();

  // --- Host
  MessageResult messageBox(const std::string& text, const std::string& caption, MessageIcon icon,
                           MessageButtons buttons, MessageResult defaultButton) override;
  void processEvents() override;
  bool escapePressed() override;
  bool closingRequested() override { return closing_; }
  void progress(int blocks) override;
  void setBusy(bool busy) override;
  void viewChanged(ViewChange change) override { ++viewChanges_[size_t(change)]; }
  void closeDocumentWindows() override { ++documentWindowCloses_; }
  std::optional<std::string> chooseOpenFile(const std::string& title, const std::string& folder) override;
  std::optional<std::string> chooseSaveFile(const std::string& folder, const std::string& fileName) override;
  std::optional<VolumeDialogResult> volumeDialog(const VolumeDialogState& state) override;
  std::optional<FadeDialogResult> fadeDialog(const FadeDialogState& state) override;
  std::optional<SilenceDialogResult> silenceDialog(const SilenceDialogState& state) override;
  std::optional<SplitDialogResult> splitDialog(const SplitDialogState& state) override;
  std::optional<SaveSelectionDialogResult> saveSelectionDialog(const SaveSelectionDialogState& state) override;

 private:
  template <class State, class Result>
  struct Dialog {
    std::deque<std::optional<Result>> answers;
    std::vector<State> shown;
  };
  template <class State, class Result>
  std::optional<Result> show(Dialog<State, Result>& dialog, const State& state);

  Dialog<VolumeDialogState, VolumeDialogResult> volume_;
  Dialog<FadeDialogState, FadeDialogResult> fade_;
  Dialog<SilenceDialogState, SilenceDialogResult> silence_;
  Dialog<SplitDialogState, SplitDialogResult> split_;
  Dialog<SaveSelectionDialogState, SaveSelectionDialogResult> saveSelection_;
  std::deque<MessageResult> answers_;
  int documentWindowCloses_ = 0;
  std::vector<RecordedMessage> messages_;
  int escapeAfter_ = -1;
  bool closing_ = false;
  int progressCalls_ = 0;
  int progressEndCalls_ = 0;
  std::vector<int> progressBlocks_;
  int processEventsCalls_ = 0;
  int escapeChecks_ = 0;
  bool busy_ = false;
  int busyChanges_ = 0;
  int viewChanges_[4] = {0, 0, 0, 0};
  std::deque<std::optional<std::string>> openAnswers_;
  std::vector<OpenDialog> openDialogs_;
  std::deque<std::optional<std::string>> saveAnswers_;
  std::vector<SaveDialog> saveDialogs_;
};

}  // namespace kavrel::test
