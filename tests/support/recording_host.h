// A Host that records every call of the core and answers from queues; with a queue empty a box gets its
// default button and a dialog is cancelled. Window slot k is centred at (100 + k, 200).
#pragma once

#include <deque>
#include <functional>
#include <initializer_list>
#include <optional>
#include <stdexcept>
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
};

class RecordingHost : public Host {
  template <class T>
  static std::optional<T> next(std::deque<std::optional<T>>& answers) {
    if (answers.empty()) return std::nullopt;
    std::optional<T> answer = std::move(answers.front());
    answers.pop_front();
    return answer;
  }
  template <class State, class Result>
  struct Dialog {
    std::deque<std::optional<Result>> answers;
    std::vector<State> shown;
  };
  template <class State, class Result>
  std::optional<Result> show(Dialog<State, Result>& dialog, const State& state) {
    dialog.shown.push_back(state);
    if (onDialog) onDialog();
    return next(dialog.answers);
  }

 public:
  // --- answers, first in first out
  void answer(MessageResult result) { answers_.push_back(result); }
  void answer(std::initializer_list<MessageResult> results) { answers_.insert(answers_.end(), results); }
  void answerOpenFile(std::optional<std::string> path) { openAnswers_.push_back(std::move(path)); }
  void answerSaveFile(std::optional<std::string> path) { saveAnswers_.push_back(std::move(path)); }
  void answerVolume(std::optional<VolumeDialogResult> r) { volume_.answers.push_back(std::move(r)); }
  void answerFade(std::optional<FadeDialogResult> r) { fade_.answers.push_back(std::move(r)); }
  void answerSilence(std::optional<SilenceDialogResult> r) { silence_.answers.push_back(std::move(r)); }
  void answerSplit(std::optional<SplitDialogResult> r) { split_.answers.push_back(std::move(r)); }
  void answerSaveSelection(std::optional<SaveSelectionDialogResult> r) {
    saveSelection_.answers.push_back(std::move(r));
  }
  // escapePressed() reports Esc once, as soon as `calls` progress steps were made (0: at the first check).
  void escapeAfterProgress(int calls) { escapeAfter_ = calls; }
  void setClosing(bool closing) { closing_ = closing; }  // what closingRequested() says
  std::function<void()> onDialog;                        // while an editing dialog is open, before it answers
  // On every progress step (not progress(-1)), with the 1-based call number and the blocks.
  std::function<void(int call, int blocks)> onProgress;
  std::function<void()> onProcessEvents;
  // --- what happened
  const std::vector<RecordedMessage>& messages() const { return messages_; }
  const RecordedMessage& lastMessage() const {
    if (messages_.empty()) throw std::logic_error("RecordingHost: no message box was shown");
    return messages_.back();
  }
  int progressCalls() const { return progressCalls_; }        // blocks >= 0
  int progressEndCalls() const { return progressEndCalls_; }  // progress(-1)
  int processEventsCalls() const { return processEventsCalls_; }
  bool busy() const { return busy_; }
  int viewChanges(ViewChange change) const { return viewChanges_[size_t(change)]; }
  int documentWindowCloses() const { return documentWindowCloses_; }
  std::vector<FileDialogRequest> requests;  // every file dialog, as much of its request as it was given
  // The states the editing dialogs were shown with, in order.
  const std::vector<VolumeDialogState>& volumeDialogs() const { return volume_.shown; }
  const std::vector<FadeDialogState>& fadeDialogs() const { return fade_.shown; }
  const std::vector<SilenceDialogState>& silenceDialogs() const { return silence_.shown; }
  const std::vector<SplitDialogState>& splitDialogs() const { return split_.shown; }
  const std::vector<SaveSelectionDialogState>& saveSelectionDialogs() const { return saveSelection_.shown; }
  // Forgets everything recorded (not the queued answers or the hooks).
  void clearRecord() {
    messages_.clear();
    progressCalls_ = progressEndCalls_ = processEventsCalls_ = documentWindowCloses_ = 0;
    for (int& n : viewChanges_) n = 0;
    requests.clear();
    volume_.shown.clear();
    fade_.shown.clear();
    silence_.shown.clear();
    split_.shown.clear();
    saveSelection_.shown.clear();
  }
  // --- Host
  MessageResult messageBox(const std::string& text, const std::string& caption, MessageIcon icon,
                           MessageButtons buttons, MessageResult defaultButton) override {
    messages_.push_back({text, caption, icon, buttons, defaultButton});
    if (answers_.empty()) return defaultButton;
    const MessageResult result = answers_.front();
    answers_.pop_front();
    return result;
  }
  void processEvents() override {
    ++processEventsCalls_;
    if (onProcessEvents) onProcessEvents();
  }
  bool escapePressed() override {
    const bool now = escapeAfter_ >= 0 && progressCalls_ >= escapeAfter_;
    if (now) escapeAfter_ = -1;
    return now;
  }
  bool closingRequested() override { return closing_; }
  void progress(int blocks) override {
    if (blocks < 0) return void(++progressEndCalls_);
    ++progressCalls_;
    if (onProgress) onProgress(progressCalls_, blocks);
  }
  void setBusy(bool busy) override { busy_ = busy; }
  void viewChanged(ViewChange change) override { ++viewChanges_[size_t(change)]; }
  void closeDocumentWindows() override { ++documentWindowCloses_; }
  WindowPosition centredWindowPosition(size_t slot) override { return {int32_t(100 + slot), 200}; }
  std::optional<std::string> chooseFile(const FileDialogRequest& r) override {
    requests.push_back(r);
    return next(r.save ? saveAnswers_ : openAnswers_);
  }
  std::optional<std::string> chooseOpenFile(const std::string& title, const std::string& folder) override {
    FileDialogRequest r;
    r.title = title, r.folder = folder;
    return chooseFile(r);
  }
  std::optional<std::string> chooseSaveFile(const std::string& folder, const std::string& fileName) override {
    FileDialogRequest r;
    r.save = true, r.folder = folder, r.fileName = fileName;
    return chooseFile(r);
  }
  std::optional<VolumeDialogResult> volumeDialog(const VolumeDialogState& s) override {
    return show(volume_, s);
  }
  std::optional<FadeDialogResult> fadeDialog(const FadeDialogState& s) override { return show(fade_, s); }
  std::optional<SilenceDialogResult> silenceDialog(const SilenceDialogState& s) override {
    return show(silence_, s);
  }
  std::optional<SplitDialogResult> splitDialog(const SplitDialogState& s) override { return show(split_, s); }
  std::optional<SaveSelectionDialogResult> saveSelectionDialog(const SaveSelectionDialogState& s) override {
    return show(saveSelection_, s);
  }

 private:
  Dialog<VolumeDialogState, VolumeDialogResult> volume_;
  Dialog<FadeDialogState, FadeDialogResult> fade_;
  Dialog<SilenceDialogState, SilenceDialogResult> silence_;
  Dialog<SplitDialogState, SplitDialogResult> split_;
  Dialog<SaveSelectionDialogState, SaveSelectionDialogResult> saveSelection_;
  std::deque<MessageResult> answers_;
  std::deque<std::optional<std::string>> openAnswers_, saveAnswers_;
  std::vector<RecordedMessage> messages_;
  int escapeAfter_ = -1, progressCalls_ = 0, progressEndCalls_ = 0, processEventsCalls_ = 0;
  int documentWindowCloses_ = 0, viewChanges_[4] = {};
  bool closing_ = false, busy_ = false;
};

}  // namespace kavrel::test
