#pragma once
// File split: up to three parts, each with its attach boxes and the file it
// goes to; OK needs a name for every part in use. The optional "just save
// the selection" button hands the choice over to the save-selection dialog.
// Returns what OK (or that button) accepted, nothing when the user left the
// dialog otherwise.

#include <optional>

#include "editing/split_plan.h"
#include "settings/options.h"

class QWidget;

namespace kavrel {

// `place`: where the dialog opens, and where it was when it closed.
std::optional<SplitDialogResult> showSplitDialog(QWidget* parent, const SplitDialogState& state,
                                                 WindowPosition& place);

}  // namespace kavrel
