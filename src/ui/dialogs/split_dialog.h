#pragma once
// File split: up to three parts, each with its attach boxes and the file it
// goes to; OK needs a name for every part in use. The optional "just save
// the selection" button hands the choice over to the save-selection dialog.
// Modal; returns what OK (or that button) accepted, nothing when cancelled.

#include <optional>

#include "editing/split_plan.h"

class QWidget;

namespace kavrel {

std::optional<SplitDialogResult> showSplitDialog(QWidget* parent, const SplitDialogState& state);

}  // namespace kavrel
