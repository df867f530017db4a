// Volume and balance, fade in/out and silence insertion.

#include <algorithm>
#include <cstdlib>
#include <new>

#include "app/editor.h"
#include "app/flag_scope.h"
#include "document/messages.h"
#include "editing/messages.h"

namespace kavrel {

void Editor::amplify(Sender sender, const std::optional<VolumeRequest>& request) {
  if (!acceptsSender(sender)) return;
  operationStatus = kStatusOk;
  if (isBusy()) {
    operationStatus = kStatusBusy;
    return;
  }
  if (!hasSelection()) {
    setOutcome(VolumeOutcome::NothingSelected);
    report(msg::kSelectFramesToAmplify, msg::kWarningCaption, MessageIcon::Exclamation);
    return;
  }
  clampEnd(0);
  clampEnd(1);
  const auto [a, b] = selectedSpan();

  if (request) {
    volumeSteps = request->steps;
    adjustLeft = request->left;
    adjustRight = request->right;
  } else {
    const bool stereo = selectionHasStereo(doc_, true, a, b);
    const VolumeDialogState state =
        volumeDialogState(options_.volumeMemoryMode, options_.volumeSliderMemory, options_.volumeChannelMemory, stereo,
                          stereo ? selectionStereoKind(doc_, true, a, b) : 0);
    const std::optional<VolumeDialogResult> chosen = showDialog([&] { return host_.volumeDialog(state); });
    if (!chosen) return;
    const int position = std::clamp(chosen->sliderPosition, 0, kSliderMax);
    const VolumeChannel channel = stereo ? chosen->channel : VolumeChannel::Both;
    // The memory took each move as it happened, OK or not.
    if (chosen->sliderMoved) options_.volumeSliderMemory = position;
    if (chosen->channelPicked) options_.volumeChannelMemory = int(channel);
    volumeSteps = position - kVolumeSliderZero;
    adjustLeft = channel != VolumeChannel::Right;
    adjustRight = channel != VolumeChannel::Left;
    if (!chosen->accepted || volumeSteps == 0) return;
    if (volumeSteps > 8 && host_.messageBox(msg::kAmplificationWarning, msg::kAmplificationWarningCaption,
                                            MessageIcon::Exclamation, MessageButtons::OkCancel,
                                            MessageResult::Ok) != MessageResult::Ok)
      return;
  }

  prepareUndo();
  applyVolume(doc_.gainList, a, b, volumeSteps, adjustLeft, adjustRight);
  afterChange();
  notify(ViewChange::Document);
}

void Editor::fade(Sender sender, const std::optional<FadeRequest>& request) {
  if (!startCommand(sender)) return;
  if (!hasSelection()) {
    setOutcome(FadeOutcome::NothingSelected);
    report(msg::kSelectMultipleFrames, msg::kCantDoCaption, MessageIcon::Exclamation);
    return;
  }
  const auto [a, b] = selectedSpan();
  if (b - a < 2) {
    setOutcome(FadeOutcome::OneFrame);
    report(msg::kFadeNeedsTwoFrames, msg::kCantDoCaption, MessageIcon::Exclamation);
    return;
  }
  // Taken before the dialog: a cancelled fade has replaced the snapshot too.
  prepareUndo();
  fadeIn = preselectFadeIn(a, b, doc_.documentFrameCount(), doc_.frameTable.count());
  if (request) {
    fadeIn = request->fadeIn;
    fadeSteps = -std::clamp(request->magnitudeSteps, 0, kSliderMax);
  } else {
    const FadeDialogState state = fadeDialogState(options_.fadeMemoryMode, options_.fadeSliderMemory, fadeIn);
    const std::optional<FadeDialogResult> chosen = showDialog([&] { return host_.fadeDialog(state); });
    if (!chosen) return;
    const int position = std::clamp(chosen->sliderPosition, 0, kSliderMax);
    if (chosen->sliderMoved) options_.fadeSliderMemory = position;
    fadeSteps = -position;
    fadeIn = chosen->fadeIn;
    if (!chosen->accepted) return;
  }
  applyFade(doc_.gainList, a, b, fadeSteps, fadeIn);
  afterChange();
  notify(ViewChange::Document);
}

void Editor::insertSilence(Sender sender, const std::optional<int32_t>& frames) {
  if (!acceptsSender(sender)) return;
  if (isBusy() || !doc_.documentLoaded) {
    setOutcome(SilenceOutcome::NotReady);
    return;
  }
  operationStatus = kStatusOk;
  const int32_t keptView = viewOffset;
  const bool selected = hasSelection();
  const auto [a, b] = selectedSpan(true);

  int32_t count = 0;
  bool limited = false;
  SilenceFormat format = recommendedSilence(doc_);
  if (frames) {
    count = *frames;
    if (count > kMaxSilenceFrames) {
      count = kMaxSilenceFrames;
      limited = true;
    }
  } else {
    const int32_t preset = std::min(b - a, kMaxSilenceFrames);
    const SilenceDialogState state =
        silenceDialogState(doc_, preset, selected ? spanTime(doc_, a, a + preset) : 0.0, selected);
    const std::optional<SilenceDialogResult> chosen = showDialog([&] { return host_.silenceDialog(state); });
    if (!chosen) return;
    count = std::clamp(chosen->frames, 0, kMaxSilenceFrames);
    format = chosen->format;
  }
  silenceFormat = format;

  if (count < 1) {
    if (!selected) return;
    if (frames || scriptRunning ||
        host_.messageBox(msg::kEraseSelectionPrompt, msg::kPromptCaption, MessageIcon::Exclamation,
                         MessageButtons::YesNo, MessageResult::No) == MessageResult::Yes)
      runDelete();
    return;
  }

  prepareUndo();
  try {
    // In behind the selection first, then the selection goes: running out of
    // memory leaves the document as it was.
    insertSilentFrames(doc_, b, silentFrameEntry(format), count);
  } catch (const std::bad_alloc&) {
    setOutcome(SilenceOutcome::NotReady);
    report(msg::kSilenceMemoryError, msg::kWarningCaption, MessageIcon::Exclamation);
    return;
  }
  removeFrames(doc_, a, b);
  afterChange();
  refreshStatistics();
  if (selected) {
    selection = {a, a + count};
    setCursorView(0);
    select();
  } else {
    selection = {a, a};
    setCursorView(0);
    unselect();
  }
  viewOffset = std::clamp(keptView, 0, maxViewOffset);
  notify(ViewChange::Document);
  if (limited) setOutcome(SilenceOutcome::Limited);
}

}  // namespace kavrel
