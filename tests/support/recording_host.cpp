#include "support/recording_host.h"

#include <stdexcept>

namespace kavrel::test {

const RecordedMessage& RecordingHost::lastMessage() const {
  if (messages_.empty()) throw std::logic_error("RecordingHost: no message box was shown");
  return messages_.back();
}

void RecordingHost::clearRecord() {
  messages_.clear();
  progressCalls_ = 0;
  progressEndCalls_ = 0;
  progressBlocks_.clear();
  processEventsCalls_ = 0;
  escapeChecks_ = 0;
  busyChanges_ = 0;
  for (int& n : viewChanges_) n = 0;
  documentWindowCloses_ = 0;
  openDialogs_.clear();
  saveDialogs_.clear();
  volume_.shown.clear();
  fade_.shown.clear();
  silence_.shown.clear();
  split_.shown.clear();
  saveSelection_.shown.clear();
}

MessageResult RecordingHost::messageBox(const std::string& text, const std::string& caption, MessageIcon icon,
                                        MessageButtons buttons, MessageResult defaultButton) {
  MessageResult result = defaultButton;
  if (!answers_.empty()) {
    result = answers_.front();
    answers_.pop_front();
  }
  messages_.push_back({text, caption, icon, buttons, defaultButton, result});
  return result;
}

void RecordingHost::processEvents() {
  ++processEventsCalls_;
  if (onProcessEvents) onProcessEvents();
}

bool RecordingHost::escapePressed() {
  ++escapeChecks_;
  if (escapeAfter_ >= 0 && progressCalls_ >= escapeAfter_) {
    escapeAfter_ = -1;
    return true;
  }
  return false;
}

void RecordingHost::progress(int blocks) {
  if (blocks < 0) {
    ++progressEndCalls_;
    return;
  }
  ++progressCalls_;
  progressBlocks_.push_back(blocks);
  if (onProgress) onProgress(progressCalls_, blocks);
}

std::optional<std::string> RecordingHost::chooseOpenFile(const std::string& title,
                                                         const std::string& folder) {
  openDialogs_.push_back({title, folder});
  if (openAnswers_.empty()) return std::nullopt;
  std::optional<std::string> answer = std::move(openAnswers_.front());
  openAnswers_.pop_front();
  return answer;
}

std::optional<std::string> RecordingHost::chooseSaveFile(const std::string& folder,
                                                         const std::string& fileName) {
  saveDialogs_.push_back({folder, fileName});
  if (saveAnswers_.empty()) return std::nullopt;
  std::optional<std::string> answer = std::move(saveAnswers_.front());
  saveAnswers_.pop_front();
  return answer;
}

template <class State, class Result>
std::optional<Result> RecordingHost::show(Dialog<State, Result>& dialog, const State& state) {
  dialog.shown.push_back(state);
  if (onDialog) onDialog();
  if (dialog.answers.empty()) return std::nullopt;
  std::optional<Result> answer = std::move(dialog.answers.front());
  dialog.answers.pop_front();
  return answer;
}

std::optional<VolumeDialogResult> RecordingHost::volumeDialog(const VolumeDialogState& state) {
  return show(volume_, state);
}
std::optional<FadeDialogResult> RecordingHost::fadeDialog(const FadeDialogState& state) {
  return show(fade_, state);
}
std::optional<SilenceDialogResult> RecordingHost::silenceDialog(const SilenceDialogState& state) {
  return show(silence_, state);
}
std::optional<SplitDialogResult> RecordingHost::splitDialog(const SplitDialogState& state) {
  return show(split_, state);
}
std::optional<SaveSelectionDialogResult> RecordingHost::saveSelectionDialog(const SaveSelectionDialogState& state) {
  return show(saveSelection_, state);
}

void RecordingHost::setBusy(bool busy) {
  if (busy != busy_) ++busyChanges_;
  busy_ = busy;
}

}  // namespace kavrel::test
