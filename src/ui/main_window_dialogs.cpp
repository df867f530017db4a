// The main window as the host of the editing dialogs.

#include "ui/dialogs/fade_dialog.h"
#include "ui/dialogs/save_selection_dialog.h"
#include "ui/dialogs/silence_dialog.h"
#include "ui/dialogs/split_dialog.h"
#include "ui/dialogs/volume_dialog.h"
#include "ui/main_window.h"

namespace kavrel {

std::optional<VolumeDialogResult> MainWindow::volumeDialog(const VolumeDialogState& state) {
  return showVolumeDialog(this, state);
}

std::optional<FadeDialogResult> MainWindow::fadeDialog(const FadeDialogState& state) {
  return showFadeDialog(this, state);
}

std::optional<SilenceDialogResult> MainWindow::silenceDialog(const SilenceDialogState& state) {
  return showSilenceDialog(this, state);
}

std::optional<SplitDialogResult> MainWindow::splitDialog(const SplitDialogState& state) {
  return showSplitDialog(this, state);
}

std::optional<SaveSelectionDialogResult> MainWindow::saveSelectionDialog(
    const SaveSelectionDialogState& state) {
  return showSaveSelectionDialog(this, state);
}

}  // namespace kavrel
