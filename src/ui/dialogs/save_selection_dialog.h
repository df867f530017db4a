#pragma once
// Save the selection as: the attach boxes of the blocks the file has and the
// file the selection goes to; OK needs a name. Modal; returns what OK
// accepted, nothing when cancelled.

#include <optional>

#include "editing/split_plan.h"

class QWidget;

namespace kavrel {

std::optional<SaveSelectionDialogResult> showSaveSelectionDialog(QWidget* parent,
                                                                 const SaveSelectionDialogState& state);

}  // namespace kavrel
