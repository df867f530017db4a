#pragma once
// The remembered screen places of the options record, one left/top pair per
// window: which window owns which pair.

#include <cstddef>

#include "settings/options.h"

namespace kavrel {

enum class WindowSlot : size_t {
  MainWindow = 0,
  // The editing dialogs.
  VolumeDialog = 1,
  FadeDialog = 2,
  SilenceDialog = 3,
  SplitDialog = 4,
  SaveSelectionDialog = 5,
  // The tag windows.
  Id3v1Editor = 6,
  Id3v2Editor = 7,
  TagTransferDialog = 8,
  // The ID3v2 editor's field dialogs: loading a field from a file, the
  // multi-line text dialog (its place, then its client width and height),
  // saving a field to a file.
  FieldLoadDialog = 9,
  MultiLineDialog = 10,
  MultiLineDialogSize = 11,
  FieldSaveDialog = 12,
  // The audio dialogs.
  NormalizeDialog = 13,
  SilenceSplitDialog = 14,
};

constexpr size_t slotIndex(WindowSlot slot) { return size_t(slot); }

// A reset centres every window except the multi-line dialog's size pair,
// which becomes this width and height.
inline constexpr WindowPosition kMultiLineDialogResetSize{340, 184};

static_assert(slotIndex(WindowSlot::MultiLineDialogSize) == kFixedWindowSlot);
static_assert(slotIndex(WindowSlot::SilenceSplitDialog) + 1 == kWindowSlots);

}  // namespace kavrel
