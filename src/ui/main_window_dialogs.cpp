// The main window as the host of the editing dialogs: each opens at its
// remembered place and leaves its place behind in the options.

#include "settings/window_slots.h"
#include "ui/dialogs/audio_dialogs.h"
#include "ui/dialogs/fade_dialog.h"
#include "ui/dialogs/save_selection_dialog.h"
#include "ui/dialogs/silence_dialog.h"
#include "ui/dialogs/split_dialog.h"
#include "ui/dialogs/volume_dialog.h"
#include "ui/main_window.h"

namespace kavrel {

namespace {

// The remembered place of `slot`. A reset left the host's idea of the
// centre there (or 0, 0 without a screen): the dialog, which knows its own
// size, centres itself instead.
WindowPosition& placeOf(MainWindow& window, Options& options, WindowSlot slot) {
  WindowPosition& place = options.windowPositions[slotIndex(slot)];
  if (place == window.centredWindowPosition(slotIndex(slot))) place = {};
  // The window greys out what the open dialog keeps out.
  window.viewChanged(ViewChange::Controls);
  return place;
}

}  // namespace

std::optional<VolumeDialogResult> MainWindow::volumeDialog(const VolumeDialogState& state) {
  return showVolumeDialog(this, state, placeOf(*this, editor_->options(), WindowSlot::VolumeDialog));
}

std::optional<FadeDialogResult> MainWindow::fadeDialog(const FadeDialogState& state) {
  return showFadeDialog(this, state, placeOf(*this, editor_->options(), WindowSlot::FadeDialog));
}

std::optional<SilenceDialogResult> MainWindow::silenceDialog(const SilenceDialogState& state) {
  return showSilenceDialog(this, state, placeOf(*this, editor_->options(), WindowSlot::SilenceDialog));
}

std::optional<SplitDialogResult> MainWindow::splitDialog(const SplitDialogState& state) {
  return showSplitDialog(this, state, placeOf(*this, editor_->options(), WindowSlot::SplitDialog));
}

std::optional<SaveSelectionDialogResult> MainWindow::saveSelectionDialog(
    const SaveSelectionDialogState& state) {
  return showSaveSelectionDialog(this, state,
                                 placeOf(*this, editor_->options(), WindowSlot::SaveSelectionDialog));
}

std::optional<NormalizeRequest> MainWindow::normalizeDialog(const NormalizeDialogState& state) {
  return showNormalizeDialog(this, state, placeOf(*this, editor_->options(), WindowSlot::NormalizeDialog));
}

std::optional<PartSplitRequest> MainWindow::silenceSplitDialog(const SilenceSplitDialogState& state) {
  return showSilenceSplitDialog(this, state,
                                placeOf(*this, editor_->options(), WindowSlot::SilenceSplitDialog));
}

}  // namespace kavrel
